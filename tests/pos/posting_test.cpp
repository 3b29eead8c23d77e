// Posting a sale: documents, rows, numbers, history, tabs and the failures that must write nothing.
#include <limits>

#include "pos/posting_texts.h"
#include "posting_fixture.h"

namespace tavlo::posting_test {
namespace {

using namespace std::chrono_literals;

// ---- the worked example and the shape of a document ----------------------------------------

TEST_F(PostingTest, CashSaleOfOneVatInclusiveLine) {
    Decimal total = ring({{"COKE", Decimal(2)}});
    ASSERT_EQ(total, Decimal::of("23.00"));
    tender(1, Decimal::of("23.00"));
    ASSERT_TRUE(finish());

    auto h = headerOf(*ctx_, 1234);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->TRANTYPENUMBER, 5);
    EXPECT_EQ(h->ACCNUMBER, kCashAcc);
    EXPECT_EQ(clip(h->REFERENCE1), "A1234");
    EXPECT_EQ(clip(h->REFERENCE2), "");
    EXPECT_EQ(clip(h->TRANDESC), "Point of Sale");
    EXPECT_EQ(h->AMOUNT, Decimal::of("23.00"));
    EXPECT_EQ(h->VAT, Decimal::of("3.00"));
    EXPECT_EQ(h->NOOFENTRIES, 3);
    EXPECT_EQ(h->TRANSDATE, dayNumber(2024, 3, 15));
    EXPECT_EQ(clip(h->LOOKUPDATE), "20240315");
    EXPECT_EQ(clip(h->TRANTIME), "14:05");
    EXPECT_EQ(h->TRANNUMBER, 11u);
    EXPECT_EQ(h->PAYMETHOD, 1);

    auto rows = rowsOf(*ctx_, 1234);
    ASSERT_EQ(rows.size(), 3u);
    const PQXT21& item = rows[0];
    EXPECT_EQ(item.DETAILNUMBER, 1u);
    EXPECT_EQ(item.ACCNUMBER, kSalesAcc);
    EXPECT_EQ(clip(item.CLASSCODE), "A");
    EXPECT_EQ(item.CREDIT, Decimal::of("20.00"));
    EXPECT_TRUE(item.DEBIT.isZero());
    EXPECT_EQ(item.VATAMOUNT, Decimal::of("3.00"));
    EXPECT_EQ(clip(item.VATCODE), "01");
    EXPECT_EQ(item.VATDATE, item.TRANSDATE);
    EXPECT_EQ(item.QTY, Decimal(2));
    EXPECT_EQ(item.ENTNUMBER, 3);
    EXPECT_EQ(clip(item.REFERENCE1), "A1234");
    EXPECT_EQ(clip(item.REFERENCE2), "OP1");
    EXPECT_EQ(item.RECORDSTATUS, 0);
    EXPECT_EQ(item.ASSETTRANSACTION, 2);
    EXPECT_EQ(item.ASSETNUMBER, 3000);
    EXPECT_EQ(clip(item.ITEMCODE), "COKE");
    EXPECT_EQ(item.ITEMSTATUS, 2);

    const PQXT21& vat = rows[1];
    EXPECT_EQ(vat.DETAILNUMBER, 2u);
    EXPECT_EQ(clip(vat.CLASSCODE), "I");
    EXPECT_EQ(vat.ACCNUMBER, kVatAcc);
    EXPECT_EQ(vat.CREDIT, Decimal::of("3.00"));
    EXPECT_TRUE(vat.VATAMOUNT.isZero());
    EXPECT_EQ(clip(vat.VATCODE), "");
    EXPECT_EQ(vat.RECORDSTATUS, 1);
    EXPECT_EQ(clip(vat.DESCRIPTION), "Cola 330ml");

