#pragma once
// Run-time access to the tables: one FileManager (Access:) and one RelationManager (Relate:)
// per table and per Context. A Context is what a window procedure's "thread" owns (DctInit /
// DctKill): its record buffers, positions, SQLite connections and the transaction in progress.
//
//   Context ctx(dataFolder);                       // DctInit
//   ctx.relate<PQXT20>().Open();                   // registers the use (lazy open)
//   auto& t20 = ctx.access<PQXT20>();
//   t20.rec.DOCUMENTNO = 5;
//   if (t20.Fetch(PT20::DocumentNoKey) == LevelBenign) { ... t20.rec.AMOUNT ... }
//   ctx.relate<PQXT20>().Close();
//
// Results are error levels (framework/errors.h). The plain record operations (add, put, get,
// set/next, erase) bypass relation actions and messages and return a driver error code instead;
// errorCode() / errorText() tell the last one, like ERRORCODE() and ERROR().
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/dictionary.h"
#include "util/text.h"
#include "data/tables.h"
#include "framework/errors.h"

namespace tavlo {

// Driver error codes (errorCode()). Codes 90 and 47 carry the storage engine's own code and
// text in fileErrorCode() / fileErrorText().
enum StoreError : int {
    ErrNone = 0,
    ErrFileNotFound = 2,
    ErrAccessDenied = 5,
    ErrLockedOut = 32,        // another station holds the lock beyond the wait
    ErrNoRecord = 33,         // record not available (end of walk, fetch miss)
    ErrNotOpen = 37,          // file not open / use never registered
    ErrDuplicateKey = 40,     // creates a duplicate key (errorKey() names it)
    ErrInvalidFile = 47,      // layout differs from the declaration
    ErrRecordChanged = 89,    // changed by another station since it was read
    ErrValueRange = 91,       // a value the field cannot hold
    ErrTransaction = 92,      // transaction could not be started, or a table is not in it
    ErrEngine = 90,           // any other storage failure
};
std::string storeErrorText(int code);

class Context;
class Transaction;
class Conn;  // one SQLite connection with its statements (storage_internal.h)

// Where a walk stands, for SaveFile / RestoreFile.
struct FilePosition {
    enum State : int { BeforeFirst, AfterLast, At, From };
    int order = -1;  // key index, -1 file order
    State state = BeforeFirst;
    std::vector<FieldValue> keyValues;  // At / From: the key components of the position
    std::int64_t pos = 0;               // At: the record the walk stands on
    std::int64_t current = 0;           // the current record (what Update and erase work on)
};

class FileManagerBase {
public:
    FileManagerBase(const FileManagerBase&) = delete;
    FileManagerBase& operator=(const FileManagerBase&) = delete;
    virtual ~FileManagerBase();

    const TableDef& table() const { return def_; }
    Context& context() { return ctx_; }
    void* buffer() { return buffer_; }
    const void* buffer() const { return buffer_; }

    // ---- use and open ----
    int Open();     // registers a use (counted per context); the file opens at first real use
    int Close();    // releases a use; the file closes when the count returns to zero
    int UseFile();  // declares use without the relation manager (counted like Open)
    int useCount() const { return uses_; }
    bool physicallyOpen() const;
    bool readOnly() const;
    // Physical open now (create on demand, read-only fallback, layout check); a level.
    [[nodiscard]] Level OpenNow();

    // ---- managed operations (levels; plain forms show catalogue messages) ----
    Level Fetch(int key);  // key equal to the buffer's components; a miss clears the buffer silently (a lookup may ignore it)
    [[nodiscard]] Level TryFetch(int key);  // the same without any message
    // Positioning for walks. Set: before the first record in key order; SetFrom: at the key
    // components now in the buffer (Next reads the first >= them, Previous the last <= them);
    // SetEnd: after the last record; SetFileOrder: file (insertion) order.
    void Set(int key);
    void SetFrom(int key);
    void SetEnd(int key);
    void SetFileOrder();
    [[nodiscard]] Level Next();  // LevelNotify without a message at the end of the walk
    [[nodiscard]] Level TryNext();
    [[nodiscard]] Level Previous();
    [[nodiscard]] Level TryPrevious();
    [[nodiscard]] Level Insert();  // auto-numbers, then adds; duplicate: message 15
    [[nodiscard]] Level TryInsert();
    [[nodiscard]] Level Update();  // writes the buffer over the current record; changed by another: message 7
    [[nodiscard]] Level TryUpdate();
    [[nodiscard]] Level UpdateForm();  // as Update, message 8 (the form shows the other station's version)
    // Clears the buffer (unless keepBuffer) and reserves the auto-numbered key values by adding
    // the record at once; Insert then writes over the reserved record, CancelAutoInc removes it.
    [[nodiscard]] Level PrimeRecord(bool keepBuffer = false);
    [[nodiscard]] Level CancelAutoInc();
    bool hasReservation() const { return reserved_ != 0; }

