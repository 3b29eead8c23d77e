// On 100 000 posted documents: the PDF listing of the transaction headers from the tables to the
// finished file, deleting the history of a whole period, and a till posting while that delete
// runs (counter "refused": Finished presses that met the lock and would have had to be repeated).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "bench_tables.h"
#include "support.h"
#include "data/file_manager.h"
#include "data/storage.h"
#include "exchange/delete_transactions.h"
#include "framework/message.h"
#include "test_runtime.h"
#include "pos/till_state.h"
#include "reports/transaction_listing.h"
#include "util/date.h"

namespace {

using namespace tavlo;

constexpr int kDocuments = 100000;

DayNumber historyStart() { return dayNumber(2023, 1, 1); }

// History as a till leaves it: 100 000 documents of three rows, numbered in date order over
// 2023 and January 2024 (about 250 a day).
void seedHistory(const std::filesystem::path& folder) {
    setSyncWrites(false);
    support::seedBenchShop(folder, 0, 5, kDocuments);
    support::SqlFiles sql(folder, {&PQXH20::table(), &PQXH21::table()});
    sql.exec("BEGIN");
    const int days = dayNumber(2024, 1, 31) - historyStart() + 1;
    std::uint32_t detail = 0;
    for (int d = 1; d <= kDocuments; ++d) {
        PQXH20 h;
        h.DOCUMENTNO = static_cast<std::uint32_t>(d);
        h.TRANTYPENUMBER = 5;
        h.ACCNUMBER = 8400;
        h.TRANSDATE = historyStart() + static_cast<DayNumber>(static_cast<long long>(d - 1) * days / kDocuments);
        h.REFERENCE1 = "B" + std::to_string(d);
        h.TRANDESC = "Point of Sale";
        h.AMOUNT = Decimal::of("23.00");
        h.VAT = Decimal::of("3.00");
        h.NOOFENTRIES = 3;
        h.LOOKUPDATE = std::to_string(eightDigitDate(h.TRANSDATE));
        h.PAYMETHOD = 1;
        sql.insert(h);
        for (int r = 0; r < 3; ++r) {
            PQXH21 row;
            row.DOCUMENTNO = h.DOCUMENTNO;
            row.TRANSDATE = h.TRANSDATE;
            row.ACCNUMBER = r == 0 ? 1000 : r == 1 ? 9500 : 8400;
            row.REFERENCE1 = h.REFERENCE1;
            row.REFERENCE2 = "OP1";
            row.DESCRIPTION = "Row";
            (r == 2 ? row.DEBIT : row.CREDIT) = r == 0 ? Decimal::of("20.00") : r == 1 ? Decimal::of("3.00") : Decimal::of("23.00");
            row.VATCODE = r == 0 ? "01" : "";
            row.VATDATE = r == 0 ? h.TRANSDATE : 0;
            row.RECORDSTATUS = r == 0 ? 0 : 1;
            row.DETAILNUMBER = ++detail;
            row.ITEMCODE = r == 0 ? "ITEM" + std::to_string(d % 50) : "";
            sql.insert(row);
        }
    }
    sql.exec("COMMIT");
}

void BM_PrintTransactionsPdf(benchmark::State& state) {
    support::TempFolder folder;
    setSyncWrites(false);
    support::seedBenchShop(folder.path(), kDocuments);
    Context ctx(folder.path());
    ctx.relate<PQXT20>().Open();
    TestRuntime runtime;
    const std::string file = (folder / "listing.pdf").string();
    for (auto _ : state)
        if (!report::PrintTransactionsPDF(runtime, ctx, file)) state.SkipWithError("PDF not written");
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_PrintTransactionsPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

// The year 2023: all but January 2024's documents.
DayNumber rangeFrom() { return historyStart(); }
DayNumber rangeTo() { return dayNumber(2023, 12, 31); }

double cpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Deletes the year and returns how long the delete itself took (and its processor time), or an
// error. On a busy machine the processor time says more than the clock.
std::string deleteYear(const std::filesystem::path& folder, double& seconds, std::size_t& deleted, double& cpu) {
    Context ctx(folder);
    const auto documents = historyDocuments(ctx, rangeFrom(), rangeTo());
    const auto started = std::chrono::steady_clock::now();
    const double cpuStarted = cpuSeconds();
    const HistoryDeleteResult result = deleteHistory(ctx, documents, rangeFrom(), rangeTo());
    cpu += cpuSeconds() - cpuStarted;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    deleted = result.deleted;
    if (!result.ok) return "history not deleted: " + result.error;
    if (result.deleted != documents.size() || documents.size() < 90000) return "not every document deleted";
    return {};
}

void BM_DeleteHistoryOfAYear(benchmark::State& state) {
    std::size_t deleted = 0;
    double cpu = 0;
    int runs = 0;
    for (auto _ : state) {
        support::TempFolder folder;
        seedHistory(folder.path());
        double seconds = 0;
        const std::string error = deleteYear(folder.path(), seconds, deleted, cpu);
        ++runs;
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["deleted"] = static_cast<double>(deleted);
    state.counters["cpu_s"] = runs ? cpu / runs : 0;
}
BENCHMARK(BM_DeleteHistoryOfAYear)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

// One till in a child process: one-line cash sales, one every 20 ms, until told to stop. Writes the
// number posted and the number of Finished presses refused (each pressed again at once).
[[noreturn]] void tillUntilStopped(const std::filesystem::path& folder, int stopFd, int resultFd) {
    int posted = 0, refused = 0;
    setMessageHandler([](const MessageRequest& r) { return r.defaultButton; });
    {
        Context ctx(folder);
        TillState till(ctx);
        till.Open();
        auto& v60 = ctx.access<PQXV60>();
        ::fcntl(stopFd, F_SETFL, O_NONBLOCK);
        char c;
        while (::read(stopFd, &c, 1) != 1) {
            v60.clearBuffer();
            v60.rec.SALESNUMBER = till.LOC.SALESNUMBER;
            v60.rec.TRANSDATE = dayNumber(2023, 6, 1);
            v60.rec.CLASSCODE = "A";
            v60.rec.ACCNUMBER = 1000;
            v60.rec.QTY = Decimal(1);
            v60.rec.DEBIT = Decimal::of("20.00");
            v60.rec.VATCODE = "01";
            v60.rec.VATAMOUNT = Decimal::of("3.00");
            v60.rec.NETTAMOUNT = Decimal::of("23.00");
            v60.rec.OPERATORNO = "OP1";
            if (v60.add() != ErrNone) ::_exit(2);
            till.LOC.PAYMENT = 1;
            till.LOC.TOTALAMOUNT = till.LOC.PAID = Decimal::of("23.00");
            while (!till.Finished())
                if (++refused > 1000) ::_exit(3);
            ++posted;
            // The quickest cashier still takes a moment before the next Finished.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    const int counts[2] = {posted, refused};
    ::_exit(::write(resultFd, counts, sizeof counts) == sizeof counts ? 0 : 4);
}

// The till posts into history (dated inside the year being deleted) all through the delete; its
// sales are not among the documents counted for the delete and stay.
void BM_TillFinishedWhileDeleting(benchmark::State& state) {
    int refused = 0, posted = 0;
    for (auto _ : state) {
        support::TempFolder folder;
        seedHistory(folder.path());
        int result[2], stop[2];
        if (::pipe(result) != 0 || ::pipe(stop) != 0) {
            state.SkipWithError("no pipe");
            break;
        }
        const pid_t till = ::fork();
        if (till == 0) {
            ::close(result[0]);
            ::close(stop[1]);
            tillUntilStopped(folder.path(), stop[0], result[1]);
        }
        ::close(result[1]);
        ::close(stop[0]);
        double seconds = 0, cpu = 0;
        std::size_t deleted = 0;
        std::string error = deleteYear(folder.path(), seconds, deleted, cpu);
        [[maybe_unused]] auto w = ::write(stop[1], "x", 1);
        int counts[2] = {0, 0};
        if (::read(result[0], counts, sizeof counts) != sizeof counts && error.empty()) error = "the till stopped early";
        int status = 0;
        ::waitpid(till, &status, 0);
        ::close(result[0]);
        ::close(stop[1]);
        posted += counts[0];
        refused += counts[1];
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["posted"] = posted;
    state.counters["refused"] = refused;
}
BENCHMARK(BM_TillFinishedWhileDeleting)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

}  // namespace
