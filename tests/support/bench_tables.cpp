#include "bench_tables.h"

#include <algorithm>
#include <stdexcept>
#include <variant>

#include "data/file_manager.h"
#include "data/master_data.h"
#include "data/storage.h"
#include "data/tables.h"
#include "util/date.h"
#include "util/text.h"

namespace tavlo::support {

namespace {

void check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

std::string quote(const std::string& name) { return "\"" + name + "\""; }

// Text without trailing blanks, decimals scaled to their places: as the storage stores them.
void bindFields(sqlite3_stmt* s, const TableDef& def, const void* record) {
    int i = 1;
    for (const FieldDef& f : def.fields) {
        FieldValue v = fieldValue(f, record);
        if (auto* n = std::get_if<long long>(&v)) sqlite3_bind_int64(s, i, *n);
        else if (auto* d = std::get_if<double>(&v)) sqlite3_bind_double(s, i, *d);
        else if (auto* t = std::get_if<std::string>(&v)) sqlite3_bind_text(s, i, clip(*t).c_str(), -1, SQLITE_TRANSIENT);
        else sqlite3_bind_int64(s, i, static_cast<long long>(std::get<Decimal>(v).scaled(f.places)));
        ++i;
    }
}

}  // namespace

SqlFiles::SqlFiles(const std::filesystem::path& folder, std::vector<const TableDef*> tables) {
    std::string error;
    db_ = openDatabase(folder / ".bench-sql", false, true, 5000, &error);
    check(db_ != nullptr, error);
    for (const TableDef* t : tables) {
        std::string alias = "b" + t->label;
        exec("ATTACH DATABASE '" + (folder / t->diskFile()).string() + "' AS " + alias);
        std::string cols, params;
        for (std::size_t i = 0; i < t->fields.size(); ++i) {
            cols += (i ? "," : "") + quote(t->fields[i].name);
            params += (i ? ",?" : "?") + std::to_string(i + 1);
        }
        sqlite3_stmt* s = nullptr;
        std::string sql = "INSERT INTO " + alias + "." + quote(t->sqlName) + " (" + cols + ") VALUES (" + params + ")";
        check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) == SQLITE_OK, sqlite3_errmsg(db_));
        inserts_[t] = s;
    }
}

SqlFiles::~SqlFiles() {
    for (auto& [t, s] : inserts_) sqlite3_finalize(s);
    sqlite3_close(db_);
}

void SqlFiles::exec(const std::string& sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    check(rc == SQLITE_OK, sql + ": " + msg);
}

void SqlFiles::insertRecord(const TableDef& table, const void* record) {
    sqlite3_stmt* s = inserts_.at(&table);
    bindFields(s, table, record);
    int rc = sqlite3_step(s);
    check(rc == SQLITE_DONE, std::to_string(rc) + " " + sqlite3_errmsg(db_));
    sqlite3_reset(s);
}

void seedPostedSales(const std::filesystem::path& folder, int documents) {
    SqlFiles sql(folder, {&PQXT20::table(), &PQXT21::table(), &PQXH20::table(), &PQXH21::table()});
    sql.exec("BEGIN");
    std::uint32_t detail = 0;
    for (int d = 1; d <= documents; ++d) {
        PQXT20 h;
        h.DOCUMENTNO = static_cast<std::uint32_t>(d);
        h.TRANTYPENUMBER = 5;
        h.ACCNUMBER = 8400;
        h.TRANSDATE = dayNumber(2024, 1, 1) + d % 60;
        h.REFERENCE1 = "B" + std::to_string(d);
        h.TRANDESC = "Point of Sale";
        h.AMOUNT = Decimal::of("23.00");
        h.VAT = Decimal::of("3.00");
        h.NOOFENTRIES = 3;
        h.LOOKUPDATE = "20240101";
        h.PAYMETHOD = 1;
        sql.insert(h);
        PQXH20 hh;
        copyFields(hh, h);
        sql.insert(hh);
        for (int r = 0; r < 3; ++r) {
            PQXT21 row;
            row.DOCUMENTNO = h.DOCUMENTNO;
            row.TRANSDATE = h.TRANSDATE;
            row.ACCNUMBER = r == 0 ? 1000 : r == 1 ? 9500 : 8400;
            row.REFERENCE1 = h.REFERENCE1;
            row.DESCRIPTION = "Row";
            (r == 2 ? row.DEBIT : row.CREDIT) = r == 0 ? Decimal::of("20.00") : r == 1 ? Decimal::of("3.00") : Decimal::of("23.00");
            row.DETAILNUMBER = ++detail;
            row.ITEMCODE = r == 0 ? "ITEM1" : "";
            sql.insert(row);
            PQXH21 hr;
            copyFields(hr, row);
            sql.insert(hr);
        }
    }
    sql.exec("COMMIT");
}


void seedBenchShop(const std::filesystem::path& folder, int documents, int items, std::uint32_t lastDocNr) {
    Context ctx(folder);
    for (const TableDef* t : dictionaryTables()) {
        ctx.access(*t).UseFile();
        check(ctx.access(*t).OpenNow() == LevelBenign, "seeding: open " + t->label);
    }
    MasterData data;
    data.account(1000, "A", "Sales");
    data.account(8400, "K", "Cash till");
    data.account(8410, "K", "Card till");
    data.account(9500, "L", "VAT output");
    data.account(4900, "E", "Discount allowed");
    data.vat("01", "15.0", 9500);
    for (int i = 0; i < items; ++i)
        data.item("ITEM" + std::to_string(i), "Item number " + std::to_string(i), std::to_string(11 + i) + ".50", "01",
                  i % 2 ? "I" : "E", 1000).ENTNUMBER = static_cast<std::uint16_t>(i + 1);
    data.till(8400, 8410, 4900);
    data.company("Bench Cafe", "B", std::max(static_cast<std::uint32_t>(documents), lastDocNr));
    const std::string error = data.store(ctx);
    check(error.empty(), "seeding: " + error);
    seedPostedSales(folder, documents);
}

}  // namespace tavlo::support
