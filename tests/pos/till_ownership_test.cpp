// A sale's working lines belong to one till screen: other screens on the folder never post,
// clear or show them, and lines left by a till that died come back whole as the next screen's sale.
#include <unistd.h>

#include "posting_fixture.h"
#include "reports/daily_cashup.h"

namespace tavlo::posting_test {
namespace {

Decimal ringOn(Context& ctx, TillState& till, const std::vector<LineSpec>& specs) {
    std::vector<PQXV60> lines;
    for (const LineSpec& s : specs) lines.push_back(computeLine(ctx, s, till.LOC.SALESNUMBER));
    Decimal total = addLines(ctx, lines);
    till.LOC.TOTALAMOUNT = total;
    return total;
}

TEST_F(PostingTest, ClosingOneScreenLeavesAnotherScreensSaleAlone) {
    Context otherCtx(folder_.path());
    useAllTables(otherCtx);
    TillState other(otherCtx);
    ASSERT_TRUE(other.Open());
    EXPECT_NE(other.LOC.SALESNUMBER, till_->LOC.SALESNUMBER);

    const Decimal mine = ring({{"COKE", Decimal(2)}, {"MILK"}});
    ringOn(otherCtx, other, {{"BREAD", Decimal(3)}});
    ASSERT_TRUE(other.ClearV60());  // the other till closes and throws its sale away
    EXPECT_EQ(allRecords<PQXV60>(*ctx_).size(), 2u);

    tender(2, mine);
    ASSERT_TRUE(finish());
    auto h = headerOf(*ctx_, slips_.back().documentNo);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->AMOUNT, mine);
    EXPECT_EQ(h->NOOFENTRIES, 2 + 1 + 1) << "two items, COKE's VAT row, the control row";
}

TEST_F(PostingTest, LinesOfAKilledTillComeBackAsOneScreensSaleOnly) {
    int pipeFd[2];
    ASSERT_EQ(::pipe(pipeFd), 0);
    const std::string result = support::inChild([&] {
        Context ctx(folder_.path());
        ctx.OPERATOR = "OP2";
        useAllTables(ctx);
        TillState till(ctx);
        if (!till.Open()) return std::string("did not open");
        ringOn(ctx, till, {{"CAKE", Decimal(2)}, {"DIESEL"}});
        const std::uint16_t n = till.LOC.SALESNUMBER;
        if (::write(pipeFd[1], &n, sizeof n) != sizeof n) return std::string("pipe");
        ::_exit(0);  // killed mid-sale: nothing tidied up
        return std::string();
    });
    EXPECT_EQ(result, "");
    std::uint16_t left = 0;
    ASSERT_EQ(::read(pipeFd[0], &left, sizeof left), static_cast<ssize_t>(sizeof left));
    ::close(pipeFd[0]);
    ::close(pipeFd[1]);
    ASSERT_EQ(allRecords<PQXV60>(*ctx_).size(), 2u);

    // This screen was open all along: it neither shows nor posts them.
    ring({{"COKE"}});
    tender(2, Decimal::of("11.50"));
    ASSERT_TRUE(finish());
    EXPECT_EQ(headerOf(*ctx_, slips_.back().documentNo)->AMOUNT, Decimal::of("11.50"));

    Context reopenedCtx(folder_.path());
    useAllTables(reopenedCtx);
    TillState reopened(reopenedCtx);
    ASSERT_TRUE(reopened.Open());
    EXPECT_TRUE(reopened.tookUpLeftLines());
    EXPECT_EQ(reopened.LOC.SALESNUMBER, left);
    Context thirdCtx(folder_.path());
    useAllTables(thirdCtx);
    TillState third(thirdCtx);
    ASSERT_TRUE(third.Open());
    EXPECT_FALSE(third.tookUpLeftLines()) << "the lines are the reopened screen's now";
    EXPECT_NE(third.LOC.SALESNUMBER, left);

    Decimal total;
    for (const PQXV60& l : allRecords<PQXV60>(reopenedCtx)) total += l.NETTAMOUNT;
    reopened.LOC.TOTALAMOUNT = total;
    settle(reopened.LOC, 2, total);
    ASSERT_TRUE(reopened.Finished());
    EXPECT_EQ(headerOf(reopenedCtx, reopened.LOC.DOCUMENTNO)->AMOUNT, total);
    EXPECT_TRUE(allRecords<PQXV60>(reopenedCtx).empty());
}

TEST_F(PostingTest, TheCashUpCountsTheRoundingsGiven) {
    const Decimal total = ring({{"COKE"}, {"BREAD"}});  // 11.50 + 23.00
    tender(1, Decimal::of("34.52"));                    // change 0.02 rounded up to 0.05
    ASSERT_EQ(till_->LOC.VERSKIL, Decimal(3));
    ASSERT_TRUE(finish());
    const report::CashupTotals totals = report::cashupTotals(*ctx_, "OP1");
    EXPECT_EQ(totals.sales, total - Decimal::of("0.03")) << "the cash in the drawer is 3 cents less";
}

}  // namespace
}  // namespace tavlo::posting_test
