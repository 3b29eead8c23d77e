// A pick list of many rows: loading, sorting by a heading and locating by typed text.
#include <benchmark/benchmark.h>

#include "framework/list.h"

using namespace tavlo;

namespace {
std::shared_ptr<MemoryRows> inventory(int n) {
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        // Codes out of order so that sorting has work to do.
        int k = (i * 7919) % n;
        rows.push_back(Row{{std::string("ITEM") + std::to_string(100000 + k), std::string("Description of item ") + std::to_string(k),
                            Decimal::fromScaled(k * 37 % 100000, 2)}});
    }
    return std::make_shared<MemoryRows>(std::move(rows));
}

ListControl list(int n) {
    return ListControl({{"Code", "@s20"}, {"Description", "@s40"}, {"Price", "@n13.2"}}, inventory(n));
}
}  // namespace

static void LoadAndSortByCode(benchmark::State& state) {
    auto l = list(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        l.reload();
        l.clickHeading(0);
        l.clickHeading(0);  // reversed
        benchmark::DoNotOptimize(l.selected());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(LoadAndSortByCode)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

static void LocateTypedCode(benchmark::State& state) {
    auto l = list(static_cast<int>(state.range(0)));
    l.reload();
    l.clickHeading(0);
    for (auto _ : state) {
        l.select(0);
        for (char c : std::string("ITEM1199")) l.takeKey(Key::ch(static_cast<char32_t>(c)));
        benchmark::DoNotOptimize(l.selected());
    }
}
BENCHMARK(LocateTypedCode)->Arg(1000)->Arg(20000)->Unit(benchmark::kMicrosecond);
