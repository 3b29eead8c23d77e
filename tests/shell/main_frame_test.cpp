// The main frame: log-in and refusal, version check and conversion program, reminder, menus,
// the Language menu, and what it writes.
#include "shell/main_frame.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "framework/commands.h"
#include "shell/startup.h"
#include "shell_fixture.h"

using namespace tavlo;
using namespace tavlo::testing;

namespace {

class Frame : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        translator.list = {"01-English", "02-Afrikaans"};
        logInAs("admin", "s3cret");
    }
    void start() { startUp(rt, platform, access, translator); }
    // A conversion program that leaves a mark when it runs.
    void installConversionProgram() {
        auto path = file("POSConv.Exe");
        std::ofstream(path) << "#!/bin/sh\necho ran >> \"" << file("converted").string() << "\"\n";
        ::chmod(path.c_str(), 0755);
    }
    bool converted() const { return std::filesystem::exists(file("converted")); }
    std::vector<std::string> menuTexts(const Window& w, int parent) const {
        std::vector<std::string> out;
        for (const auto& c : w.controls())
            if (c.parent == parent && (c.kind == ControlKind::Menu || c.kind == ControlKind::Item))
                out.push_back(c.separator ? "-" : c.text);
        return out;
    }
};

class Notice : public Procedure {
public:
    Notice() : Procedure("UserDetails") {}

protected:
    void DefineWindow(Window& w) override {
        w = Window("User Details", 100, 50);
        w.button("&Close").closes();
    }
};

}  // namespace

TEST_F(Frame, OpensWithTheMenusInOrder) {
    start();
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    ASSERT_TRUE(w.isOpen());
    const Window& win = frame.window();
    EXPECT_EQ(win.kind, ControlKind::Frame);
    int bar = 1;
    EXPECT_EQ(win[bar].kind, ControlKind::MenuBar);
    EXPECT_EQ(menuTexts(win, bar), (std::vector<std::string>{"&File  ", "Da&ta", "Transa&ctions", "Rep&orts", "&Help", "Language"}));
    EXPECT_EQ(menuTexts(win, win.find("File  ")), (std::vector<std::string>{"User Deta&il", "Ope&rators", "-",
                                                                             "&Print Setup ...", "-", "E&xit"}));
    EXPECT_EQ(menuTexts(win, win.find("Data")), (std::vector<std::string>{"E&xport Data to Rovandi", "-", "I&mport Data from Rovandi"}));
    EXPECT_EQ(menuTexts(win, win.find("Transactions")),
              (std::vector<std::string>{"Point of S&ale", "-", "Debt&or Payment", "-", "De&lete Transactions"}));
    EXPECT_EQ(menuTexts(win, win.find("Reports")), (std::vector<std::string>{"Re&print CashSlip", "&Audit Trail"}));
    EXPECT_EQ(menuTexts(win, win.find("Help")), (std::vector<std::string>{"&Contents"}));
    EXPECT_EQ(win[win.find("Exit")].msg, "Exit this application");
    EXPECT_EQ(win[win.find("Print Setup ...")].msg, "Setup printer");
    EXPECT_EQ(win.title, "Tavlo v5.0b");
    EXPECT_EQ(std::count(translator.translated.begin(), translator.translated.end(), "Tavlo/Main/AppFrame"), 1);
    EXPECT_EQ(read("Tavlo.Ini", "USER", "Prog"), "POS");
    EXPECT_EQ(read("Tavlo.Ini", "USER", "ProgramDir"), platform.folder.string());
    rt.finish(w);
    EXPECT_EQ(read("Tavlo.Ini", "SPECS", "Version"), "5.0b");
    EXPECT_EQ(read("Tavlo.Ini", "Specs", "Path"), platform.folder.string());
    EXPECT_EQ(GlobalErrors().procedureName(), "");
}

TEST_F(Frame, ReminderIsShownAtEveryStartInTheCurrentLanguage) {
    for (int language : {1, 2}) {
        start();
        GLO.LANGUAGENO = static_cast<std::int16_t>(language);
        rt.messages.clear();
        MainFrame frame(platform, access);
        auto w = rt.open(frame);
        ASSERT_EQ(rt.messages.size(), 1u);
        const auto& m = rt.messages[0];
        EXPECT_EQ(m.title, language == 2 ? "Kontrole" : "Control");
        EXPECT_EQ(m.text, language == 2 ? "Onthou om Rovandi data in te voer ?" : "Remember to import Rovandi data ?");
        EXPECT_EQ(m.icon, Icon::None);
        EXPECT_EQ(m.buttons, ButtonOk);
        // Help > Contents: the guide's index in the language in use.
        std::error_code ec;
        std::filesystem::create_directory_symlink(guideSource(), platform.folder / "guide", ec);
        w.choose("Contents");
        ASSERT_FALSE(rt.helpShown.empty());
        EXPECT_EQ(rt.helpShown.back(), (platform.folder / "guide" / (language == 2 ? "af" : "en") / "index.html").string());
        EXPECT_TRUE(std::filesystem::is_regular_file(rt.helpShown.back()));
        rt.finish(w);
    }
}

