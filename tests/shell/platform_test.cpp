// Running an outside program and waiting for it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "shell/platform.h"

using namespace tavlo;

TEST(Platform, RunsAProgramToItsEndAndGivesItsExitCode) {
    std::random_device rd;
    auto folder = std::filesystem::temp_directory_path() / ("tavlo-run-" + std::to_string(rd()));
    std::filesystem::create_directories(folder);
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
    std::filesystem::remove_all(folder);
}