    const PQXT21& control = rows[2];
    EXPECT_EQ(control.DETAILNUMBER, 3u);
    EXPECT_EQ(control.ACCNUMBER, kCashAcc);
    EXPECT_EQ(clip(control.CLASSCODE), "K");
    EXPECT_EQ(control.DEBIT, Decimal::of("23.00"));
    EXPECT_TRUE(control.CREDIT.isZero());
    EXPECT_EQ(clip(control.DESCRIPTION), "Point of Sale");
    EXPECT_EQ(clip(control.REFERENCE2), "OP1");
    EXPECT_EQ(control.RECORDSTATUS, 1);

    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1234u);
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
    auto hist = historyOf(*ctx_, 1234);
    ASSERT_TRUE(hist);
    EXPECT_EQ(hist->PAID, Decimal::of("23.00"));
    EXPECT_TRUE(hist->CHANGE.isZero());
    EXPECT_TRUE(hist->VERSKIL.isZero());
    expectSoundDocuments(*ctx_);
    ASSERT_EQ(slips_.size(), 1u);
    EXPECT_EQ(slips_[0].documentNo, 1234u);
    EXPECT_EQ(till_->LOC.SALESNUMBER, 12);
    EXPECT_EQ(till_->LOC.DOCUMENTNO, 1234u);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(PostingTest, AfrikaansDescriptions) {
    GLO.LANGUAGENO = 2;
    ring({{"COKE", Decimal(2)}});
    tender(1, Decimal::of("25.98"));
    ASSERT_TRUE(finish());
    EXPECT_EQ(clip(headerOf(*ctx_, 1234)->TRANDESC), "Verkooppunt");
    EXPECT_EQ(clip(headerOf(*ctx_, 1235)->TRANDESC), "Afronding");
}

struct SideCase {
    std::uint8_t payment;
    int creditNote;
    std::uint16_t type;
    std::uint16_t control;
    const char* reference2;
};

class PostingSides : public PostingTest, public ::testing::WithParamInterface<SideCase> {};

TEST_P(PostingSides, TypeControlAccountAndSides) {
    const SideCase c = GetParam();
    till_->LOC.CREDITNOTE = c.creditNote;
    till_->LOC.DEBTOR = kDebtor;
    till_->LOC.ORDERNO = "ORD-17";
    Decimal total = ring({{"COKE"}, {"BREAD", Decimal(2)}, {"MILK"}});
    tender(c.payment, total);
    ASSERT_TRUE(finish());

    auto h = headerOf(*ctx_, 1234);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->TRANTYPENUMBER, c.type);
    EXPECT_EQ(h->ACCNUMBER, c.control);
    EXPECT_EQ(clip(h->REFERENCE2), c.reference2);
    EXPECT_EQ(h->PAYMETHOD, c.payment);
    EXPECT_EQ(h->NOOFENTRIES, 6);  // three item rows, two VAT rows, the control row
    EXPECT_EQ(h->AMOUNT, total);
    auto rows = rowsOf(*ctx_, 1234);
    ASSERT_EQ(rows.size(), 6u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool control = i + 1 == rows.size();
        // A sale credits its lines and debits the control account; a credit note swaps them.
        const bool onCredit = control == (c.creditNote == 1);
        SCOPED_TRACE(i);
        EXPECT_EQ(onCredit ? rows[i].DEBIT : rows[i].CREDIT, Decimal());
        EXPECT_GT(onCredit ? rows[i].CREDIT : rows[i].DEBIT, Decimal());
    }
    expectSoundDocuments(*ctx_);
}

INSTANTIATE_TEST_SUITE_P(
    PayMethods, PostingSides,
    ::testing::Values(SideCase{1, 0, 5, kCashAcc, ""}, SideCase{3, 0, 5, kCashAcc, ""},
                      SideCase{2, 0, 4, kCardAcc, ""}, SideCase{4, 0, 35, kDebtor, "ORD-17"},
                      SideCase{1, 1, 7, kCashAcc, ""}, SideCase{2, 1, 7, kCardAcc, ""},
                      SideCase{4, 1, 39, kDebtor, "ORD-17"}));

TEST_F(PostingTest, ItemWithoutVatCodeHasNoVatRow) {
    ring({{"MILK", Decimal(3)}});
    tender(2, Decimal::of("29.97"));
    ASSERT_TRUE(finish());
    auto h = headerOf(*ctx_, 1234);
    EXPECT_EQ(h->AMOUNT, Decimal::of("29.97"));
    EXPECT_TRUE(h->VAT.isZero());
    EXPECT_EQ(h->NOOFENTRIES, 2);
    EXPECT_EQ(rowsOf(*ctx_, 1234).size(), 2u);
}

