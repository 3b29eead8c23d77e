#include "translate/language_store.h"

#include <sqlite3.h>

#include "data/storage.h"
#include "translate/store_tables.h"
#include "util/text.h"

namespace tavlo {

// The layout of PRO101 and PRO102 before their names and definitions grew.
#define TAVLO_PRO101OLD_FIELDS(F)       \
    F(STRUKTUURNO, LONG, 4, 0)          \
    F(APPNAAM, STRING, 8, 0)            \
    F(PROCNAAM, STRING, 30, 0)          \
    F(STRUKTUURNAAM, STRING, 20, 0)     \
    F(TIPE, BYTE, 1, 0)                 \
    F(GEWYSIG, BYTE, 1, 0)
#define TAVLO_PRO102OLD_FIELDS(F) F(STRUKTUURNO, LONG, 4, 0) F(TAALNO, SHORT, 2, 0) F(DEFINISIE, MEMO, 8192, 0)

TAVLO_DECLARE_TABLE(PRO101OLD, F101OLD, TAVLO_PRO101OLD_FIELDS, TAVLO_PRO101_KEYS)
TAVLO_DECLARE_TABLE(PRO102OLD, F102OLD, TAVLO_PRO102OLD_FIELDS, TAVLO_PRO102_KEYS)

const TableDef& PRO101OLD::table() {
    using Self = PRO101OLD;
    static TableDef def = defineTable<PRO101OLD>("PRO101", "F101", "POSlan", "pro101",
                                                 {TAVLO_PRO101OLD_FIELDS(TAVLO_FIELD_DEF)}, {TAVLO_PRO101_KEYS(TAVLO_KEY_DEF)});
    return def;
}
const TableDef& PRO102OLD::table() {
    using Self = PRO102OLD;
    static TableDef def = defineTable<PRO102OLD>("PRO102", "F102", "POSlan", "pro102",
                                                 {TAVLO_PRO102OLD_FIELDS(TAVLO_FIELD_DEF)}, {TAVLO_PRO102_KEYS(TAVLO_KEY_DEF)});
    return def;
}

std::vector<std::string> earlierLayoutSchema() {
    std::vector<std::string> out = tableSchema(PRO101OLD::table());
    for (const std::string& s : tableSchema(PRO102OLD::table())) out.push_back(s);
    return out;
}

namespace {
constexpr int kWaitMs = 2000;
}  // namespace

// A prepared statement, finalised when it goes.
class LanguageStore::Stmt {
public:
    Stmt(sqlite3* db, const std::string& sql) { ok_ = sqlite3_prepare_v2(db, sql.c_str(), -1, &s_, nullptr) == SQLITE_OK; }
    ~Stmt() { sqlite3_finalize(s_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    bool ok() const { return ok_; }
    Stmt& bind(int i, long long v) { sqlite3_bind_int64(s_, i, v); return *this; }
    Stmt& bind(int i, const std::string& v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& blob(int i, const std::string& v) {
        sqlite3_bind_blob(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int step() { return ok_ ? sqlite3_step(s_) : SQLITE_ERROR; }
    long long integer(int c) const { return sqlite3_column_int64(s_, c); }
    std::string text(int c) const {
        const void* p = sqlite3_column_blob(s_, c);
        return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(s_, c)))
                 : std::string();
    }

private:
    sqlite3_stmt* s_ = nullptr;
    bool ok_ = false;
};

namespace {
using Stmt = LanguageStore::Stmt;

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::string storedSql(sqlite3* db, const std::string& table, bool* readable) {
    Stmt s(db, "SELECT sql FROM sqlite_master WHERE type='table' AND name=?1");
    s.bind(1, table);
    const int rc = s.step();
    *readable = s.ok() && (rc == SQLITE_ROW || rc == SQLITE_DONE);
    return rc == SQLITE_ROW ? s.text(0) : std::string();
}

std::string columnList(const TableDef& def) {
    std::string out = "\"_pos\"";
    for (const FieldDef& f : def.fields) out += "," + quoted(f.name);
    return out;
}

std::string fitted(const std::string& text, int bytes) { return clip(fitBytes(text, static_cast<std::size_t>(bytes))); }

}  // namespace

LanguageStore::~LanguageStore() { close(); }

void LanguageStore::close() {
    if (!db_) return;
    if (inTransaction_) rollback();
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool LanguageStore::fail(const std::string& what) {
    error_ = what + (db_ ? std::string(": ") + sqlite3_errmsg(db_) : std::string());
    return false;
}

bool LanguageStore::exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }

bool LanguageStore::open(const std::filesystem::path& file, bool writable) {
    close();
    error_.clear();
    converted_ = false;
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(file, ec);
    if (!std::filesystem::exists(status) && !writable) {
        error_ = file.string() + " does not exist";
        return false;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error_ = file.string() + " is not a plain file";
        return false;
    }
    db_ = openDatabase(file, !writable, writable, kWaitMs, &error_);
    if (!db_) {
        error_ = file.string() + ": " + error_;
        return false;
    }
    writable_ = writable;
    if (writable && sqlite3_db_readonly(db_, "main") == 1) {
        close();
        error_ = file.string() + " can only be read";
        return false;
    }
    if (!prepareTables()) {
        const std::string why = error_;
        close();
        error_ = why;
        return false;
    }
    return true;
}

// Checks each table's layout: the current one is used, the earlier one converted (writable),
// a missing table made (writable). Anything else is refused and left exactly as it is.
bool LanguageStore::prepareTables() {
    if (writable_ && !exec("BEGIN IMMEDIATE")) return fail("Cannot lock the language store");
    auto refuse = [&](const std::string& why) {
        if (writable_) exec("ROLLBACK");
        error_ = why;
        return false;
    };
    for (const TableDef* def : languageStoreTables()) {
        bool readable = false;
        const std::string sql = storedSql(db_, def->sqlName, &readable);
        if (!readable) return refuse(std::string("Cannot read the language store: ") + sqlite3_errmsg(db_));
        const std::vector<std::string> schema = tableSchema(*def);
        const TableDef* old = def == &PRO101::table() ? &PRO101OLD::table()
                              : def == &PRO102::table() ? &PRO102OLD::table()
                                                        : nullptr;
        if (sql == schema[0]) {
            if (writable_)
                for (std::size_t i = 1; i < schema.size(); ++i)
                    if (!exec(schema[i])) return refuse(std::string("Cannot build a key: ") + sqlite3_errmsg(db_));
            continue;
        }
        if (!writable_) {
            if (sql.empty()) continue;  // a missing table reads as empty
            return refuse("Table " + def->label + " of the language store has a layout this program does not know");
        }
        if (sql.empty()) {
            for (const std::string& stmt : schema)
                if (!exec(stmt)) return refuse(std::string("Cannot create ") + def->label + ": " + sqlite3_errmsg(db_));
            continue;
        }
        if (!old || sql != tableSchema(*old)[0])
            return refuse("Table " + def->label +
                          " of the language store has a layout this program does not know; it was left as it is");
        // The earlier layout: copied into the new one, then the old table goes, all in this
        // transaction, so the translators' work is never lost half-way.
        const std::string fresh = def->sqlName + "_new";
        std::string create = schema[0];
        create.replace(create.find(quoted(def->sqlName)), def->sqlName.size() + 2, quoted(fresh));
        std::vector<std::string> steps = {
            "DROP TABLE IF EXISTS " + quoted(fresh), create,
            "INSERT INTO " + quoted(fresh) + " (" + columnList(*def) + ") SELECT " + columnList(*def) + " FROM " +
                quoted(def->sqlName),
            "DROP TABLE " + quoted(def->sqlName), "ALTER TABLE " + quoted(fresh) + " RENAME TO " + quoted(def->sqlName)};
        steps.insert(steps.end(), schema.begin() + 1, schema.end());
        for (const std::string& step : steps)
            if (!exec(step)) return refuse("Cannot convert " + def->label + ": " + sqlite3_errmsg(db_));
        converted_ = true;
    }
    if (writable_ && !exec("COMMIT")) return refuse(std::string("Cannot prepare the language store: ") + sqlite3_errmsg(db_));
    return true;
}

std::optional<std::string> LanguageStore::languageName(int language) {
    if (!db_) return std::nullopt;
    Stmt s(db_, "SELECT TAALBESKRYF FROM pro100 WHERE TAALNO=?1");
    s.bind(1, language);
    if (s.step() != SQLITE_ROW) return std::nullopt;
    return s.text(0);
}

std::vector<std::pair<int, std::string>> LanguageStore::languages() {
    std::vector<std::pair<int, std::string>> out;
    if (!db_) return out;
    Stmt s(db_, "SELECT TAALNO, TAALBESKRYF FROM pro100 WHERE TAALNO<>0 ORDER BY TAALNO");
    while (s.step() == SQLITE_ROW) out.emplace_back(static_cast<int>(s.integer(0)), s.text(1));
    return out;
}

std::vector<ControlType> LanguageStore::controlTypes() {
    std::vector<ControlType> out;
    if (!db_) return out;
    Stmt s(db_, "SELECT CONTROLEQNO, CONTROLNAAM, TEXTTOELAATBAAR, HLPTOELAATBAAR, TIPTOELAATBAAR FROM pro110 "
                "WHERE CONTROLEQNO<>0 ORDER BY CONTROLEQNO");
    while (s.step() == SQLITE_ROW) {
        ControlType t;
        t.CONTROLEQNO = static_cast<std::int32_t>(s.integer(0));
        t.CONTROLNAAM = s.text(1);
        t.TEXTTOELAATBAAR = static_cast<std::uint8_t>(s.integer(2));
        t.HLPTOELAATBAAR = static_cast<std::uint8_t>(s.integer(3));
        t.TIPTOELAATBAAR = static_cast<std::uint8_t>(s.integer(4));
        out.push_back(std::move(t));
    }
    return out;
}

namespace {
StructureRow readStructure(const Stmt& s) {
    StructureRow r;
    r.STRUKTUURNO = static_cast<std::int32_t>(s.integer(0));
    r.APPNAAM = s.text(1);
    r.PROCNAAM = s.text(2);
    r.STRUKTUURNAAM = s.text(3);
    r.TIPE = static_cast<std::uint8_t>(s.integer(4));
    r.GEWYSIG = static_cast<std::uint8_t>(s.integer(5));
    return r;
}
constexpr const char* kStructureColumns = "SELECT STRUKTUURNO, APPNAAM, PROCNAAM, STRUKTUURNAAM, TIPE, GEWYSIG FROM pro101 ";
}  // namespace

std::optional<StructureRow> LanguageStore::structure(const std::string& app, const std::string& proc,
                                                     const std::string& name) {
    if (!db_) return std::nullopt;
    Stmt s(db_, std::string(kStructureColumns) +
                    "WHERE \"_key_APPNAAM\"=?1 AND \"_key_PROCNAAM\"=?2 AND \"_key_STRUKTUURNAAM\"=?3");
    s.bind(1, foldKeyText(fitted(app, 16))).bind(2, foldKeyText(fitted(proc, 80))).bind(3, foldKeyText(fitted(name, 32)));
    if (s.step() != SQLITE_ROW) return std::nullopt;
    return readStructure(s);
}

std::vector<StructureRow> LanguageStore::structures() {
    std::vector<StructureRow> out;
    if (!db_) return out;
    Stmt s(db_, std::string(kStructureColumns) + "WHERE STRUKTUURNO<>0 ORDER BY STRUKTUURNO");
    while (s.step() == SQLITE_ROW) out.push_back(readStructure(s));
    return out;
}

std::optional<std::string> LanguageStore::definition(std::int32_t structure, int language) {
    if (!db_) return std::nullopt;
    Stmt s(db_, "SELECT DEFINISIE FROM pro102 WHERE STRUKTUURNO=?1 AND TAALNO=?2");
    s.bind(1, structure).bind(2, language);
    if (s.step() != SQLITE_ROW) return std::nullopt;
    return s.text(0);
}

std::vector<std::pair<int, std::string>> LanguageStore::definitions(std::int32_t structure) {
    std::vector<std::pair<int, std::string>> out;
    if (!db_) return out;
    Stmt s(db_, "SELECT TAALNO, DEFINISIE FROM pro102 WHERE STRUKTUURNO=?1 ORDER BY TAALNO");
    s.bind(1, structure);
    while (s.step() == SQLITE_ROW) out.emplace_back(static_cast<int>(s.integer(0)), s.text(1));
    return out;
}

bool LanguageStore::begin() {
    if (!db_ || !writable_) return fail("The language store is not open for writing");
    if (!exec("BEGIN IMMEDIATE")) return fail("Cannot lock the language store");
    inTransaction_ = true;
    return true;
}

bool LanguageStore::commit() {
    if (!inTransaction_) return false;
    inTransaction_ = false;
    if (exec("COMMIT")) return true;
    fail("Cannot write the language store");
    exec("ROLLBACK");
    return false;
}

void LanguageStore::rollback() {
    if (!inTransaction_) return;
    inTransaction_ = false;
    exec("ROLLBACK");
}

std::optional<std::int32_t> LanguageStore::addStructure(std::uint8_t tipe, const std::string& app,
                                                        const std::string& proc, const std::string& name) {
    if (!db_ || !writable_) return fail("The language store is not open for writing"), std::nullopt;
    Stmt last(db_, "SELECT STRUKTUURNO FROM pro101 WHERE STRUKTUURNO<>0 ORDER BY STRUKTUURNO DESC LIMIT 1");
    const int rc = last.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail("Previous PRO101"), std::nullopt;
    const std::int32_t number = rc == SQLITE_ROW ? static_cast<std::int32_t>(last.integer(0)) + 1 : 1;
    Stmt add(db_, "INSERT INTO pro101 (STRUKTUURNO, APPNAAM, PROCNAAM, STRUKTUURNAAM, TIPE, GEWYSIG) "
                  "VALUES (?1, ?2, ?3, ?4, ?5, 0)");
    add.bind(1, number).bind(2, fitted(app, 16)).bind(3, fitted(proc, 80)).bind(4, fitted(name, 32)).bind(5, tipe);
    if (add.step() != SQLITE_DONE) return fail("Add PRO101"), std::nullopt;
    return number;
}

bool LanguageStore::markChanged(std::int32_t structure) {
    Stmt s(db_, "UPDATE pro101 SET GEWYSIG=1 WHERE STRUKTUURNO=?1");
    s.bind(1, structure);
    return s.step() == SQLITE_DONE || fail("Put PRO101");
}

bool LanguageStore::upsert(const std::string& update, const std::string& insert,
                           const std::function<void(Stmt&)>& bind, const char* what) {
    if (!db_ || !writable_) return fail("The language store is not open for writing");
    Stmt u(db_, update);
    bind(u);
    if (u.step() != SQLITE_DONE) return fail(std::string("Put ") + what);
    if (sqlite3_changes(db_) > 0) return true;
    Stmt i(db_, insert);
    bind(i);
    return i.step() == SQLITE_DONE || fail(std::string("Add ") + what);
}

bool LanguageStore::putDefinition(std::int32_t structure, int language, const std::string& definition) {
    const std::string body = clip(definition);
    return upsert("UPDATE pro102 SET DEFINISIE=?3 WHERE STRUKTUURNO=?1 AND TAALNO=?2",
                  "INSERT INTO pro102 (STRUKTUURNO, TAALNO, DEFINISIE) VALUES (?1, ?2, ?3)",
                  [&](Stmt& s) { s.bind(1, structure).bind(2, language).blob(3, body); }, "PRO102");
}

bool LanguageStore::putLanguage(int language, const std::string& name) {
    return upsert("UPDATE pro100 SET TAALBESKRYF=?2 WHERE TAALNO=?1",
                  "INSERT INTO pro100 (TAALNO, TAALBESKRYF) VALUES (?1, ?2)",
                  [&](Stmt& s) { s.bind(1, language).bind(2, fitted(name, 25)); }, "PRO100");
}

bool LanguageStore::putControlType(const ControlType& t) {
    return upsert("UPDATE pro110 SET CONTROLNAAM=?2, TEXTTOELAATBAAR=?3, HLPTOELAATBAAR=?4, TIPTOELAATBAAR=?5 "
                  "WHERE CONTROLEQNO=?1",
                  "INSERT INTO pro110 (CONTROLEQNO, CONTROLNAAM, TEXTTOELAATBAAR, HLPTOELAATBAAR, TIPTOELAATBAAR) "
                  "VALUES (?1, ?2, ?3, ?4, ?5)",
                  [&](Stmt& s) {
                      s.bind(1, t.CONTROLEQNO).bind(2, fitted(t.CONTROLNAAM, 15)).bind(3, t.TEXTTOELAATBAAR);
                      s.bind(4, t.HLPTOELAATBAAR).bind(5, t.TIPTOELAATBAAR);
                  },
                  "PRO110");
}

}  // namespace tavlo
