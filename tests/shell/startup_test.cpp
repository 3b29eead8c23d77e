// Start-up and shutdown: language number and mode from the language settings, the per-user key,
// and what is written back.
#include "shell/startup.h"

#include "shell_fixture.h"

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
