// Rendering reports: a cash slip from posted rows to a PDF file, and a 50-page listing to
// pages, to PDF and to text.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "data/file_manager.h"
#include "data/master_data.h"
#include "support.h"
#include "test_runtime.h"
#include "reports/cash_slip.h"
#include "reports/layout.h"
#include "reports/pdf_writer.h"
#include "reports/renderer.h"
#include "reports/text_writer.h"

namespace tavlo::report {
namespace {

// A listing of 60 lines a page: date, reference, description, debit, credit; a group per day
// with its total, page numbers in the header.
struct Listing {
    long long row = 0;
    Decimal amount;
    Decimal dayTotal;
    Layout layout;

    Listing() {
        layout.font = Font{"Arial", 8};
        layout.body = {500, 1200, 7500, 9000};
        Band header{.name = "header", .at = {500, 500, 7500, 600}};
        header.add(caption("Transactions", 0, 0, 7500, Align::Center)).font = Font{"Arial", 12, true};
        header.add(pageNumber("page", 6400, 250, 1000, "@pPage <<<#p"));
        header.add(hline(0, 550, 7500));
        layout.pageHeader = header;
        Group day{.name = "day", .key = [this] { return Value(row / 100); }};
        day.footer = Band{.name = "dayTotal", .at = {0, 0, 7500, 300}};
        day.footer->add(caption("Day total:", 4000, 50, 1000, Align::Right));
        day.footer->add(field("total", 5200, 50, 1000, "@n15.2", [this] { return Value(dayTotal); }, Align::Right));
        layout.groups.push_back(day);
        Band detail{.name = "detail", .at = {0, 0, 7500, 140}};
        detail.add(field("date", 0, 0, 700, "@d17", [this] { return Value(80000 + row / 100); }));
        detail.add(field("ref", 800, 0, 800, "@s15", [this] { return Value("AB" + std::to_string(1000 + row)); }));
        detail.add(field("desc", 1700, 0, 2500, "@s40", [this] { return Value(std::string("Point of Sale line ") + std::to_string(row)); }));
        detail.add(field("debit", 4300, 0, 900, "@n-15.2", [this] { return Value(amount); }, Align::Right));
        detail.add(field("credit", 5300, 0, 900, "@n-15.2b", [this] { return Value(-amount); }, Align::Right));
        layout.details.push_back(detail);
    }

    Pages render(int rows) {
        Renderer r(layout);
        dayTotal = Decimal(0);
        for (row = 0; row < rows; ++row) {
            if (row % 100 == 0) dayTotal = Decimal(0);
            amount = Decimal::fromScaled(row * 137 % 100000, 2);
            dayTotal += amount;
            r.print("detail");
        }
        r.finish();
        return r.takePages();
    }
};

constexpr int kFiftyPages = 3130;  // 64 lines a page less the day totals: 50 pages

void BM_FiftyPageListingToPages(benchmark::State& state) {
    Listing listing;
    std::size_t pages = 0;
    for (auto _ : state) pages = listing.render(kFiftyPages).size();
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_FiftyPageListingToPages)->Unit(benchmark::kMillisecond);

void BM_FiftyPageListingToPdf(benchmark::State& state) {
    Listing listing;
    const Pages pages = listing.render(kFiftyPages);
    support::TempFolder folder;
    const std::string file = (folder / "listing.pdf").string();
    for (auto _ : state) {
        if (!writePdf(pages, {"PrintTransactions", "PrintTransactions", "Tavlo"}, file).ok) state.SkipWithError("PDF not written");
    }
    state.counters["pages"] = static_cast<double>(pages.size());
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_FiftyPageListingToPdf)->Unit(benchmark::kMillisecond);

void BM_FiftyPageListingToText(benchmark::State& state) {
    Listing listing;
    const Pages pages = listing.render(kFiftyPages);
    for (auto _ : state) benchmark::DoNotOptimize(pagesText(pages));
}
BENCHMARK(BM_FiftyPageListingToText)->Unit(benchmark::kMillisecond);

class KeepOutput : public ReportPreviewer {
public:
    std::optional<std::string> show(Runtime&, ReportOutput& output) override {
        last = std::move(output);
        return std::nullopt;
    }
    ReportOutput last;
};

// A posted sale of five lines among a day's worth of other documents, printed from the
// tables to a PDF file as the till does after each sale.
void BM_CashSlipToPdf(benchmark::State& state) {
    support::TempFolder folder;
    {
        Context ctx(folder.path());
        for (const TableDef* t : {&PACS10::table(), &PQXA301::table(), &PQXA10::table(), &PQXT20::table(), &PQXT21::table()})
            ctx.access(*t).Open();
        MasterData data;
        data.company("Corner Cafe & Deli", "AB", 0).ADDRESS1 = "1 Church Street";
        for (int i = 0; i < 5; ++i) data.item("ITEM" + std::to_string(i), "Item number " + std::to_string(i), "11.50", "", "", 0);
        if (const std::string error = data.store(ctx); !error.empty()) throw std::runtime_error("seeding: " + error);
        auto tx = ctx.transaction<PQXT20, PQXT21>(std::chrono::milliseconds(1000));
        auto& t20 = ctx.access<PQXT20>();
        auto& t21 = ctx.access<PQXT21>();
        std::uint32_t detail = 0;
        for (std::uint32_t doc = 1; doc <= 400; ++doc) {
            for (int i = 0; i < 5; ++i) {
                t21.clearBuffer();
                t21.rec.DOCUMENTNO = doc;
                t21.rec.CLASSCODE = "A";
                t21.rec.ITEMCODE = "ITEM" + std::to_string(i);
                t21.rec.QTY = Decimal(2);
                t21.rec.CREDIT = Decimal::of("20.00");
                t21.rec.VATAMOUNT = Decimal::of("3.00");
                t21.rec.DETAILNUMBER = ++detail;
                support::seedAdd(t21);
            }
            t20.clearBuffer();
            t20.rec.DOCUMENTNO = doc;
            t20.rec.TRANTYPENUMBER = 5;
            t20.rec.PAYMETHOD = 1;
            t20.rec.AMOUNT = Decimal::of("115.00");
            t20.rec.VAT = Decimal::of("15.00");
            t20.rec.TRANTIME = "14:32";
            support::seedAdd(t20);
        }
        tx.commit();
    }
    Context ctx(folder.path());
    TestRuntime runtime;
    KeepOutput keep;
    support::ProgramStateGuard guard({.previewer = &keep});
    const std::string file = (folder / "slip.pdf").string();
    for (auto _ : state) {
        PrintCashSlip(runtime, ctx, 200, Decimal(0), Decimal::of("120.00"), Decimal::of("5.00"), 0);
        if (keep.last.pages.size() != 1 || !writePdf(keep.last.pages, keep.last.pdf, file).ok) state.SkipWithError("no slip");
    }
}
BENCHMARK(BM_CashSlipToPdf)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavlo::report
