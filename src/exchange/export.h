#pragma once
// The export of the posted transactions (PQXT20, PQXT21) to the accounting package. A live
// table file is never copied, renamed or replaced: the export works on a snapshot.
//
// Steps, each recorded in a small journal (the table export_journal in ".tavlo-exchange" in the
// data folder) so that an export cut short at any moment is finished or undone by the next one:
//   1. snapshot  the two tables are copied with SQLite's backup API, each in a read transaction
//                of its own (headers first; detail rows of documents posted in between are
//                taken out of the copy), into the export's own folder ".tavlo-export" in the
//                data folder; the records the listings read besides (PACS10, PQXA10) are
//                copied with them. Tills go on posting meanwhile.
//   2. started   journal: the archive's name. The archiver packs the snapshot and tests it.
//   3. archived  journal: the tested archive is there. This is the commit point: from here on
//                the export is finished, never undone.
//   4. deleted   the documents the snapshot holds are removed from the live tables in one
//                transaction that also records this state; rows posted since the snapshot stay.
//   5. done      the snapshot files become the history files (a free name, never replacing
//                one), the export's folder and the journal row go.
// Undoing (a failure before 3, or a dead process found in state 2) removes the archive under
// its final name and any partial one beside it, and the snapshot. One export runs at a time per
// data folder (a lock on ".tavlo-export.lock"); the lock dies with its process.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "exchange/runner.h"
#include "util/date.h"

namespace tavlo {

class Context;

// DDMMYY: 7 March 2026 gives "070326".
std::string exportDateStamp(DayNumber day);
// The history name of a table prefix for a day: "PT20", 7 March 2026 give "PT20732026.his".
std::string historyFileName(std::string_view prefix, DayNumber day);
// That name in a folder, or with "-2", "-3", ... before ".his" when it is taken.
std::filesystem::path freeHistoryPath(const std::filesystem::path& folder, const std::string& name);

// The archive's base name (target folder & prefix & DDMMYY) and the names built from it.
struct ExportTarget {
    std::string base;
    std::filesystem::path archive() const { return base + ".zip"; }
    std::filesystem::path pdf() const { return base + ".PDF"; }
};

// Runs one command line and gives its exit status (0: success).
using CommandRunner = std::function<int(const Command&)>;

class ExportJob {
public:
    explicit ExportJob(std::filesystem::path dataFolder);
    ~ExportJob();
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;

    // Takes the data folder's export lock and finishes or undoes an export a dead process left.
    // False when another export holds the lock (or the journal cannot be read: why says so).
    bool begin(std::string* why);
    // Step 1. False (why says so) when the tables could not be copied.
    bool snapshot(std::string* why);
    // The snapshot's folder: a data folder of its own holding the copied tables.
    const std::filesystem::path& snapshotFolder() const { return staging_; }
    long long documents() const { return documents_; }

    enum class Outcome {
        Done,        // archived, tested, documents removed, history kept
        Pending,     // archived and tested; removing the documents waits for the next export
        AddFailed,   // nothing was archived
        TestFailed,  // the archive failed its test and was removed
        Failed,      // the journal could not be written; nothing was archived
    };
    // Steps 2 to 5 for the target, the archiver run through run.
    Outcome archive(const ExportTarget& target, const CommandRunner& run, std::string* why);
    // Drops the snapshot of an export that goes no further.
    void abandon();

    // The journal's file and the export's folder in a data folder.
    static constexpr const char* kJournalFile = ".tavlo-exchange";
    static constexpr const char* kSnapshotFolder = ".tavlo-export";
    static constexpr const char* kLockFile = ".tavlo-export.lock";

private:
    bool recover(std::string* why);
    bool setState(const std::string& state, const std::filesystem::path& archive, std::string* why);
    bool clearJournal(std::string* why);
    void undo(const std::filesystem::path& archive, bool removeArchive);
    bool removeExported(std::string* why);
    void keepHistory(DayNumber day);

    std::filesystem::path data_, staging_;
    int lockFd_ = -1;
    long long documents_ = 0;
};

// Finishes or undoes an export a dead process left in the data folder; false while another
// export runs there.
bool recoverExport(const std::filesystem::path& dataFolder, std::string* why = nullptr);

}  // namespace tavlo
