#pragma once
// Internals shared by the storage sources: generated SQL, cached statements, connections.
#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/dictionary.h"
#include "data/file_manager.h"

namespace tavlo {

// SQL of one table, generated once from its declaration.
struct KeySql {
    std::string partial;    // "" or the blank-entry condition of a key that leaves them out
    std::string equal;      // components = ?1..?n
    std::string first, last;
    std::string sameNext, samePrev;  // same component values, _pos after / before ?n+1
    std::string after, before;       // components > / < ?1..?n
    std::string fromNext, fromPrev;  // components >= / <= ?1..?n
    std::string lastOfGroup;         // highest last component, leading components = ?1..?n-1
    std::string duplicate;           // another record (_pos <> ?n+1) with these component values
    std::string exists;              // any record with these component values
};

struct TableSql {
    std::string table;  // quoted table name
    std::string createTable;
    std::string createBody;  // what follows the table's name in createTable
    std::string columns;     // "_pos" and every field, quoted, in order
    std::vector<std::pair<std::string, std::string>> indexes;      // name, CREATE INDEX of each key
    std::vector<std::pair<std::string, std::string>> readIndexes;  // name, CREATE INDEX of each read index
    std::string insert, update, erase, byPos, count;
    std::string fileFirst, fileLast, fileNext, filePrev;
    std::vector<KeySql> keys;
};
const TableSql& tableSql(const TableDef& def);

// Statement kinds, part of the cache key.
enum SqlKind : int {
    SqlInsert = 1, SqlUpdate, SqlErase, SqlByPos, SqlCount, SqlFileFirst, SqlFileLast, SqlFileNext, SqlFilePrev,
    SqlEqual, SqlFirst, SqlLast, SqlSameNext, SqlSamePrev, SqlAfter, SqlBefore, SqlFromNext, SqlFromPrev,
    SqlLastOfGroup, SqlDuplicate, SqlExists,
};
const std::string& sqlText(const TableDef& def, SqlKind kind, int key);

// One SQLite connection with its prepared statements.
class Conn {
public:
    Conn() = default;
    Conn(const Conn&) = delete;
    Conn& operator=(const Conn&) = delete;
    ~Conn();

    sqlite3* db = nullptr;
    sqlite3_stmt* statement(const TableDef& def, SqlKind kind, int key = 0);
    int exec(const std::string& sql);  // sqlite result code
    void finalizeAll();
    // The last failure in words; a cause outside the program (a full disk, a folder or file that
    // can only be read or cannot be opened) is named with the data folder, so it can be fixed.
    std::string message() const;

private:
    std::unordered_map<std::uint64_t, sqlite3_stmt*> cache_;
};

// Resets a statement when leaving scope, so no statement keeps a lock between calls.
class StmtUse {
public:
    explicit StmtUse(sqlite3_stmt* s) : s_(s) {}
    ~StmtUse() {
        if (s_) {
            sqlite3_reset(s_);
            sqlite3_clear_bindings(s_);
        }
    }
    StmtUse(const StmtUse&) = delete;
    StmtUse& operator=(const StmtUse&) = delete;
    sqlite3_stmt* get() const { return s_; }

private:
    sqlite3_stmt* s_;
};

// Binding and reading records. bindRecord binds every field as ?1..?n (n = field count);
// returns false when a value does not fit its field (message set in *why).
bool normalizeRecord(const TableDef& def, void* record, std::string* why);
void bindRecord(sqlite3_stmt* s, const TableDef& def, const void* normalizedRecord, int first = 1);
void bindKey(sqlite3_stmt* s, const TableDef& def, int key, const std::vector<FieldValue>& values, int first = 1,
             int count = -1);
bool keyValues(const TableDef& def, int key, const void* record, std::vector<FieldValue>& out, std::string* why);
// Reads "_pos, fields..." of the current row into record; returns _pos.
std::int64_t readRow(sqlite3_stmt* s, const TableDef& def, void* record);

struct TableStore {
    explicit TableStore(const TableDef& d) : def(d) {}
    const TableDef& def;
    std::unique_ptr<Conn> conn;
    bool opened = false;
    bool readOnly = false;
    bool warnedReadOnly = false;  // message 2 is shown once per context and table
};

// A record of some table, owned (for cascades over child tables).
class OwnedRecord {
public:
    explicit OwnedRecord(const TableDef& def) : def_(&def), p_(def.newRecord()) {}
    ~OwnedRecord() {
        if (p_) def_->deleteRecord(p_);
    }
    OwnedRecord(const OwnedRecord&) = delete;
    OwnedRecord& operator=(const OwnedRecord&) = delete;
    void* get() const { return p_; }

private:
    const TableDef* def_;
    void* p_;
};

struct Context::Impl {
    Impl(Context& c, std::filesystem::path f) : ctx(c), folder(std::move(f)) {}
    ~Impl();

    Context& ctx;
    std::filesystem::path folder;
    std::vector<std::unique_ptr<TableStore>> stores;  // by TableDef::id

    // The transaction connection: its main database is a small file in the data folder (so that
    // a commit across several attached table files is atomic); table files are attached to it.
    std::unique_ptr<Conn> tx;
    std::map<std::string, std::string> attached;  // disk file -> alias
    bool txActive = false;
    std::vector<bool> enlisted;  // by TableDef::id
    int savepoints = 0;

    TableStore& store(const TableDef& def);
    // Physical open (create, read-only fallback, layout and key check); a level. Messages through
    // GlobalErrors unless quiet (quiet reports through the returned code only).
    Level open(FileManagerBase& fm);
    // The connection reads and writes of the table go through now (nullptr when not open).
    Conn* connFor(const TableDef& def);
    bool isEnlisted(const TableDef& def) const {
        return txActive && def.id < static_cast<int>(enlisted.size()) && enlisted[def.id];
    }
    // The transaction connection, opened on first use; nullptr (and *why) when the main file
    // cannot be opened for writing.
    Conn* txConnection(std::string* why);
    // Attaches exactly these table files (disk file -> table) to the transaction connection,
    // detaching the others; false (and *why) on failure. Outside a transaction only.
    bool attachExactly(const std::map<std::string, const TableDef*>& files, std::string* why);
    // The alias of an attached table file ("" when it is not attached).
    std::string aliasOf(const TableDef& def) const;
    StoreError beginTx(const std::vector<const TableDef*>& tables, int waitMs, std::string* why);
    bool commitTx(std::string* why);
    void rollbackTx();
};

// A unit of work on one connection that commits or rolls back as a whole: BEGIN IMMEDIATE on a
// table's own connection, a savepoint inside the context's transaction.
class Atomic {
public:
    Atomic(Context::Impl& impl, Conn& conn);
    ~Atomic();
    int begin();  // sqlite result code
    int commit();
    void rollback();

private:
    Context::Impl& impl_;
    Conn& conn_;
    bool nested_;
    bool open_ = false;
    std::string name_;
};

}  // namespace tavlo
