#include "gui/guide_viewer.h"

#include <QAction>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QToolBar>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "framework/runtime.h"
#include "gui/ui_text.h"

namespace tavlo::gui {

namespace {

QPointer<GuideViewer> theViewer;

// The picture a page names, as the document holds it.
QImage picture(QTextDocument* page, const QString& name) {
    const QVariant held = page->resource(QTextDocument::ImageResource, QUrl(name));
    if (held.typeId() == QMetaType::QImage) return held.value<QImage>();
    if (held.typeId() == QMetaType::QPixmap) return held.value<QPixmap>().toImage();
    return QImage::fromData(held.toByteArray());
}

// A browser whose pictures are shown as large as they are, or narrower to fit the window, so a
// page never needs scrolling sideways to see a window's picture whole.
class GuideBrowser : public QTextBrowser {
public:
    explicit GuideBrowser(QWidget* parent) : QTextBrowser(parent) {
        connect(this, &QTextBrowser::sourceChanged, this, [this] { fitPictures(); });
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QTextBrowser::resizeEvent(event);
        fitPictures();
    }

private:
    void fitPictures() {
        QTextDocument* page = document();
        const QTextFrameFormat root = page->rootFrame()->frameFormat();
        // Room for the scroll bar that a long page brings once it is laid out.
        const int scrollBar = verticalScrollBar()->isVisible() ? 0 : style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const qreal width = viewport()->width() - scrollBar - root.leftMargin() - root.rightMargin() -
                            2 * (root.padding() + root.border());
        std::vector<std::pair<QTextFragment, QTextImageFormat>> resized;
        for (QTextBlock b = page->begin(); b.isValid(); b = b.next()) {
            const QTextBlockFormat block = b.blockFormat();
            const qreal room = width - block.leftMargin() - block.rightMargin() - block.textIndent() - 2;
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                QTextImageFormat f = it.fragment().charFormat().toImageFormat();
                if (!f.isValid()) continue;
                const QImage image = natural(f.name());
                if (image.isNull() || room <= 0) continue;
                const int w = std::min(image.width(), static_cast<int>(room));
                if (static_cast<int>(f.width()) == w) continue;
                // Scaled smoothly here: the page would draw it stretched.
                const QImage shown = w == image.width() ? image : image.scaledToWidth(w, Qt::SmoothTransformation);
                page->addResource(QTextDocument::ImageResource, page->baseUrl().resolved(QUrl(f.name())), shown);
                f.setWidth(shown.width());
                f.setHeight(shown.height());
                resized.emplace_back(it.fragment(), f);
            }
        }
        for (const auto& [fragment, format] : resized) {
            QTextCursor cursor(page);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }

    // A picture of the page at its own size, read once.
    QImage natural(const QString& name) {
        const QUrl file = document()->baseUrl().resolved(QUrl(name));
        auto known = naturals_.find(file);
        if (known == naturals_.end()) known = naturals_.insert(file, picture(document(), name));
        return *known;
    }

    QHash<QUrl, QImage> naturals_;
};

}  // namespace

GuideViewer::GuideViewer() {
    setObjectName(QStringLiteral("GuideViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    browser_ = new GuideBrowser(this);
    browser_->setObjectName(QStringLiteral("GuidePage"));
    // Pages of the guide are followed here; a link out of it goes to the desktop, when it has one.
    browser_->setOpenExternalLinks(true);
    setCentralWidget(browser_);

    auto* bar = addToolBar(QString());
    bar->setObjectName(QStringLiteral("GuideBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto action = [&](const char* name, const QKeySequence& key) {
        QAction* a = bar->addAction(QString());
        a->setObjectName(QString::fromUtf8(name));
        a->setShortcut(key);
        return a;
    };
    back_ = action("Back", QKeySequence::Back);
    forward_ = action("Forward", QKeySequence::Forward);
    contents_ = action("Contents", QKeySequence(Qt::ALT | Qt::Key_Home));
    close_ = action("Close", QKeySequence(Qt::Key_Escape));
    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    // The contents of the guide in the language of the page shown.
    connect(contents_, &QAction::triggered, this, [this] { showPage(page().resolved(QUrl(QStringLiteral("index.html")))); });
    connect(close_, &QAction::triggered, this, &QWidget::close);

    // Where the operator last left it, kept on the screen; else a size that fits.
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    std::optional<WindowGeometry> kept;
    if (WindowPositions* positions = windowPositions()) kept = positions->load(kPositionName);
    QRect placed = kept && kept->width > 0 && kept->height > 0 ? QRect(kept->x, kept->y, kept->width, kept->height)
                                                               : QRect(area.topLeft(), QSize(860, 700));
    if (area.isValid()) {
        placed.setSize(placed.size().boundedTo(area.size()));
        placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()));
        placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
    }
    if (kept) setGeometry(placed);
    else resize(placed.size());
    if (kept && kept->maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

GuideViewer::~GuideViewer() {
    if (WindowPositions* positions = windowPositions()) {
        const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
        positions->save(kPositionName, WindowGeometry{r.x(), r.y(), r.width(), r.height(), isMaximized(), false});
    }
}

GuideViewer* GuideViewer::open(const QString& file) {
    if (!theViewer) theViewer = new GuideViewer;
    GuideViewer* viewer = theViewer;
    viewer->retitle();
    if (viewer->isMinimized()) viewer->showNormal();
    viewer->show();
    viewer->showPage(QUrl::fromLocalFile(file));
    viewer->raise();
    viewer->activateWindow();
    viewer->browser_->setFocus();
    return viewer;
}

GuideViewer* GuideViewer::current() { return theViewer; }

QUrl GuideViewer::page() const { return browser_->source(); }

void GuideViewer::showPage(const QUrl& url) {
    if (url == browser_->source()) browser_->verticalScrollBar()->setValue(0);
    else browser_->setSource(url);
}

// The viewer's own texts follow the language in use each time a page is asked for.
void GuideViewer::retitle() {
    setWindowTitle(uiText("Hulp", "Help"));
    back_->setText(uiText("Terug", "Back"));
    forward_->setText(uiText("Vorentoe", "Forward"));
    contents_->setText(uiText("Inhoud", "Contents"));
    close_->setText(uiText("Sluit", "Close"));
}

}  // namespace tavlo::gui
