// Table files on SQLite: generated SQL, the key collation, connections and statements, the
// physical open of a table and the context's transaction connection.
//
// Invariants:
// 1. No statement stays active between calls (StmtUse resets it), so a connection holds no lock
//    outside a transaction and another station's commit never waits for an idle walk.
// 2. A table's reads and writes go through the context's transaction connection while the table
//    is enlisted in the context's transaction, otherwise through the table's own connection. A
//    read that joins tables (operator_takings.cpp) runs on the transaction connection, with the
//    files attached outside a transaction or enlisted in it.
// 3. The transaction connection's main database is a real (empty) file in the data folder, so a
//    commit across several attached table files is atomic (the engine's super-journal).
// 4. Text is stored without trailing blanks; decimals as integers scaled by their places.
// 5. The files need nothing but stock SQLite: a text key part is compared through a generated
//    column "_key_NAME" holding the text folded (trailing blanks off, ASCII and Latin-1 capitals
//    to small letters) with built-in functions, so any SQLite reader can check, filter and sort.
#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <thread>

#include "data/slot_claim.h"
#include "data/storage.h"
#include "data/storage_internal.h"
#include "util/invariant.h"
#include "util/text.h"

namespace tavlo {

namespace {

constexpr int kDefaultWaitMs = 2000;
// How long opening a table waits for another till that is creating or converting it.
constexpr int kOpenWaitMs = 10000;

// One byte of UTF-8 text folded to lower case; prev is the byte before it in the same text.
inline unsigned char foldByte(unsigned char c, unsigned char prev) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    // Latin-1 capitals U+00C0..U+00DE (not U+00D7) are C3 80..C3 9E; small ones C3 A0..C3 BE.
    if (prev == 0xC3 && c >= 0x80 && c <= 0x9E && c != 0x97) return static_cast<unsigned char>(c + 0x20);
    return c;
}

// Files written before the key columns were generated carry this collation on their text key
// parts; it stays registered so that such a file can be read and converted.
int collate(void*, int la, const void* pa, int lb, const void* pb) {
    return compareKeyText(std::string_view(static_cast<const char*>(pa), la),
                          std::string_view(static_cast<const char*>(pb), lb));
}

std::string quote(std::string_view name) {
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

// The fold in SQL, in two generated columns so that no expression nests deeper than any SQLite
// reader's parser allows: "_fold_NAME" trims the blanks and folds the first half of the Latin-1
// capitals U+00C0..U+00DE (not U+00D7); "_key_NAME" folds the rest and the ASCII letters.
std::string latinFoldSql(std::string e, unsigned from, unsigned to) {
    for (unsigned c = from; c <= to; ++c) {
        if (c == 0xD7) continue;
        const char cap[] = {static_cast<char>(0xC3), static_cast<char>(0x80 + (c - 0xC0)), 0};
        const char small[] = {static_cast<char>(0xC3), static_cast<char>(0xA0 + (c - 0xC0)), 0};
        e = "replace(" + e + ",'" + cap + "','" + small + "')";
    }
    return e;
}

std::vector<std::string> foldColumnsSql(const std::string& name) {
    const std::string half = quote("_fold_" + name);
    return {half + " TEXT GENERATED ALWAYS AS (" + latinFoldSql("rtrim(" + quote(name) + ",' ')", 0xC0, 0xCF) +
                ") VIRTUAL",
            quote("_key_" + name) + " TEXT GENERATED ALWAYS AS (lower(" + latinFoldSql(half, 0xD0, 0xDE) + ")) VIRTUAL"};
}

std::string declaredType(const FieldDef& f) {
    switch (f.kind) {
        case FieldKind::BYTE: return "BYTE INTEGER";
        case FieldKind::SHORT: return "SHORT INTEGER";
        case FieldKind::USHORT: return "USHORT INTEGER";
        case FieldKind::LONG: return "LONG INTEGER";
        case FieldKind::ULONG: return "ULONG INTEGER";
        case FieldKind::SREAL: return "SREAL";
        case FieldKind::REAL: return "REAL";
        case FieldKind::STRING: return "STRING TEXT(" + std::to_string(f.bytes) + ")";
        case FieldKind::CSTRING: return "CSTRING TEXT(" + std::to_string(f.bytes) + ")";
        case FieldKind::DECIMAL:
            return "DECIMAL INTEGER(" + std::to_string(f.bytes) + "," + std::to_string(f.places) + ")";
        case FieldKind::MEMO: return "MEMO BLOB(" + std::to_string(f.bytes) + ")";
    }
    return "BLOB";
}

bool inAnyKey(const TableDef& def, int field) {
    for (const auto& k : def.keys)
        if (std::find(k.components.begin(), k.components.end(), field) != k.components.end()) return true;
    return false;
}

std::string join(const std::vector<std::string>& parts, const std::string& sep) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += sep;
        out += parts[i];
    }
    return out;
}

