#pragma once
// A plain SQLite connection for the exchange's work on whole table files (snapshots, staged
// imports, merges): opened through the storage layer (its collation and busy wait), with the
// few calls the exchange needs. Untrusted files are read with their schema distrusted.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/dictionary.h"

struct sqlite3;

namespace tavlo::exchange {

std::string quoteName(std::string_view name);  // "name" for SQL
std::string quoteText(std::string_view text);  // 'text' for SQL

class SqlConnection {
public:
    SqlConnection(const std::filesystem::path& main, bool readOnly, bool create, int waitMs);
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    bool ok() const { return db_ != nullptr; }
    const std::string& error() const { return error_; }
    sqlite3* get() const { return db_; }

    // False on failure, with the reason in error().
    bool exec(const std::string& sql);
    bool attach(const std::filesystem::path& file, const std::string& alias);
    bool detach(const std::string& alias);
    // Every row of a query, each column as text (NULL as ""); nullopt on failure.
    std::optional<std::vector<std::vector<std::string>>> rows(const std::string& sql);
    // The first column of the first row as a number; nullopt on failure or without a row.
    std::optional<long long> number(const std::string& sql);

private:
    sqlite3* db_ = nullptr;
    std::string error_;
};

struct Column {
    std::string name, type;
    bool rowid = false;  // the INTEGER PRIMARY KEY that holds a record's place
};
// The columns of a table in an attached schema ("main", an alias); nullopt on failure.
std::optional<std::vector<Column>> columnsOf(SqlConnection& c, const std::string& schema, const std::string& table);
// The columns of a table file as the storage itself creates it.
std::vector<Column> declaredColumns(const TableDef& def);
// The column that holds a record's place in a table file.
std::string rowidColumn(const TableDef& def);

}  // namespace tavlo::exchange
