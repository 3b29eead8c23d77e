// Several till processes posting into one data folder at once, against one till alone: sales per
// second over all tills, and how many Finished presses met another till's lock and had to be
// pressed again. Each till claims its own sales number and rings up 5-line sales.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "bench_tables.h"
#include "data/file_manager.h"
#include "data/storage.h"
#include "framework/message.h"
#include "pos/till_state.h"
#include "support.h"
#include "util/date.h"

namespace {

using namespace tavlo;

constexpr int kSalesPerTill = 60;
constexpr int kLines = 5;

FixedClock benchClock(dayNumber(2024, 3, 15), 12 * 360000);

// One till's run in its own process; writes how many Finished presses were refused to fd.
[[noreturn]] void tillProcess(const std::filesystem::path& folder, int startFd, int resultFd) {
    setClock(&benchClock);
    int refused = 0;
    setMessageHandler([&](const MessageRequest& r) {
        ++refused;
        return r.defaultButton;
    });
    char go;
    if (::read(startFd, &go, 1) != 1) ::_exit(3);
    Context ctx(folder);
    ctx.OPERATOR = "OP1";
    TillState till(ctx);
    if (!till.Open()) ::_exit(4);
    auto& v60 = ctx.access<PQXV60>();
    for (int s = 0; s < kSalesPerTill; ++s) {
        for (int i = 0; i < kLines; ++i) {
            v60.clearBuffer();
            v60.rec.SALESNUMBER = till.LOC.SALESNUMBER;
            v60.rec.TRANSDATE = today();
            v60.rec.CLASSCODE = "A";
            v60.rec.ACCNUMBER = 1000;
            v60.rec.QTY = Decimal(1);
            v60.rec.DESCRIPTION = "Item " + std::to_string(i);
            v60.rec.DEBIT = Decimal::of("20.00");
            v60.rec.VATCODE = "01";
            v60.rec.VATAMOUNT = Decimal::of("3.00");
            v60.rec.NETTAMOUNT = Decimal::of("23.00");
            v60.rec.ITEMCODE = "ITEM" + std::to_string(i);
            v60.rec.OPERATORNO = "OP1";
            while (v60.TryInsert() != LevelBenign) {
            }
        }
        till.LOC.TOTALAMOUNT = Decimal::of("115.00");
        till.LOC.PAYMENT = 1;
        till.LOC.PAID = till.LOC.TOTALAMOUNT;
        till.LOC.CHANGE = Decimal();
        till.LOC.VERSKIL = Decimal();
        while (!till.Finished()) {
        }
    }
    if (::write(resultFd, &refused, sizeof refused) != sizeof refused) ::_exit(5);
    ::_exit(0);
}

void TillsAtOnce(benchmark::State& state) {
    const int tills = static_cast<int>(state.range(0));
    long long refusedTotal = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<support::TempFolder>();
        support::seedBenchShop(folder->path(), 0);
        int start[2], result[2];
        if (::pipe(start) != 0 || ::pipe(result) != 0) throw std::runtime_error("pipe");
        std::vector<pid_t> children;
        for (int t = 0; t < tills; ++t) {
            pid_t p = ::fork();
            if (p == 0) tillProcess(folder->path(), start[0], result[1]);
            children.push_back(p);
        }
        state.ResumeTiming();
        const auto began = std::chrono::steady_clock::now();
        if (::write(start[1], std::string(tills, 'g').data(), tills) != tills) throw std::runtime_error("start");
        for (pid_t p : children) {
            int status = 0;
            ::waitpid(p, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                throw std::runtime_error("a till failed: status " + std::to_string(status));
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        state.PauseTiming();
        for (int t = 0; t < tills; ++t) {
            int refused = 0;
            if (::read(result[0], &refused, sizeof refused) == sizeof refused) refusedTotal += refused;
        }
        for (int fd : {start[0], start[1], result[0], result[1]}) ::close(fd);
        folder.reset();  // removed while the clock is stopped
        state.ResumeTiming();
    }
    const double sales = static_cast<double>(tills) * kSalesPerTill * static_cast<double>(state.iterations());
    state.counters["sales_per_second"] = sales / seconds;
    state.counters["finished_refused_for_lock"] = static_cast<double>(refusedTotal) / static_cast<double>(state.iterations());
}
BENCHMARK(TillsAtOnce)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
