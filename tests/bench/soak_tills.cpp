// Soak: eight tills (TAVLO_SOAK_TILLS) ring up 1 000 sales each (TAVLO_SOAK_SALES) on one data
// folder while tills are killed at random moments and started again, as power cuts and crashes
// would. Each sale's lines carry its till and sequence number in their description, so the
// posted documents can be matched to the sales afterwards. Reports: sales posted, lost (a sale
// its till saw finished that is not in the tables), duplicated (one sale in two documents),
// unbalanced documents, and Finished presses refused for a lock. Not run in CI.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
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

int envInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
}

FixedClock soakClock(dayNumber(2024, 3, 15), 12 * 360000);

std::string tag(int till, int seq) { return "T" + std::to_string(till) + " S" + std::to_string(seq); }

// The last sequence number the till's log says was finished, -1 none.
int lastDone(const std::filesystem::path& log) {
    std::ifstream in(log);
    std::string word;
    int seq, last = -1;
    while (in >> word >> seq) last = std::max(last, seq);
    return last;
}

// One till's life until it has finished `sales` sales or is killed. Refused presses go to the log.
[[noreturn]] void till(const std::filesystem::path& folder, int no, int sales) {
    setClock(&soakClock);
    int refused = 0;
    setMessageHandler([&](const MessageRequest& r) {
        ++refused;
        return r.defaultButton;
    });
    const auto logPath = folder / ("soak" + std::to_string(no) + ".log");
    Context ctx(folder);
    ctx.OPERATOR = "OP1";
    TillState t(ctx);
    if (!t.Open()) ::_exit(4);
    std::ofstream log(logPath, std::ios::app);
    auto finish = [&](int seq) {
        while (!t.Finished()) {
        }
        log << "done " << seq << '\n' << std::flush;
        std::ofstream(folder / ("refused" + std::to_string(no) + "-" + std::to_string(::getpid()))) << refused;
    };
    auto& v60 = ctx.access<PQXV60>();
    if (t.tookUpLeftLines()) {  // this till's sale (or another dead till's) left waiting: finish it
        Decimal total;
        v60.clearBuffer();
        v60.SetFileOrder();
        while (v60.next() == ErrNone)
            if (v60.rec.SALESNUMBER == t.LOC.SALESNUMBER) total += v60.rec.NETTAMOUNT;
        t.LOC.TOTALAMOUNT = total;
        t.LOC.PAYMENT = 2;
        t.LOC.PAID = total;
        while (!t.Finished()) {
        }
    }
    // Sales after the last one logged may have been posted (killed before the log line) or be
    // waiting on another screen that took them up: those are not rung up again.
    // The working lines first: a sale another screen finishes meanwhile moves from there to the
    // posted rows in one commit, so read in this order it is seen in one place or the other. A
    // walk that meets another till's commit (busy) is read again from the start: a walk cut
    // short would take a sale still waiting for one that was lost.
    std::set<std::string> seen;
    auto& t21 = ctx.access<PQXT21>();
    for (bool whole = false; !whole;) {
        seen.clear();
        whole = true;
        for (FileManagerBase* file : {static_cast<FileManagerBase*>(&v60), static_cast<FileManagerBase*>(&t21)}) {
            file->UseFile();
            file->clearBuffer();
            file->SetFileOrder();
            StoreError rc;
            while ((rc = file->next()) == ErrNone) {
                if (file == &v60) seen.insert(clip(v60.rec.DESCRIPTION));
                else seen.insert(clip(t21.rec.DESCRIPTION));
            }
            if (rc != ErrNoRecord) whole = false;
        }
    }
    int seq = lastDone(logPath) + 1;
    while (seq < sales && seen.count(tag(no, seq))) ++seq;
    std::mt19937 rng(static_cast<unsigned>(no * 1000003 + seq));
    for (; seq < sales; ++seq) {
        const int n = 1 + static_cast<int>(rng() % 5);
        {
            auto tx = ctx.transaction<PQXV60>(std::chrono::seconds(30));
            if (!tx.active()) ::_exit(5);
            for (int i = 0; i < n; ++i) {
                v60.clearBuffer();
                v60.rec.SALESNUMBER = t.LOC.SALESNUMBER;
                v60.rec.TRANSDATE = today();
                v60.rec.CLASSCODE = "A";
                v60.rec.ACCNUMBER = 1000;
                v60.rec.QTY = Decimal(1);
                v60.rec.DESCRIPTION = tag(no, seq);
                v60.rec.DEBIT = Decimal::of("20.00");
                v60.rec.VATCODE = "01";
                v60.rec.VATAMOUNT = Decimal::of("3.00");
                v60.rec.NETTAMOUNT = Decimal::of("23.00");
                v60.rec.ITEMCODE = "ITEM" + std::to_string(i);
                v60.rec.OPERATORNO = "OP1";
                if (v60.add() != ErrNone) ::_exit(6);
            }
            if (!tx.commit()) ::_exit(7);
        }
        t.LOC.TOTALAMOUNT = Decimal::of("23.00") * Decimal(n);
        t.LOC.PAYMENT = 1;
        t.LOC.PAID = t.LOC.TOTALAMOUNT;
        t.LOC.CHANGE = Decimal();
        t.LOC.VERSKIL = Decimal();
        finish(seq);
    }
    ::_exit(0);
}