std::unique_ptr<TableSql> buildSql(const TableDef& def) {
    auto sql = std::make_unique<TableSql>();
    const std::string t = quote(def.sqlName);
    sql->table = t;
    std::vector<std::string> names, defs, params, sets, generated;
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        names.push_back(quote(f.name));
        defs.push_back(quote(f.name) + " " + declaredType(f) + " NOT NULL DEFAULT " + (f.isText() ? "''" : f.isMemo() ? "x''" : "0"));
        if (foldedInKeys(def, static_cast<int>(i)))
            for (std::string& g : foldColumnsSql(f.name)) generated.push_back(std::move(g));
        params.push_back("?" + std::to_string(i + 1));
        sets.push_back(quote(f.name) + "=?" + std::to_string(i + 1));
    }
    for (std::string& g : generated) defs.push_back(std::move(g));
    const std::string n = std::to_string(def.fields.size() + 1);
    const std::string cols = "\"_pos\"," + join(names, ",");
    sql->columns = cols;
    sql->createBody = " (\"_pos\" INTEGER PRIMARY KEY, " + join(defs, ", ") + ")";
    sql->createTable = "CREATE TABLE " + t + sql->createBody;
    sql->insert = "INSERT INTO " + t + " (" + join(names, ",") + ") VALUES (" + join(params, ",") + ")";
    sql->update = "UPDATE " + t + " SET " + join(sets, ",") + " WHERE \"_pos\"=?" + n;
    sql->erase = "DELETE FROM " + t + " WHERE \"_pos\"=?1";
    sql->byPos = "SELECT " + cols + " FROM " + t + " WHERE \"_pos\"=?1";
    sql->count = "SELECT count(*) FROM " + t;
    sql->fileFirst = "SELECT " + cols + " FROM " + t + " ORDER BY \"_pos\" LIMIT 1";
    sql->fileLast = "SELECT " + cols + " FROM " + t + " ORDER BY \"_pos\" DESC LIMIT 1";
    sql->fileNext = "SELECT " + cols + " FROM " + t + " WHERE \"_pos\">?1 ORDER BY \"_pos\" LIMIT 1";
    sql->filePrev = "SELECT " + cols + " FROM " + t + " WHERE \"_pos\"<?1 ORDER BY \"_pos\" DESC LIMIT 1";

    for (const KeyDef& k : def.keys) {
        KeySql ks;
        std::vector<std::string> comps, blanks, eqs, qs, asc, desc;
        for (std::size_t i = 0; i < k.components.size(); ++i) {
            const FieldDef& f = def.fields[k.components[i]];
            const std::string c = keyColumn(def, k.components[i]);
            comps.push_back(c);
            blanks.push_back(quote(f.name) + (f.isText() ? " <> ''" : " <> 0"));
            eqs.push_back(c + "=?" + std::to_string(i + 1));
            qs.push_back("?" + std::to_string(i + 1));
            asc.push_back(c);
            desc.push_back(c + " DESC");
        }
        const std::string m = std::to_string(k.components.size() + 1);
        ks.partial = k.keepBlank ? "" : "(" + join(blanks, " OR ") + ")";
        auto where = [&](std::vector<std::string> terms) {
            if (!ks.partial.empty()) terms.push_back(ks.partial);
            return terms.empty() ? std::string() : " WHERE " + join(terms, " AND ");
        };
        const std::string up = " ORDER BY " + join(asc, ",") + ",\"_pos\" LIMIT 1";
        const std::string down = " ORDER BY " + join(desc, ",") + ",\"_pos\" DESC LIMIT 1";
        const std::string sel = "SELECT " + cols + " FROM " + t;
        const std::string row = "(" + join(comps, ",") + ")";
        const std::string vals = "(" + join(qs, ",") + ")";
        ks.equal = sel + where(eqs) + up;
        ks.first = sel + where({}) + up;
        ks.last = sel + where({}) + down;
        {
            auto e = eqs;
            e.push_back("\"_pos\">?" + m);
            ks.sameNext = sel + where(e) + " ORDER BY \"_pos\" LIMIT 1";
            e.back() = "\"_pos\"<?" + m;
            ks.samePrev = sel + where(e) + " ORDER BY \"_pos\" DESC LIMIT 1";
        }
        ks.after = sel + where({row + ">" + vals}) + up;
        ks.before = sel + where({row + "<" + vals}) + down;
        ks.fromNext = sel + where({row + ">=" + vals}) + up;
        ks.fromPrev = sel + where({row + "<=" + vals}) + down;
        {
            std::vector<std::string> lead(eqs.begin(), eqs.end() - 1);
            ks.lastOfGroup = "SELECT " + comps.back() + " FROM " + t + where(lead) + " ORDER BY " + comps.back() +
                             " DESC LIMIT 1";
        }
        {
            auto e = eqs;
            e.push_back("\"_pos\"<>?" + m);
            ks.duplicate = "SELECT \"_pos\" FROM " + t + where(e) + " LIMIT 1";
            ks.exists = "SELECT \"_pos\" FROM " + t + where(eqs) + " LIMIT 1";
        }
        std::string index = std::string("CREATE ") + (k.unique ? "UNIQUE " : "") + "INDEX IF NOT EXISTS " +
                            quote(def.sqlName + "_" + k.name) + " ON " + t + " (" + join(comps, ",") + ")";
        if (!ks.partial.empty()) index += " WHERE " + ks.partial;
        sql->indexes.emplace_back(def.sqlName + "_" + k.name, index);
        sql->keys.push_back(std::move(ks));
    }
    for (const ReadIndexDef& r : def.readIndexes) {
        std::vector<std::string> cols;
        for (const std::string& c : r.columns) cols.push_back(quote(c));
        sql->readIndexes.emplace_back(def.sqlName + "_" + r.name, "CREATE INDEX IF NOT EXISTS " +
                                                                      quote(def.sqlName + "_" + r.name) + " ON " + t +
                                                                      " (" + join(cols, ",") + ")");
    }
    return sql;
}

std::mutex sqlMutex;
std::atomic<bool> syncOn{true};

}  // namespace

void setSyncWrites(bool on) { syncOn = on; }
bool syncWrites() { return syncOn; }

std::string foldKeyText(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::string out(text);
    unsigned char prev = 0;
    for (char& ch : out) {
        const auto c = static_cast<unsigned char>(ch);
        ch = static_cast<char>(foldByte(c, prev));
        prev = c;
    }
    return out;
}

bool foldedInKeys(const TableDef& def, int field) {
    return def.fields[field].isText() && inAnyKey(def, field);
}

std::string keyColumn(const TableDef& def, int field) {
    return foldedInKeys(def, field) ? quote(std::string("_key_") + def.fields[field].name) : quote(def.fields[field].name);
}

