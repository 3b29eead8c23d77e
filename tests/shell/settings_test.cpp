#include "state/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "support.h"

namespace tavlo {
namespace {

namespace fs = std::filesystem;

class Settings : public ::testing::Test {
protected:
    void put(const std::string& name, const std::string& text) { std::ofstream(dir / name, std::ios::binary) << text; }
    std::string get(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    support::TempFolder folder;
    fs::path dir = folder.path();
};

TEST_F(Settings, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(readSetting(dir / "VLabs.ini", "Language", "Mode", "1"), "1");
    EXPECT_EQ(readSettingNumber(dir / "VLabs.ini", "Language", "No", 1), 1);
    put("VLabs.ini", "[Other]\nNo=2\n[Language]\nMode=SAVE\n");
    EXPECT_EQ(readSettingNumber(dir / "VLabs.ini", "Language", "No", 1), 1);
    EXPECT_EQ(readSettingNumber(dir / "VLabs.ini", "Language", "No_PC_", 0), 0);
    EXPECT_EQ(readSetting(dir / "VLabs.ini", "Language", "Mode", "1"), "SAVE");
    EXPECT_FALSE(fs::exists(dir / "vlabs.ini")) << "reading creates nothing";
}

TEST_F(Settings, NamesOfFilesSectionsAndKeysIgnoreLetterCase) {
    put("tavlo.ini", "[main]\nxpos=12\n");
    // the window settings and the program settings spell the one file differently
    EXPECT_EQ(readSettingNumber(dir / kWindowSettingsFile, "MAIN", "XPos", 0), 12);
    EXPECT_EQ(readSettingNumber(dir / kProgramSettingsFile, "Main", "XPOS", 0), 12);
    ASSERT_TRUE(writeSetting(dir / kProgramSettingsFile, "SPECS", "Version", "5.0b"));
    ASSERT_TRUE(writeSetting(dir / kWindowSettingsFile, "Main", "XPOS", 40));
    EXPECT_EQ(readSetting(dir / "TAVLO.INI", "specs", "VERSION"), "5.0b");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "still one file";
    EXPECT_EQ(get("tavlo.ini"), "[main]\nxpos=40\n\n[SPECS]\nVersion=5.0b\n");
    // a Windows-style separator in the program's text reaches the same file
    EXPECT_EQ(readSetting(dir.string() + "\\Tavlo.Ini", "Specs", "version"), "5.0b");
}

TEST_F(Settings, WritingOneValueKeepsEverythingElse) {
    const std::string before =
        "; written by hand\r\n[USER]\r\nProgramDir = /srv/till\r\nProg=POS\r\n\r\n[Main]\r\nMaximize=0\r\n";
    put("Tavlo.ini", before);
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } writes[] = {
        {"user", "prog", "POS2"}, {"Main", "Width", "640"}, {"Language", "No", "2"}, {"USER", "Extra", "a=b"},
    };
    for (const auto& w : writes) ASSERT_TRUE(writeSetting(dir / "Tavlo.ini", w.section, w.key, w.value));
    EXPECT_EQ(get("Tavlo.ini"),
              "; written by hand\r\n[USER]\r\nProgramDir = /srv/till\r\nProg=POS2\r\nExtra=a=b\r\n\r\n[Main]\r\n"
              "Maximize=0\r\nWidth=640\r\n\r\n[Language]\r\nNo=2\r\n");
    for (const auto& w : writes) EXPECT_EQ(readSetting(dir / "TAVLO.INI", w.section, w.key), w.value);
    EXPECT_EQ(readSetting(dir / "Tavlo.ini", "USER", "ProgramDir"), "/srv/till");
}

TEST_F(Settings, ReadsValuesAsTheFormatDefines) {
    put("a.ini",
        "[S]\n; Key=commented\n  Key  =  spaced value  \nQuoted=\"  x  \"\nNum=12abc\nNeg=-7\nBad=abc\n"
        "Key=second\nEmpty=\n[T]\nKey=other section\n");
    const struct {
        const char* key;
        const char* text;
        long number;
    } cases[] = {
        {"key", "spaced value", 0}, {"Quoted", "  x  ", 0}, {"Num", "12abc", 12}, {"Neg", "-7", -7},
        {"Bad", "abc", 0},          {"Empty", "", 0},       {"Missing", "dflt", 99},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(readSetting(dir / "a.ini", "S", c.key, "dflt"), c.text);
        EXPECT_EQ(readSettingNumber(dir / "a.ini", "S", c.key, 99), c.number);
    }
}

TEST_F(Settings, RefusesWhatWouldBreakTheFile) {
    put("a.ini", "[S]\nK=1\n");
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } refused[] = {
        {"S", "K", "1\n[Evil]\nX=1"}, {"S", "K\nX", "1"}, {"S", "A=B", "1"}, {"S", "", "1"},
        {"S]x", "K", "1"},            {"S", "[K", "1"},    {"S", ";K", "1"}, {"S", "K", "a\rb"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(std::string(r.section) + "/" + r.key);
        EXPECT_FALSE(writeSetting(dir / "a.ini", r.section, r.key, r.value));
    }
    EXPECT_EQ(get("a.ini"), "[S]\nK=1\n");
}

// Runs a write as an ordinary user: as root, in a child that gives up root first.
bool writeAsUser(const fs::path& file, const char* value) {
    if (geteuid() != 0) return writeSetting(file, "S", "K", value);
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        _exit(writeSetting(file, "S", "K", value) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not drop root";
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST_F(Settings, AFailedWriteLeavesTheFileAsItWas) {
    put("a.ini", "[S]\nK=1\n");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir / "a.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(writeAsUser(dir / "a.ini", "2"));
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(get("a.ini"), "[S]\nK=1\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no stray files";
    EXPECT_FALSE(writeSetting(dir / "no-such-folder" / "a.ini", "S", "K", "2"));
}

// Two tills writing the one settings file at the same moment, each its own keys, each spelling
// the file its own way, starting with no file: every key of both is there afterwards.
TEST_F(Settings, TwoProcessesWritingAtOnceLoseNoKey) {
    constexpr int kWrites = 300;
    auto writer = [&](const char* fileName, const char* prefix) {
        for (int i = 0; i < kWrites; ++i)
            if (!writeSetting(dir / fileName, i % 2 ? "Main" : "Till", std::string(prefix) + std::to_string(i), i))
                return false;
        return true;
    };
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(writer(kWindowSettingsFile.data(), "child") ? 0 : 1);
    const bool parentWrote = writer(kProgramSettingsFile.data(), "parent");
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(parentWrote);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    int lost = 0;
    for (const char* prefix : {"child", "parent"})
        for (int i = 0; i < kWrites; ++i)
            lost += readSettingNumber(dir / "TAVLO.ini", i % 2 ? "Main" : "Till", std::string(prefix) + std::to_string(i), -1) != i;
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "one file, no lock left";
}

TEST_F(Settings, LanguageKeyUsesClippedNames) {
    EXPECT_EQ(languageUserKey("TILL1   ", "anna  "), "No_TILL1_anna");
    EXPECT_EQ(languageUserKey("TILL1", ""), "No_TILL1_");
    SettingsFile ini(dir / kLanguageSettingsFile);
    EXPECT_EQ(ini.readNumber(kLanguageSection, languageUserKey("TILL1", "anna"), 0), 0);
    ASSERT_TRUE(ini.write(kLanguageSection, languageUserKey("TILL1", "anna"), 2));
    EXPECT_EQ(SettingsFile(dir / "vlabs.INI").readNumber("LANGUAGE", "no_till1_ANNA", 0), 2);
}

}  // namespace
}  // namespace tavlo
