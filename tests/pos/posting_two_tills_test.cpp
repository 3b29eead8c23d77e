// Two processes posting into the same tables at the same time: every document number unique,
// every document balanced, nothing lost.
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

constexpr int kSalesPerTill = 40;

std::vector<LineSpec> tillSale(int till, int i) {
    static const char* items[] = {"COKE", "BREAD", "MILK", "DIESEL", "CAKE"};
    std::vector<LineSpec> specs;
    for (int n = 0; n < 2 + (i + till) % 5; ++n) specs.push_back({items[(i * 3 + n + till) % 5], Decimal(1 + n % 3)});
    return specs;
}

std::uint16_t salesNumber(int till, int i) { return static_cast<std::uint16_t>(1000 * (till + 1) + i * 2); }

// One till: waits for the start signal, then rings up and finishes its sales. A Finished that
// could not get the locks within its wait is pressed again, as the operator would.
[[noreturn]] void runTill(const std::filesystem::path& folder, int tillNo, int startFd) {
    int busy = 0;
    setMessageHandler([&](const MessageRequest& r) {
        ++busy;
        return r.defaultButton;
    });
    char go;
    if (::read(startFd, &go, 1) != 1) ::_exit(3);
    Context ctx(folder);
    useAllTables(ctx);
    TillState till(ctx);
    till.Open();
    for (int i = 0; i < kSalesPerTill; ++i) {
        till.LOC.SALESNUMBER = salesNumber(tillNo, i);
        std::vector<PQXV60> lines;
        for (const LineSpec& s : tillSale(tillNo, i)) lines.push_back(computeLine(ctx, s, till.LOC.SALESNUMBER));
        Decimal total = addLines(ctx, lines);
        till.LOC.TOTALAMOUNT = total;
        till.LOC.PAYMENT = static_cast<std::uint8_t>(1 + i % 3);
        till.LOC.PAID = total;
        till.LOC.VERSKIL = i % 4 == 0 && till.LOC.PAYMENT == 1 ? Decimal(2) : Decimal();
        int attempts = 0;
        while (!till.Finished())
            if (++attempts == 50) ::_exit(2);
    }
    ::_exit(0);
}

TEST(PostingTwoTills, BothTillsPostEverySaleUnderUniqueNumbers) {
    MessageLog messages;
    FixedClock clock(dayNumber(2024, 3, 15), 0);
    support::ProgramStateGuard state({.clock = &clock});
    TempFolder folder;
    {
        // The table files exist before the tills start: two processes creating the same file
        // at the same moment is a matter for the storage, not for posting.
        Context ctx(folder.path());
        useAllTables(ctx);
        for (const TableDef* t : dictionaryTables()) ASSERT_EQ(ctx.access(*t).OpenNow(), LevelBenign);
        seedMasterData(ctx);
    }
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    pid_t tills[2];
    for (int t = 0; t < 2; ++t) {
        tills[t] = ::fork();
        ASSERT_GE(tills[t], 0);
        if (tills[t] == 0) {
            ::close(start[1]);
            runTill(folder.path(), t, start[0]);
        }
    }
    ::close(start[0]);
    ASSERT_EQ(::write(start[1], "gg", 2), 2);
    ::close(start[1]);
    for (pid_t p : tills) {
        int status = 0;
        ::waitpid(p, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    Context ctx(folder.path());
    useAllTables(ctx);
    expectSoundDocuments(ctx);
    std::set<std::uint32_t> numbers;
    std::map<std::uint32_t, Decimal> saleAmount;  // by sales number
    int roundings = 0;
    for (const PQXT20& h : allRecords<PQXT20>(ctx)) {
        EXPECT_TRUE(numbers.insert(h.DOCUMENTNO).second);
        if (clip(h.TRANDESC) == "Rounding") {
            ++roundings;
            EXPECT_EQ(h.AMOUNT, Decimal::of("0.02"));
            continue;
        }
        EXPECT_FALSE(saleAmount.count(h.TRANNUMBER)) << "sale posted twice";
        saleAmount[h.TRANNUMBER] = h.AMOUNT;
    }
    int expectedRoundings = 0;
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < kSalesPerTill; ++i) {
            Decimal total;
            for (const LineSpec& s : tillSale(t, i)) total += computeLine(ctx, s, 0).NETTAMOUNT;
            auto it = saleAmount.find(salesNumber(t, i));
            ASSERT_NE(it, saleAmount.end()) << "till " << t << " sale " << i << " lost";
            EXPECT_EQ(it->second, total);
            if (i % 4 == 0 && 1 + i % 3 == 1) ++expectedRoundings;
        }
    EXPECT_EQ(saleAmount.size(), 2u * kSalesPerTill);
    EXPECT_EQ(roundings, expectedRoundings);
    EXPECT_TRUE(allRecords<PQXV60>(ctx).empty());
    EXPECT_EQ(company(ctx).LASTDOCNR, *numbers.rbegin());
    EXPECT_EQ(allRecords<PQXH20>(ctx).size(), 2u * kSalesPerTill);
}

}  // namespace
}  // namespace tavlo::posting_test