TEST_F(PostingTest, LongDescriptionIsCutInTheRowsOnly) {
    const std::string longText = "Chocolate cake with cream, extra large!!";  // 40 characters
    LineSpec cake("CAKE");
    cake.description = longText;
    ring({cake});
    EXPECT_EQ(clip(allRecords<PQXV60>(*ctx_).front().DESCRIPTION), longText);
    tender(1, Decimal::of("7.25"));
    ASSERT_TRUE(finish());
    auto rows = rowsOf(*ctx_, 1234);
    EXPECT_EQ(clip(rows[0].DESCRIPTION), longText.substr(0, 25));
    EXPECT_EQ(clip(rows[1].DESCRIPTION), longText.substr(0, 25));
}

TEST_F(PostingTest, EachItemRowCarriesItsOwnEnterpriseNumber) {
    ring({{"COKE"}, {"BREAD"}, {"MILK"}, {"CAKE"}});
    tender(2, till_->LOC.TOTALAMOUNT);
    ASSERT_TRUE(finish());
    std::vector<std::uint16_t> ents;
    for (const auto& r : rowsOf(*ctx_, 1234))
        if (!clip(r.ITEMCODE).empty()) ents.push_back(r.ENTNUMBER);
    EXPECT_EQ(ents, (std::vector<std::uint16_t>{3, 4, 5, 7}));
}

TEST_F(PostingTest, RebateLineIsPricedVatInclusive) {
    ring({{"DIESEL", Decimal(10)}});  // 150.00, rebate 40 % of 10 x 0.375 = 1.50
    tender(1, Decimal::of("150.00"));
    ASSERT_TRUE(finish());
    auto rows = rowsOf(*ctx_, 1234);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].CREDIT, Decimal::of("148.50"));
    EXPECT_EQ(rows[1].ACCNUMBER, kRebateVatAcc);
    EXPECT_EQ(rows[1].CREDIT, Decimal::of("1.50"));
    EXPECT_EQ(headerOf(*ctx_, 1234)->AMOUNT, Decimal::of("150.00"));
}

// ---- numbers ---------------------------------------------------------------------------------

TEST_F(PostingTest, DetailNumbersGoPast16Bits) {
    auto& t21 = ctx_->access<PQXT21>();
    t21.clearBuffer();
    t21.rec.DOCUMENTNO = 17;
    t21.rec.DETAILNUMBER = 65535;
    ASSERT_EQ(t21.add(), ErrNone);
    ring({{"COKE"}, {"MILK"}});
    tender(1, till_->LOC.TOTALAMOUNT);
    ASSERT_TRUE(finish());
    std::vector<std::uint32_t> numbers;
    for (const auto& r : rowsOf(*ctx_, 1234)) numbers.push_back(r.DETAILNUMBER);
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{65536, 65537, 65538, 65539}));
    EXPECT_EQ(till_->LOC.DETAILNUMBER, 65539u);
}

TEST_F(PostingTest, ExhaustedDetailNumbersWriteNothing) {
    auto& t21 = ctx_->access<PQXT21>();
    t21.clearBuffer();
    t21.rec.DOCUMENTNO = 17;
    t21.rec.DETAILNUMBER = std::numeric_limits<std::uint32_t>::max();
    ASSERT_EQ(t21.add(), ErrNone);
    ring({{"COKE"}});
    tender(1, till_->LOC.TOTALAMOUNT);
    EXPECT_FALSE(finish());
    EXPECT_TRUE(allRecords<PQXT20>(*ctx_).empty());
    EXPECT_EQ(allRecords<PQXV60>(*ctx_).size(), 1u);
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1233u);
    EXPECT_TRUE(messages_.anyContains("not posted"));
}

