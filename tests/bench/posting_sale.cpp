// Posting a 20-line sale into tables that already hold 0, 10 000 and 100 000 documents, and beside
// it the floor: the same rows (header, 41 detail rows, their history copies, the counter, the
// working lines removed) written with plain SQL in one transaction over the same files.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "data/file_manager.h"
#include "data/storage.h"
#include "framework/message.h"
#include "pos/till_state.h"
#include "util/date.h"
#include "bench_tables.h"
#include "support.h"

namespace {

using namespace tavlo;
using namespace std::chrono_literals;

constexpr int kLines = 20;

void check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

PQXV60 workingLine(int i, std::uint16_t salesNumber) {
    PQXV60 l;
    l.SALESNUMBER = salesNumber;
    l.TRANSDATE = dayNumber(2024, 3, 15);
    l.CLASSCODE = "A";
    l.ACCNUMBER = 1000;
    l.ASSETACCNUMBER = 3000;
    l.QTY = Decimal(1 + i % 3);
    l.DESCRIPTION = "Bench item " + std::to_string(i);
    l.DEBIT = Decimal::of("20.00");
    l.VATCODE = "01";
    l.VATSTATUS = "I";
    l.VATAMOUNT = Decimal::of("3.00");
    l.VATDATE = l.TRANSDATE;
    l.ASSETTRANSACTION = 2;
    l.ITEMCODE = "ITEM" + std::to_string(i % 5);
    l.ITEMSTATUS = 2;
    l.NETTAMOUNT = Decimal::of("23.00");
    l.OPERATORNO = "OP1";
    return l;
}

// A data folder with master data and `documents` posted documents of 3 rows each (and their
// history), made once per size and kept for the run.
struct Folder : support::TempFolder {
    explicit Folder(int documents) { support::seedBenchShop(path(), documents); }
};

Folder& folderWith(int documents) {
    static std::map<int, std::unique_ptr<Folder>> folders;
    auto& f = folders[documents];
    if (!f) f = std::make_unique<Folder>(documents);
    return *f;
}

// The screen saves each line as it is rung up, one record at a time.
void ringUp(Context& ctx, std::uint16_t salesNumber) {
    auto& v60 = ctx.access<PQXV60>();
    for (int i = 0; i < kLines; ++i) {
        v60.rec = workingLine(i, salesNumber);
        check(v60.add() == ErrNone, "line");
    }
}

FixedClock benchClock(dayNumber(2024, 3, 15), 12 * 360000);

void PostSale(benchmark::State& state) {
    support::ProgramStateGuard guard({.clock = &benchClock});
    setMessageHandler([](const MessageRequest& r) -> unsigned { throw std::runtime_error(r.text); });
    Folder& folder = folderWith(static_cast<int>(state.range(0)));
    Context ctx(folder.path());
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).UseFile();
    TillState till(ctx);
    till.Open();
    for (auto _ : state) {
        state.PauseTiming();
        ringUp(ctx, till.LOC.SALESNUMBER);
        till.LOC.PAYMENT = 1;
        till.LOC.PAID = Decimal(460);
        state.ResumeTiming();
        check(static_cast<bool>(till.Finished()), "posting");
    }
    state.counters["documents"] = static_cast<double>(state.range(0));
}
BENCHMARK(PostSale)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void PlainSqlFloor(benchmark::State& state) {
    Folder& folder = folderWith(static_cast<int>(state.range(0)));
    Context ctx(folder.path());
    for (const TableDef* t : dictionaryTables()) ctx.access(*t).UseFile();
    support::SqlFiles sql(folder.path(), {&PQXV60::table(), &PQXT20::table(), &PQXT21::table(), &PQXH20::table(),
                                 &PQXH21::table(), &PACS10::table()});
    // Numbers far above the posted ones, never repeated across the benchmark's runs.
    static std::uint32_t doc = 50000000;
    static std::uint32_t detail = 50000000;
    std::uint16_t salesNumber = 60000;
    for (auto _ : state) {
        state.PauseTiming();
        ringUp(ctx, salesNumber);
        state.ResumeTiming();
        ++doc;
        sql.exec("BEGIN IMMEDIATE");
        PQXT20 h;
        h.DOCUMENTNO = doc;
        h.TRANTYPENUMBER = 5;
        h.ACCNUMBER = 8400;
        h.TRANSDATE = dayNumber(2024, 3, 15);
        h.REFERENCE1 = "B" + std::to_string(doc);
        h.TRANDESC = "Point of Sale";
        h.AMOUNT = Decimal(460);
        h.VAT = Decimal(60);
        h.NOOFENTRIES = 2 * kLines + 1;
        h.LOOKUPDATE = "20240315";
        h.TRANNUMBER = salesNumber;
        h.PAYMETHOD = 1;
        h.TRANTIME = "12:00";
        sql.insert(h);
        PQXH20 hh;
        copyFields(hh, h);
        hh.PAID = Decimal(460);
        sql.insert(hh);
        for (int i = 0; i <= 2 * kLines; ++i) {
            PQXV60 l = workingLine(i / 2, salesNumber);
            PQXT21 row;
            row.DOCUMENTNO = doc;
            row.TRANSDATE = h.TRANSDATE;
            row.REFERENCE1 = h.REFERENCE1;
            row.DETAILNUMBER = ++detail;
            if (i == 2 * kLines) {
                row.ACCNUMBER = 8400;
                row.DEBIT = Decimal(460);
                row.RECORDSTATUS = 1;
            } else if (i % 2 == 0) {
                row.ACCNUMBER = l.ACCNUMBER;
                row.CLASSCODE = "A";
                row.CREDIT = l.DEBIT;
                row.VATAMOUNT = l.VATAMOUNT;
                row.VATCODE = l.VATCODE;
                row.ITEMCODE = l.ITEMCODE;
                row.DESCRIPTION = l.DESCRIPTION;
            } else {
                row.ACCNUMBER = 9500;
                row.CLASSCODE = "I";
                row.CREDIT = l.VATAMOUNT;
                row.RECORDSTATUS = 1;
            }
            sql.insert(row);
            PQXH21 hr;
            copyFields(hr, row);
            sql.insert(hr);
        }
        sql.exec("UPDATE bPACS10.\"PACS10\" SET \"LASTDOCNR\" = " + std::to_string(doc));
        sql.exec("DELETE FROM bPQXV60.\"PQXV60\" WHERE \"SALESNUMBER\" = " + std::to_string(salesNumber));
        sql.exec("COMMIT");
    }
    state.counters["documents"] = static_cast<double>(state.range(0));
}
BENCHMARK(PlainSqlFloor)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
