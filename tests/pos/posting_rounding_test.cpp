// The rounding document posted after a cash sale whose change was rounded up to 5 cents.
#include "data/company_record.h"
#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

TEST_F(PostingTest, RoundedChangeIsPostedAsItsOwnDocument) {
    ring({{"COKE", Decimal(2)}});
    tender(1, Decimal::of("25.98"));  // change 2.98 is paid out as 3.00
    ASSERT_EQ(till_->LOC.VERSKIL, Decimal(2));
    ASSERT_TRUE(finish());

    auto h = headerOf(*ctx_, 1235);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->TRANTYPENUMBER, 7);
    EXPECT_EQ(h->ACCNUMBER, kCashAcc);
    EXPECT_EQ(clip(h->REFERENCE1), "A1235");
    EXPECT_EQ(clip(h->TRANDESC), "Rounding");
    EXPECT_EQ(h->AMOUNT, Decimal::of("0.02"));
    EXPECT_TRUE(h->VAT.isZero());
    EXPECT_EQ(h->NOOFENTRIES, 2);
    EXPECT_EQ(h->TRANNUMBER, 12u);  // the next sale's number
    EXPECT_EQ(h->PAYMETHOD, 1);
    EXPECT_EQ(clip(h->TRANTIME), "");
    EXPECT_EQ(clip(h->REFERENCE2), "");

    auto rows = rowsOf(*ctx_, 1235);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].ACCNUMBER, kDiscAcc);
    EXPECT_EQ(clip(rows[0].CLASSCODE), "E");
    EXPECT_EQ(rows[0].DEBIT, Decimal::of("0.02"));
    EXPECT_EQ(clip(rows[0].DESCRIPTION), "Rounding");
    EXPECT_EQ(rows[0].ENTNUMBER, 0);
    EXPECT_EQ(rows[1].ACCNUMBER, kCashAcc);
    EXPECT_EQ(rows[1].CREDIT, Decimal::of("0.02"));
    EXPECT_EQ(rows[1].RECORDSTATUS, 1);
    EXPECT_EQ(rows[0].DETAILNUMBER + 1, rows[1].DETAILNUMBER);
    EXPECT_GT(rows[0].DETAILNUMBER, rowsOf(*ctx_, 1234).back().DETAILNUMBER);

    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1235u);
    EXPECT_FALSE(historyOf(*ctx_, 1235));
    auto hist = historyOf(*ctx_, 1234);
    EXPECT_EQ(hist->VERSKIL, Decimal::of("0.02"));
    EXPECT_EQ(hist->CHANGE, Decimal::of("3.00"));
    ASSERT_EQ(slips_.size(), 1u);
    EXPECT_EQ(slips_[0].documentNo, 1234u);
    EXPECT_EQ(slips_[0].verskil, Decimal::of("0.02"));
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
    expectSoundDocuments(*ctx_);
}

TEST_F(PostingTest, TheSalesNumberWrapsToOneAfterItsLargestValue) {
    auto& cs10 = ctx_->access<PACS10>();
    ASSERT_EQ(readCompanyRecord(cs10), ErrNone);
    cs10.rec.SALESNUMBER = 65535;
    ASSERT_EQ(cs10.put(), ErrNone);
    till_->LOC.SALESNUMBER = 65535;
    ring({{"COKE", Decimal(2)}});
    tender(1, Decimal::of("25.98"));
    ASSERT_TRUE(finish());
    auto h = headerOf(*ctx_, 1235);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->TRANNUMBER, 1u);
    EXPECT_EQ(till_->LOC.SALESNUMBER, 1);
}

TEST_F(PostingTest, WithoutRoundingTheCounterMovesByOnePerSale) {
    struct Sale {
        std::uint8_t payment;
        const char* paid;
    };
    // Card change is never rounded; cash change already a multiple of 5 cents needs none.
    for (Sale s : {Sale{2, "30.03"}, Sale{1, "30.05"}, Sale{3, "30.02"}}) {
        ring({{"COKE", Decimal(2)}});
        tender(s.payment, Decimal::of(s.paid));
        ASSERT_TRUE(finish());
    }
    EXPECT_EQ(allRecords<PQXT20>(*ctx_).size(), 3u);
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1236u);
    for (std::uint32_t doc : {1234u, 1235u, 1236u}) EXPECT_EQ(clip(headerOf(*ctx_, doc)->TRANDESC), "Point of Sale");
}