TEST_F(PostingTest, NumberTakenFromTheCounterAsStoredNow) {
    // Another window raised the counter and posted since this screen read the company record.
    Context other(folder_.path());
    useAllTables(other);
    auto& cs10 = other.access<PACS10>();
    cs10.SetFileOrder();
    ASSERT_EQ(cs10.next(), ErrNone);
    cs10.rec.LASTDOCNR = 1300;
    ASSERT_EQ(cs10.put(), ErrNone);
    auto& t20 = other.access<PQXT20>();
    for (std::uint32_t n : {1301u, 1302u}) {
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = n;
        t20.rec.NOOFENTRIES = 1;
        ASSERT_EQ(t20.add(), ErrNone);
    }
    ASSERT_EQ(till_->CS10.LASTDOCNR, 1233u);

    ring({{"COKE"}});
    tender(1, till_->LOC.TOTALAMOUNT);
    ASSERT_TRUE(finish());
    EXPECT_EQ(till_->LOC.DOCUMENTNO, 1303u);
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1303u);
    EXPECT_EQ(till_->CS10.LASTDOCNR, 1303u);
    EXPECT_EQ(headerOf(*ctx_, 1301)->NOOFENTRIES, 1);  // the other documents are untouched
}

TEST_F(PostingTest, ClosingNeverMovesTheCountersBack) {
    Context other(folder_.path());
    useAllTables(other);
    auto& cs10 = other.access<PACS10>();
    cs10.SetFileOrder();
    ASSERT_EQ(cs10.next(), ErrNone);
    cs10.rec.LASTDOCNR = 1500;
    ASSERT_EQ(cs10.put(), ErrNone);
    till_->LOC.SALESNUMBER = 42;
    ASSERT_TRUE(till_->StoreSalesNumber());
    EXPECT_EQ(company(*ctx_).SALESNUMBER, 11) << "the number claimed when the till opened";
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1500u);
}

TEST_F(PostingTest, EmptySalePostsNothingAndLeavesEarlierHistoryAlone) {
    ring({{"COKE"}});
    tender(1, Decimal::of("20.00"));
    ASSERT_TRUE(finish());
    const PQXH20 before = *historyOf(*ctx_, 1234);
    till_->LOC.PAID = Decimal::of("5.00");
    ASSERT_TRUE(finish());
    EXPECT_EQ(allRecords<PQXT20>(*ctx_).size(), 1u);
    EXPECT_TRUE(*historyOf(*ctx_, 1234) == before);
    EXPECT_EQ(slips_.size(), 1u);
    EXPECT_EQ(till_->LOC.DOCUMENTNO, 0u);
}

// ---- history --------------------------------------------------------------------------------

TEST_F(PostingTest, ExistingHistoryIsBroughtUpToDateWithoutTouchingOtherDocuments) {
    auto& h20 = ctx_->access<PQXH20>();
    auto& h21 = ctx_->access<PQXH21>();
    h20.clearBuffer();
    h20.rec.DOCUMENTNO = 1234;
    h20.rec.AMOUNT = Decimal::of("999.00");
    h20.rec.TRANTIME = "08:00";
    ASSERT_EQ(h20.add(), ErrNone);
    for (std::uint32_t doc : {1234u, 1234u, 1234u, 99u}) {
        h21.clearBuffer();
        h21.rec.DOCUMENTNO = doc;
        h21.rec.DETAILNUMBER = 5;
        h21.rec.DEBIT = Decimal::of("1.00");
        ASSERT_EQ(h21.add(), ErrNone);
    }
    ring({{"COKE", Decimal(2)}});
    tender(1, Decimal::of("30.00"));
    ASSERT_TRUE(finish());

    auto hist = historyOf(*ctx_, 1234);
    EXPECT_EQ(hist->AMOUNT, Decimal::of("23.00"));
    EXPECT_EQ(hist->PAID, Decimal::of("30.00"));
    EXPECT_EQ(hist->CHANGE, Decimal::of("7.00"));
    EXPECT_EQ(clip(hist->TRANTIME), "08:00");
    auto rows = rowsOf(*ctx_, 1234);
    auto hrows = historyRowsOf(*ctx_, 1234);
    ASSERT_EQ(hrows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        PQXT21 r;
        copyFields(r, hrows[i]);
        EXPECT_TRUE(r == rows[i]);
    }
    auto other = historyRowsOf(*ctx_, 99);
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].DEBIT, Decimal::of("1.00"));
}

// ---- tabs -----------------------------------------------------------------------------------

