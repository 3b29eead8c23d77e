// Many random sales: every document balances, its amount and VAT are the sums of its rows, and
// its history is the posted rows plus paid, change and rounding.
#include <map>
#include <random>

#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

struct Expected {
    Decimal amount;   // the sale's total
    Decimal paid, change, verskil;
    std::uint16_t type = 0;
    bool creditNote = false;
};

class PostingProperty : public PostingTest {
protected:
    std::mt19937 rng_{20240315};
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }

    LineSpec randomLine(const Decimal& happyHour) {
        static const char* items[] = {"COKE", "BREAD", "MILK", "DIESEL", "CAKE"};
        static const char* quantities[] = {"1", "2", "3", "0.5", "1.25", "12", "7.333"};
        static const char* discounts[] = {"0", "0", "0", "10", "12.5", "33.33"};
        LineSpec s;
        s.itemCode = items[pick(5)];
        s.qty = Decimal::of(quantities[pick(7)]);
        s.discount = Decimal::of(discounts[pick(6)]);
        s.happyHour = happyHour;
        s.operatorNo = chance(50) ? "OP1" : "OP2";
        return s;
    }

    // Opens a tab for the cash client the way Print Tab does: a number from the counter, the
    // marker set, lines stored; returns the tab's number.
    std::uint32_t openTab(int visits) {
        auto& cs10 = ctx_->access<PACS10>();
        cs10.clearBuffer();
        cs10.SetFileOrder();
        EXPECT_EQ(cs10.next(), ErrNone);
        std::uint32_t tabNo = std::max(cs10.rec.LASTDOCNR, till_->CS10.LASTDOCNR) + 1;
        cs10.rec.LASTDOCNR = tabNo;
        EXPECT_EQ(cs10.put(), ErrNone);
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = kCashClient;
        EXPECT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
        c11.rec.DOCNO = tabNo;
        EXPECT_EQ(c11.put(), ErrNone);
        auto& v61 = ctx_->access<PQXV61>();
        for (int v = 0; v < visits; ++v) {
            for (int n = 1 + pick(3); n > 0; --n) {
                PQXV60 line = computeLine(*ctx_, randomLine(Decimal()), till_->LOC.SALESNUMBER);
                v61.clearBuffer();
                copyFields(v61.rec, line);
                v61.rec.CLIENTNO = kCashClient;
                v61.rec.DOCUMENTNO = tabNo;
                EXPECT_EQ(v61.add(), ErrNone);
            }
            ++till_->LOC.SALESNUMBER;
        }
        return tabNo;
    }
};

TEST_F(PostingProperty, RandomSalesPostSoundDocumentsAndHistory) {
    std::map<std::uint32_t, Expected> sales;  // by document number
    std::map<std::uint32_t, Decimal> roundings;
    int tabs = 0, creditNotes = 0, debtorSales = 0;
    for (int sale = 0; sale < 250; ++sale) {
        SCOPED_TRACE("sale " + std::to_string(sale));
        TillLocals& L = till_->LOC;
        const bool payTab = chance(10);
        Decimal total;
        if (payTab) {
            ++tabs;
            openTab(1 + pick(3));
            L.TAG = 1;
            L.TAGACCNUMBER = kCashClient;
            L.CASH = 1;
            const Decimal before = L.TOTALAMOUNT;
            EXPECT_TRUE(till_->TakeUpTab());
            total += L.TOTALAMOUNT - before;
        }
        L.CREDITNOTE = !payTab && chance(15) ? 1 : 0;
        creditNotes += L.CREDITNOTE;
        const Decimal happyHour = chance(20) ? Decimal(25) : Decimal();
        std::vector<LineSpec> specs;
        for (int n = (payTab ? pick(3) : 1 + pick(8)); n > 0; --n) specs.push_back(randomLine(happyHour));
        if (!specs.empty()) total += ring(specs);

        std::uint8_t payment = static_cast<std::uint8_t>(1 + pick(4));
        if (payTab && payment == 4) payment = 1;
        if (payment == 4) {
            ++debtorSales;
            L.CASH = 0;
            L.CREDIT = 1;
            L.DEBTOR = chance(50) ? kDebtor : kDebtor2;
            L.ORDERNO = "ORD" + std::to_string(sale);
        } else {
            L.CASH = 1;
            L.CREDIT = 0;
        }
        static const char* extras[] = {"0", "0.01", "0.03", "0.07", "1.50", "10"};
        tender(payment, total + Decimal::of(extras[pick(6)]));
        Expected e{total, L.PAID, L.CHANGE, (L.VERSKIL / Decimal(100)).rounded(2), 0, L.CREDITNOTE == 1};

        ASSERT_TRUE(finish());
        ASSERT_TRUE(messages_.shown.empty()) << messages_.shown.front().text;
        ASSERT_EQ(slips_.size(), static_cast<std::size_t>(sale + 1));
        const std::uint32_t doc = slips_.back().documentNo;
        ASSERT_FALSE(sales.count(doc));
        sales[doc] = e;
        if (!e.verskil.isZero()) roundings[till_->LOC.DOCUMENTNO] = e.verskil;
        EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
        EXPECT_TRUE(allRecords<PQXV61>(*ctx_).empty());
    }
    EXPECT_GT(tabs, 10);
    EXPECT_GT(creditNotes, 10);
    EXPECT_GT(debtorSales, 10);
    EXPECT_GT(roundings.size(), 10u);

    expectSoundDocuments(*ctx_);
    auto headers = allRecords<PQXT20>(*ctx_);
    EXPECT_EQ(headers.size(), sales.size() + roundings.size());
    std::uint32_t highest = 0;
    for (const PQXT20& h : headers) {
        highest = std::max(highest, h.DOCUMENTNO);
        if (auto it = roundings.find(h.DOCUMENTNO); it != roundings.end()) {
            EXPECT_EQ(h.AMOUNT, it->second);
            EXPECT_EQ(h.TRANTYPENUMBER, 7);
            EXPECT_EQ(h.ACCNUMBER, kCashAcc);
            EXPECT_FALSE(historyOf(*ctx_, h.DOCUMENTNO));
            continue;
        }
        auto it = sales.find(h.DOCUMENTNO);
        ASSERT_NE(it, sales.end()) << h.DOCUMENTNO;
        const Expected& e = it->second;
        EXPECT_EQ(h.AMOUNT, e.amount) << h.DOCUMENTNO;
        auto hist = historyOf(*ctx_, h.DOCUMENTNO);
        ASSERT_TRUE(hist);
        EXPECT_EQ(hist->PAID, e.paid);
        EXPECT_EQ(hist->CHANGE, e.change);
        EXPECT_EQ(hist->VERSKIL, e.verskil);
        if (e.creditNote) {
            EXPECT_TRUE(h.TRANTYPENUMBER == 7 || h.TRANTYPENUMBER == 39);
        }
    }
    EXPECT_EQ(company(*ctx_).LASTDOCNR, highest);
    EXPECT_EQ(allRecords<PQXH20>(*ctx_).size(), sales.size());
}

}  // namespace
}  // namespace tavlo::posting_test
