#include "exchange/sql.h"

#include <sqlite3.h>

#include "data/storage.h"
#include "util/text.h"

namespace tavlo::exchange {

std::string quoteName(std::string_view name) {
    std::string q = "\"";
    for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string quoteText(std::string_view text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
}

SqlConnection::SqlConnection(const std::filesystem::path& main, bool readOnly, bool create, int waitMs) {
    db_ = openDatabase(main, readOnly, create, waitMs, &error_);
    if (db_) {
        // Files from outside are data, never code: no triggers or views of theirs run here.
        sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    }
}

SqlConnection::~SqlConnection() {
    if (db_) sqlite3_close_v2(db_);
}

bool SqlConnection::exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    error_ = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return false;
}

bool SqlConnection::attach(const std::filesystem::path& file, const std::string& alias) {
    return exec("ATTACH DATABASE " + quoteText(file.string()) + " AS " + quoteName(alias));
}

bool SqlConnection::detach(const std::string& alias) { return exec("DETACH DATABASE " + quoteName(alias)); }

std::optional<std::vector<std::vector<std::string>>> SqlConnection::rows(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        error_ = sqlite3_errmsg(db_);
        return std::nullopt;
    }
    std::vector<std::vector<std::string>> out;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(s); ++i) {
            const unsigned char* t = sqlite3_column_text(s, i);
            row.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
        out.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) error_ = sqlite3_errmsg(db_);
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return std::nullopt;
    return out;
}

std::optional<long long> SqlConnection::number(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        error_ = sqlite3_errmsg(db_);
        return std::nullopt;
    }
    std::optional<long long> out;
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) out = sqlite3_column_int64(s, 0);
    else if (rc != SQLITE_DONE) error_ = sqlite3_errmsg(db_);
    sqlite3_finalize(s);
    return out;
}

std::optional<std::vector<Column>> columnsOf(SqlConnection& c, const std::string& schema, const std::string& table) {
    auto rows = c.rows("PRAGMA " + quoteName(schema) + ".table_info(" + quoteName(table) + ")");
    if (!rows) return std::nullopt;
    std::vector<Column> out;
    for (const auto& r : *rows) out.push_back({r[1], r[2], r[5] == "1" && equalsNoCase(r[2], "INTEGER")});
    return out;
}

std::vector<Column> declaredColumns(const TableDef& def) {
    SqlConnection memory(":memory:", false, true, 0);
    for (const std::string& sql : tableSchema(def)) memory.exec(sql);
    return columnsOf(memory, "main", def.sqlName).value_or(std::vector<Column>{});
}

std::string rowidColumn(const TableDef& def) {
    for (const Column& c : declaredColumns(def))
        if (c.rowid) return c.name;
    return "rowid";
}

}  // namespace tavlo::exchange
