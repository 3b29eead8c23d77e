// The till screen at the counter, with 100 000 documents already posted: from the Tab that
// accepts a line's last column to the refreshed total (the 20th line of a sale), and from
// Finished to the slip's pages ready for the preview (a 20-line sale).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "data/file_manager.h"
#include "data/storage.h"
#include "test_runtime.h"
#include "pos/point_of_sale.h"
#include "reports/report_output.h"
#include "util/date.h"
#include "bench_tables.h"
#include "support.h"

namespace {

using namespace tavlo;
using namespace std::chrono_literals;

constexpr int kDocuments = 100000;
constexpr int kLines = 20;

void check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

// Master data a shop sells from (50 items), and kDocuments posted sales with their history.
struct ShopFolder : support::TempFolder {
    ShopFolder() { support::seedBenchShop(path(), kDocuments, 50); }
};

ShopFolder& shop() {
    static ShopFolder folder;
    return folder;
}

// Counts the slips that reached the face and their pages.
class CountingPreviewer : public report::ReportPreviewer {
public:
    std::optional<std::string> show(Runtime&, report::ReportOutput& output) override {
        ++slips;
        pages += static_cast<long>(output.pages.size());
        return std::nullopt;
    }
    long slips = 0, pages = 0;
};

FixedClock benchClock(dayNumber(2024, 3, 15), 12 * 360000);

// The till open on the shop's data, with the operator's answers scripted.
struct Counter {
    Counter() : ctx(std::make_shared<Context>(shop().path())) {
        ctx->OPERATOR = "OP1";
        rt.onOpen("PaymentMethod", [](TestWindow& p) { p.press("OK"); });
        screen.setContext(ctx);
        window.emplace(rt.open(screen));
    }
    ~Counter() {
        // Closed as the operator closes it: the working lines go with it.
        if (screen.list().editing()) window->edit("List", "", Key::of(Key::Esc));
        window->press("CloseButton");
        rt.finish(*window);
    }
    void line(int i, bool lastColumn = true) {
        window->edit("List", "ITEM" + std::to_string(i % 50), Key::of(Key::Tab));
        window->edit("List", std::to_string(1 + i % 3), Key::of(Key::Tab));
        if (lastColumn) window->edit("List", "0", Key::of(Key::Tab));
    }
    std::shared_ptr<Context> ctx;
    TestRuntime rt;
    CountingPreviewer previewer;
    support::ProgramStateGuard guard{{.clock = &benchClock, .previewer = &previewer}};
    BrowsePointOfSale screen;
    std::optional<TestWindow> window;
};

void LineAcceptedToTotal(benchmark::State& state) {
    Counter c;
    TestWindow& w = *c.window;
    w.press("Insert");
    for (int i = 0; i + 1 < kLines; ++i) c.line(i);
    for (auto _ : state) {
        state.PauseTiming();
        c.line(kLines - 1, false);  // the 20th line, up to its discount column
        state.ResumeTiming();
        w.edit("List", "0", Key::of(Key::Tab));  // accepted: stored, and the total follows
        state.PauseTiming();
        benchmark::DoNotOptimize(c.screen.till().LOC.TOTALAMOUNT);
        // Back to 19 lines for the next round.
        w.edit("List", "", Key::of(Key::Esc));
        auto& v60 = c.ctx->access<PQXV60>();
        v60.clearBuffer();
        v60.SetFileOrder();
        for (int n = 0; n < kLines; ++n) check(v60.next() == ErrNone, "line");
        check(v60.erase() == ErrNone, "erase");
        c.screen.list().reload();
        w.press("Insert");
        state.ResumeTiming();
    }
    state.counters["lines"] = kLines;
}
BENCHMARK(LineAcceptedToTotal)->Unit(benchmark::kMillisecond)->UseRealTime();

void FinishedToSlipPages(benchmark::State& state) {
    Counter c;
    TestWindow& w = *c.window;
    w.press("Insert");
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kLines; ++i) c.line(i);
        w.press("PaymentButton");
        w.type("Paid", "2000");
        long before = c.previewer.slips;
        check(w.enabled("FinishedButton"), "the amount tendered does not cover the sale");
        state.ResumeTiming();
        w.press("Finished");  // posted, history, counter, rounding, the slip's pages
        state.PauseTiming();
        check(c.previewer.slips == before + 1, "no slip");
        state.ResumeTiming();
    }
    state.counters["pages"] = benchmark::Counter(static_cast<double>(c.previewer.pages), benchmark::Counter::kAvgIterations);
}
BENCHMARK(FinishedToSlipPages)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
