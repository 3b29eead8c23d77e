#include "gui/guide_viewer.h"

#include <QAction>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QToolBar>

#include "gui/ui_text.h"

namespace tavlo::gui {

namespace {

QPointer<GuideViewer> theViewer;

// A browser whose pictures are made narrower, never wider, to fit the window as it is when the
// page is shown, so a screenshot never needs the page scrolled sideways.
class GuideBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override {
        QVariant loaded = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::ImageResource || !loaded.isValid()) return loaded;
        QImage image = loaded.typeId() == QMetaType::QImage ? loaded.value<QImage>() : QImage::fromData(loaded.toByteArray());
        const int room = viewport()->width() - 2 * static_cast<int>(document()->documentMargin()) - 4;
        if (image.isNull() || room <= 0 || image.width() <= room) return loaded;
        return image.scaledToWidth(room, Qt::SmoothTransformation);
    }
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

    QSize size(860, 700);
    if (QScreen* screen = QGuiApplication::primaryScreen()) size = size.boundedTo(screen->availableSize());
    resize(size);
}

GuideViewer* GuideViewer::open(const QString& file) {
    if (!theViewer) theViewer = new GuideViewer;
    GuideViewer* viewer = theViewer;
    viewer->retitle();
    // Shown first, so the pictures are fitted to the laid-out window.
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
