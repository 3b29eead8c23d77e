// Opening the till screen (Init to Kill, which is when its window is translated) in Afrikaans
// against the shipped language store, and the same untranslated.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "data/demo_data.h"
#include "data/file_manager.h"
#include "data/storage.h"
#include "test_runtime.h"
#include "pos/point_of_sale.h"
#include "support.h"
#include "translate/pro_taal.h"

namespace {

using namespace tavlo;

struct Shop {
    support::TempFolder temp;
    std::filesystem::path folder = temp.path();
    Shop() {
        std::string error;
        if (!fillDemoData(folder, &error)) throw std::runtime_error(error);
        std::filesystem::copy_file(TAVLO_LANGUAGE_STORE, folder / "POSlan.tps");
        setSyncWrites(false);
    }
};

Shop& shop() {
    static Shop s;
    return s;
}

void openTill(benchmark::State& state, WindowTranslator* translator) {
    setWindowTranslator(translator);
    auto ctx = std::make_shared<Context>(shop().folder);
    for (auto _ : state) {
        TestRuntime rt;
        ContextScope scope(ctx);
        BrowsePointOfSale till;
        till.attach(rt);
        if (!till.guardedInit(rt)) state.SkipWithError("the till did not open");
        benchmark::DoNotOptimize(till.window().title);
        till.guardedKill();
    }
    setWindowTranslator(nullptr);
}

void BM_OpenTillUntranslated(benchmark::State& state) { openTill(state, nullptr); }

void BM_OpenTillInAfrikaans(benchmark::State& state) {
    ProTaalClass translator;
    translator.Init(shop().folder.string(), "POS", 1, 2, true, true);
    if (translator.GetTaalNo() != 2) state.SkipWithError("no Afrikaans in the store");
    openTill(state, &translator);
}

BENCHMARK(BM_OpenTillUntranslated)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenTillInAfrikaans)->Unit(benchmark::kMicrosecond);

}  // namespace
