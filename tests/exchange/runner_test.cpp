// The runner's window around an outside program, and the archiver's name in command lines.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "exchange/runner.h"
#include "exchange_fixture.h"
#include "test_runtime.h"
#include "util/platform.h"

namespace tavlo {
namespace {

TEST(Runner, ShowsItsWindowRunsTheProgramOnceAndClosesWhateverTheEnd) {
    support::TempFolder dir;
    const auto script = dir / "prog";
    std::ofstream(script) << "#!/bin/sh\necho run >> \"" << (dir / "runs").string() << "\"\nexit \"$1\"\n";
    ::chmod(script.c_str(), 0755);
    for (const auto& [words, expected] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{script.string(), "0"}, 0},
             {{script.string(), "3"}, 3},
             {{script.string(), "255"}, 255},
             {{(dir / "missing").string()}, -1},  // cannot start: never success
         }) {
        TestRuntime rt;
        BackupRestoreRunner runner(Command{words, dir.path()});
        rt.open(runner);  // runs on the window-opened event
        EXPECT_FALSE(rt.isLive(runner)) << "the window closes itself";
        EXPECT_EQ(runner.window().title, "Backup / Restore");
        EXPECT_EQ(runner.window().icon, "Backup.ico");
        EXPECT_EQ(runner.window().displayText(runner.window().find("Busy")), "System busy ...... please wait");
        EXPECT_EQ(runner.result(), expected) << Command{words, {}}.text();
        EXPECT_GE(rt.displays, 1) << "drawn before the program runs";
    }
    std::ifstream in(dir / "runs");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "run\nrun\nrun\n");
}

TEST(Runner, TheArchiversNameRunsTheTillsArchiver) {
    useBuiltArchiver();
    support::TempFolder dir;
    TestRuntime rt;
    EXPECT_EQ(fcBackupRestore(rt, {{"PkZip25", "-test", "POS"}, dir.path()}), 2);  // no POS.zip there
    EXPECT_EQ(fcBackupRestore(rt, {{"pkzip25", "-list"}, dir.path()}), 1);
    EXPECT_EQ(rt.ran, (std::vector<std::string>{"fcBackupRestore", "fcBackupRestore"}));
    setArchiverProgram({});
    EXPECT_EQ(commandProgram("PkZip25"), systemPlatform().executableDirectory() / "tavlo_zip");
    EXPECT_EQ(commandProgram("/bin/true"), std::filesystem::path("/bin/true"));
}

}  // namespace
}  // namespace tavlo