class TabTest : public PostingTest {
protected:
    // Stores a visit's lines on the client's tab and loads every stored line back, as the
    // screen does when the tab is taken up.
    void storeOnTab(std::uint32_t client, std::uint32_t tabNo, std::uint16_t salesNumber,
                    const std::vector<LineSpec>& specs) {
        auto& v61 = ctx_->access<PQXV61>();
        for (const LineSpec& s : specs) {
            PQXV60 line = computeLine(*ctx_, s, salesNumber);
            v61.clearBuffer();
            copyFields(v61.rec, line);
            v61.rec.CLIENTNO = client;
            v61.rec.DOCUMENTNO = tabNo;
            ASSERT_EQ(v61.add(), ErrNone);
        }
    }
    // Takes the client's open tab up onto the screen; returns what it added to the total.
    Decimal takeUpTab(std::uint32_t client) {
        till_->LOC.TAGACCNUMBER = client;
        const Decimal before = till_->LOC.TOTALAMOUNT;
        EXPECT_TRUE(till_->TakeUpTab());
        return till_->LOC.TOTALAMOUNT - before;
    }
    void setMarker(std::uint32_t tabNo) {
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = kCashClient;
        ASSERT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
        c11.rec.DOCNO = tabNo;
        ASSERT_EQ(c11.put(), ErrNone);
    }
    std::uint32_t marker() {
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = kCashClient;
        EXPECT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
        return c11.rec.DOCNO;
    }
};

TEST_F(TabTest, TabCollectedOverSeveralVisitsIsOneDocumentUnderTheTabsNumber) {
    storeOnTab(kCashClient, 1200, 5, {{"COKE"}, {"MILK"}});
    storeOnTab(kCashClient, 1200, 7, {{"BREAD"}});
    storeOnTab(55, 1210, 8, {{"CAKE"}});  // another client's tab
    setMarker(1200);
    till_->LOC.TAG = 1;
    till_->LOC.TAGACCNUMBER = kCashClient;
    Decimal total = takeUpTab(kCashClient);
    total += ring({{"CAKE", Decimal(2)}});
    tender(1, total);
    ASSERT_TRUE(finish());

    auto headers = allRecords<PQXT20>(*ctx_);
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].DOCUMENTNO, 1200u);
    EXPECT_EQ(clip(headers[0].REFERENCE1), "A1200");
    EXPECT_EQ(headers[0].AMOUNT, total);
    EXPECT_EQ(headers[0].NOOFENTRIES, 8);  // 4 item rows, 3 VAT rows, control
    EXPECT_EQ(allRecords<PQXT21>(*ctx_).size(), 8u);
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1233u);  // the tab's number is below the counter
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
    auto left = allRecords<PQXV61>(*ctx_);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].CLIENTNO, 55u);
    EXPECT_EQ(marker(), 0u);
    expectSoundDocuments(*ctx_);
}

TEST_F(TabTest, TabNumberAlreadyPostedTakesAFreshNumber) {
    auto& t20 = ctx_->access<PQXT20>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = 1200;
    t20.rec.NOOFENTRIES = 1;
    t20.rec.AMOUNT = Decimal::of("5.00");
    ASSERT_EQ(t20.add(), ErrNone);
    storeOnTab(kCashClient, 1200, 5, {{"COKE"}});
    setMarker(1200);
    till_->LOC.TAG = 1;
    till_->LOC.TAGACCNUMBER = kCashClient;
    tender(2, takeUpTab(kCashClient));
    ASSERT_TRUE(finish());
    EXPECT_EQ(till_->LOC.DOCUMENTNO, 1234u);
    EXPECT_EQ(headerOf(*ctx_, 1200)->AMOUNT, Decimal::of("5.00"));
    EXPECT_TRUE(rowsOf(*ctx_, 1200).empty());
    EXPECT_EQ(marker(), 0u);
}

TEST_F(TabTest, DebtorTabMarkerIsReset) {
    auto& a10 = ctx_->access<PQXA10>();
    a10.clearBuffer();
    a10.rec.ACCNUMBER = kDebtor;
    ASSERT_EQ(a10.get(PA10::AccNumberKey), ErrNone);
    a10.rec.DOCNO = 1220;
    ASSERT_EQ(a10.put(), ErrNone);
    storeOnTab(kDebtor, 1220, 5, {{"BREAD"}});
    till_->LOC.CASH = 0;
    till_->LOC.CREDIT = 1;
    till_->LOC.DEBTOR = kDebtor;
    till_->LOC.TAG = 1;
    till_->LOC.TAGACCNUMBER = kDebtor;
    tender(4, takeUpTab(kDebtor));
    ASSERT_TRUE(finish());
    EXPECT_EQ(headerOf(*ctx_, 1220)->TRANTYPENUMBER, 35);
    a10.clearBuffer();
    a10.rec.ACCNUMBER = kDebtor;
    ASSERT_EQ(a10.get(PA10::AccNumberKey), ErrNone);
    EXPECT_EQ(a10.rec.DOCNO, 0u);
    EXPECT_EQ(clip(a10.rec.ACCDESC), "Debtor one");
    EXPECT_TRUE(allRecords<PQXV61>(*ctx_).empty());
}