int compareKeyText(std::string_view a, std::string_view b) {
    while (!a.empty() && a.back() == ' ') a.remove_suffix(1);
    while (!b.empty() && b.back() == ' ') b.remove_suffix(1);
    const std::size_t n = std::min(a.size(), b.size());
    unsigned char pa = 0, pb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        const unsigned char fa = foldByte(ca, pa), fb = foldByte(cb, pb);
        if (fa != fb) return fa < fb ? -1 : 1;
        pa = ca;
        pb = cb;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int registerTableCollation(sqlite3* db) {
    return sqlite3_create_collation_v2(db, kTableCollation, SQLITE_UTF8, nullptr, collate, nullptr);
}

sqlite3* openDatabase(const std::filesystem::path& file, bool readOnly, bool create, int waitMs, std::string* error) {
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    flags |= readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create && !readOnly) flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (error) *error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    registerTableCollation(db);
    sqlite3_busy_timeout(db, waitMs);
    if (!syncOn) sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    return db;
}

std::vector<std::string> tableSchema(const TableDef& def) {
    const TableSql& sql = tableSql(def);
    std::vector<std::string> out{sql.createTable};
    for (const auto& [name, text] : sql.indexes) out.push_back(text);
    for (const auto& [name, text] : sql.readIndexes) out.push_back(text);
    return out;
}

const TableSql& tableSql(const TableDef& def) {
    static std::vector<std::unique_ptr<TableSql>> cache;
    std::lock_guard lock(sqlMutex);
    if (def.id >= static_cast<int>(cache.size())) cache.resize(def.id + 1);
    auto& slot = cache[def.id];
    if (!slot) slot = buildSql(def);
    return *slot;
}

const std::string& sqlText(const TableDef& def, SqlKind kind, int key) {
    const TableSql& s = tableSql(def);
    switch (kind) {
        case SqlInsert: return s.insert;
        case SqlUpdate: return s.update;
        case SqlErase: return s.erase;
        case SqlByPos: return s.byPos;
        case SqlCount: return s.count;
        case SqlFileFirst: return s.fileFirst;
        case SqlFileLast: return s.fileLast;
        case SqlFileNext: return s.fileNext;
        case SqlFilePrev: return s.filePrev;
        case SqlEqual: return s.keys[key].equal;
        case SqlFirst: return s.keys[key].first;
        case SqlLast: return s.keys[key].last;
        case SqlSameNext: return s.keys[key].sameNext;
        case SqlSamePrev: return s.keys[key].samePrev;
        case SqlAfter: return s.keys[key].after;
        case SqlBefore: return s.keys[key].before;
        case SqlFromNext: return s.keys[key].fromNext;
        case SqlFromPrev: return s.keys[key].fromPrev;
        case SqlLastOfGroup: return s.keys[key].lastOfGroup;
        case SqlDuplicate: return s.keys[key].duplicate;
        case SqlExists: return s.keys[key].exists;
    }
    return s.count;
}

// ---- connections ----

namespace {

// Invariant 1: no statement of the connection is still stepping (for the invariant checks).
bool noStatementActive(sqlite3* db) {
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
        if (sqlite3_stmt_busy(s)) return false;
    return true;
}

}  // namespace

Conn::~Conn() {
    finalizeAll();
    if (db) sqlite3_close_v2(db);
}

void Conn::finalizeAll() {
    for (auto& [id, s] : cache_) sqlite3_finalize(s);
    cache_.clear();
}

sqlite3_stmt* Conn::statement(const TableDef& def, SqlKind kind, int key) {
    const std::uint64_t id = (static_cast<std::uint64_t>(def.id) << 32) | (static_cast<std::uint64_t>(kind) << 16) |
                             static_cast<std::uint64_t>(key);
    auto it = cache_.find(id);
    TAVLO_INVARIANT(1, it == cache_.end() || !sqlite3_stmt_busy(it->second));
    if (it != cache_.end()) return it->second;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(db, sqlText(def, kind, key).c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) !=
        SQLITE_OK)
        return nullptr;
    cache_.emplace(id, s);
    return s;
}

int Conn::exec(const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }

namespace {

// A read-only folder or file in words: the folder when it is the one that cannot be written
// (no journal can be made in it), else the file.
std::string readOnlyText(const std::string& folder, const std::string& file, int sys) {
    const bool folderReadOnly = ::access(folder.c_str(), W_OK) != 0;
    return (folderReadOnly   ? "The data folder " + folder + " is read-only"
            : file.empty()   ? "A file in the data folder " + folder + " is read-only"
                             : "The file " + file + " in the data folder " + folder + " is read-only") +
           (sys ? std::string(" (") + std::strerror(sys) + ")" : std::string()) +
           ". Give the till's user write access to it.";
}

}  // namespace

std::string writeRefusal(const std::filesystem::path& folder, const TableDef& def) {
    const std::filesystem::path file = folder / def.diskFile();
    if (::access(folder.c_str(), W_OK) != 0) return readOnlyText(folder.string(), "", errno);
    if (::access(file.c_str(), W_OK) != 0 && errno != ENOENT) return readOnlyText(folder.string(), def.diskFile(), errno);
    return "";
}

