// The exchange with the accounting package at a busy shop's size: the export of 100 000 posted
// documents from start to a tested archive and emptied tables, the import of 50 000 items from
// the archive to merged tables, and a till posting all through an export (the longest wait for
// its locks and the postings refused).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <memory>
#include <thread>

#include "bench_tables.h"
#include "data/demo_data.h"
#include "data/file_manager.h"
#include "data/storage.h"
#include "exchange/archive.h"
#include "exchange/export.h"
#include "exchange/import.h"
#include "exchange/runner.h"
#include "support.h"
#include "util/platform.h"

namespace {

using namespace tavlo;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A fresh folder with the demo data, removed afterwards.
struct Folder : support::TempFolder {
    Folder() {
        std::string error;
        check(fillDemoData(data(), &error), error);
        fs::create_directories(media());
    }
    fs::path data() const { return path() / "data"; }
    fs::path media() const { return path() / "media"; }
};

int runArchiver(const Command& c) {
    return systemPlatform()
        .runAndWait(commandProgram(c.words[0]), {c.words.begin() + 1, c.words.end()}, c.folder)
        .value_or(-1);
}

void useBuiltArchiver() {
    const fs::path tool = systemPlatform().executableDirectory().parent_path() / "tavlo_zip";
    check(fs::exists(tool), tool.string() + " is not built");
    setArchiverProgram(tool);
}

bool postSale(Context& ctx, std::uint32_t doc) {
    auto tx = ctx.transaction<PQXT20, PQXT21>(1s);
    if (!tx.active()) return false;
    auto& t20 = ctx.access<PQXT20>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = doc;
    t20.rec.AMOUNT = Decimal::of("23.00");
    if (t20.add() != ErrNone) return false;
    auto& t21 = ctx.access<PQXT21>();
    for (std::uint32_t r = 0; r < 3; ++r) {
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = doc;
        t21.rec.DETAILNUMBER = doc * 10 + r;
        if (t21.add() != ErrNone) return false;
    }
    return tx.commit();
}

void exportOnce(benchmark::State& state, const Folder& f, const char* what) {
    ExportJob job(f.data());
    std::string why;
    const auto start = Clock::now();
    check(job.begin(&why), why);
    check(job.snapshot(&why), why);
    const auto snapped = Clock::now();
    check(job.archive({(f.media() / "A070326").string()}, runArchiver, &why) == ExportJob::Outcome::Done, what + why);
    const auto done = Clock::now();
    state.counters["snapshot_s"] = seconds(snapped - start);
    state.counters["export_s"] = seconds(done - start);
}

void BM_Export100000Documents(benchmark::State& state) {
    useBuiltArchiver();
    setSyncWrites(true);
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<Folder>();
        support::seedPostedSales(f->data(), 100000);
        state.ResumeTiming();
        exportOnce(state, *f, "export: ");
        state.PauseTiming();  // removing the folder is not the export's
        f.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Export100000Documents)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// A till posts one sale after another while the export runs.
void BM_FinishedDuringAnExport(benchmark::State& state) {
    useBuiltArchiver();
    setSyncWrites(true);
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<Folder>();
        const Folder& f = *folder;
        support::seedPostedSales(f.data(), 100000);
        std::atomic<bool> stop{false};
        std::atomic<int> refused{0}, posted{0};
        std::atomic<long long> longest{0};
        std::thread till([&] {
            Context ctx(f.data());
            ctx.access<PQXT20>().UseFile();
            ctx.access<PQXT21>().UseFile();
            for (std::uint32_t doc = 200000; !stop; ++doc) {
                const auto start = Clock::now();
                bool ok = false;
                try {
                    ok = postSale(ctx, doc);
                } catch (const std::exception&) {  // a table the till could not open in time
                }
                if (ok) ++posted;
                else ++refused;
                const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
                if (ms > longest) longest = ms;
            }
        });
        state.ResumeTiming();
        exportOnce(state, f, "export during posting: ");
        state.PauseTiming();
        stop = true;
        till.join();
        state.counters["posted"] = posted.load();
        state.counters["refused"] = refused.load();
        state.counters["longest_posting_ms"] = static_cast<double>(longest);
        folder.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FinishedDuringAnExport)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Import50000Items(benchmark::State& state) {
    setSyncWrites(true);
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<Folder>();
        const Folder& f = *folder;
        fs::create_directories(f / "books");
        {
            Context books(f / "books");
            books.access<PQXA301>().UseFile();
            books.access<PQXA301>().records();  // creates the table file
        }
        {
            support::SqlFiles sql(f / "books", {&PQXA301::table()});
            sql.exec("BEGIN");
            for (int i = 0; i < 50000; ++i) {
                PQXA301 item;
                item.ACCNUMBER = 2000;
                item.ITEMCODE = "ITEM" + std::to_string(i);
                item.ITEMDESC = "Item number " + std::to_string(i);
                item.SELLINGPRICE = item.POSSELLINGPRICE = Decimal::of("12.50");
                item.VATCODE = "01";
                sql.insert(item);
            }
            sql.exec("COMMIT");
        }
        check(archive::addFiles(f.media() / "POS.zip", {"PQxA301.tps"}, f / "books").ok(), "packing the items");
        fs::create_directories(f / "staging");
        Context live(f.data());
        state.ResumeTiming();
        auto unpacked = archive::runCommand({"-ext", "-over=all", (f.media() / "POS").string()}, f / "staging");
        check(unpacked.ok(), unpacked.message);
        auto merged = importStaged(live, f / "staging");
        check(merged.ok(), merged.detail);
        state.PauseTiming();
        folder.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Import50000Items)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
