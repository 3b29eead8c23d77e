// Running an outside program and waiting for it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support.h"
#include "util/platform.h"

using namespace tavlo;

TEST(Platform, RunsAProgramToItsEndAndGivesItsExitCode) {
    support::TempFolder temp;
    const auto folder = temp.path();
    auto script = folder / "posconv.exe";
    std::ofstream(script) << "#!/bin/sh\nsleep 0.2\necho done > \"" << (folder / "mark").string() << "\"\nexit 7\n";
    ::chmod(script.c_str(), 0755);
    std::ofstream(folder / "plain.txt") << "not a program";
    struct Case {
        std::string name;
        std::optional<int> code;
    } cases[] = {
        {"posconv.exe", 7},
        {"POSConv.Exe", 7},  // spelled in another case
        {"missing.exe", std::nullopt},
        {"plain.txt", std::nullopt},  // not executable
    };
    for (const auto& c : cases) {
        std::filesystem::remove(folder / "mark");
        auto code = systemPlatform().runAndWait(folder / c.name);
        EXPECT_EQ(code, c.code) << c.name;
        EXPECT_EQ(std::filesystem::exists(folder / "mark"), c.code.has_value()) << c.name;  // waited for
    }
}

TEST(Platform, RunsAProgramWithItsWordsInItsFolderWithoutMovingThisProcess) {
    support::TempFolder temp;
    const auto folder = temp.path();
    std::filesystem::create_directories(folder / "work dir");
    auto script = folder / "show";
    std::ofstream(script) << "#!/bin/sh\npwd > \"" << (folder / "out").string()
                          << "\"\nfor a in \"$@\"; do echo \"[$a]\" >> \"" << (folder / "out").string() << "\"; done\n";
    ::chmod(script.c_str(), 0755);
    const auto here = std::filesystem::current_path();
    auto code = systemPlatform().runAndWait(script, {"-add", "E:/My Backups/T01", "*.tps", "$HOME"}, folder / "work dir");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(std::filesystem::current_path(), here);
    std::ifstream in(folder / "out");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, (folder / "work dir").string() + "\n[-add]\n[E:/My Backups/T01]\n[*.tps]\n[$HOME]\n");  // no shell
    EXPECT_EQ(systemPlatform().runAndWait(script, {}, folder / "missing"), std::nullopt);
}
