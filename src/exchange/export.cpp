#include "exchange/export.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <tuple>

#include "data/file_manager.h"
#include "data/storage.h"
#include "data/tables.h"
#include "exchange/sql.h"
#include "util/text.h"

namespace tavlo {

namespace fs = std::filesystem;
using exchange::quoteName;
using exchange::quoteText;
using exchange::SqlConnection;

namespace {

// Tills hold these locks for one posting at a time; the export waits its turn.
constexpr int kLockWaitMs = 10000;

const TableDef& headers() { return PQXT20::table(); }
const TableDef& details() { return PQXT21::table(); }

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n % 100); }

void syncPath(const fs::path& path, bool folder) {
    int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::string live(const TableDef& t, const char* alias) { return quoteName(alias) + "." + quoteName(t.sqlName); }

// A page-for-page copy of an attached table file into a new file, through the connection (and
// so inside whatever transaction it holds).
bool copyTable(sqlite3* from, const std::string& schema, const fs::path& to, std::string* why) {
    sqlite3* dst = openDatabase(to, false, true, 0, why);
    if (!dst) return false;
    // A copy cut short is thrown away whole, so it needs no journal of its own.
    sqlite3_exec(dst, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_backup* b = sqlite3_backup_init(dst, "main", from, schema.c_str());
    int rc = SQLITE_ERROR;
    if (b) {
        rc = sqlite3_backup_step(b, -1);
        sqlite3_backup_finish(b);
    }
    if (rc != SQLITE_DONE && why) *why = to.filename().string() + ": " + sqlite3_errmsg(dst);
    sqlite3_close_v2(dst);
    return rc == SQLITE_DONE;
}

// Renames within one file system without replacing anything.
bool renameFree(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) return false;
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

}  // namespace

std::string exportDateStamp(DayNumber day) {
    const CalendarDate d = calendarDate(day);
    return twoDigits(d.day) + twoDigits(d.month) + twoDigits(d.year % 100);
}

std::string historyFileName(std::string_view prefix, DayNumber day) {
    const CalendarDate d = calendarDate(day);
    return std::string(prefix) + std::to_string(d.day) + std::to_string(d.month) + std::to_string(d.year) + ".his";
}

fs::path freeHistoryPath(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    fs::path path = folder / name;
    const std::string stem = fs::path(name).stem().string(), extension = fs::path(name).extension().string();
    for (int n = 2; fs::exists(fs::symlink_status(path, ec)); ++n) path = folder / (stem + "-" + std::to_string(n) + extension);
    return path;
}

ExportJob::ExportJob(fs::path dataFolder) : data_(std::move(dataFolder)), staging_(data_ / kSnapshotFolder) {}

ExportJob::~ExportJob() {
    if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

bool ExportJob::begin(std::string* why) {
    if (lockFd_ < 0) {
        lockFd_ = ::open((data_ / kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lockFd_ < 0) {
            if (why) *why = (data_ / kLockFile).string() + ": " + std::strerror(errno);
            return false;
        }
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
            if (why) *why = "another export is running";
            ::close(lockFd_);
            lockFd_ = -1;
            return false;
        }
    }
    return recover(why);
}

namespace {

struct JournalRow {
    std::string state;
    fs::path archive;
    DayNumber day = 0;
};

bool openJournal(SqlConnection& c, std::string* why) {
    if (c.ok() && c.exec("CREATE TABLE IF NOT EXISTS export_journal (id INTEGER PRIMARY KEY CHECK (id = 1), "
                         "state TEXT NOT NULL, archive TEXT NOT NULL, day INTEGER NOT NULL)"))
        return true;
    if (why) *why = "the export's journal: " + c.error();
    return false;
}

std::optional<JournalRow> readJournal(SqlConnection& c, std::string* why, bool& failed) {
    failed = false;
    auto rows = c.rows("SELECT state, archive, day FROM export_journal WHERE id = 1");
    if (!rows) {
        failed = true;
        if (why) *why = "the export's journal: " + c.error();
        return std::nullopt;
    }
    if (rows->empty()) return std::nullopt;
    return JournalRow{(*rows)[0][0], (*rows)[0][1], static_cast<DayNumber>(std::stol((*rows)[0][2]))};
}

}  // namespace

bool ExportJob::recover(std::string* why) {
    SqlConnection c(data_ / kJournalFile, false, true, kLockWaitMs);
    if (!openJournal(c, why)) return false;
    bool failed = false;
    auto row = readJournal(c, why, failed);
    if (failed) return false;
    std::error_code ec;
    if (!row) {
        fs::remove_all(staging_, ec);  // a snapshot that never reached the journal
        return true;
    }
    if (row->state == "started") {
        undo(row->archive, true);
        return true;
    }
    if (row->state == "archived" && !removeExported(why)) return false;
    keepHistory(row->day);
    fs::remove_all(staging_, ec);
    return clearJournal(why);
}

bool ExportJob::snapshot(std::string* why) {
    // The storage opens the tables first: it creates one that is missing.
    {
        Context ctx(data_);
        for (const TableDef* t : {&headers(), &details(), &PACS10::table(), &PQXA10::table()}) {
            FileManagerBase& fm = ctx.access(*t);
            fm.UseFile();
            const int level = fm.OpenNow();
            fm.Close();
            if (level != LevelBenign) {
                if (why) *why = t->diskFile() + " cannot be opened";
                return false;
            }
        }
    }
    std::error_code ec;
    fs::remove_all(staging_, ec);
    fs::create_directories(staging_, ec);
    if (ec) {
        if (why) *why = staging_.string() + ": " + ec.message();
        return false;
    }
    // Each file is copied whole in a read transaction of its own, so a till waits for no more
    // than one file's copy before its commit, and never for its write locks. The headers are
    // copied first: every document they hold is in the details copied after them, which may
    // hold documents posted in between; those rows are taken out of the copy again, and the
    // two copies hold the same documents whole.
    SqlConnection c(":memory:", false, true, kLockWaitMs);
    auto fail = [&](const std::string& what) {
        if (why) *why = what + (what.empty() ? c.error() : "");
        fs::remove_all(staging_, ec);
        return false;
    };
    if (!c.attach(data_ / headers().diskFile(), "h") || !c.attach(data_ / details().diskFile(), "d") ||
        !c.attach(data_ / PACS10::table().diskFile(), "cs") || !c.attach(data_ / PQXA10::table().diskFile(), "a"))
        return fail("");
    std::string copyWhy;
    for (const auto& [schema, file] : {std::pair{"h", headers().diskFile()}, std::pair{"d", details().diskFile()},
                                       std::pair{"cs", PACS10::table().diskFile()}, std::pair{"a", PQXA10::table().diskFile()}})
        if (!copyTable(c.get(), schema, staging_ / file, &copyWhy)) return fail(copyWhy);
    {
        SqlConnection copy(staging_ / details().diskFile(), false, false, 0);
        copy.exec("PRAGMA journal_mode=OFF");
        if (!copy.attach(staging_ / headers().diskFile(), "h") ||
            !copy.exec("DELETE FROM main." + quoteName(details().sqlName) + " WHERE DOCUMENTNO NOT IN (SELECT DOCUMENTNO FROM h." +
                       quoteName(headers().sqlName) + ")"))
            return fail(copy.error());
    }
    for (const auto& entry : fs::directory_iterator(staging_, ec)) syncPath(entry.path(), false);
    syncPath(staging_, true);
    syncPath(data_, true);
    SqlConnection snap(staging_ / headers().diskFile(), true, false, 0);
    documents_ = snap.number("SELECT count(*) FROM " + quoteName(headers().sqlName)).value_or(0);
    return true;
}

void ExportJob::abandon() {
    std::error_code ec;
    fs::remove_all(staging_, ec);
}

bool ExportJob::setState(const std::string& state, const fs::path& archive, std::string* why) {
    SqlConnection c(data_ / kJournalFile, false, true, kLockWaitMs);
    if (!openJournal(c, why)) return false;
    if (c.exec("INSERT OR REPLACE INTO export_journal (id, state, archive, day) VALUES (1, " + quoteText(state) + ", " +
               quoteText(archive.string()) + ", " + std::to_string(today()) + ")"))
        return true;
    if (why) *why = "the export's journal: " + c.error();
    return false;
}

bool ExportJob::clearJournal(std::string* why) {
    SqlConnection c(data_ / kJournalFile, false, true, kLockWaitMs);
    if (openJournal(c, why) && c.exec("DELETE FROM export_journal")) return true;
    if (why) *why = "the export's journal: " + c.error();
    return false;
}

// Removes the archive of an export that does not go on (it was made by this export: the name
// was free when the export started, and no other export runs here), any partial archive the
// archiver left beside it, the snapshot and the journal row.
void ExportJob::undo(const fs::path& archive, bool removeArchive) {
    std::error_code ec;
    if (removeArchive) fs::remove(archive, ec);
    const std::string partial = archive.filename().string() + ".part-";
    for (const auto& entry : fs::directory_iterator(archive.parent_path(), ec))
        if (entry.path().filename().string().rfind(partial, 0) == 0) fs::remove(entry.path(), ec);
    syncPath(archive.parent_path(), true);
    fs::remove_all(staging_, ec);
    clearJournal(nullptr);
}

// Removes from the live tables exactly the rows the snapshot holds, and records that it did,
// in one transaction. Rows posted since the snapshot come after its last row (new rows are
// numbered after the highest); when everything up to there is as the snapshot has it, the
// tables are emptied at once and the later rows put back, otherwise the snapshot's rows are
// removed one by one.
bool ExportJob::removeExported(std::string* why) {
    SqlConnection c(data_ / kJournalFile, false, true, kLockWaitMs);
    auto fail = [&](const std::string& what) {
        if (why) *why = what + ": " + c.error();
        c.exec("ROLLBACK");
        return false;
    };
    if (!openJournal(c, why)) return false;
    // Pages changed stay in memory until the commit: readers are shut out only while it writes.
    c.exec("PRAGMA cache_spill=OFF");
    if (!c.attach(data_ / headers().diskFile(), "lh") || !c.attach(data_ / details().diskFile(), "ld") ||
        !c.attach(staging_ / headers().diskFile(), "sh") || !c.attach(staging_ / details().diskFile(), "sd"))
        return fail("the transaction tables");
    if (!c.exec("BEGIN") || !c.exec("DELETE FROM " + live(headers(), "lh") + " WHERE 0") ||
        !c.exec("DELETE FROM " + live(details(), "ld") + " WHERE 0"))
        return fail("the transaction tables are locked");
    for (const auto& [def, liveAlias, snapAlias] :
         {std::tuple{&headers(), "lh", "sh"}, std::tuple{&details(), "ld", "sd"}}) {
        const std::string pos = quoteName(exchange::rowidColumn(*def));
        const std::string target = live(*def, liveAlias), snapshot = live(*def, snapAlias);
        auto snap = c.rows("SELECT count(*), max(" + pos + "), total(DOCUMENTNO) FROM " + snapshot);
        if (!snap) return fail(def->diskFile());
        if ((*snap)[0][0] == "0") continue;
        const std::string last = (*snap)[0][1];
        auto upTo = c.rows("SELECT count(*), total(DOCUMENTNO) FROM " + target + " WHERE " + pos + " <= " + last);
        if (!upTo) return fail(def->diskFile());
        bool ok;
        // The stored columns by name: the generated key columns are the table's own to compute.
        std::string columns = pos;
        for (const FieldDef& f : def->fields) columns += ", " + quoteName(f.name);
        if ((*upTo)[0][0] == (*snap)[0][0] && (*upTo)[0][1] == (*snap)[0][2]) {
            ok = c.exec("DROP TABLE IF EXISTS temp.later") &&
                 c.exec("CREATE TEMP TABLE later AS SELECT " + columns + " FROM " + target + " WHERE " + pos + " > " +
                        last) &&
                 c.exec("DELETE FROM " + target) &&
                 c.exec("INSERT INTO " + target + " (" + columns + ") SELECT " + columns + " FROM temp.later") &&
                 c.exec("DROP TABLE temp.later");
        } else {
            ok = c.exec("DELETE FROM " + target + " WHERE (" + pos + ", DOCUMENTNO) IN (SELECT " + pos +
                        ", DOCUMENTNO FROM " + snapshot + ")");
        }
        if (!ok) return fail(def->diskFile());
    }
    if (!c.exec("UPDATE export_journal SET state = 'deleted'") || !c.exec("COMMIT")) return fail("removing the exported documents");
    return true;
}

// The snapshot files become the day's history files, under a free name.
void ExportJob::keepHistory(DayNumber day) {
    std::error_code ec;
    for (const auto& [def, prefix] : {std::pair{&headers(), "PT20"}, std::pair{&details(), "PT21"}}) {
        const fs::path from = staging_ / def->diskFile();
        if (!fs::exists(from, ec)) continue;
        for (int attempt = 0; attempt < 100; ++attempt)
            if (renameFree(from, freeHistoryPath(data_, historyFileName(prefix, day)))) break;
    }
    syncPath(data_, true);
}

ExportJob::Outcome ExportJob::archive(const ExportTarget& target, const CommandRunner& run, std::string* why) {
    const fs::path archive = target.archive();
    std::error_code ec;
    if (fs::exists(fs::symlink_status(archive, ec))) {
        if (why) *why = archive.string() + " is already there";
        abandon();
        return Outcome::Failed;
    }
    if (!setState("started", archive, why)) {
        abandon();
        return Outcome::Failed;
    }
    if (run({{kArchiverName, "-add", target.base, headers().diskFile(), details().diskFile()}, staging_}) != 0) {
        // The archiver leaves nothing under the archive's name when it fails; a name taken
        // meanwhile is not this export's to remove.
        undo(archive, false);
        return Outcome::AddFailed;
    }
    if (run({{kArchiverName, "-test", target.base + ".zip"}, staging_}) != 0) {
        undo(archive, true);
        return Outcome::TestFailed;
    }
    if (!setState("archived", archive, why)) {
        undo(archive, true);
        return Outcome::Failed;
    }
    if (!removeExported(why)) return Outcome::Pending;
    keepHistory(today());
    fs::remove_all(staging_, ec);
    clearJournal(nullptr);
    return Outcome::Done;
}

bool recoverExport(const fs::path& dataFolder, std::string* why) {
    ExportJob job(dataFolder);
    return job.begin(why);
}

}  // namespace tavlo
