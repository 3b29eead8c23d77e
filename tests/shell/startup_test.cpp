// Start-up and shutdown: language number and mode from the language settings, the per-user key,
// and what is written back.
#include "shell/startup.h"

#include <fstream>

#include "shell_fixture.h"
#include "support.h"

using namespace tavlo;
using namespace tavlo::testing;

namespace {
class StartUp : public ShellTest {};
}  // namespace

TEST_F(StartUp, NoLanguageSettingsFileMeansLanguageOneTranslatedAndTheUserKeyIsWrittenAtShutdown) {
    startUp(rt, platform, access, translator);
    EXPECT_EQ(GLO.LANGUAGENO, 1);
    EXPECT_EQ(GLO.LANGUAGEMODE, 1);
    EXPECT_EQ(translator.mode(), 1);
    EXPECT_EQ(GLO.COMPUTERNAME.str(), "TILL1");
    EXPECT_EQ(GLO.WINDOWSUSERNAME.str(), "anna");
    EXPECT_EQ(GLO.INIFILE.str(), (platform.folder / "VLabs.ini").string());
    EXPECT_EQ(GLO.APPLICATIONNAME.str(), "Tavlo v5");
    EXPECT_FALSE(std::filesystem::exists(file("VLabs.ini")));
    shutDown(access, translator);
    EXPECT_EQ(read("VLabs.ini", "Language", "No_TILL1_anna"), "1");
}

TEST_F(StartUp, EveryoneKeyCountsWhenThePerUserKeyIsAbsent) {
    write("VLabs.ini", "Language", "No", "2");
    startUp(rt, platform, access, translator);
    EXPECT_EQ(GLO.LANGUAGENO, 2);
    shutDown(access, translator);
    EXPECT_EQ(read("VLabs.ini", "Language", "No_TILL1_anna"), "2");
}

TEST_F(StartUp, PerUserKeyWinsAndAMissingUserNameLeavesItsPartBlank) {
    write("VLabs.ini", "Language", "No", "2");
    write("VLabs.ini", "Language", "No_TILL1_", "3");
    platform.user.reset();
    startUp(rt, platform, access, translator);
    EXPECT_EQ(GLO.LANGUAGENO, 3);
    EXPECT_TRUE(GLO.WINDOWSUSERNAME.blank());
}

TEST_F(StartUp, ModeKeyword) {
    struct Case {
        const char* mode;
        int popupAnswer;  // -1: no pop-up expected
        int language, wantMode, wantLanguage;
        bool translatorAsked;
    } cases[] = {
        {"SAVE", -1, 2, 2, 1, false},
        {"save  ", -1, 2, 2, 1, false},  // lower case and trailing blanks
        {"2", -1, 2, 2, 1, false},
        {"Translate", -1, 2, 1, 2, true},
        {"1", -1, 2, 1, 2, true},
        {"ASK", 0, 2, 2, 2, false},   // dismissed: save mode, language as read
        {"ask", 1, 2, 2, 1, false},   // "Save Text for translation"
        {"3", 2, 2, 1, 2, true},      // "Translate Text"
        {"other", -1, 2, 1, 1, false},
    };
    for (const auto& c : cases) {
        GLO.reset();
        translator.selected.clear();
        rt.popups.clear();
        std::filesystem::remove(file("VLabs.ini"));
        write("VLabs.ini", "Language", "No", std::to_string(c.language));
        write("VLabs.ini", "Language", "Mode", c.mode);
        if (c.popupAnswer >= 0) rt.popupAnswers.push_back(c.popupAnswer);
        startUp(rt, platform, access, translator);
        EXPECT_EQ(GLO.LANGUAGEMODE, c.wantMode) << c.mode;
        EXPECT_EQ(GLO.LANGUAGENO, c.wantLanguage) << c.mode;
        EXPECT_EQ(translator.mode(), c.wantMode) << c.mode;
        EXPECT_EQ(!translator.selected.empty(), c.translatorAsked) << c.mode;
        if (c.popupAnswer >= 0) {
            ASSERT_EQ(rt.popups.size(), 1u) << c.mode;
            EXPECT_EQ(rt.popups[0], (std::vector<std::string>{"Save Text for translation", "Translate Text"}));
        } else {
            EXPECT_TRUE(rt.popups.empty()) << c.mode;
        }
        shutDown(access, translator);
        setWindowTranslator(&translator);
    }
}

