#pragma once
// Bringing the accounting package's master data into the live tables. The archive is unpacked
// into an empty staging folder outside the data folder; every file there is checked (a plain
// file, the disk name of a table the accounting package keeps, letter case ignored, once only,
// a readable SQLite file with the declared layout and values its fields can hold) before
// anything in the data folder changes. The rows are then merged into the live tables by each
// table's key in one transaction, so open tills see the old data or the new, never a half.
//
// What the till owns is kept: the open-tab markers PA10:DOCNO and PC11:DOCNO of rows that stay,
// and the cash clients created at the till (PQXC11 rows the archive does not hold). The till's
// transaction, working and history tables, its operators and its company record are never
// replaced: an archive holding one of them is refused.
#include <filesystem>
#include <string>
#include <vector>

#include "data/dictionary.h"

namespace tavlo {

class Context;

// The tables an import may refresh, in dictionary order.
const std::vector<const TableDef*>& importableTables();

struct ImportResult {
    enum Problem {
        None,
        TillOwned,   // names: the till's own tables in the archive
        Unknown,     // names: files that are no table of the till
        Twice,       // names: one table under two names
        NotAFile,    // names: folders, links and the like
        NoTables,    // the archive held nothing to import
        Layout,      // names: the file; detail: how it differs or why it cannot be read
        Merge,       // detail: the storage's reason
    };
    Problem problem = None;
    std::string names;   // "PQxT20.tps, PQxH20.tps"
    std::string detail;
    std::vector<std::string> imported;  // the tables merged, by label
    bool ok() const { return problem == None; }
};

// Checks the files unpacked into staging and merges them into the data folder of the context
// (whose managers open, and create where missing, the live tables). Nothing in the data folder
// changes unless the result is ok.
ImportResult importStaged(Context& context, const std::filesystem::path& staging);

// The reason a refused import gives the operator, in the current language.
std::string importProblemText(const ImportResult& result);

}  // namespace tavlo
