// Finished when the data folder cannot take the sale: its disk is full, or it has become
// read-only. Nothing is posted, the lines stay for Finished to be pressed again, and the operator
// sees one box that names the cause and the folder.
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>

#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

// A disk that fills up on demand: SQLite's own file layer, whose writes fail as on a full disk
// (ENOSPC, SQLITE_FULL) while `full` is set. The default for connections opened after it.
class FillingDisk {
public:
    FillingDisk() : real_(sqlite3_vfs_find(nullptr)), vfs_(*real_) {
        vfs_.zName = "tavlo-filling-disk";
        vfs_.xOpen = &FillingDisk::open;
        realVfs_ = real_;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~FillingDisk() {
        sqlite3_vfs_register(real_, 1);
        sqlite3_vfs_unregister(&vfs_);
    }
    static inline std::atomic<bool> full{false};

private:
    // Each kind of file the real layer opens keeps its methods, but for the writes.
    static inline std::map<const sqlite3_io_methods*, std::pair<sqlite3_io_methods, const sqlite3_io_methods*>> methods_;
    static inline sqlite3_vfs* realVfs_ = nullptr;

    static int write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
        if (full) {
            errno = ENOSPC;
            return SQLITE_FULL;
        }
        for (const auto& [real, mine] : methods_)
            if (&mine.first == f->pMethods) return real->xWrite(f, data, amount, offset);
        return SQLITE_IOERR_WRITE;
    }
    static int open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
        int rc = realVfs_->xOpen(realVfs_, name, f, flags, outFlags);
        if (rc != SQLITE_OK || !f->pMethods) return rc;
        auto [it, added] = methods_.try_emplace(f->pMethods, *f->pMethods, f->pMethods);
        if (added) it->second.first.xWrite = &FillingDisk::write;
        f->pMethods = &it->second.first;
        return rc;
    }

    sqlite3_vfs* real_;
    sqlite3_vfs vfs_;
};

class PostingRefused : public ::testing::Test {
protected:
    void SetUp() override {
        setClock(&clock_);
        Context ctx(folder_.path());
        useAllTables(ctx);
        seedMasterData(ctx);
        for (const TableDef* t : dictionaryTables()) ctx.access(*t).records();  // every file made
    }
    void TearDown() override { setClock(nullptr); }
    // A till on the folder with a sale rung up and tendered.
    std::unique_ptr<TillState> tillWithASale(Context& ctx) {
        useAllTables(ctx);
        auto till = std::make_unique<TillState>(ctx);
        EXPECT_TRUE(till->Open());
        std::vector<PQXV60> lines;
        for (const char* code : {"COKE", "BREAD"}) lines.push_back(computeLine(ctx, {code}, till->LOC.SALESNUMBER));
        settle(till->LOC, 2, addLines(ctx, lines));
        return till;
    }
    TempFolder folder_;
    FixedClock clock_{dayNumber(2024, 3, 15), 0};
};

TEST_F(PostingRefused, AFullDiskIsNamedInOneBoxAndTheSaleWaits) {
    FillingDisk disk;
    Context ctx(folder_.path());
    auto till = tillWithASale(ctx);
    MessageLog messages;
    FillingDisk::full = true;
    EXPECT_FALSE(till->Finished());
    FillingDisk::full = false;
    ASSERT_EQ(messages.shown.size(), 1u) << messages.titles();
    const std::string& text = messages.shown[0].text;
    EXPECT_NE(text.find("is full"), std::string::npos) << text;
    EXPECT_NE(text.find(folder_.path().string()), std::string::npos) << text;
    EXPECT_TRUE(allRecords<PQXT20>(ctx).empty());
    EXPECT_EQ(allRecords<PQXV60>(ctx).size(), 2u);
    EXPECT_TRUE(till->Finished()) << "with room again, the same sale posts";
    EXPECT_EQ(allRecords<PQXT20>(ctx).size(), 1u);
}

// Root writes through permissions, so the till runs as an unprivileged user that owns the folder
// (as the till's user would) and takes its own write access away.
TEST_F(PostingRefused, AFolderThatBecameReadOnlyIsNamedInOneBoxAndTheSaleWaits) {
    const std::filesystem::path dir = folder_.path();
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");  // the user inChild becomes
        const uid_t uid = nobody ? nobody->pw_uid : 65534;
        const gid_t gid = nobody ? nobody->pw_gid : 65534;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) ASSERT_EQ(::chown(e.path().c_str(), uid, gid), 0);
        ASSERT_EQ(::chown(dir.c_str(), uid, gid), 0);
    }
    const std::string result = support::inChild(
        [this, dir]() -> std::string {
            Context ctx(dir);
            auto till = tillWithASale(ctx);
            for (const auto& e : std::filesystem::directory_iterator(dir)) ::chmod(e.path().c_str(), 0444);
            ::chmod(dir.c_str(), 0555);
            MessageLog messages;
            if (till->Finished()) return "posted into a read-only folder";
            ::chmod(dir.c_str(), 0755);
            if (messages.shown.size() != 1) return "boxes: " + messages.titles();
            const std::string& text = messages.shown[0].text;
            if (text.find("read-only") == std::string::npos || text.find(dir.string()) == std::string::npos)
                return "the box does not name the cause and the folder: " + text;
            if (allRecords<PQXV60>(ctx).size() != 2u) return "the lines are gone";
            return "";
        },
        true);
    EXPECT_EQ(result, "");
}

}  // namespace
}  // namespace tavlo::posting_test
