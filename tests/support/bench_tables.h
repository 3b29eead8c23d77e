#pragma once
// For benchmarks: table files filled with plain SQL, as fast as SQLite allows, and the posted
// sales a busy till would already hold.
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "data/dictionary.h"

namespace tavlo::support {

// One connection with the given table files attached, as the storage's own transactions have
// them; records are inserted as the storage stores them. Throws std::runtime_error on failure.
class SqlFiles {
public:
    SqlFiles(const std::filesystem::path& folder, std::vector<const TableDef*> tables);
    ~SqlFiles();
    SqlFiles(const SqlFiles&) = delete;
    SqlFiles& operator=(const SqlFiles&) = delete;

    void exec(const std::string& sql);
    template <class T>
    void insert(const T& record) {
        insertRecord(T::table(), &record);
    }

private:
    void insertRecord(const TableDef& table, const void* record);
    sqlite3* db_ = nullptr;
    std::map<const TableDef*, sqlite3_stmt*> inserts_;
};

// Posts `documents` cash sales of 23.00 (VAT 3.00) numbered from 1, each with an item row on
// account 1000, a VAT row on 9500 and a control row on 8400, and their history copies. The table
// files must exist.
void seedPostedSales(const std::filesystem::path& folder, int documents);

// A shop for benchmarks in an empty folder: every table file, accounts 1000 (sales), 8400 (cash),
// 8410 (card), 9500 (VAT) and 4900 (discount), VAT code "01" at 15 %, `items` items ITEM0, ITEM1
// ... priced 11.50, 12.50 ... (VAT included in every second one), the till's specification, the
// company "Bench Cafe" with prefix "B", and `documents` posted sales. The company's last document
// number is `documents`, or lastDocNr when that is higher (for documents added otherwise).
void seedBenchShop(const std::filesystem::path& folder, int documents, int items = 5, std::uint32_t lastDocNr = 0);

}  // namespace tavlo::support