    // ---- plain record operations: driver error codes, no messages, no relation actions ----
    [[nodiscard]] StoreError add();            // the buffer as it is (no auto-numbering)
    [[nodiscard]] StoreError put();            // writes the buffer over the record last read
    [[nodiscard]] StoreError get(int key);     // read by key (like Fetch, but leaves the buffer on a miss)
    void set(int key) { Set(key); }
    void setFrom(int key) { SetFrom(key); }
    void setFileOrder() { SetFileOrder(); }
    [[nodiscard]] StoreError next();
    [[nodiscard]] StoreError previous();
    [[nodiscard]] StoreError erase();          // deletes the record last read
    long long records();  // number of records in the table

    StoreError errorCode() const { return errorCode_; }
    std::string errorText() const;  // ERROR(): a short text of the last failure
    int fileErrorCode() const { return fileErrorCode_; }
    const std::string& fileErrorText() const { return fileErrorText_; }
    const std::string& errorKey() const { return errorKey_; }  // "PT20:DocumentNoKey" on a duplicate

    // ---- buffers and positions ----
    void clearBuffer();
    std::int64_t position() const { return pos_; }  // the current record's place in file order, 0 none
    FilePosition savePosition() const;
    void restorePosition(const FilePosition& p);
    // The record as last read or written (what Update compares with the stored record).
    const void* asRead() const { return asRead_; }

protected:
    FileManagerBase(Context& ctx, const TableDef& def, void* buffer);

private:
    friend class Context;
    friend class RelationManager;
    friend class Transaction;
    friend struct StorageAccess;

    Conn* ready(bool managed, Level* level);
    StoreError fail(StoreError code, std::string fileText = "", int fileCode = 0);
    StoreError failEngine(Conn& c);
    Level report(int messageId);
    Level readWalk(bool forward, bool managed, bool quiet);
    Level doFetch(int key, bool quiet, bool clearOnMiss);
    Level doInsert(bool quiet);
    Level doUpdate(bool quiet, bool form);
    Level numberAndAdd(bool quiet);
    StoreError rawAdd(Conn& c);
    StoreError rawPut(Conn& c, std::int64_t pos, const void* record);
    StoreError readAt(Conn& c, std::int64_t pos, void* record);
    int findDuplicate(Conn& c, std::int64_t pos);  // the key index, -1 none
    void markRead();

    Context& ctx_;
    const TableDef& def_;
    void* buffer_;
    void* asRead_;
    int uses_ = 0;
    std::int64_t pos_ = 0;
    std::int64_t reserved_ = 0;
    FilePosition walk_;
    StoreError errorCode_ = ErrNone;
    int fileErrorCode_ = 0;
    std::string fileErrorText_;
    std::string errorKey_;
};

template <class T>
class FileManager : public FileManagerBase {
public:
    T rec;

    FileManager(Context& ctx) : FileManagerBase(ctx, T::table(), &rec) {}

    using FileManagerBase::Fetch;
    using FileManagerBase::TryFetch;
    using FileManagerBase::Set;
    using FileManagerBase::SetFrom;
    using FileManagerBase::SetEnd;
    using FileManagerBase::get;
    using FileManagerBase::set;
    using FileManagerBase::setFrom;
    Level Fetch(KeyNo<T> k) { return FileManagerBase::Fetch(k.index); }
    [[nodiscard]] Level TryFetch(KeyNo<T> k) { return FileManagerBase::TryFetch(k.index); }
    void Set(KeyNo<T> k) { FileManagerBase::Set(k.index); }
    void SetFrom(KeyNo<T> k) { FileManagerBase::SetFrom(k.index); }
    void SetEnd(KeyNo<T> k) { FileManagerBase::SetEnd(k.index); }
    [[nodiscard]] StoreError get(KeyNo<T> k) { return FileManagerBase::get(k.index); }
    void set(KeyNo<T> k) { FileManagerBase::set(k.index); }
    void setFrom(KeyNo<T> k) { FileManagerBase::setFrom(k.index); }