// ---- clearing -------------------------------------------------------------------------------

TEST_F(PostingTest, ClearV60IsAllOrNone) {
    ring({{"COKE"}, {"MILK"}, {"BREAD"}});
    int erases = 0;
    till_->setWriteFault([&](const WriteSite& w) { return w.op == WriteOp::Erase && ++erases == 2 ? ErrEngine : 0; });
    EXPECT_FALSE(till_->ClearV60());
    EXPECT_EQ(allRecords<PQXV60>(*ctx_).size(), 3u);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text.rfind("Delete Error - ", 0), 0u);
    till_->setWriteFault({});
    EXPECT_TRUE(till_->ClearV60());
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
}

TEST_F(TabTest, ClearV61DeletesOnlyTheOwnersLines) {
    storeOnTab(kCashClient, 1200, 5, {{"COKE"}, {"MILK"}});
    storeOnTab(55, 1210, 6, {{"CAKE"}});
    setMarker(1200);
    takeUpTab(kCashClient);
    ASSERT_TRUE(till_->ClearV61());
    auto left = allRecords<PQXV61>(*ctx_);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].CLIENTNO, 55u);
}

// ---- failures that must write nothing ------------------------------------------------------

TEST_F(PostingTest, LocksNotObtainedWithinTheWaitWriteNothingAndFinishedCanBeRetried) {
    ring({{"COKE"}, {"BREAD"}});
    tender(1, Decimal::of("40.02"));  // change 5.52, rounded to 5.55
    const TillLocals before = till_->LOC;
    {
        Context other(folder_.path());
        useAllTables(other);
        auto tx = other.transaction<PQXT21>(1s);
        ASSERT_TRUE(tx.active());
        auto& t21 = other.access<PQXT21>();
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = 1;
        t21.rec.DETAILNUMBER = 900;
        ASSERT_EQ(t21.add(), ErrNone);

        EXPECT_FALSE(finish());
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_NE(messages_.shown[0].text.find("busy"), std::string::npos);
        EXPECT_EQ(till_->LOC.SALESNUMBER, before.SALESNUMBER);
        EXPECT_EQ(till_->LOC.PAID, before.PAID);
        tx.rollback();
    }
    EXPECT_TRUE(allRecords<PQXT20>(*ctx_).empty());
    EXPECT_EQ(allRecords<PQXV60>(*ctx_).size(), 2u);
    EXPECT_TRUE(slips_.empty());

    ASSERT_TRUE(finish());
    EXPECT_EQ(allRecords<PQXT20>(*ctx_).size(), 2u);  // the sale and its rounding
    EXPECT_TRUE(allRecords<PQXV60>(*ctx_).empty());
    expectSoundDocuments(*ctx_);
}

TEST_F(PostingTest, FailedItemRowIsReportedAndNothingIsPosted) {
    ring({{"COKE"}, {"MILK"}});
    tender(1, till_->LOC.TOTALAMOUNT);
    till_->setWriteFault([](const WriteSite& w) {
        return w.table == &PQXT21::table() && w.op == WriteOp::Add && w.sequence == 4 ? ErrEngine : 0;
    });
    EXPECT_FALSE(finish());
    ASSERT_EQ(messages_.shown.size(), 1u) << "one box for one failure";
    EXPECT_EQ(messages_.shown[0].title, "Warning!");
    EXPECT_EQ(messages_.shown[0].text.rfind("Error adding detail from POS ...|", 0), 0u);
    EXPECT_NE(messages_.shown[0].text.find("|Please report this to Varnik Labs!"), std::string::npos);
    EXPECT_TRUE(allRecords<PQXT20>(*ctx_).empty());
    EXPECT_TRUE(allRecords<PQXT21>(*ctx_).empty());
    EXPECT_EQ(allRecords<PQXV60>(*ctx_).size(), 2u);
}

