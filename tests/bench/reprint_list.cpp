// "Select Cashslip" on a history of 100 000 documents: opening the list (a new context, as the
// menu command has, the window and its first page), and moving about in it: the last document,
// a sort by date, and a sort by amount (a column without a key: every document is read).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "data/file_manager.h"
#include "test_runtime.h"
#include "pos/select_cash_slip.h"
#include "bench_tables.h"
#include "support.h"

namespace {

using namespace tavlo;

constexpr int kDocuments = 100000;

struct HistoryFolder : support::TempFolder {
    HistoryFolder() { support::seedBenchShop(path(), kDocuments); }
};

const std::filesystem::path& history() {
    static HistoryFolder folder;
    return folder.path();
}

void OpenReprintList(benchmark::State& state) {
    const auto& folder = history();
    for (auto _ : state) {
        TestRuntime runtime;
        ContextScope scope(std::make_shared<Context>(folder));  // the new thread's context
        report::SelectCashSlip select;
        auto w = runtime.open(select);
        if (!w.isOpen() || select.list().size() == 0) throw std::runtime_error("the list did not open");
        benchmark::DoNotOptimize(select.list().selectedRow());
        runtime.finish(w);
    }
    state.counters["documents"] = kDocuments;
}
BENCHMARK(OpenReprintList)->Unit(benchmark::kMillisecond);

// One step in an open list: what the operator waits for after a key or a heading.
template <class Step>
void InOpenList(benchmark::State& state, Step step) {
    const auto& folder = history();
    TestRuntime runtime;
    ContextScope scope(std::make_shared<Context>(folder));
    report::SelectCashSlip select;
    auto w = runtime.open(select);
    for (auto _ : state) {
        step(w);
        benchmark::DoNotOptimize(select.list().selectedRow());
    }
    runtime.finish(w);
}

void EndThenHome(benchmark::State& state) {
    InOpenList(state, [](TestWindow& w) {
        w.listKey("List", Key{Key::End});
        w.listKey("List", Key{Key::Home});
    });
}
BENCHMARK(EndThenHome)->Unit(benchmark::kMillisecond);

void SortByDate(benchmark::State& state) {
    InOpenList(state, [](TestWindow& w) { w.clickHeading("List", 1); });
}
BENCHMARK(SortByDate)->Unit(benchmark::kMillisecond);

void SortByAmount(benchmark::State& state) {
    InOpenList(state, [](TestWindow& w) { w.clickHeading("List", 2); });
}
BENCHMARK(SortByAmount)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
