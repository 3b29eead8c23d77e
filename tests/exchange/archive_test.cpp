// The till's archiver on real zip archives: packing, testing, unpacking, and archives it refuses.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "exchange/archive.h"
#include "support.h"
#include "zip_tools.h"

namespace tavlo {
namespace {

namespace fs = std::filesystem;
using testzip::Entry;

std::string shell(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    const int rc = ::pclose(p);
    return out + "\nexit " + std::to_string(WEXITSTATUS(rc));
}

class Archiver : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work());
        testzip::writeFile(work() / "PQxT20.tps", std::string(70000, 'h') + "headers");
        testzip::writeFile(work() / "PQxT21.tps", "details\n");
    }
    fs::path work() const { return dir_ / "work"; }
    fs::path target() const { return dir_ / "target"; }
    support::TempFolder dir_;
};

TEST_F(Archiver, ArchiveNamesGetZipAndResolveAgainstTheWorkingFolder) {
    EXPECT_EQ(archive::archivePath("T01070326", "/data"), fs::path("/data/T01070326.zip"));
    EXPECT_EQ(archive::archivePath("/media/usb/T01070326", "/data"), fs::path("/media/usb/T01070326.zip"));
    EXPECT_EQ(archive::archivePath("E.ZIP", "/data"), fs::path("/data/E.ZIP"));
    EXPECT_EQ(archive::archivePath("sub/POS", "/data"), fs::path("/data/sub/POS.zip"));
}

TEST_F(Archiver, PacksTestsAndUnpacksTheTransactionFiles) {
    fs::create_directories(target());
    auto add = archive::runCommand({"-add", (dir_ / "T01070326").string(), "PQxT20.tps", "PQxT21.tps"}, work());
    ASSERT_TRUE(add.ok()) << add.message;
    const fs::path zip = dir_ / "T01070326.zip";
    const std::string listing = shell("unzip -l '" + zip.string() + "'");
    EXPECT_NE(listing.find("PQxT20.tps"), std::string::npos) << listing;
    EXPECT_NE(listing.find("PQxT21.tps"), std::string::npos) << listing;
    EXPECT_NE(shell("unzip -t '" + zip.string() + "'").find("No errors detected"), std::string::npos);
    EXPECT_TRUE(archive::runCommand({"-test", zip.string()}, work()).ok());
    // Nothing but the archive is left beside it.
    for (const auto& e : fs::directory_iterator(dir_.path()))
        EXPECT_TRUE(e.path() == zip || e.is_directory()) << e.path();

    testzip::writeFile(target() / "PQxT21.tps", "old");
    EXPECT_EQ(archive::runCommand({"-ext", zip.string()}, target()).status, archive::CannotWrite);
    EXPECT_EQ(testzip::readFile(target() / "PQxT21.tps"), "old");
    EXPECT_FALSE(fs::exists(target() / "PQxT20.tps"));  // all or nothing
    auto ext = archive::runCommand({"-ext", "-over=all", (dir_ / "T01070326").string()}, target());
    ASSERT_TRUE(ext.ok()) << ext.message;
    EXPECT_EQ(testzip::contents(target()), testzip::contents(work()));
}

TEST_F(Archiver, AddNeverReplacesAnArchiveAndLeavesNothingWhenItFails) {
    testzip::writeFile(dir_ / "T.zip", "an archive still waiting");
    EXPECT_EQ(archive::runCommand({"-add", (dir_ / "T").string(), "PQxT20.tps"}, work()).status, archive::Exists);
    EXPECT_EQ(testzip::readFile(dir_ / "T.zip"), "an archive still waiting");

    EXPECT_EQ(archive::runCommand({"-add", (dir_ / "U").string(), "PQxT20.tps", "missing.tps"}, work()).status,
              archive::CannotRead);
    // A target that cannot be written: no archive and no temporary file.
    fs::create_directories(dir_ / "ro");
    ::chmod((dir_ / "ro").c_str(), 0555);
    if (::access((dir_ / "ro").c_str(), W_OK) != 0) {
        EXPECT_EQ(archive::runCommand({"-add", (dir_ / "ro" / "V").string(), "PQxT20.tps"}, work()).status,
                  archive::CannotWrite);
    }
    ::chmod((dir_ / "ro").c_str(), 0755);
    EXPECT_TRUE(fs::is_empty(dir_ / "ro"));
    EXPECT_FALSE(fs::exists(dir_ / "U.zip"));
    for (const auto& e : fs::directory_iterator(dir_.path()))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
}