TEST_F(PostingTest, CreditNoteRoundingSwapsSidesAndStaysType7) {
    till_->LOC.CREDITNOTE = 1;
    ring({{"BREAD"}});
    tender(1, Decimal::of("23.01"));  // change 0.01 rounded to 0.05: 0.04
    ASSERT_TRUE(finish());
    EXPECT_EQ(headerOf(*ctx_, 1234)->TRANTYPENUMBER, 7);
    auto h = headerOf(*ctx_, 1235);
    EXPECT_EQ(h->TRANTYPENUMBER, 7);
    EXPECT_EQ(h->AMOUNT, Decimal::of("0.04"));
    auto rows = rowsOf(*ctx_, 1235);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].CREDIT, Decimal::of("0.04"));
    EXPECT_TRUE(rows[0].DEBIT.isZero());
    EXPECT_EQ(rows[1].DEBIT, Decimal::of("0.04"));
    EXPECT_TRUE(rows[1].CREDIT.isZero());
    expectSoundDocuments(*ctx_);
}

TEST_F(PostingTest, RoundingAfterATabTakesTheCounterNotTheTabsNumber) {
    auto& v61 = ctx_->access<PQXV61>();
    PQXV60 line = computeLine(*ctx_, {"CAKE", Decimal(2)}, 3);
    copyFields(v61.rec, line);
    v61.rec.CLIENTNO = kCashClient;
    v61.rec.DOCUMENTNO = 1100;
    ASSERT_EQ(v61.add(), ErrNone);
    auto& c11 = ctx_->access<PQXC11>();
    c11.clearBuffer();
    c11.rec.CLIENTNO = kCashClient;
    ASSERT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
    c11.rec.DOCNO = 1100;
    ASSERT_EQ(c11.put(), ErrNone);
    till_->LOC.TAG = 1;
    till_->LOC.TAGACCNUMBER = kCashClient;
    ASSERT_TRUE(till_->TakeUpTab());
    tender(1, till_->LOC.TOTALAMOUNT + Decimal::of("0.02"));
    ASSERT_TRUE(finish());
    EXPECT_TRUE(headerOf(*ctx_, 1100));
    EXPECT_EQ(clip(headerOf(*ctx_, 1234)->TRANDESC), "Rounding");
    EXPECT_FALSE(headerOf(*ctx_, 1101));
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1234u);
}

TEST_F(PostingTest, LeftoverRoundingIsNotPostedAgain) {
    ring({{"COKE", Decimal(2)}});
    tender(1, Decimal::of("25.98"));
    ASSERT_TRUE(finish());
    // The next sale is finished without the Paid field ever being accepted.
    ring({{"MILK"}});
    ASSERT_TRUE(finish());
    EXPECT_EQ(allRecords<PQXT20>(*ctx_).size(), 3u);
    EXPECT_EQ(clip(headerOf(*ctx_, 1236)->TRANDESC), "Point of Sale");
}

TEST_F(PostingTest, RoutinesRunOnTheirOwnTransactions) {
    ring({{"COKE"}, {"BREAD"}});
    till_->LOC.PAYMENT = 1;
    ASSERT_TRUE(till_->UpdateTransaction());
    EXPECT_EQ(till_->LOC.DOCUMENTNO, 1234u);
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1234u);
    till_->LOC.PAID = Decimal::of("40.00");
    ASSERT_TRUE(till_->WriteHistory());
    EXPECT_EQ(historyOf(*ctx_, 1234)->PAID, Decimal::of("40.00"));
    till_->LOC.VERSKIL = Decimal::of("0.03");
    ASSERT_TRUE(till_->PostRounding());
    EXPECT_EQ(headerOf(*ctx_, 1235)->AMOUNT, Decimal::of("0.03"));
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
    expectSoundDocuments(*ctx_);
}

}  // namespace
}  // namespace tavlo::posting_test