std::string Conn::message() const {
    if (!db) return "no connection";
    const int rc = sqlite3_extended_errcode(db);
    // The system's error is kept only from failed opens and input/output: otherwise it is stale.
    const int sys = (rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_IOERR ? sqlite3_system_errno(db) : 0;
    const char* file = sqlite3_db_filename(db, "main");
    const std::string folder = file && *file ? std::filesystem::path(file).parent_path().string() : std::string("?");
    const bool denied = sys == EROFS || sys == EACCES || sys == EPERM;
    if ((rc & 0xff) == SQLITE_FULL || sys == ENOSPC || sys == EDQUOT)
        return "The disk of the data folder " + folder + " is full. Make room on it.";
    if ((rc & 0xff) == SQLITE_READONLY || ((rc & 0xff) == SQLITE_CANTOPEN && denied) ||
        ((rc & 0xff) == SQLITE_IOERR && denied))
        return readOnlyText(folder, "", sys);
    if ((rc & 0xff) == SQLITE_CANTOPEN)
        return "A file in the data folder " + folder + " could not be opened" +
               (sys ? std::string(" (") + std::strerror(sys) + ")" : std::string()) + ".";
    return sqlite3_errmsg(db);
}

// ---- records ----

bool normalizeRecord(const TableDef& def, void* record, std::string* why) {
    for (const FieldDef& f : def.fields) {
        FieldRef ref = f.ref(record);
        if (auto* s = std::get_if<std::string*>(&ref); s && f.isMemo()) {
            if ((*s)->size() > static_cast<std::size_t>(f.bytes)) (*s)->resize(static_cast<std::size_t>(f.bytes));
        } else if (s) {
            **s = f.kind == FieldKind::CSTRING ? fitCString(**s, f.bytes) : clip(fitBytes(**s, f.bytes));
            TAVLO_INVARIANT(4, f.kind == FieldKind::CSTRING || (*s)->empty() || (*s)->back() != ' ');
        } else if (auto* d = std::get_if<Decimal*>(&ref)) {
            if (!fitsDecimal(**d, f.bytes, f.places)) {
                if (why) *why = std::string("Value out of range for ") + def.prefix + ":" + f.name;
                return false;
            }
            **d = storeDecimal(**d, f.bytes, f.places);
            TAVLO_INVARIANT(4, (*d)->places() <= f.places);
        }
    }
    return true;
}

namespace {

void bindValue(sqlite3_stmt* s, int i, const FieldDef& f, const FieldValue& v) {
    if (auto* n = std::get_if<long long>(&v))
        sqlite3_bind_int64(s, i, *n);
    else if (auto* d = std::get_if<double>(&v))
        sqlite3_bind_double(s, i, *d);
    else if (auto* t = std::get_if<std::string>(&v))
        sqlite3_bind_text(s, i, t->data(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
    else if (auto* dec = std::get_if<Decimal>(&v))
        sqlite3_bind_int64(s, i, static_cast<sqlite3_int64>(dec->scaled(f.places)));
}

}  // namespace

void bindRecord(sqlite3_stmt* s, const TableDef& def, const void* record, int first) {
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        const int at = first + static_cast<int>(i);
        std::visit(
            [&](auto* p) {
                using V = std::remove_pointer_t<decltype(p)>;
                if constexpr (std::is_same_v<V, std::string>) {
                    if (f.isMemo())
                        sqlite3_bind_blob(s, at, p->data(), static_cast<int>(p->size()), SQLITE_STATIC);
                    else
                        sqlite3_bind_text(s, at, p->data(), static_cast<int>(p->size()), SQLITE_STATIC);
                } else if constexpr (std::is_same_v<V, Decimal>)
                    sqlite3_bind_int64(s, at, static_cast<sqlite3_int64>(p->scaled(f.places)));
                else if constexpr (std::is_floating_point_v<V>)
                    sqlite3_bind_double(s, at, static_cast<double>(*p));
                else
                    sqlite3_bind_int64(s, at, static_cast<sqlite3_int64>(*p));
            },
            f.ref(const_cast<void*>(record)));
    }
}

void bindKey(sqlite3_stmt* s, const TableDef& def, int key, const std::vector<FieldValue>& values, int first,
             int count) {
    const KeyDef& k = def.keys[key];
    const int n = count < 0 ? static_cast<int>(k.components.size()) : count;
    for (int i = 0; i < n && i < static_cast<int>(values.size()); ++i) {
        const int field = k.components[i];
        if (auto* t = std::get_if<std::string>(&values[i]); t && foldedInKeys(def, field)) {
            const std::string folded = foldKeyText(*t);
            sqlite3_bind_text(s, first + i, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
        } else {
            bindValue(s, first + i, def.fields[field], values[i]);
        }
    }
}

bool keyValues(const TableDef& def, int key, const void* record, std::vector<FieldValue>& out, std::string* why) {
    out.clear();
    for (int c : def.keys[key].components) {
        const FieldDef& f = def.fields[c];
        FieldValue v = fieldValue(f, record);
        if (auto* s = std::get_if<std::string>(&v)) {
            *s = f.kind == FieldKind::CSTRING ? fitCString(*s, f.bytes) : clip(fitBytes(*s, f.bytes));
        } else if (auto* d = std::get_if<Decimal>(&v)) {
            if (!fitsDecimal(*d, f.bytes, f.places)) {
                if (why) *why = std::string("Value out of range for ") + def.prefix + ":" + f.name;
                return false;
            }
            *d = storeDecimal(*d, f.bytes, f.places);
        }
        out.push_back(std::move(v));
    }
    return true;
}

std::int64_t readRow(sqlite3_stmt* s, const TableDef& def, void* record) {
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        const int col = static_cast<int>(i) + 1;
        std::visit(
            [&](auto* p) {
                using V = std::remove_pointer_t<decltype(p)>;
                if constexpr (std::is_same_v<V, std::string>) {
                    if (f.isMemo()) {
                        const void* b = sqlite3_column_blob(s, col);
                        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(s, col));
                        p->assign(b ? static_cast<const char*>(b) : "", b ? n : 0);
                        return;
                    }
                    const unsigned char* t = sqlite3_column_text(s, col);
                    p->assign(t ? reinterpret_cast<const char*>(t) : "", static_cast<std::size_t>(sqlite3_column_bytes(s, col)));
                } else if constexpr (std::is_same_v<V, Decimal>) {
                    *p = Decimal::fromScaled(sqlite3_column_int64(s, col), f.places);
                } else if constexpr (std::is_floating_point_v<V>) {
                    *p = static_cast<V>(sqlite3_column_double(s, col));
                } else {
                    *p = static_cast<V>(sqlite3_column_int64(s, col));
                }
            },
            f.ref(record));
    }
    return sqlite3_column_int64(s, 0);
}

// ---- context storage ----

Context::Impl::~Impl() {
    if (txActive) rollbackTx();
}

TableStore& Context::Impl::store(const TableDef& def) {
    if (def.id >= static_cast<int>(stores.size())) stores.resize(def.id + 1);
    auto& slot = stores[def.id];
    if (!slot) slot = std::make_unique<TableStore>(def);
    return *slot;
}

Conn* Context::Impl::connFor(const TableDef& def) {
    if (isEnlisted(def)) return tx.get();
    TableStore& st = store(def);
    return st.conn.get();
}

namespace {

Level raise(int id, const TableDef& def, int code, int fileCode = 0, const std::string& fileText = "") {
    GlobalErrors().SetFile(def.fileName);
    GlobalErrors().SetErrors(code, storeErrorText(code), fileCode ? std::to_string(fileCode) : "", fileText);
    return GlobalErrors().Throw(id);
}

int checkLayout(Conn& c, const TableDef& def, std::string* why, int* rcOut);

// 1 the table is there and matches, 0 it is missing, -1 it differs (why says how), -2 read error.
int checkLayout(Conn& c, const TableDef& def, std::string* why, int* rcOut) {
    sqlite3_stmt* s = nullptr;
    std::string q = "PRAGMA table_info(" + quote(def.sqlName) + ")";
    int rc = sqlite3_prepare_v2(c.db, q.c_str(), -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        *rcOut = sqlite3_extended_errcode(c.db);
        *why = c.message();
        return -2;
    }
    std::vector<std::pair<std::string, std::string>> cols;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        auto text = [&](int i) {
            const unsigned char* t = sqlite3_column_text(s, i);
            return std::string(t ? reinterpret_cast<const char*>(t) : "");
        };
        cols.emplace_back(text(1), text(2));
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) {
        *rcOut = sqlite3_extended_errcode(c.db);
        *why = c.message();
        return -2;
    }
    if (cols.empty()) return 0;
    if (cols.size() != def.fields.size() + 1 || !equalsNoCase(cols[0].first, "_pos")) {
        *why = "the table has " + std::to_string(cols.size() - 1) + " fields, the declaration " +
               std::to_string(def.fields.size());
        return -1;
    }
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const auto& [name, type] = cols[i + 1];
        if (!equalsNoCase(name, def.fields[i].name) || !equalsNoCase(type, declaredType(def.fields[i]))) {
            *why = "field " + std::to_string(i + 1) + " is " + name + " " + type + ", declared " + def.fields[i].name +
                   " " + declaredType(def.fields[i]);
            return -1;
        }
    }
    return 1;
}