// Whatever step of Finished fails, its result is that failure, told in one box, and the lines
// stay; the next Finished posts them.
TEST_F(PostingTest, FinishedReturnsTheFailureItToldOnce) {
    struct Case {
        const char* what;
        const TableDef* table;
        WriteOp op;
        int code;
        std::function<std::string(const std::string&)> box;  // from the failure's text
    };
    const std::vector<Case> cases = {
        {"header", &PQXT20::table(), WriteOp::Add, ErrDuplicateKey, posting_texts::notPosted},
        {"item row", &PQXT21::table(), WriteOp::Add, ErrEngine, posting_texts::detailAddFailed},
        {"counter", &PACS10::table(), WriteOp::Put, ErrLockedOut, [](const std::string&) { return posting_texts::lockedOut(); }},
        {"history", &PQXH20::table(), WriteOp::Add, ErrValueRange, posting_texts::notPosted},
    };
    ring({{"COKE"}, {"MILK"}});
    tender(1, till_->LOC.TOTALAMOUNT);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages_.shown.clear();
        till_->setWriteFault([&](const WriteSite& w) { return w.table == c.table && w.op == c.op ? c.code : 0; });
        const Outcome r = till_->Finished();
        EXPECT_FALSE(r);
        EXPECT_EQ(r.code(), c.code);
        EXPECT_EQ(r.text(), storeErrorText(c.code));
        EXPECT_TRUE(r.told());
        ASSERT_EQ(messages_.shown.size(), 1u) << messages_.titles();
        EXPECT_EQ(messages_.shown[0].text, c.box(r.text()));
        EXPECT_TRUE(allRecords<PQXT20>(*ctx_).empty());
        EXPECT_EQ(allRecords<PQXV60>(*ctx_).size(), 2u);
    }
    till_->setWriteFault({});
    EXPECT_TRUE(finish());
    expectSoundDocuments(*ctx_);
}

// A document that does not add up when it is about to be committed (a fault in a posting
// routine, simulated by changing the record just before it is written) is never stored.
TEST_F(PostingTest, DocumentThatDoesNotAddUpIsRolledBack) {
    struct Fault {
        const char* what;
        const TableDef* table;
        WriteOp op;
        std::function<void(Context&)> spoil;
    };
    const Decimal cent = Decimal::of("0.01");
    const std::vector<Fault> faults = {
        {"control row off by a cent", &PQXT21::table(), WriteOp::Add,
         [&](Context& c) { if (!c.access<PQXT21>().rec.DEBIT.isZero()) c.access<PQXT21>().rec.DEBIT += cent; }},
        {"header amount", &PQXT20::table(), WriteOp::Put, [&](Context& c) { c.access<PQXT20>().rec.AMOUNT += cent; }},
        {"header VAT", &PQXT20::table(), WriteOp::Put, [&](Context& c) { c.access<PQXT20>().rec.VAT += cent; }},
        {"entry count", &PQXT20::table(), WriteOp::Put, [&](Context& c) { ++c.access<PQXT20>().rec.NOOFENTRIES; }},
    };
    ring({{"COKE"}, {"MILK"}});
    tender(1, till_->LOC.TOTALAMOUNT);
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        messages_.shown.clear();
        till_->setWriteFault([&](const WriteSite& w) {
            if (w.table == f.table && w.op == f.op) f.spoil(*ctx_);
            return 0;
        });
        EXPECT_FALSE(finish());
        ASSERT_FALSE(messages_.shown.empty());
        EXPECT_NE(messages_.shown.back().text.find("Program error: document"), std::string::npos);
        EXPECT_TRUE(allRecords<PQXT20>(*ctx_).empty());
        EXPECT_TRUE(allRecords<PQXT21>(*ctx_).empty());
        EXPECT_EQ(allRecords<PQXV60>(*ctx_).size(), 2u);
    }
    till_->setWriteFault({});
    ASSERT_TRUE(finish());
    expectSoundDocuments(*ctx_);
}

}  // namespace
}  // namespace tavlo::posting_test
