// Tabs at the counter: a client's items stored over several visits, each visit's slip printed,
// the whole tab paid later as one sale.
#include <sstream>

#include "reports/pdf_writer.h"
#include "till_fixture.h"
#include "../reports/report_tools.h"

namespace tavlo::till_test {
namespace {

class Tabs : public TillTest {
protected:
    void ownerFromList(const std::string& list, int row) {
        rt_.onOpen(list, [row](TestWindow& s) {
            s.selectRow("List", row);
            s.press("Select");
        });
    }
    // Ticks Tag with the owner picked from its list (row in the list), then rings up the items.
    void visit(int ownerRow, const std::vector<std::string>& items) {
        TestWindow& w = *till_;
        ownerFromList(loc().CASH == 1 ? "SelectCashClient" : "SelectA10DebtorsTag", ownerRow);
        if (w.checked("Tag")) w.tick("Tag", false);
        w.tick("Tag", true);
        for (const std::string& item : items) ring(item);
        if (screen_->list().editing()) w.edit("List", "", Key::of(Key::Esc));
    }
    std::vector<PQXV61> stored() { return allRecords<PQXV61>(*ctx_); }
    std::uint32_t cashMarker(std::uint32_t client) {
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = client;
        return c11.get(PC11::ClientNoKey) == ErrNone ? c11.rec.DOCNO : 0;
    }
    std::string slipText(const report::ReportOutput& out) {
        const auto pdf = scratch_ / ("slip" + std::to_string(++pdfs_) + ".pdf");
        EXPECT_TRUE(report::writePdf(out.pages, out.pdf, pdf.string()).ok);
        return report::testing::pdfText(pdf);
    }
    report::testing::ScratchFolder scratch_;
    int pdfs_ = 0;
};

TEST_F(Tabs, ACashClientsTabOverThreeVisitsIsPaidAsOneSale) {
    TestWindow& w = openTill();
    visit(0, {"COKE"});
    w.press("PrintTagButton");
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(cashMarker(kCashClient), 1234u) << "the first tab takes the counter's next number";
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1234u);
    EXPECT_FALSE(w.checked("Tag"));
    EXPECT_TRUE(lines().empty());

    visit(0, {"BREAD", "BREAD"});
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("57.50")) << "11.50 taken up and two loaves of 23.00";
    w.press("PrintTagButton");
    ASSERT_EQ(previewer_.shown.size(), 2u);
    EXPECT_EQ(previewer_.shown[1].procedure, "PrintTag");
    const std::string slip = slipText(previewer_.shown[1]);
    EXPECT_NE(slip.find("BREAD"), std::string::npos);
    EXPECT_EQ(slip.find("COKE"), std::string::npos) << "only this visit's lines: " << slip;
    EXPECT_NE(slip.find("46.00"), std::string::npos) << slip;
    EXPECT_NE(slip.find("A1234"), std::string::npos) << slip;
    EXPECT_EQ(stored().size(), 3u);

    visit(0, {"MILK"});
    EXPECT_EQ(lines().size(), 4u);
    w.press("PayTabButton");
    EXPECT_EQ(loc().PAID, Decimal::of("67.49"));
    w.type("Paid", "67.51");  // change 0.02, rounded up to 0.05
    finish();
    auto h = headerOf(*ctx_, 1234);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->AMOUNT, Decimal::of("67.49"));
    EXPECT_EQ(clip(h->REFERENCE1), "A1234");
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(cashMarker(kCashClient), 0u);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(clip(headerOf(*ctx_, 1235)->TRANDESC), "Rounding");
    expectSoundDocuments(*ctx_);
}

TEST_F(Tabs, ADebtorsTabOnCreditIsPaidToTheAccount) {
    TestWindow& w = openTill();
    w.tick("Credit", true);
    ownerFromList("SelectA10Debtors", 0);
    w.press("SelectDebButton");
    ASSERT_EQ(loc().DEBTOR, kDebtor);
    visit(0, {"COKE"});
    w.press("PrintTagButton");
    visit(0, {"CAKE"});
    w.press("PayTabButton");
    finish();
    auto h = headerOf(*ctx_, 1234);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->TRANTYPENUMBER, 35);
    EXPECT_EQ(h->AMOUNT, Decimal::of("18.75"));
    EXPECT_TRUE(stored().empty());
}

TEST_F(Tabs, ACashClientAndADebtorWithOneNumberKeepTheirOwnTabs) {
    {
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = kDebtor;  // the same number as the debtor
        c11.rec.NAME = "Same number";
        ASSERT_EQ(c11.add(), ErrNone);
    }
    TestWindow& w = openTill();
    visit(1, {"COKE"});
    ASSERT_EQ(loc().TAGACCNUMBER, kDebtor);
    w.press("PrintTagButton");
    w.tick("Credit", true);
    ownerFromList("SelectA10Debtors", 0);
    w.press("SelectDebButton");
    visit(0, {"BREAD"});
    EXPECT_EQ(lines().size(), 1u) << "the cash client's tab is not the debtor's";
    w.press("PrintTagButton");
    ASSERT_EQ(stored().size(), 2u);

    visit(0, {});
    w.press("PayTabButton");
    finish();
    auto left = stored();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(clip(left[0].ITEMCODE), "COKE") << "the cash client's tab is intact";
    EXPECT_EQ(cashMarker(kDebtor), 1234u);
}

