// The real program on the offscreen platform: log in, the reminder, the main frame and its
// menus, switching the language, a window started from a menu, a list with its in-list editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <filesystem>

#include "gui_test_support.h"
#include "framework/list.h"
#include "gui/qt_runtime.h"
#include "gui/window_host.h"
#include "operators/access.h"
#include "framework/commands.h"
#include "util/platform.h"
#include "state/settings.h"
#include "shell/startup.h"
#include "support.h"

namespace tavlo::gui {
namespace {

QAction* menuAction(QMainWindow* frame, const QString& caption) {
    for (QAction* top : frame->menuBar()->actions()) {
        if (top->text() == caption) return top;
        if (QMenu* m = top->menu())
            for (QAction* a : m->actions())
                if (a->text() == caption) return a;
    }
    return nullptr;
}

class Platform2 : public Platform {
public:
    std::filesystem::path folder;
    std::optional<std::string> computerName() override { return "TILL1"; }
    std::optional<std::string> networkUserName() override { return "anna"; }
    std::filesystem::path workingDirectory() override { return folder; }
    std::filesystem::path executableDirectory() override { return folder; }
};

class TwoLanguages : public WindowTranslator {
public:
    int mode_ = 0, language_ = 0;
    void translateWindow(Window& w, const std::string&, const std::string& procedure, const std::string&) override {
        if (language_ == 2 && procedure == "UserDetails") w.title = "Gebruikerbesonderhede";
    }
    std::string translateString(const std::string& text, const std::string&, const std::string&, const std::string&) override {
        return language_ == 2 ? "Taal" : text;
    }
    void setMode(int m) override { mode_ = m; }
    int mode() const override { return mode_; }
    void setLanguage(int l) override {
        if (l == 1 || l == 2) language_ = l;
    }
    int language() const override { return language_; }
    std::vector<std::string> languages() override { return {"01-English", "02-Afrikaans"}; }
};

class Details : public Procedure {
public:
    Details() : Procedure("UserDetails") {}

protected:
    void DefineWindow(Window& w) override {
        w = Window("User Details", 200, 120);
        w.prompt("&Name:").at(8, 8, 40, 10);
        w.entry(Binding(&name_, 20), "@s20").at(50, 8, 100, 10).name("Name");
        auto list = std::make_shared<ListControl>(
            std::vector<ListColumn>{{"Code", "@s10", 50}, {"Qty", "@n-10.2", 50, 'R'}}, rows_);
        list->columns[0].editable = list->columns[1].editable = true;
        list->editInPlace = true;
        list_ = list;
        int l = w.list(list).at(8, 24, 184, 60).name("Lines");
        list->insertButton = w.button("&Insert").at(8, 90, 40, 14).name("Insert");
        (void)l;
        w.button("&Close").at(150, 100, 40, 14).name("Close").closes();
    }
    void TakeOpened() override { list_->reload(); }

private:
    std::string name_;
    std::shared_ptr<MemoryRows> rows_ = std::make_shared<MemoryRows>();
    std::shared_ptr<ListControl> list_;
};

}  // namespace

TEST(MainFrameGui, LogInWalkMenusSwitchLanguageOpenAWindow) {
    application();
    support::TempFolder folder;
    Platform2 platform;
    platform.folder = folder.path();
    support::ProgramStateGuard state;
    AccessControl access;
    access.useFolder(platform.folder);
    ASSERT_TRUE(access.addUser("anna", "Anna", "pw", true));
    TwoLanguages translator;
    ProcedureFactory previousDetails = commandFactory(kUserDetails);
    ProcedureFactory deleting = commandFactory(kDeleteTransactions);
    setCommandFactory(kUserDetails, [] { return std::make_unique<Details>(); });
    setCommandFactory(kDeleteTransactions, nullptr);  // a command whose window is not there

    QtRuntime runtime;
    std::atomic<int> code{-1};
    runtime.launch([&] { code = runTavlo(runtime, platform, access, translator); });

    // Log in.
    ASSERT_TRUE(eventually([] { return topLevel("AccessLogin") != nullptr; }));
    QWidget* login = topLevel("AccessLogin");
    if (const char* shot = std::getenv("TAVLO_SCREENSHOT")) login->grab().save(QString::fromUtf8(shot) + ".login.png");
    EXPECT_EQ(login->windowTitle(), "Tavlo v5 | Main");
    auto* user = login->findChild<QLineEdit*>("User");
    auto* password = login->findChild<QLineEdit*>("Password");
    ASSERT_TRUE(user && password);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    user->setFocus();
    // Enter completes an entry whether or not the window has the focus yet; Enter in the user
    // name goes on to the password, and Enter there is OK.
    QTest::keyClicks(user, "anna");
    QTest::keyClick(user, Qt::Key_Return);
    QTest::keyClicks(password, "pw");
    QTest::keyClick(password, Qt::Key_Return);

    // The reminder, over the frame that has no Language menu yet.
    ASSERT_TRUE(eventually([] { return messageBox() != nullptr; }));
    EXPECT_EQ(messageBox()->text(), "Remember to import Rovandi data ?");
    EXPECT_EQ(messageBox()->windowTitle(), "Control");
    if (auto* early = qobject_cast<QMainWindow*>(topLevel("Main"))) {
        EXPECT_EQ(messageBox()->parentWidget(), early);
        EXPECT_EQ(early->windowTitle(), "Tavlo v5.0b");
        for (QAction* a : early->menuBar()->actions()) EXPECT_NE(a->text(), "Language");
    } else {
        ADD_FAILURE() << "the frame is not up behind the reminder";
    }
    messageBox()->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(eventually([] { return topLevel("Main") != nullptr; }));
    auto* frame = qobject_cast<QMainWindow*>(topLevel("Main"));
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(eventually([&] { return frame->windowTitle() == "Tavlo v5.0b" && menuAction(frame, "Language"); }));
    QStringList menus;
    for (QAction* a : frame->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File  ", "Da&ta", "Transa&ctions", "Rep&orts", "&Help", "Language"}));
    QStringList file;
    for (QAction* a : menuAction(frame, "&File  ")->menu()->actions()) file << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(file, (QStringList{"User Deta&il", "Ope&rators", "-", "&Print Setup ...", "-", "E&xit"}));

    if (const char* shot = std::getenv("TAVLO_SCREENSHOT")) {
        // The whole screen, with the File menu pulled down (a display is needed: xvfb-run).
        frame->menuBar()->setActiveAction(menuAction(frame, "&File  "));
        QTest::qWait(300);
        QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        (screen.isNull() ? frame->grab() : screen).save(QString::fromUtf8(shot));
        if (QMenu* m = menuAction(frame, "&File  ")->menu()) m->hide();
    }

    // A command whose window is not built says so.
    menuAction(frame, "De&lete Transactions")->trigger();
    ASSERT_TRUE(eventually([] { return messageBox() != nullptr; }));
    EXPECT_EQ(messageBox()->text(), "This part of the program is not available yet.");
    messageBox()->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(eventually([] { return messageBox() == nullptr; }));

    // Switch to Afrikaans.
    QAction* afrikaans = menuAction(frame, "Afrikaans");
    ASSERT_NE(afrikaans, nullptr);
    EXPECT_TRUE(menuAction(frame, "English")->isChecked());
    afrikaans->trigger();
    ASSERT_TRUE(eventually([&] { return frame->windowTitle() == "Tavlo w5.0b"; }));
    ASSERT_TRUE(eventually([&] { return menuAction(frame, "Taal") != nullptr; }));
    EXPECT_TRUE(menuAction(frame, "Afrikaans")->isChecked());
    EXPECT_FALSE(menuAction(frame, "English")->isChecked());
    EXPECT_EQ(readSetting(platform.folder / "VLabs.ini", "Language", "No", ""), "2");

    // A window started from a menu runs beside the frame; its list edits in place.
    menuAction(frame, "User Deta&il")->trigger();
    ASSERT_TRUE(eventually([] { return topLevel("UserDetails") != nullptr; }));
    QWidget* details = topLevel("UserDetails");
    if (const char* shot = std::getenv("TAVLO_SCREENSHOT")) details->grab().save(QString::fromUtf8(shot) + ".details.png");
    EXPECT_EQ(details->windowTitle(), "Gebruikerbesonderhede");
    EXPECT_TRUE(frame->isEnabled());
    QTest::mouseClick(details->findChild<QPushButton*>("Insert"), Qt::LeftButton);
    QLineEdit* editor = nullptr;
    ASSERT_TRUE(eventually([&] {
        editor = details->findChild<QLineEdit*>("ListEditor");
        return editor && editor->isVisible();
    }));
    QTest::keyClicks(editor, "A1");
    QTest::keyClick(editor, Qt::Key_Tab);
    ASSERT_TRUE(eventually([&] { return editor->isVisible() && editor->text() == "0.00"; }));
    QTest::keyClicks(editor, "2.5");
    QTest::keyClick(editor, Qt::Key_Tab);  // out of the last column: saved, a new row opens
    auto* lines = details->findChild<QAbstractItemView*>("Lines");
    ASSERT_NE(lines, nullptr);
    ASSERT_TRUE(eventually([&] { return lines->model()->rowCount() == 2; }));
    EXPECT_EQ(lines->model()->index(0, 1).data().toString(), "2.50");
    QTest::keyClick(editor, Qt::Key_Escape);
    ASSERT_TRUE(eventually([&] { return !editor->isVisible() && lines->model()->rowCount() == 1; }));
    QTest::mouseClick(details->findChild<QPushButton*>("Close"), Qt::LeftButton);
    ASSERT_TRUE(eventually([] { return topLevel("UserDetails") == nullptr; }));

    // Exit ends the program and writes the settings back.
    menuAction(frame, "E&xit")->trigger();
    ASSERT_TRUE(eventually([&] { return code.load() == 0; }));
    runtime.shutDown();
    EXPECT_EQ(readSetting(platform.folder / "Tavlo.Ini", "SPECS", "Version", ""), "5.0b");
    EXPECT_EQ(readSetting(platform.folder / "VLabs.ini", "Language", "No_TILL1_anna", ""), "2");
    EXPECT_NE(readSetting(platform.folder / "Tavlo.INI", "Main", "Width", ""), "");
    setCommandFactory(kUserDetails, previousDetails);
    setCommandFactory(kDeleteTransactions, deleting);
}

TEST(MainFrameGui, CancelledLogInEndsTheProgramWithoutTheFrame) {
    application();
    support::TempFolder folder;
    Platform2 platform;
    platform.folder = folder.path();
    support::ProgramStateGuard state;
    AccessControl access;
    access.useFolder(platform.folder);
    ASSERT_TRUE(access.addUser("anna", "Anna", "pw", true));
    TwoLanguages translator;
    QtRuntime runtime;
    std::atomic<int> code{-1};
    runtime.launch([&] { code = runTavlo(runtime, platform, access, translator); });
    ASSERT_TRUE(eventually([] { return topLevel("AccessLogin") != nullptr; }));
    QTest::mouseClick(topLevel("AccessLogin")->findChild<QPushButton*>("Cancel"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return code.load() == 0; }));
    runtime.shutDown();
    EXPECT_EQ(topLevel("Main"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(platform.folder / "Tavlo.Ini") &&
                 !readSetting(platform.folder / "Tavlo.Ini", "SPECS", "Version", "").empty());
}

}  // namespace tavlo::gui