TEST_F(Archiver, TestFindsDamagedAndTruncatedArchives) {
    ASSERT_TRUE(archive::runCommand({"-add", "A", "PQxT20.tps", "PQxT21.tps"}, work()).ok());
    std::string bytes = testzip::readFile(work() / "A.zip");
    // One byte of the first entry's compressed data changed: its CRC no longer matches.
    std::string damaged = bytes;
    auto u16 = [&](std::size_t at) { return std::size_t(std::uint8_t(bytes[at])) | std::size_t(std::uint8_t(bytes[at + 1])) << 8; };
    damaged[30 + u16(26) + u16(28) + 10] ^= 0x55;
    testzip::writeFile(work() / "D.zip", damaged);
    testzip::writeFile(work() / "H.zip", bytes.substr(0, bytes.size() / 2));
    testzip::writeFile(work() / "N.zip", "this is not an archive at all");
    EXPECT_EQ(archive::runCommand({"-test", "D.zip"}, work()).status, archive::Damaged);
    EXPECT_NE(archive::runCommand({"-test", "H.zip"}, work()).status, archive::Ok);
    EXPECT_EQ(archive::runCommand({"-test", "N.zip"}, work()).status, archive::CannotRead);
    EXPECT_EQ(archive::runCommand({"-test", "missing.zip"}, work()).status, archive::CannotRead);
    EXPECT_EQ(archive::runCommand({"-test", "A.zip"}, work()).status, archive::Ok);
}

TEST_F(Archiver, UnknownCommandLinesAreRefused) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"-add", "A"}, {"-test"}, {"-test", "A", "B"}, {"-ext"}, {"-ext", "-over=some", "A"}, {"-list", "A"}})
        EXPECT_EQ(archive::runCommand(args, work()).status, archive::Usage);
}

// Every hostile archive is refused as a whole: the working folder is exactly as it was, and
// nothing appears outside it.
TEST_F(Archiver, HostileArchivesAreRefusedWithNothingWritten) {
    const std::string zeros8M(8 << 20, '\0');
    const auto [packed, crc] = testzip::deflated(zeros8M);
    std::vector<Entry> many;
    for (int i = 0; i < 100000; ++i) many.push_back({"f" + std::to_string(i), ""});
    const Entry good{"PQxA301.tps", "items"};
    struct Case {
        std::string label;
        std::vector<Entry> entries;
        int status;
    };
    const std::vector<Case> cases = {
        {"parent folder", {good, {"../escaped.tps", "x"}}, archive::Refused},
        {"parent inside", {good, {"sub/../../escaped.tps", "x"}}, archive::Refused},
        {"absolute", {good, {(dir_ / "escaped.tps").string(), "x"}}, archive::Refused},
        {"drive letter", {good, {"C:\\escaped.tps", "x"}}, archive::Refused},
        {"backslash parent", {good, {"..\\escaped.tps", "x"}}, archive::Refused},
        {"symbolic link", {good, {"PQxA10.tps", "/etc/passwd", S_IFLNK | 0777}}, archive::Refused},
        {"device", {good, {"PQxA10.tps", "", S_IFCHR | 0666}}, archive::Refused},
        {"file and folder of one name", {good, {"PQxA10.tps", "x"}, {"PQxA10.tps/", ""}}, archive::Refused},
        {"100 000 entries", many, archive::Refused},
        {"10 GB of zeros", {good, {"PQxC10.tps", packed, {}, true, std::uint64_t{10} << 30, 0}}, archive::Refused},
        {"more than it declares", {good, {"PQxC10.tps", packed, {}, true, 1000, crc}}, archive::Damaged},
        {"wrong CRC", {good, {"PQxC10.tps", packed, {}, true, zeros8M.size(), crc ^ 1}}, archive::Damaged},
    };
    fs::create_directories(target());
    testzip::writeFile(target() / "PQxA301.tps", "live items");
    const auto before = testzip::contents(dir_.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const fs::path zip = dir_ / "hostile.zip";
        testzip::write(zip, c.entries);
        const auto withArchive = testzip::contents(dir_.path());
        const auto result = archive::runCommand({"-ext", "-over=all", zip.string()}, target());
        EXPECT_EQ(result.status, c.status) << result.message;
        EXPECT_EQ(testzip::contents(dir_.path()), withArchive);
        fs::remove(zip);
    }
    EXPECT_EQ(testzip::contents(dir_.path()), before);
}

TEST_F(Archiver, UnpackingNeverFollowsALinkOutOfTheWorkingFolder) {
    fs::create_directories(target());
    fs::create_directories(dir_ / "outside");
    fs::create_directory_symlink(dir_ / "outside", target() / "sub");
    testzip::write(dir_ / "a.zip", {{"sub/PQxA10.tps", "x"}});
    EXPECT_FALSE(archive::runCommand({"-ext", "-over=all", (dir_ / "a.zip").string()}, target()).ok());
    EXPECT_TRUE(fs::is_empty(dir_ / "outside"));

    // A link under an entry's own name is replaced, never written through.
    fs::create_symlink(dir_ / "outside" / "victim", target() / "PQxA10.tps");
    testzip::write(dir_ / "b.zip", {{"PQxA10.tps", "new"}, {"deeper/PQxA11.tps", "sub"}});
    auto r = archive::runCommand({"-ext", "-over=all", (dir_ / "b.zip").string()}, target());
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_TRUE(fs::is_empty(dir_ / "outside"));
    EXPECT_FALSE(fs::is_symlink(target() / "PQxA10.tps"));
    EXPECT_EQ(testzip::readFile(target() / "PQxA10.tps"), "new");
    EXPECT_EQ(testzip::readFile(target() / "deeper" / "PQxA11.tps"), "sub");
}

}  // namespace
}  // namespace tavlo