TEST_F(StartUp, SaveModeWritesLanguageOneBackForThisUser) {
    write("VLabs.ini", "Language", "No_TILL1_anna", "2");
    write("VLabs.ini", "Language", "Mode", "SAVE");
    startUp(rt, platform, access, translator);
    shutDown(access, translator);
    EXPECT_EQ(read("VLabs.ini", "Language", "No_TILL1_anna"), "1");
}

TEST_F(StartUp, TheLogInSpeaksTheLanguageTheFrameLastWroteForTheAccessLayer) {
    struct Case {
        const char* languageFile;  // nullptr: no Secwin.Ini
        bool afrikaans;
    } cases[] = {{nullptr, false}, {"Afrik.Irf", true}, {"Eng.Irf", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.languageFile ? c.languageFile : "none");
        std::filesystem::remove(file("Secwin.Ini"));
        if (c.languageFile) write("Secwin.Ini", "SecWin", "LanguageFile", c.languageFile);
        access.SetLanguage("Eng.Irf");
        startUp(rt, platform, access, translator);
        EXPECT_EQ(access.afrikaans(), c.afrikaans);
        shutDown(access, translator);
    }
}

namespace {
// An installed program: its folder apart from the data folder.
class InstalledPlatform : public NamedPlatform {
public:
    std::filesystem::path program;
    std::filesystem::path executableDirectory() override { return program; }
};
}  // namespace

// The users live in the data folder, whoever runs the program and wherever it is installed: a
// read-only program folder and an empty home folder change nothing.
TEST_F(StartUp, UsersLiveInTheDataFolderEvenWithAReadOnlyProgramFolderAndAnEmptyHome) {
    namespace fs = std::filesystem;
    support::TempFolder root;
    const fs::path program = root / "program", home = root / "home", fresh = root / "fresh", used = root / "used";
    for (const auto& f : {home, fresh, used}) {
        fs::create_directories(f);
        fs::permissions(f, fs::perms::all);
    }
    fs::create_directories(program);
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(root.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    std::ofstream(used / "PQxA10.tps") << "";  // a shop in use whose users file is gone
    fs::permissions(used / "PQxA10.tps", fs::perms::all);
    logInAs("boss", "pw");
    std::string result = support::inChild(
        [&]() -> std::string {
            setenv("HOME", home.c_str(), 1);
            unsetenv("XDG_DATA_HOME");
            for (const fs::path& data : {fresh, used}) {
                InstalledPlatform installed;
                installed.folder = data;
                installed.program = program;
                AccessControl access;
                rt.messages.clear();
                rt.ran.clear();
                startUp(rt, installed, access, translator);
                long handle = access.LoginText(rt, "Tavlo v5 | Main");
                shutDown(access, translator);
                if (access.file() != data / "TavloUsers.db") return "users file at " + access.file().string();
                if (data == fresh && (handle == 0 || rt.ran != std::vector<std::string>{"AccessFirstUser"}))
                    return "a new shop did not get its first user";
                if (data == used) {
                    if (handle != 0 || !rt.ran.empty()) return "a folder in use reached a form";
                    if (rt.messages.empty() || rt.messages[0].text.find("README") == std::string::npos)
                        return "a folder in use was not refused with the recovery step";
                }
            }
            return "";
        },
        /*unprivileged=*/true);
    EXPECT_EQ(result, "");
    EXPECT_TRUE(fs::exists(fresh / "TavloUsers.db"));
    EXPECT_FALSE(fs::exists(used / "TavloUsers.db"));
    EXPECT_TRUE(fs::is_empty(home));
    EXPECT_TRUE(fs::is_empty(program));
    fs::permissions(program, fs::perms::owner_all);
}

// Earlier versions kept the users beside the program: an existing shop keeps its users.
TEST_F(StartUp, AUsersFileBesideTheProgramIsTakenOverOnceIntoTheDataFolder) {
    namespace fs = std::filesystem;
    support::TempFolder program;
    {
        AccessControl earlier;
        earlier.useFolder(program.path());
        ASSERT_TRUE(earlier.addUser("boss", "", "pw", true));
    }
    std::ofstream(file("PQxA10.tps")) << "";
    InstalledPlatform installed;
    installed.folder = platform.folder;
    installed.program = program.path();
    AccessControl access;
    logInAs("boss", "pw");
    startUp(rt, installed, access, translator);
    EXPECT_NE(access.LoginText(rt, "Tavlo v5 | Main"), 0);
    shutDown(access, translator);
    EXPECT_TRUE(fs::exists(file("TavloUsers.db")));
    EXPECT_FALSE(fs::exists(program / "TavloUsers.db"));
    EXPECT_EQ(rt.ran, std::vector<std::string>{"AccessLogin"});
}
