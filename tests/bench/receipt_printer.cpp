// The till at the counter with a receipt printer, 100 000 documents already posted: from
// Finished on a 20-line cash sale to the last byte of the slip (and the drawer pulse) handed to
// the printer: a device file, and a network printer on a local port.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "../receipt/fake_printer.h"
#include "data/file_manager.h"
#include "data/storage.h"
#include "test_runtime.h"
#include "pos/point_of_sale.h"
#include "receipt/receipt_printer.h"
#include "receipt/receipt_settings.h"
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
    explicit Counter(const receipt::ReceiptSettings& s) : settings(s), ctx(std::make_shared<Context>(shop().path())) {
        ctx->OPERATOR = "OP1";
        check(receipt::writeReceiptSettings(receipt::receiptSettingsFile(shop().path()), settings), "settings");
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
    receipt::ReceiptSettings settings;
    std::shared_ptr<Context> ctx;
    TestRuntime rt;
    CountingPreviewer previewer;
    support::ProgramStateGuard guard{{.clock = &benchClock, .previewer = &previewer}};
    BrowsePointOfSale screen;
    std::optional<TestWindow> window;
};

void finishedToPrinter(benchmark::State& state, const std::string& printer, const std::function<std::size_t()>& received) {
    receipt::ReceiptSettings s;
    s.printer = *receipt::PrinterTarget::parse(printer);
    s.drawer = true;
    Counter c(s);
    TestWindow& w = *c.window;
    w.press("Insert");
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kLines; ++i) c.line(i);
        w.press("PaymentButton");
        w.type("Paid", "2000");
        const std::size_t before = received();
        check(w.enabled("FinishedButton"), "the amount tendered does not cover the sale");
        state.ResumeTiming();
        w.press("Finished");  // posted, history, counter, rounding, the slip sent and the drawer kicked
        state.PauseTiming();
        check(c.rt.messages.empty(), "the printer refused the slip");
        check(c.previewer.slips == 0, "a preview was shown");
        for (int i = 0; i < 1000 && received() == before; ++i) ::poll(nullptr, 0, 1);
        check(received() > before, "nothing reached the printer");
        state.ResumeTiming();
    }
}

void FinishedToDeviceFile(benchmark::State& state) {
    const auto device = shop().path() / "lp0";
    std::ofstream(device).close();
    finishedToPrinter(state, "device:" + device.string(), [device] { return std::filesystem::file_size(device); });
}
BENCHMARK(FinishedToDeviceFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void FinishedToNetworkPrinter(benchmark::State& state) {
    receipt::testing::FakeNetworkPrinter printer;
    finishedToPrinter(state, printer.address(), [&printer] { return printer.jobs().size(); });
}
BENCHMARK(FinishedToNetworkPrinter)->Unit(benchmark::kMillisecond)->UseRealTime();

// The printer's part alone: the posted 20-line sale read back, laid out and sent.
void PostedSaleToDeviceFile(benchmark::State& state) {
    const auto device = shop().path() / "lp0";
    std::ofstream(device).close();
    receipt::ReceiptSettings s;
    s.printer = *receipt::PrinterTarget::parse("device:" + device.string());
    s.drawer = true;
    Counter c(s);
    TestWindow& w = *c.window;
    w.press("Insert");
    for (int i = 0; i < kLines; ++i) c.line(i);
    w.press("PaymentButton");
    w.type("Paid", "2000");
    w.press("Finished");
    std::uint32_t documentNo = 0;
    auto& t20 = c.ctx->access<PQXT20>();
    t20.SetEnd(PT20::DocumentNoKey);
    while (t20.Previous() == LevelBenign && documentNo == 0)
        if (t20.rec.TRANTYPENUMBER == 5) documentNo = t20.rec.DOCUMENTNO;  // the sale, not its rounding
    SlipArgs args{documentNo, Decimal(0), Decimal(2000), Decimal(0), 0, true};
    for (auto _ : state) check(receipt::printSaleOnReceiptPrinter(c.rt, *c.ctx, args) && c.rt.messages.empty(), "print");
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(device)) / static_cast<double>(state.iterations());
}
BENCHMARK(PostedSaleToDeviceFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