void SoakTills(benchmark::State& state) {
    const int tills = envInt("TAVLO_SOAK_TILLS", 8);
    const int sales = envInt("TAVLO_SOAK_SALES", 1000);
    setSyncWrites(true);
    for (auto _ : state) {
        support::TempFolder temp;
        const auto folder = temp.path();
        support::seedBenchShop(folder, 0);
        std::map<pid_t, int> running;
        std::map<int, int> doneAtStart;  // a till is killed again only once it has finished a sale
        std::set<int> done;
        auto logOf = [&](int no) { return folder / ("soak" + std::to_string(no) + ".log"); };
        auto start = [&](int no) {
            doneAtStart[no] = lastDone(logOf(no));
            pid_t p = ::fork();
            if (p == 0) till(folder, no, sales);
            running[p] = no;
        };
        for (int i = 0; i < tills; ++i) start(i);
        std::mt19937 rng(99);
        int kills = 0, endedEarly = 0, status = 0;
        while (!running.empty()) {
            ::usleep(50000 + rng() % 400000);
            // Reap the tills that ended; a till that ended with an error counts as a failure.
            for (pid_t p; (p = ::waitpid(-1, &status, WNOHANG)) > 0;) {
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                    ++endedEarly;
                    std::fprintf(stderr, "till %d ended early: status %d\n", running[p], status);
                }
                done.insert(running[p]);
                running.erase(p);
            }
            if (running.empty()) break;
            // Restarting reads every posted row, which grows: a till that is killed again before
            // it is back would never finish.
            auto victim = std::next(running.begin(), static_cast<long>(rng() % running.size()));
            if (lastDone(logOf(victim->second)) <= doneAtStart[victim->second]) continue;
            ::kill(victim->first, SIGKILL);
            ::waitpid(victim->first, nullptr, 0);
            const int no = victim->second;
            running.erase(victim);
            ++kills;
            start(no);  // it goes on from where it was, or ends at once when all its sales are done
        }

        // What the tables hold against what the tills saw finished.
        Context ctx(folder);
        auto& t21 = ctx.access<PQXT21>();
        auto& t20 = ctx.access<PQXT20>();
        t21.UseFile();
        t20.UseFile();
        std::map<std::string, std::set<std::uint32_t>> docsOf;
        std::map<std::uint32_t, std::pair<Decimal, Decimal>> sides;
        t21.clearBuffer();
        t21.SetFileOrder();
        while (t21.next() == ErrNone) {
            sides[t21.rec.DOCUMENTNO].first += t21.rec.DEBIT;
            sides[t21.rec.DOCUMENTNO].second += t21.rec.CREDIT;
            if (t21.rec.RECORDSTATUS == 0) docsOf[clip(t21.rec.DESCRIPTION)].insert(t21.rec.DOCUMENTNO);
        }
        long lost = 0, duplicated = 0, unbalanced = 0, refused = 0;
        for (const auto& [doc, s] : sides) unbalanced += s.first != s.second;
        for (const auto& [sale, docs] : docsOf) duplicated += docs.size() > 1;
        for (int no = 0; no < tills; ++no) {
            std::ifstream in(folder / ("soak" + std::to_string(no) + ".log"));
            std::string word;
            int seq;
            while (in >> word >> seq) lost += docsOf.count(tag(no, seq)) == 0;
        }
        for (const auto& e : std::filesystem::directory_iterator(folder))
            if (e.path().filename().string().rfind("refused", 0) == 0) {
                std::ifstream in(e.path());
                long n = 0;
                in >> n;
                refused += n;
            }
        state.counters["posted"] = static_cast<double>(docsOf.size());
        state.counters["lost"] = static_cast<double>(lost);
        state.counters["duplicated"] = static_cast<double>(duplicated);
        state.counters["unbalanced"] = static_cast<double>(unbalanced);
        state.counters["kills"] = kills;
        state.counters["refused_for_lock"] = static_cast<double>(refused);
        state.counters["ended_early"] = endedEarly;
        if (lost == 0 && duplicated == 0 && unbalanced == 0 && endedEarly == 0) std::filesystem::remove_all(folder);
        else std::fprintf(stderr, "kept for a look: %s\n", folder.c_str());
    }
}
BENCHMARK(SoakTills)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