    // SaveFile / RestoreFile: position and buffer around a nested lookup.
    struct Saved {
        FilePosition position;
        T record;
        T asRead;
    };
    Saved SaveFile() const { return {savePosition(), rec, *static_cast<const T*>(asRead())}; }
    void RestoreFile(const Saved& s) {
        restorePosition(s.position);
        rec = s.record;
        restoreAsRead(&s.asRead);
    }
    // SaveBuffer / RestoreBuffer: the record buffer alone.
    T SaveBuffer() const { return rec; }
    void RestoreBuffer(const T& saved) { rec = saved; }

private:
    void restoreAsRead(const T* r) { *static_cast<T*>(const_cast<void*>(asRead())) = *r; }
};

// Relations of one table in one context: open/close with related tables, and the update and
// delete that carry out cascade and restrict actions inside one transaction (2-second wait).
class RelationManager {
public:
    RelationManager(Context& ctx, FileManagerBase& file);
    RelationManager(const RelationManager&) = delete;
    RelationManager& operator=(const RelationManager&) = delete;

    FileManagerBase& file() { return file_; }
    int Open();   // registers the use of the table and of every table related to it
    int Close();
    int Update(bool fromForm = false);  // the current record, with cascade / restrict on linking fields
    int Delete(bool ask = true);         // "Confirm Delete" when ask; restrict / cascade to children

    static constexpr std::chrono::milliseconds kWait{2000};

private:
    void relatedTables(std::vector<const TableDef*>& out) const;
    Context& ctx_;
    FileManagerBase& file_;
};

// A transaction over named tables: one SQLite transaction across their files, so the commit is
// atomic across them. While it is active, every manager of these tables in this context reads
// and writes inside it. At most kMaxTables files (the engine's attach limit).
class Transaction {
public:
    static constexpr int kMaxTables = 10;
    Transaction(Context& ctx, std::vector<const TableDef*> tables, std::chrono::milliseconds wait);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();  // rolls back when still active

    bool active() const { return active_; }
    StoreError errorCode() const { return errorCode_; }
    const std::string& errorText() const { return errorText_; }
    bool commit();  // false when the commit failed (then it is rolled back)
    void rollback();

private:
    Context& ctx_;
    bool active_ = false;
    StoreError errorCode_ = ErrNone;
    std::string errorText_;
};

class Context {
public:
    // DctInit: managers for every table of the dictionary; files live in folder.
    explicit Context(std::filesystem::path folder = std::filesystem::current_path());
    ~Context();  // DctKill
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const std::filesystem::path& folder() const { return folder_; }

    // The operator logged in on this thread (the till screen's), never one of another window.
    FixedString<3> OPERATOR;

    template <class T>
    FileManager<T>& access() {
        return static_cast<FileManager<T>&>(access(T::table()));
    }
    template <class T>
    RelationManager& relate() {
        return relate(T::table());
    }
    // Managers of any table; made on first use for tables outside the dictionary.
    FileManagerBase& access(const TableDef& def);
    RelationManager& relate(const TableDef& def);

    // A transaction over the tables T..., waiting at most `wait` for their locks.
    template <class... T>
    Transaction transaction(std::chrono::milliseconds wait) {
        return Transaction(*this, {&T::table()...}, wait);
    }
    bool inTransaction() const;
    bool inTransaction(const TableDef& def) const;

    // Storage internals (storage.cpp).
    struct Impl;
    Impl& impl() { return *impl_; }

private:
    struct Managers;
    Managers& managers(const TableDef& def);

    std::filesystem::path folder_;
    std::unique_ptr<Impl> impl_;
    std::vector<std::unique_ptr<Managers>> managers_;  // by TableDef::id
};

// DctInit / DctKill under the names the procedures use.
inline std::unique_ptr<Context> DctInit(std::filesystem::path folder = std::filesystem::current_path()) {
    return std::make_unique<Context>(std::move(folder));
}
inline void DctKill(std::unique_ptr<Context>& ctx) { ctx.reset(); }

}  // namespace tavlo