TEST_F(Frame, ConversionProgramRunsOnlyWhenTheVersionReallyDiffers) {
    installConversionProgram();
    struct Case {
        const char* stored;
        bool runs;
    } cases[] = {{nullptr, true}, {"4.9", true}, {"5.0B", false}, {"5.0b   ", false}, {"5.0c", true}};
    for (const auto& c : cases) {
        std::filesystem::remove(file("converted"));
        std::filesystem::remove(file("Tavlo.Ini"));
        if (c.stored) write("Tavlo.Ini", "SPECS", "Version", c.stored);
        start();
        MainFrame frame(platform, access);
        auto w = rt.open(frame);
        EXPECT_EQ(converted(), c.runs) << (c.stored ? c.stored : "none");
        rt.finish(w);
        EXPECT_EQ(read("Tavlo.Ini", "SPECS", "Version"), "5.0b");
    }
}

TEST_F(Frame, MissingConversionProgramIsNotReported) {
    start();
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(rt.messages.size(), 1u);  // the reminder only
    rt.finish(w);
}

TEST_F(Frame, CancelledLogInEndsWithoutTheFrameAndWithoutTouchingTheVersion) {
    access.addUser("admin", "", "s3cret", true);
    rt.onOpen("AccessLogin", [](TestWindow& w) { w.press("Cancel"); });
    installConversionProgram();
    write("Tavlo.Ini", "SPECS", "Version", "4.0");
    start();
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    EXPECT_FALSE(w.isOpen());
    EXPECT_FALSE(frame.opened());
    EXPECT_TRUE(rt.messages.empty());  // no message of its own
    EXPECT_FALSE(converted());
    EXPECT_EQ(read("Tavlo.Ini", "SPECS", "Version"), "4.0");  // the conversion still runs next time
}

TEST_F(Frame, UserWithoutTheAccessRightIsRefused) {
    access.addUser("admin", "", "s3cret", true);
    access.addUser("clerk", "", "pw", false);
    logInAs("clerk", "pw");
    start();
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    EXPECT_FALSE(w.isOpen());
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].title, "Access Restricted");
    EXPECT_EQ(frame.response(), Response::Cancelled);

    // With the right granted the same user gets in.
    access.setRight(*access.check("clerk", "pw"), "Main", 0, true);
    MainFrame again(platform, access);
    auto w2 = rt.open(again);
    EXPECT_TRUE(w2.isOpen());
    rt.finish(w2);
}

TEST_F(Frame, LanguageMenuOnlyWithMoreThanOneLanguageInTranslateMode) {
    struct Case {
        std::vector<std::string> list;
        const char* mode;
        std::size_t items;
    } cases[] = {
        {{"01-English", "02-Afrikaans"}, "1", 2},
        {{"01-English"}, "1", 0},
        {{"01-English", "02-Afrikaans"}, "SAVE", 0},
        {{}, "1", 0},
    };
    for (const auto& c : cases) {
        translator.list = c.list;
        write("VLabs.ini", "Language", "Mode", c.mode);
        start();
        MainFrame frame(platform, access);
        auto w = rt.open(frame);
        EXPECT_EQ(frame.languageItems().size(), c.items) << c.mode;
        EXPECT_EQ(frame.languageMenu() != 0, c.items > 0) << c.mode;
        rt.finish(w);
    }
}

TEST_F(Frame, MoreThanTenLanguagesOffersTheFirstTen) {
    translator.list.clear();
    for (int i = 1; i <= 12; ++i) translator.list.push_back((i < 10 ? "0" : "") + std::to_string(i) + "-Language " + std::to_string(i));
    start();
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    ASSERT_EQ(rt.messages.size(), 2u);
    EXPECT_EQ(rt.messages[0].title, "Control");  // the reminder comes before the menu
    EXPECT_EQ(rt.messages[1].title, "No Of Languages: 12");
    EXPECT_EQ(rt.messages[1].text, "More than 10 languages");
    EXPECT_EQ(frame.languageItems().size(), 10u);
    EXPECT_EQ(frame.window()[frame.languageItems()[9]].text, "Language 10");
    rt.finish(w);
}

