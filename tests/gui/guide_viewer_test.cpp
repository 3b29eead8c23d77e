// The guide in the program's own viewer, in the language in use: F1 in the till shows the till's
// page with its picture, the one viewer is raised again for the next F1, the page's links lead to
// the other language and back, and Help > Contents shows the contents. The viewer on the till's
// page is kept as screenshots/guide-viewer-till-<en|af>.png.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include "demo_shop.h"
#include "screenshots.h"
#include "framework/positions.h"
#include "gui/guide_viewer.h"
#include "operators/access.h"
#include "frame_window.h"
#include "shell/main_frame.h"

namespace tavlo::gui {
namespace {

using support::FrameWindow;

// The pictures a page shows, by the names it gives them.
QStringList pictures(QTextDocument* page) {
    QStringList names;
    for (QTextBlock b = page->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (QTextCharFormat f = it.fragment().charFormat(); f.isImageFormat()) names << f.toImageFormat().name();
    return names;
}

int viewersOpen() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<GuideViewer*>(w) && w->isVisible();
    return n;
}

class GuideViewerGui : public DemoShop {
protected:
    void TearDown() override {
        if (GuideViewer* viewer = GuideViewer::current()) viewer->close();
        DemoShop::TearDown();
    }
    // The page of the guide in a language folder, as the end of the viewer's path.
    static QString page(const char* lang, const char* name) {
        return QStringLiteral("/guide/%1/%2.html").arg(QLatin1String(lang), QLatin1String(name));
    }
    QString page(const char* name) const { return page(languageFolder(language()), name); }
    bool showing(const QString& path) const {
        GuideViewer* viewer = GuideViewer::current();
        return viewer && viewer->isVisible() && viewer->page().path().endsWith(path);
    }
};

TEST_P(GuideViewerGui, F1InTheTillShowsItsPageAndTheLinksAreFollowed) {
    QWidget* till = openTill();
    ASSERT_NE(till, nullptr);
    auto* editor = till->findChild<QLineEdit*>("ListEditor");
    ASSERT_TRUE(eventually([&] { return editor->isVisible() && editor->hasFocus(); }));
    QTest::keyClick(editor, Qt::Key_F1);
    ASSERT_TRUE(eventually([&] { return showing(page("till")); }));
    GuideViewer* viewer = GuideViewer::current();
    EXPECT_EQ(viewer->windowTitle(), text("Hulp", "Help"));

    // The till's picture is shown, and the page needs no scrolling sideways, however narrow the
    // viewer is made.
    QTextBrowser* browser = viewer->browser();
    const QStringList shown = pictures(browser->document());
    EXPECT_TRUE(shown.contains(QStringLiteral("img/till.png"))) << shown.join(' ').toStdString();
    for (const QString& name : shown)
        EXPECT_FALSE(browser->document()->resource(QTextDocument::ImageResource, QUrl(name)).isNull()) << name.toStdString();
    for (int width : {viewer->width(), 500, 820}) {
        viewer->resize(width, viewer->height());
        EXPECT_TRUE(eventually([&] { return browser->horizontalScrollBar()->maximum() == 0; }, 3000)) << width;
    }
    shoot(viewer, std::string("guide-viewer-till-") + languageFolder(language()) + ".png", 0, false);

    // F1 again: the same viewer, raised, not a second one.
    till->activateWindow();
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_F1);
    ASSERT_TRUE(eventually([&] { return QApplication::activeWindow() == viewer; }));
    EXPECT_EQ(GuideViewer::current(), viewer);
    EXPECT_EQ(viewersOpen(), 1);

    // The page's second link is the other language's page; Back returns; Contents is the index.
    const char* other = afrikaans() ? "en" : "af";
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return showing(page(other, "till")); })) << viewer->page().toString().toStdString();
    auto action = [&](const char* name) { return viewer->findChild<QAction*>(QString::fromUtf8(name)); };
    ASSERT_TRUE(action("Back")->isEnabled());
    action("Back")->trigger();
    ASSERT_TRUE(eventually([&] { return showing(page("till")); }));
    EXPECT_TRUE(action("Forward")->isEnabled());
    action("Contents")->trigger();
    ASSERT_TRUE(eventually([&] { return showing(page("index")); }));

    // Esc closes it; the till goes on.
    QTest::keyClick(browser, Qt::Key_Escape);
    ASSERT_TRUE(eventually([] { return GuideViewer::current() == nullptr; }));
    EXPECT_TRUE(till->isVisible());
    QAbstractButton* no = closeTill(till, false);
    ASSERT_NE(no, nullptr);
    QTest::mouseClick(no, Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return tillDone.load(); }));
}

TEST_P(GuideViewerGui, HelpContentsShowsTheContents) {
    runtime.launch([&] {
        FrameWindow frame;
        runtime.run(frame);
    });
    ASSERT_TRUE(eventually([] { return topLevel("Main") != nullptr; }));
    auto* frame = qobject_cast<QMainWindow*>(topLevel("Main"));
    ASSERT_NE(frame, nullptr);
    QAction* contents = nullptr;
    for (QAction* menu : frame->menuBar()->actions())
        if (menu->text().trimmed() == text("&Hulp", "&Help") && menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->text().trimmed() == text("&Inhoud", "&Contents")) contents = item;
    ASSERT_NE(contents, nullptr);
    contents->trigger();
    ASSERT_TRUE(eventually([&] { return showing(page("index")); }));
    EXPECT_EQ(GuideViewer::current()->windowTitle(), text("Hulp", "Help"));

    // Closed at another size, it comes back at that size, kept in the window-position file.
    SettingsWindowPositions positions(folder.path() / "positions.ini");
    setWindowPositions(&positions);
    struct Unset {
        ~Unset() { setWindowPositions(nullptr); }
    } unset;
    GuideViewer::current()->resize(610, 430);
    GuideViewer::current()->close();
    ASSERT_TRUE(eventually([] { return GuideViewer::current() == nullptr; }));
    contents->trigger();
    ASSERT_TRUE(eventually([&] { return showing(page("index")); }));
    EXPECT_EQ(GuideViewer::current()->size(), QSize(610, 430));
}

INSTANTIATE_TEST_SUITE_P(Languages, GuideViewerGui, ::testing::Values(1, kAfrikaans), languageName);

}  // namespace
}  // namespace tavlo::gui
