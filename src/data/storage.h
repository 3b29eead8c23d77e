#pragma once
// The SQLite side of the tables, for code that works on table files directly (export snapshots,
// import staging). Everything else goes through FileManager / RelationManager.
#include <filesystem>
#include <string>
#include <vector>

#include "data/dictionary.h"

struct sqlite3;

namespace tavlo {

// Text key parts ignore letter case (ASCII and the Latin-1 letters) and trailing blanks. The files
// need no collation of ours: each such field has a generated column with the folded text, which
// the key indexes use (keyColumn). The old collation is still registered on our connections, for
// reading and converting files written before.
inline constexpr const char* kTableCollation = "TAVLO_NOCASE";
int registerTableCollation(sqlite3* db);
// The text as its key column holds it.
std::string foldKeyText(std::string_view text);
// Whether the field is a text field compared folded (a text part of some key).
bool foldedInKeys(const TableDef& def, int field);
// The quoted column a key compares for the field: "_key_NAME" for folded text, else "NAME".
std::string keyColumn(const TableDef& def, int field);

// Opens a database file with the collation registered and a busy wait of waitMs. Returns
// nullptr and a reason in *error on failure.
sqlite3* openDatabase(const std::filesystem::path& file, bool readOnly, bool create, int waitMs,
                      std::string* error = nullptr);

// The empty file in the data folder that is the main database of every transaction connection
// (a commit across several attached files is atomic only with a real main file); its
// super-journals are named after it.
inline constexpr const char* kTransactionFile = ".tavlo-tx";
// Removes super-journals left by killed commits that no table's journal needs any more.
void removeStaleSuperJournals(const std::filesystem::path& folder);

// Whether commits wait for the disk (fsync). On by default; tests that need no protection
// against power loss may turn it off for speed. Applies to connections opened afterwards.
void setSyncWrites(bool on);
bool syncWrites();

// Why this program cannot write the table's file in the data folder: the folder or the file is
// read-only (named, with what to do). Empty when it can. Looks at the file system only, so nothing
// is opened and no read-only notice is raised.
std::string writeRefusal(const std::filesystem::path& folder, const TableDef& def);

// The statements that create a table and its key indexes in an empty database file.
std::vector<std::string> tableSchema(const TableDef& def);

// Case-insensitive comparison of key text: the folded texts compared byte by byte; <0, 0, >0.
int compareKeyText(std::string_view a, std::string_view b);

}  // namespace tavlo
