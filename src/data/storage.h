#pragma once
// The SQLite side of the tables, for code that works on table files directly (export snapshots,
// import staging). Everything else goes through FileManager / RelationManager.
#include <filesystem>
#include <string>
#include <vector>

#include "data/dictionary.h"

struct sqlite3;

namespace tavlo {

// The collation of text key parts: letter case (ASCII and the Latin-1 letters) and trailing
// blanks ignored. Every connection that reads a table file through its indexes needs it.
inline constexpr const char* kTableCollation = "TAVLO_NOCASE";
int registerTableCollation(sqlite3* db);

// Opens a database file with the collation registered and a busy wait of waitMs. Returns
// nullptr and a reason in *error on failure.
sqlite3* openDatabase(const std::filesystem::path& file, bool readOnly, bool create, int waitMs,
                      std::string* error = nullptr);

// Whether commits wait for the disk (fsync). On by default; tests that need no protection
// against power loss may turn it off for speed. Applies to connections opened afterwards.
void setSyncWrites(bool on);
bool syncWrites();

// The statements that create a table and its key indexes in an empty database file.
std::vector<std::string> tableSchema(const TableDef& def);

// Case-insensitive comparison used by the collation: <0, 0, >0.
int compareKeyText(std::string_view a, std::string_view b);

}  // namespace tavlo
