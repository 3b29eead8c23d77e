// Print Tab in till processes killed at random moments: every visit's lines are either all on the
// owner's tab (under the tab number written on the owner) or all still in the working lines,
// where the next screen to open takes them up. Never both, never neither.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <set>
#include <thread>

#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

constexpr int kTills = 2;
constexpr int kLinesPerVisit = 3;

std::string visitTag(int till, int visit) { return "T" + std::to_string(till) + " V" + std::to_string(visit); }

// One till: visit after visit for the cash client, each stored by Print Tab, until killed.
[[noreturn]] void printTabsUntilKilled(const std::filesystem::path& folder, int till, int firstVisit) try {
    setMessageHandler([](const MessageRequest& r) {
        std::fprintf(stderr, "till box: %s: %s\n", r.title.c_str(), r.text.c_str());
        return r.defaultButton;
    });
    Context ctx(folder);
    useAllTables(ctx);
    TillState t(ctx);
    if (!t.Open()) ::_exit(4);
    for (int visit = firstVisit;; ++visit) {
        std::vector<PQXV60> lines;
        for (const char* code : {"COKE", "BREAD", "MILK"}) {
            LineSpec spec(code);
            spec.description = visitTag(till, visit);
            lines.push_back(computeLine(ctx, spec, t.LOC.SALESNUMBER));
        }
        addLines(ctx, lines);
        t.LOC.TAG = 1;
        t.LOC.TAGACCNUMBER = kCashClient;
        while (!t.UpdateTag()) {
        }
    }
} catch (const std::exception& e) {
    std::fprintf(stderr, "till %d ended: %s\n", till, e.what());
    ::_exit(5);
}

TEST(PrintTabKilled, EveryVisitIsWhollyOnTheTabOrWhollyWaiting) {
    MessageLog messages;
    FixedClock clock(dayNumber(2024, 3, 15), 0);
    setClock(&clock);
    TempFolder folder;
    {
        Context ctx(folder.path());
        useAllTables(ctx);
        seedMasterData(ctx);
        for (const TableDef* t : dictionaryTables()) ctx.access(*t).records();  // every file made
    }
    std::mt19937 rng(11);
    int nextVisit[kTills] = {};
    int killedMidWay = 0;
    for (int round = 0; round < 16; ++round) {
        pid_t children[kTills];
        for (int t = 0; t < kTills; ++t)
            if ((children[t] = ::fork()) == 0) printTabsUntilKilled(folder.path(), t, nextVisit[t]);
        std::this_thread::sleep_for(std::chrono::microseconds(30000 + rng() % 150000));
        for (pid_t c : children) ::kill(c, SIGKILL);
        for (pid_t c : children) {
            int status = 0;
            ::waitpid(c, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status)) << "a till ended by itself: " << WEXITSTATUS(status);
        }
        for (const auto& e : std::filesystem::directory_iterator(folder.path()))
            if (e.path().string().find("journal") != std::string::npos) {
                ++killedMidWay;
                break;
            }

        Context ctx(folder.path());
        useAllTables(ctx);
        auto& c11 = ctx.access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = kCashClient;
        ASSERT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
        const std::uint32_t tab = c11.rec.DOCNO;
        std::map<std::string, int> onTab, waiting;
        for (const PQXV61& l : allRecords<PQXV61>(ctx)) {
            ++onTab[clip(l.DESCRIPTION)];
            EXPECT_EQ(l.CLIENTNO, kCashClient);
            EXPECT_EQ(l.DOCUMENTNO, tab) << "a line on a tab the owner does not show";
        }
        if (!onTab.empty()) {
            EXPECT_EQ(tab, 1234u) << "the first tab's number from the counter, once";
        }
        std::map<std::uint16_t, std::set<std::string>> visitsUnder;
        for (const PQXV60& l : allRecords<PQXV60>(ctx)) {
            ++waiting[clip(l.DESCRIPTION)];
            visitsUnder[l.SALESNUMBER].insert(clip(l.DESCRIPTION));
        }
        // Each till's visits are numbered from 0 with no gap: a visit missing before a later one is lost.
        std::set<std::string> visits;
        for (const auto* seen : {&onTab, &waiting})
            for (const auto& [v, n] : *seen) visits.insert(v);
        std::size_t walked = 0;
        for (int t = 0; t < kTills; ++t) {
            int visit = 0;
            for (;; ++visit, ++walked) {
                const std::string v = visitTag(t, visit);
                const int stored = onTab.count(v) ? onTab[v] : 0, left = waiting.count(v) ? waiting[v] : 0;
                if (stored == 0 && left == 0) break;
                EXPECT_TRUE((stored == kLinesPerVisit && left == 0) || (stored == 0 && left == kLinesPerVisit))
                    << v << ": " << stored << " on the tab, " << left << " waiting";
            }
            nextVisit[t] = visit;
        }
        EXPECT_EQ(walked, visits.size()) << "a visit is lost";

        // The next screens take the waiting visits up, one each, and store them on the tab.
        for (std::size_t n = 0;; ++n) {
            TillState next(ctx);
            ASSERT_TRUE(next.Open());
            if (!next.tookUpLeftLines()) {
                EXPECT_EQ(n, visitsUnder.size());
                break;
            }
            ASSERT_EQ(visitsUnder.count(next.LOC.SALESNUMBER), 1u);
            EXPECT_EQ(visitsUnder[next.LOC.SALESNUMBER].size(), 1u) << "one visit per screen";
            next.LOC.TAG = 1;
            next.LOC.TAGACCNUMBER = kCashClient;
            ASSERT_TRUE(next.UpdateTag());
        }
        EXPECT_TRUE(allRecords<PQXV60>(ctx).empty());
    }
    RecordProperty("killed_inside_a_transaction", killedMidWay);
    EXPECT_GT(killedMidWay, 0) << "no kill landed inside a transaction";
    setClock(nullptr);
}

}  // namespace
}  // namespace tavlo::posting_test
