#include "exchange/delete_transactions.h"

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "data/file_manager.h"
#include "data/storage.h"
#include "exchange/sql.h"
#include "framework/message.h"
#include "framework/runtime.h"
#include "state/globals.h"
#include "util/picture.h"

namespace tavlo {

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kLockWaitMs = 1000;
// Tills post in short transactions: a batch that met one waits again before giving up.
constexpr int kLockAttempts = 3;
// A batch stops taking documents after this long with the tables locked.
constexpr auto kBatchHold = 40ms;

std::string shortDate(DayNumber day) { return formatPicture("@d17", Decimal(static_cast<long long>(day))); }

std::string title() { return std::string(byLanguage("Skrap Transaksies", "Delete Transactions")); }

unsigned ask(const std::string& text) {
    MessageRequest box;
    box.title = title();
    box.text = text;
    box.icon = Icon::Question;
    box.buttons = ButtonYes | ButtonNo;
    box.defaultButton = ButtonNo;
    return showMessage(box);
}

void tell(const std::string& text, Icon icon = Icon::Information) {
    MessageRequest box;
    box.title = title();
    box.text = text;
    box.icon = icon;
    showMessage(box);
}

// The two history files on a connection of their own, for deletes by the thousand. Like the
// storage's transactions it has the transaction file as its main database (a commit across both
// files is atomic only with a real main file) and takes the files' locks in file-name order. Key
// conditions repeat the partial indexes' "<> 0" so the indexes serve.
class HistoryFiles {
public:
    explicit HistoryFiles(Context& ctx) : conn_(ctx.folder() / kTransactionFile, false, false, kLockWaitMs) {
        const TableDef& h20 = PQXH20::table();
        const TableDef& h21 = PQXH21::table();
        if (!conn_.ok() || !conn_.attach(ctx.folder() / h20.diskFile(), "h20") ||
            !conn_.attach(ctx.folder() / h21.diskFile(), "h21")) {
            fail();
            return;
        }
        if (!syncWrites()) conn_.exec("PRAGMA h20.synchronous=OFF; PRAGMA h21.synchronous=OFF");
        const std::string headers = "h20." + exchange::quoteName(h20.sqlName);
        const std::string rows = "h21." + exchange::quoteName(h21.sqlName);
        lockHeaders_ = "DELETE FROM " + headers + " WHERE 0";
        lockRows_ = "DELETE FROM " + rows + " WHERE 0";
        if (!prepare(&select_, "SELECT DOCUMENTNO FROM " + headers +
                                   " WHERE TRANSDATE >= ?1 AND TRANSDATE <= ?2 AND TRANSDATE <> 0 ORDER BY TRANSDATE, _pos") ||
            !prepare(&eraseHeader_, "DELETE FROM " + headers +
                                        " WHERE DOCUMENTNO = ?1 AND TRANSDATE >= ?2 AND TRANSDATE <= ?3 AND TRANSDATE <> 0") ||
            !prepare(&eraseRows_, "DELETE FROM " + rows + " WHERE DOCUMENTNO = ?1 AND DOCUMENTNO <> 0"))
            return;
        ok_ = true;
    }
    ~HistoryFiles() {
        for (sqlite3_stmt* s : {select_, eraseHeader_, eraseRows_}) sqlite3_finalize(s);
        if (conn_.ok() && !sqlite3_get_autocommit(conn_.get())) conn_.exec("ROLLBACK");
    }
    HistoryFiles(const HistoryFiles&) = delete;
    HistoryFiles& operator=(const HistoryFiles&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    bool lockedOut() const { return lockedOut_; }

    bool documents(DayNumber from, DayNumber to, std::vector<std::uint32_t>& out) {
        sqlite3_bind_int64(select_, 1, from);
        sqlite3_bind_int64(select_, 2, to);
        int rc;
        while ((rc = sqlite3_step(select_)) == SQLITE_ROW)
            out.push_back(static_cast<std::uint32_t>(sqlite3_column_int64(select_, 0)));
        sqlite3_reset(select_);
        return rc == SQLITE_DONE || fail();
    }

    // A write transaction over both files, their locks taken in file-name order as every
    // station takes them, so two never wait on each other.
    bool begin() {
        if (!conn_.exec("BEGIN DEFERRED")) return fail();
        for (const std::string* lock : {&lockHeaders_, &lockRows_})
            if (!conn_.exec(*lock)) {
                fail();
                conn_.exec("ROLLBACK");
                return false;
            }
        return true;
    }
    bool commit() {
        if (conn_.exec("COMMIT")) return true;
        fail();
        conn_.exec("ROLLBACK");
        return false;
    }
    void rollback() { conn_.exec("ROLLBACK"); }

    // The header, while it is still dated in the range, then its rows. 1 erased, 0 left alone
    // (gone or redated since it was counted), -1 failed.
    int eraseDocument(std::uint32_t documentNo, DayNumber from, DayNumber to) {
        sqlite3_bind_int64(eraseHeader_, 1, documentNo);
        sqlite3_bind_int64(eraseHeader_, 2, from);
        sqlite3_bind_int64(eraseHeader_, 3, to);
        int rc = sqlite3_step(eraseHeader_);
        sqlite3_reset(eraseHeader_);
        if (rc != SQLITE_DONE) {
            fail();
            return -1;
        }
        if (sqlite3_changes(conn_.get()) == 0) return 0;
        sqlite3_bind_int64(eraseRows_, 1, documentNo);
        rc = sqlite3_step(eraseRows_);
        sqlite3_reset(eraseRows_);
        if (rc != SQLITE_DONE) {
            fail();
            return -1;
        }
        return 1;
    }

private:
    bool prepare(sqlite3_stmt** s, const std::string& sql) {
        return sqlite3_prepare_v2(conn_.get(), sql.c_str(), -1, s, nullptr) == SQLITE_OK || fail();
    }
    // Keeps the reason; always false.
    bool fail() {
        if (!conn_.ok()) {
            error_ = conn_.error();
            return false;
        }
        const int code = sqlite3_errcode(conn_.get());
        lockedOut_ = code == SQLITE_BUSY || code == SQLITE_LOCKED;
        error_ = lockedOut_ ? storeErrorText(ErrLockedOut) : sqlite3_errmsg(conn_.get());
        return false;
    }

    exchange::SqlConnection conn_;
    sqlite3_stmt *select_ = nullptr, *eraseHeader_ = nullptr, *eraseRows_ = nullptr;
    std::string lockHeaders_, lockRows_;
    std::string error_;
    bool ok_ = false;
    bool lockedOut_ = false;
};

// Registers the use of the history tables while it lives and opens their files, so they exist
// and have been checked before the engine's own connection reaches them.
class HistoryUse {
public:
    explicit HistoryUse(Context& ctx) : ctx_(ctx) {
        auto& h20 = ctx_.access<PQXH20>();
        auto& h21 = ctx_.access<PQXH21>();
        h20.UseFile();
        h21.UseFile();
        ok_ = h20.OpenNow() == LevelBenign && h21.OpenNow() == LevelBenign;
        if (!ok_) {
            error_ = h20.errorCode() ? h20.errorText() : h21.errorText();
            return;
        }
        // A folder that never had a transaction gets its transaction file made the storage's way.
        if (!std::filesystem::exists(ctx_.folder() / kTransactionFile)) {
            Transaction none(ctx_, {}, std::chrono::milliseconds(kLockWaitMs));
            ok_ = none.active();
            if (!ok_) error_ = none.errorText();
        }
    }
    ~HistoryUse() {
        ctx_.access<PQXH21>().Close();
        ctx_.access<PQXH20>().Close();
    }
    HistoryUse(const HistoryUse&) = delete;
    HistoryUse& operator=(const HistoryUse&) = delete;
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    Context& ctx_;
    bool ok_ = false;
    std::string error_;
};

}  // namespace

std::vector<std::uint32_t> historyDocuments(Context& ctx, DayNumber from, DayNumber to, std::string* error) {
    std::vector<std::uint32_t> documents;
    if (to < from || to <= 0) return documents;
    HistoryUse use(ctx);
    if (!use.ok()) {
        if (error) *error = use.error();
        return documents;
    }
    HistoryFiles files(ctx);
    if (!files.ok() || !files.documents(from, to, documents)) {
        documents.clear();
        if (error) *error = files.error();
    }
    return documents;
}

HistoryDeleteResult deleteHistory(Context& ctx, const std::vector<std::uint32_t>& documents, DayNumber from,
                                  DayNumber to) {
    HistoryDeleteResult result;
    if (documents.empty()) return result;
    auto fail = [&](const std::string& text) {
        result.ok = false;
        result.error = text;
        return result;
    };
    HistoryUse use(ctx);
    if (!use.ok()) return fail(use.error());
    HistoryFiles files(ctx);
    if (!files.ok()) return fail(files.error());
    std::size_t next = 0;
    int attempts = 0;
    while (next < documents.size()) {
        if (!files.begin()) {
            if (files.lockedOut() && ++attempts < kLockAttempts) continue;
            return fail(files.error());
        }
        attempts = 0;
        const auto locked = SteadyClock::now();
        std::size_t erased = 0;
        do {
            const int rc = files.eraseDocument(documents[next], from, to);
            if (rc < 0) {
                files.rollback();
                return fail(files.error());
            }
            erased += static_cast<std::size_t>(rc);
            ++next;
        } while (next < documents.size() && SteadyClock::now() - locked < kBatchHold);
        if (!files.commit()) return fail(files.error());
        result.deleted += erased;
        // A till that met the lock asks again after a wait that grows with its waiting (the
        // engine's busy handler asks after 1, 3, 8, 18, 33, 53 ms ...): a pause a little longer
        // than the lock was held lets it in before the next batch.
        if (next < documents.size()) {
            const auto held = SteadyClock::now() - locked;
            std::this_thread::sleep_for(held + held / 4 + 3ms);
        }
    }
    return result;
}

DeleteTransactions::DeleteTransactions() : Procedure("DeleteTransactions") {}

bool DeleteTransactions::OpenTables() {
    context().relate<PQXH20>().Open();
    context().relate<PQXH21>().Open();
    return true;
}

void DeleteTransactions::CloseTables() {
    context().relate<PQXH21>().Close();
    context().relate<PQXH20>().Close();
}

void DeleteTransactions::DefineWindow(Window& w) {
    w = Window("Delete Transactions", 160, 76);
    w.prompt("From date .:").at(10, 12, 50, 10);
    w.entry(Binding(&fromDate_), "@d17").at(70, 12, 60, 10).name("FromDate");
    w.entry(Binding(&toDate_), "@d17").at(70, 28, 60, 10).name("ToDate");
    w.prompt("To date .:").at(10, 28, 50, 10);
    ok_ = w.button("&OK").at(58, 54, 45, 14).name("OK").defaultButton();
    w.button("&Cancel").at(108, 54, 45, 14).name("Cancel").closes();
}

void DeleteTransactions::TakeAccepted(int control) {
    if (control == ok_) deleteRange();
}

void DeleteTransactions::deleteRange() {
    const std::string from = shortDate(fromDate_), to = shortDate(toDate_);
    std::vector<std::uint32_t> documents;
    std::string error;
    {
        WaitCursor wait(runtime());
        documents = historyDocuments(context(), fromDate_, toDate_, &error);
    }
    if (!error.empty()) {
        tell(std::string(byLanguage("Die geskiedenis kon nie gelees word nie: ", "The history could not be read: ")) + error,
             Icon::Exclamation);
        return;
    }
    if (documents.empty()) {
        tell(std::string(byLanguage("Daar is geen dokumente gedateer van ", "There are no documents dated from ")) +
             from + std::string(byLanguage(" tot ", " to ")) + to + ".");
        return;
    }
    const std::string count = std::to_string(documents.size());
    if (ask(std::string(byLanguage("Skrap ", "Delete ")) + count +
            std::string(byLanguage(" dokumente gedateer van ", " documents dated from ")) + from +
            std::string(byLanguage(" tot ", " to ")) + to +
            std::string(byLanguage(" uit die geskiedenis?|Dit kan nie ongedaan gemaak word nie.",
                                   " from the history?|This cannot be undone."))) != ButtonYes)
        return;

    HistoryDeleteResult result;
    {
        WaitCursor wait(runtime());
        result = deleteHistory(context(), documents, fromDate_, toDate_);
    }
    const std::string deleted = std::to_string(result.deleted);
    if (!result.ok) {
        tell(std::string(byLanguage("Die geskiedenis kon nie geskrap word nie: ", "The history could not be deleted: ")) +
                 result.error + "|" + deleted +
                 std::string(byLanguage(" dokumente is voor die fout geskrap; die res bly staan.",
                                        " documents were deleted before the error; the rest are kept.")),
             Icon::Exclamation);
        return;
    }
    tell(deleted + std::string(byLanguage(" dokumente is geskrap.", " documents were deleted.")));
    close(Response::Completed);
}

}  // namespace tavlo