TEST_F(Frame, SwitchingToAfrikaans) {
    start();
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    EXPECT_TRUE(w.checked("English"));
    EXPECT_FALSE(w.checked("Afrikaans"));
    EXPECT_FALSE(std::filesystem::exists(file("Secwin.Ini")));

    w.choose("Afrikaans");
    EXPECT_EQ(GLO.LANGUAGENO, 2);
    EXPECT_EQ(translator.language(), 2);
    EXPECT_EQ(frame.window().title, "Tavlo w5.0b");
    EXPECT_EQ(read("VLabs.ini", "Language", "No"), "2");
    EXPECT_EQ(read("Secwin.Ini", "SecWin", "LanguageFile"), "Afrik.Irf");
    EXPECT_EQ(read("Secwin.Ini", "SecWin", "Path"), "HERE");
    EXPECT_EQ(read("Secwin.Ini", "SecWin", "LanguagePath"), "HERE");
    EXPECT_TRUE(access.afrikaans());
    EXPECT_EQ(frame.window()[frame.languageMenu()].text, "Taal");  // built again, translated
    EXPECT_TRUE(w.checked("Afrikaans"));
    EXPECT_FALSE(w.checked("English"));
    // Translated again into the new language.
    EXPECT_EQ(std::count(translator.translated.begin(), translator.translated.end(), "Tavlo/Main/AppFrame"), 2);

    // Choosing the checked language again changes nothing and writes nothing.
    std::filesystem::remove(file("Secwin.Ini"));
    std::filesystem::remove(file("VLabs.ini"));
    w.choose("Afrikaans");
    EXPECT_TRUE(w.checked("Afrikaans"));
    EXPECT_FALSE(std::filesystem::exists(file("VLabs.ini")));
    EXPECT_FALSE(std::filesystem::exists(file("Secwin.Ini")));
    rt.finish(w);
    shutDown(access, translator);
    EXPECT_EQ(read("VLabs.ini", "Language", "No_TILL1_anna"), "2");
}

TEST_F(Frame, CtrlF8OpensTheRightsEditorAndIsConsumed) {
    start();
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    bool sawEditor = false;
    rt.onOpen("AccessRights", [&](TestWindow& e) {
        sawEditor = true;
        EXPECT_EQ(e.window().title, "Access Rights - Main");
        EXPECT_NE(e.window().find("Access"), 0);  // one box for the one named right
    });
    w.key(Key::ctrlOf(Key::F8));
    EXPECT_TRUE(sawEditor);
    EXPECT_TRUE(w.isOpen());
    rt.finish(w);
}

TEST_F(Frame, CommandsStartTheirProceduresOrSayTheyAreNotThere) {
    start();
    MainFrame frame(platform, access);
    auto w = rt.open(frame);
    rt.messages.clear();
    ProcedureFactory operators = commandFactory(kOperators);
    setCommandFactory(kOperators, nullptr);  // a command whose procedure is not there
    w.choose("Operators");
    setCommandFactory(kOperators, operators);
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].title, "Operators");
    EXPECT_EQ(rt.messages[0].text, "This part of the program is not available yet.");

    ProcedureFactory details = commandFactory(kUserDetails);
    setCommandFactory(kUserDetails, [] { return std::make_unique<Notice>(); });
    w.choose("User Detail");
    ASSERT_EQ(rt.started.size(), 1u);
    EXPECT_TRUE(rt.started[0].isOpen());
    EXPECT_TRUE(w.isOpen());  // the frame stays usable
    w.choose("User Detail");
    EXPECT_EQ(rt.started.size(), 2u);
    rt.started[0].press("Close");
    EXPECT_FALSE(rt.started[0].isOpen());
    setCommandFactory(kUserDetails, details);

    // Help: the guide's index beside the program; without the guide, a message says where it was
    // looked for.
    rt.messages.clear();
    w.choose("Contents");
    EXPECT_TRUE(rt.helpShown.empty());
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].title, "Help");
    EXPECT_EQ(rt.messages[0].text, "The user guide cannot be found. Looked in:|" + (platform.folder / "guide").string() +
                                       "|/usr/share/doc/tavlo/guide");
    std::filesystem::create_directories(platform.folder / "guide" / "en");
    std::ofstream(platform.folder / "guide" / "en" / "index.html") << "<html></html>";
    w.choose("Contents");
    EXPECT_EQ(rt.helpShown, (std::vector<std::string>{(platform.folder / "guide" / "en" / "index.html").string()}));
    rt.printerAnswers.push_back(true);
    w.choose("Print Setup ...");
    EXPECT_TRUE(rt.printerAnswers.empty());
    w.choose("Exit");
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(frame.loginHandle(), 0);
}