TEST_F(Tabs, WithoutAnOwnerPrintTabIsRefusedAndTheLinesKept) {
    TestWindow& w = openTill();
    rt_.onOpen("SelectCashClient", [](TestWindow& s) {
        s.selectRow("List", 0);
        s.press("Cancel");  // a highlighted row is not a choice
    });
    w.tick("Tag", true);
    EXPECT_EQ(loc().TAGACCNUMBER, 0u);
    ring("COKE");
    w.edit("List", "", Key::of(Key::Esc));
    rt_.messages.clear();
    w.press("PrintTagButton");
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].text, "Choose the tab's owner first.");
    EXPECT_EQ(lines().size(), 1u);
    EXPECT_TRUE(stored().empty());
}

TEST_F(Tabs, AnotherDebtorsTabIsNotLoadedAndTickingTwiceLoadsOnce) {
    TestWindow& w = openTill();
    w.tick("Credit", true);
    ownerFromList("SelectA10Debtors", 0);
    w.press("SelectDebButton");
    visit(0, {"COKE"});
    w.press("PrintTagButton");
    ASSERT_EQ(stored().size(), 1u);

    // The credit sale is for debtor two; debtor one's tab is picked.
    ownerFromList("SelectA10Debtors", 1);
    w.press("SelectDebButton");
    ASSERT_EQ(loc().DEBTOR, kDebtor2);
    rt_.messages.clear();
    visit(0, {});
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].text, "Debtor is not the same as the debtor for credit purchases");
    EXPECT_TRUE(lines().empty()) << "nothing of the other debtor's tab";

    ownerFromList("SelectA10Debtors", 0);
    w.press("SelectDebButton");
    visit(0, {});
    EXPECT_EQ(lines().size(), 1u);
    visit(0, {});  // Tag cleared and ticked again for the same owner
    EXPECT_EQ(lines().size(), 1u) << "never charged twice";
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("11.50"));
}

}  // namespace
}  // namespace tavlo::till_test

namespace tavlo::posting_test {
namespace {

class TabPosting : public PostingTest {
protected:
    // A visit on the cash client's tab stored through Print Tab's routine.
    void storeVisit(TillState& till, Context& ctx, const std::vector<LineSpec>& specs) {
        std::vector<PQXV60> lines;
        for (const LineSpec& s : specs) lines.push_back(computeLine(ctx, s, till.LOC.SALESNUMBER));
        addLines(ctx, lines);
        till.LOC.TAG = 1;
        till.LOC.TAGACCNUMBER = kCashClient;
        ASSERT_TRUE(till.UpdateTag());
    }
    std::uint32_t marker() {
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = kCashClient;
        EXPECT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
        return c11.rec.DOCNO;
    }
};

TEST_F(TabPosting, OneTillAtATimePaysATabAndLinesAddedMeanwhileStayOnIt) {
    storeVisit(*till_, *ctx_, {{"COKE"}, {"MILK"}});
    ASSERT_EQ(marker(), 1234u);

    Context payingCtx(folder_.path());
    useAllTables(payingCtx);
    TillState paying(payingCtx);
    ASSERT_TRUE(paying.Open());
    paying.LOC.TAG = 1;
    paying.LOC.TAGACCNUMBER = kCashClient;
    ASSERT_TRUE(paying.TakeUpTab());

    messages_.shown.clear();
    till_->LOC.TAG = 1;
    till_->LOC.TAGACCNUMBER = kCashClient;
    EXPECT_FALSE(till_->TakeUpTab()) << "the tab is being paid at the other till";
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, "This tab is open at another till.|Finish it there first.");
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).size() == 2u) << "only the paying till's copies";

    storeVisit(*till_, *ctx_, {{"BREAD"}});  // a round ordered at this till meanwhile
    settle(paying.LOC, 2, paying.LOC.TOTALAMOUNT);
    ASSERT_TRUE(paying.Finished());
    EXPECT_EQ(headerOf(*ctx_, 1234)->AMOUNT, Decimal::of("21.49"));
    auto left = allRecords<PQXV61>(*ctx_);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(clip(left[0].ITEMCODE), "BREAD") << "never deleted unposted";
    EXPECT_EQ(marker(), 1234u) << "the tab stays open for what is still on it";
}

TEST_F(TabPosting, PrintTabIsAllOrNothingWhereverItFails) {
    ring({{"COKE"}, {"BREAD"}});
    till_->LOC.TAG = 1;
    till_->LOC.TAGACCNUMBER = kCashClient;
    auto state = [&] {
        std::ostringstream s;
        for (const PQXV60& l : allRecords<PQXV60>(*ctx_)) s << "60 " << l.ITEMCODE << l.SALESNUMBER << ';';
        for (const PQXV61& l : allRecords<PQXV61>(*ctx_)) s << "61 " << l.ITEMCODE << l.DOCUMENTNO << ';';
        s << marker() << ' ' << company(*ctx_).LASTDOCNR << ' ' << company(*ctx_).SALESNUMBER;
        return s.str();
    };
    const std::string before = state();
    const TillLocals locBefore = till_->LOC;
    for (int n = 1;; ++n) {
        SCOPED_TRACE("failing write " + std::to_string(n));
        bool hit = false;
        till_->setWriteFault([&](const WriteSite& w) {
            if (w.sequence != n) return 0;
            hit = true;
            return static_cast<int>(ErrEngine);
        });
        const bool stored = static_cast<bool>(till_->UpdateTag());
        if (!hit) {
            ASSERT_TRUE(stored);
            EXPECT_GT(n, 5);
            break;
        }
        ASSERT_FALSE(stored);
        EXPECT_EQ(state(), before);
        EXPECT_EQ(till_->LOC.SALESNUMBER, locBefore.SALESNUMBER);
    }
    EXPECT_EQ(allRecords<PQXV61>(*ctx_).size(), 2u);
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
    EXPECT_EQ(marker(), 1234u);
}

}  // namespace
}  // namespace tavlo::posting_test