std::vector<std::string> missingIndexes(Conn& c, const TableDef& def,
                                        const std::vector<std::pair<std::string, std::string>>& wanted) {
    std::set<std::string> present;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(c.db, "SELECT name FROM sqlite_master WHERE type='index' AND tbl_name=?1", -1, &s,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_text(s, 1, def.sqlName.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(s) == SQLITE_ROW) present.insert(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    }
    sqlite3_finalize(s);
    std::vector<std::string> out;
    for (const auto& [name, text] : wanted)
        if (!present.count(name)) out.push_back(text);
    return out;
}

}  // namespace

namespace {

bool isBusy(int rc) { return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED; }

// Tills that open files a killed commit left behind settle it: each rolls back its file's journal
// and then removes the super-journal they share when no journal names it any more. Two doing so
// at the same moment (or one and removeStaleSuperJournals) can find the super-journal gone under
// them, and the engine says it could not open or delete it. The next attempt finds it settled.
bool settlingRace(int rc) { return rc == SQLITE_IOERR_DELETE_NOENT || (rc & 0xff) == SQLITE_CANTOPEN; }
constexpr int kSettleTries = 5;

// What one attempt at opening a table file came to.
struct OpenOutcome {
    int message = 0;  // catalogue message to raise; 0 opened
    int code = ErrNone;
    int fileCode = 0;
    std::string why;
    bool busy = false;  // another till held a lock: try again
};

OpenOutcome failure(int message, int code, int fileCode, std::string why) {
    OpenOutcome o;
    o.message = message;
    o.code = code;
    o.fileCode = fileCode;
    o.why = std::move(why);
    o.busy = isBusy(fileCode);
    return o;
}

// Creates a missing table file whole: the schema goes into a file of its own, which is then linked
// into place. A table file that exists therefore always holds its table, and a second till
// creating the same table at the same moment finds the first one's file.
OpenOutcome createTableFile(const std::filesystem::path& path, const TableDef& def) {
    std::filesystem::path temp = path;
    temp += ".new-" + std::to_string(::getpid()) + "-" + std::to_string(reinterpret_cast<std::uintptr_t>(&def) ^
                                                                         static_cast<std::uintptr_t>(::gettid()));
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    std::string why;
    int fileCode = 0;
    {
        Conn c;
        c.db = openDatabase(temp, false, true, kDefaultWaitMs, &why);
        if (!c.db) return failure(12, ErrEngine, SQLITE_CANTOPEN, why);
        bool ok = c.exec("BEGIN IMMEDIATE") == SQLITE_OK;
        for (const std::string& stmt : tableSchema(def))
            if (ok && c.exec(stmt) != SQLITE_OK) ok = false;
        if (ok && c.exec("COMMIT") != SQLITE_OK) ok = false;
        if (!ok) {
            why = c.message();
            fileCode = sqlite3_extended_errcode(c.db);
        }
    }
    if (!why.empty()) {
        std::filesystem::remove(temp, ec);
        return failure(12, ErrEngine, fileCode, why);
    }
    int rc = ::link(temp.c_str(), path.c_str());
    int e = errno;
    if (rc != 0 && e != EEXIST) {
        // A file system without hard links: a rename that never replaces.
        rc = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
        e = errno;
    }
    std::filesystem::remove(temp, ec);
    if (rc != 0 && e != EEXIST) return failure(12, ErrEngine, SQLITE_CANTOPEN, path.string() + ": " + std::strerror(e));
    return {};
}

// Adds a missing table to a file that holds other tables, under the write lock (another till may
// be adding it at the same moment).
OpenOutcome addTableToFile(Conn& c, const TableDef& def, bool readOnly) {
    const OpenOutcome noTable = failure(26, ErrInvalidFile, 0, "the file holds no table " + def.label);
    if (readOnly) return noTable;
    if (int rc = c.exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) return failure(29, ErrEngine, rc, c.message());
    std::string why;
    int rc = 0;
    int layout = checkLayout(c, def, &why, &rc);
    OpenOutcome o;
    if (layout == 0) {
        sqlite3_stmt* s = nullptr;
        int tables = 0;
        if (sqlite3_prepare_v2(c.db, "SELECT count(*) FROM sqlite_master WHERE type='table'", -1, &s, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            tables = sqlite3_column_int(s, 0);
        sqlite3_finalize(s);
        if (tables == 0) {
            o = noTable;
        } else {
            for (const std::string& stmt : tableSchema(def))
                if (o.message == 0 && c.exec(stmt) != SQLITE_OK)
                    o = failure(12, ErrEngine, sqlite3_extended_errcode(c.db), c.message());
        }
    } else if (layout == -1) {
        o = failure(26, ErrInvalidFile, 0, why);
    } else if (layout != 1) {
        o = failure(29, ErrEngine, rc, why);
    }
    if (o.message == 0 && c.exec("COMMIT") == SQLITE_OK) return {};
    if (o.message == 0) o = failure(12, ErrEngine, sqlite3_extended_errcode(c.db), c.message());
    c.exec("ROLLBACK");
    return o;
}

// Whether the table's stored definition is the one this program writes.
bool schemaCurrent(Conn& c, const TableDef& def, int* rcOut) {
    sqlite3_stmt* s = nullptr;
    *rcOut = sqlite3_prepare_v2(c.db, "SELECT sql FROM sqlite_master WHERE type='table' AND name=?1", -1, &s, nullptr);
    if (*rcOut != SQLITE_OK) return false;
    sqlite3_bind_text(s, 1, def.sqlName.c_str(), -1, SQLITE_TRANSIENT);
    bool same = false;
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        const unsigned char* t = sqlite3_column_text(s, 0);
        same = t && tableSql(def).createTable == reinterpret_cast<const char*>(t);
        rc = SQLITE_DONE;
    }
    *rcOut = rc == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(c.db);
    sqlite3_finalize(s);
    return same;
}

// Rewrites a table written by an earlier version (its text keys on our own collation) into the
// current form, rows and record places kept, under the write lock.
OpenOutcome convertTable(Conn& c, const TableDef& def) {
    if (int rc = c.exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) return failure(29, ErrEngine, rc, c.message());
    int rc = 0;
    if (schemaCurrent(c, def, &rc) || rc != SQLITE_OK) {
        c.exec(rc == SQLITE_OK ? "COMMIT" : "ROLLBACK");
        return rc == SQLITE_OK ? OpenOutcome{} : failure(29, ErrEngine, rc, c.message());
    }
    const TableSql& sql = tableSql(def);
    const std::string fresh = quote(def.sqlName + "_converted");
    std::vector<std::string> steps = {
        "DROP TABLE IF EXISTS " + fresh,
        "CREATE TABLE " + fresh + sql.createBody,
        "INSERT INTO " + fresh + " (" + sql.columns + ") SELECT " + sql.columns + " FROM " + sql.table,
        "DROP TABLE " + sql.table,
        "ALTER TABLE " + fresh + " RENAME TO " + sql.table,
    };
    for (const auto& [name, text] : sql.indexes) steps.push_back(text);
    for (const std::string& step : steps)
        if (c.exec(step) != SQLITE_OK) {
            OpenOutcome o = failure(29, ErrEngine, sqlite3_extended_errcode(c.db), "converting the table: " + c.message());
            c.exec("ROLLBACK");
            return o;
        }
    if (int e = c.exec("COMMIT"); e != SQLITE_OK) {
        OpenOutcome o = failure(29, ErrEngine, e, c.message());
        c.exec("ROLLBACK");
        return o;
    }
    return {};
}

// Builds the key indexes that are missing, under the write lock (another till may be building
// them at the same moment). Message 33 tells the operator first.
OpenOutcome buildMissingKeys(Conn& c, const TableDef& def, bool readOnly, bool* told) {
    const auto& keys = tableSql(def).indexes;
    if (missingIndexes(c, def, keys).empty()) return {};
    if (readOnly) return failure(32, ErrEngine, SQLITE_READONLY, "the file is read-only");
    if (int rc = c.exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) return failure(32, ErrEngine, rc, c.message());
    std::vector<std::string> missing = missingIndexes(c, def, keys);
    if (!missing.empty() && !*told) {
        *told = true;
        raise(33, def, ErrEngine, 0, "keys missing");
    }
    for (const std::string& stmt : missing)
        if (c.exec(stmt) != SQLITE_OK) {
            OpenOutcome o = failure(32, ErrEngine, sqlite3_extended_errcode(c.db), c.message());
            c.exec("ROLLBACK");
            return o;
        }
    if (int rc = c.exec("COMMIT"); rc != SQLITE_OK) {
        OpenOutcome o = failure(32, ErrEngine, rc, c.message());
        c.exec("ROLLBACK");
        return o;
    }
    return {};
}

// Builds the read indexes a file lacks (one written before they were declared), quietly and at
// best effort: the reads they serve find the same records without them, only slower.
void buildReadIndexes(Conn& c, const TableDef& def, bool readOnly) {
    const auto& wanted = tableSql(def).readIndexes;
    if (readOnly || wanted.empty() || missingIndexes(c, def, wanted).empty()) return;
    if (c.exec("BEGIN IMMEDIATE") != SQLITE_OK) return;
    for (const std::string& stmt : missingIndexes(c, def, wanted))
        if (c.exec(stmt) != SQLITE_OK) {
            c.exec("ROLLBACK");
            return;
        }
    if (c.exec("COMMIT") != SQLITE_OK) c.exec("ROLLBACK");
}

OpenOutcome openOnce(Context::Impl& impl, FileManagerBase& fm, bool* toldKeys) {
    const TableDef& def = fm.table();
    TableStore& st = impl.store(def);
    const std::filesystem::path path = impl.folder / def.diskFile();
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (std::filesystem::is_symlink(status))
        return failure(29, ErrInvalidFile, 0, "the file is a symbolic link; table files must be plain files in the data folder");
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return failure(29, ErrInvalidFile, 0, "it is not a plain file");
    if (!std::filesystem::exists(status)) {
        OpenOutcome created = createTableFile(path, def);
        if (created.message != 0) return created;
    }

    auto conn = std::make_unique<Conn>();
    std::string why;
    bool readOnly = false;
    conn->db = openDatabase(path, false, false, kDefaultWaitMs, &why);
    if (conn->db && sqlite3_db_readonly(conn->db, "main") == 1) readOnly = true;
    if (!conn->db && ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        readOnly = true;
    if (readOnly) {
        conn = std::make_unique<Conn>();
        if (!st.warnedReadOnly) raise(2, def, ErrAccessDenied);
        st.warnedReadOnly = true;
        conn->db = openDatabase(path, true, false, kDefaultWaitMs, &why);
    }
    if (!conn->db) return failure(29, ErrEngine, SQLITE_CANTOPEN, why);

    int rc = 0;
    switch (checkLayout(*conn, def, &why, &rc)) {
        case 1: break;
        case 0: {
            // A file of several tables gets the ones it lacks. A file holding no table at all
            // (emptied, truncated, its table dropped) is reported and never replaced.
            OpenOutcome added = addTableToFile(*conn, def, readOnly);
            if (added.message != 0) return added;
            break;
        }
        case -1: return failure(26, ErrInvalidFile, 0, why);
        default: return failure(29, ErrEngine, rc, why);
    }
    if (!schemaCurrent(*conn, def, &rc)) {
        if (rc != SQLITE_OK) return failure(29, ErrEngine, rc, conn->message());
        if (readOnly)
            return failure(29, ErrEngine, SQLITE_READONLY,
                           "the file was written by an earlier version; open it once with write access to convert it");
        OpenOutcome converted = convertTable(*conn, def);
        if (converted.message != 0) return converted;
    }
    OpenOutcome keys = buildMissingKeys(*conn, def, readOnly, toldKeys);
    if (keys.message != 0) return keys;
    buildReadIndexes(*conn, def, readOnly);
    st.conn = std::move(conn);
    st.opened = true;
    st.readOnly = readOnly;
    return {};
}

}  // namespace

Level Context::Impl::open(FileManagerBase& fm) {
    const TableDef& def = fm.table();
    TableStore& st = store(def);
    if (st.opened) return LevelBenign;
    // Another till starting at the same moment holds its locks only briefly: wait for it, as
    // every other storage operation does, rather than end the program.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenWaitMs);
    bool toldKeys = false;
    for (int settling = 1;; ++settling) {
        OpenOutcome o = openOnce(*this, fm, &toldKeys);
        if (o.message == 0) return LevelBenign;
        const bool again = o.busy || (settlingRace(o.fileCode) && settling < kSettleTries);
        if (!again || std::chrono::steady_clock::now() >= deadline)
            return raise(o.message, def, o.code, o.fileCode, o.why);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}


void removeStaleSuperJournals(const std::filesystem::path& folder) {
    // A super-journal lists the journals of a commit that spans several files (the engine writes
    // the journals' own names, "<table file>-journal"). It is still needed while one of them
    // exists (a hot journal naming it decides that file's roll-back: were it gone, a commit
    // killed half-way would count as done); once none does, the commit is settled one way or the
    // other and the file is litter.
    const std::string prefix = std::string(kTransactionFile) + "-mj";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0 || !entry.is_regular_file(ec)) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // A commit writes its super-journal a name at a time, each ending in a nul, after making
        // the file: one that is empty or mid-name belongs to a commit under way. Removing it would
        // make that commit fail at its end, and one killed then would count as committed.
        if (content.empty() || content.back() != '\0') continue;
        bool needed = false;
        std::size_t at = 0;
        while (at < content.size() && !needed) {
            std::size_t end = content.find('\0', at);
            if (end == std::string::npos) end = content.size();
            const std::string journal = content.substr(at, end - at);
            if (!journal.empty() && std::filesystem::exists(journal, ec)) needed = true;
            at = end + 1;
        }
        if (!needed) std::filesystem::remove(entry.path(), ec);
    }
}

Conn* Context::Impl::txConnection(std::string* why) {
    if (tx) return tx.get();
    // The main database must be a real file every till can write: only then is a commit across
    // several files atomic. Without it a transaction is refused, never run unsafe.
    const std::filesystem::path main = folder / kTransactionFile;
    const int fd = openSharedFile(main, why);
    if (fd < 0) return nullptr;
    ::close(fd);
    removeStaleSuperJournals(folder);
    tx = std::make_unique<Conn>();
    tx->db = openDatabase(main, false, false, kDefaultWaitMs, why);
    if (tx->db && sqlite3_db_readonly(tx->db, "main") == 1) {
        *why = "File " + main.string() + " can only be read. Give every till user write access to it.";
        tx.reset();
        return nullptr;
    }
    if (!tx->db) {
        *why = "File " + main.string() + " could not be opened: " + *why;
        tx.reset();
        return nullptr;
    }
    TAVLO_INVARIANT(3, sqlite3_db_filename(tx->db, "main") && *sqlite3_db_filename(tx->db, "main"));
    return tx.get();
}

bool Context::Impl::attachExactly(const std::map<std::string, const TableDef*>& files, std::string* why) {
    for (auto it = attached.begin(); it != attached.end();) {
        if (!files.count(it->first)) {
            tx->exec("DETACH DATABASE " + quote(it->second));
            it = attached.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& [file, def] : files) {
        if (attached.count(file)) continue;
        std::string alias = "f" + std::to_string(def->id);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(tx->db, ("ATTACH DATABASE ?1 AS " + quote(alias)).c_str(), -1, &s, nullptr);
        sqlite3_bind_text(s, 1, file.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(s);
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE) {
            *why = tx->message();
            return false;
        }
        attached.emplace(file, alias);
        if (!syncOn) tx->exec("PRAGMA " + quote(alias) + ".synchronous=OFF");
    }
    return true;
}

std::string Context::Impl::aliasOf(const TableDef& def) const {
    auto it = attached.find((folder / def.diskFile()).string());
    return it == attached.end() ? std::string() : it->second;
}

StoreError Context::Impl::beginTx(const std::vector<const TableDef*>& tables, int waitMs, std::string* why) {
    if (txActive) {
        *why = "A transaction is already active";
        return ErrTransaction;
    }
    // Tables that could only be opened read-only stay outside: their writes fail on their own.
    std::map<std::string, const TableDef*> files;
    for (const TableDef* t : tables) {
        FileManagerBase& fm = ctx.access(*t);
        if (open(fm) != LevelBenign) {
            *why = "Could not open " + t->fileName;
            return ErrEngine;
        }
        if (store(*t).readOnly) continue;
        files.emplace((folder / t->diskFile()).string(), t);
    }
    if (files.size() > static_cast<std::size_t>(Transaction::kMaxTables)) {
        *why = "A transaction can hold at most " + std::to_string(Transaction::kMaxTables) + " files";
        return ErrTransaction;
    }
    if (!txConnection(why)) return ErrEngine;
    TAVLO_INVARIANT(1, noStatementActive(tx->db));
    if (!attachExactly(files, why)) return ErrEngine;
    sqlite3_busy_timeout(tx->db, waitMs);
    // Take the write lock of every file, in file-name order so two stations never wait on each
    // other. Taking it settles what a killed commit left in the file, so it may meet another till
    // settling the same commit: then it is tried again.
    for (int settling = 1;; ++settling) {
        if (tx->exec("BEGIN DEFERRED") != SQLITE_OK) {
            *why = tx->message();
            return ErrEngine;
        }
        int rc = SQLITE_OK;
        for (const auto& [file, def] : files)
            if ((rc = tx->exec("DELETE FROM " + quote(attached[file]) + "." + quote(def->sqlName) + " WHERE 0")) != SQLITE_OK)
                break;
        if (rc == SQLITE_OK) break;
        *why = tx->message();
        tx->exec("ROLLBACK");
        if (isBusy(rc)) return ErrLockedOut;
        if (!settlingRace(rc) || settling == kSettleTries) return ErrEngine;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    txActive = true;
    enlisted.assign(std::max<std::size_t>(enlisted.size(), 1), false);
    for (const auto& [file, def] : files) {
        if (def->id >= static_cast<int>(enlisted.size())) enlisted.resize(def->id + 1, false);
        enlisted[def->id] = true;
    }
    // Several tables in one file share the attachment.
    for (const TableDef* t : tables)
        if (files.count((folder / t->diskFile()).string())) {
            if (t->id >= static_cast<int>(enlisted.size())) enlisted.resize(t->id + 1, false);
            enlisted[t->id] = true;
        }
    // Invariant 2: a table enlisted here is reached through the transaction connection.
    for (const TableDef* t : tables)
        TAVLO_INVARIANT(2, !isEnlisted(*t) || attached.count((folder / t->diskFile()).string()));
    sqlite3_busy_timeout(tx->db, kDefaultWaitMs);
    return ErrNone;
}

bool Context::Impl::commitTx(std::string* why) {
    if (!txActive) return false;
    TAVLO_INVARIANT(1, noStatementActive(tx->db));
    int rc = tx->exec("COMMIT");
    if (rc != SQLITE_OK) {
        *why = tx->message();
        rollbackTx();
        return false;
    }
    txActive = false;
    std::fill(enlisted.begin(), enlisted.end(), false);
    return true;
}

void Context::Impl::rollbackTx() {
    if (!txActive) return;
    tx->exec("ROLLBACK");
    txActive = false;
    savepoints = 0;
    std::fill(enlisted.begin(), enlisted.end(), false);
}

// ---- atomic units ----

Atomic::Atomic(Context::Impl& impl, Conn& conn) : impl_(impl), conn_(conn), nested_(&conn == impl.tx.get()) {}

Atomic::~Atomic() {
    if (open_) rollback();
}

int Atomic::begin() {
    int rc;
    if (nested_) {
        name_ = "sp" + std::to_string(++impl_.savepoints);
        rc = conn_.exec("SAVEPOINT " + name_);
    } else {
        rc = conn_.exec("BEGIN IMMEDIATE");
    }
    open_ = rc == SQLITE_OK;
    return rc;
}

int Atomic::commit() {
    if (!open_) return SQLITE_MISUSE;
    int rc = nested_ ? conn_.exec("RELEASE " + name_) : conn_.exec("COMMIT");
    if (rc != SQLITE_OK) {
        rollback();
        return rc;
    }
    open_ = false;
    if (nested_) --impl_.savepoints;
    return rc;
}

void Atomic::rollback() {
    if (!open_) return;
    if (nested_) {
        conn_.exec("ROLLBACK TO " + name_);
        conn_.exec("RELEASE " + name_);
        --impl_.savepoints;
    } else {
        conn_.exec("ROLLBACK");
    }
    open_ = false;
}

}  // namespace tavlo
