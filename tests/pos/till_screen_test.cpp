// The till screen driven as an operator drives it: keys in the list, clicks on the buttons,
// the dialogs answered; the tables are checked afterwards.
#include "till_fixture.h"

#include "state/globals.h"

namespace tavlo::till_test {
namespace {

std::optional<PQXT20> onlyHeaderOfType(Context& ctx, int type) {
    std::optional<PQXT20> found;
    for (const PQXT20& h : allRecords<PQXT20>(ctx))
        if (h.TRANTYPENUMBER == type) {
            EXPECT_FALSE(found) << "two documents of type " << type;
            found = h;
        }
    return found;
}

using TillSale = TillTest;

TEST_F(TillSale, FreshScreenIsReadyForACashSale) {
    TestWindow& w = openTill();
    EXPECT_TRUE(w.checked("Cash"));
    EXPECT_FALSE(w.checked("Credit"));
    // Ready to type: the cursor is in a new line's item code (nothing to finish yet).
    EXPECT_TRUE(screen_->list().editing());
    EXPECT_EQ(screen_->list().editColumn(), BrowsePointOfSale::kItemCode);
    EXPECT_FALSE(w.enabled("FinishedButton"));
    EXPECT_TRUE(w.enabled("PaymentButton"));
    EXPECT_FALSE(w.visible("OrderNo"));
    EXPECT_FALSE(w.enabled("SelectDebButton"));
    EXPECT_FALSE(w.visible("Change"));
    EXPECT_FALSE(w.visible("Delete"));
    EXPECT_FALSE(w.visible("PrintTagButton"));
    EXPECT_EQ(loc().PAYMENT, 0);
    EXPECT_EQ(loc().SALESNUMBER, 11);  // the company record's counter + 1
}

TEST_F(TillSale, CashSaleWithVatInclusiveAndExclusiveItemsRoundsTheChange) {
    TestWindow& w = openTill();
    ring("COKE");  // 11.50 including VAT
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("11.50"));
    ring("SOAP");  // 5.06 plus 0.76 VAT
    EXPECT_EQ(w.text("Total"), "          17.32");
    EXPECT_EQ(loc().PAID, Decimal::of("17.32"));
    tender("20.00");
    EXPECT_EQ(loc().CHANGE, Decimal::of("2.70"));
    EXPECT_EQ(loc().VERSKIL, Decimal(2));
    EXPECT_EQ(w.text("ChangeAmount"), "     2.70");
    finish();

    auto sale = onlyHeaderOfType(*ctx_, 5);
    ASSERT_TRUE(sale);
    EXPECT_EQ(sale->DOCUMENTNO, 1234u);
    EXPECT_EQ(clip(sale->REFERENCE1), "A1234");
    EXPECT_EQ(sale->PAYMETHOD, 1);
    EXPECT_EQ(sale->AMOUNT, Decimal::of("17.32"));
    EXPECT_EQ(sale->VAT, Decimal::of("2.26"));
    std::vector<PQXT21> rows = rowsOf(*ctx_, sale->DOCUMENTNO);
    ASSERT_EQ(rows.size(), 5u);  // two item rows, two VAT rows, the control row
    EXPECT_EQ(clip(rows[0].ITEMCODE), "COKE");
    EXPECT_EQ(rows[0].CREDIT, Decimal::of("10.00"));
    EXPECT_EQ(rows[1].CREDIT, Decimal::of("1.50"));
    EXPECT_EQ(clip(rows[2].ITEMCODE), "SOAP");
    EXPECT_EQ(rows[2].CREDIT, Decimal::of("5.06"));
    EXPECT_EQ(rows[3].CREDIT, Decimal::of("0.76"));
    EXPECT_EQ(clip(rows[0].REFERENCE2), "OP1");

    auto rounding = onlyHeaderOfType(*ctx_, 7);
    ASSERT_TRUE(rounding);
    EXPECT_EQ(rounding->AMOUNT, Decimal::of("0.02"));
    auto history = historyOf(*ctx_, sale->DOCUMENTNO);
    ASSERT_TRUE(history);
    EXPECT_EQ(history->PAID, Decimal::of("20.00"));
    EXPECT_EQ(history->CHANGE, Decimal::of("2.70"));
    EXPECT_EQ(history->VERSKIL, Decimal::of("0.02"));
    expectSoundDocuments(*ctx_);

    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(company(*ctx_).LASTDOCNR, rounding->DOCUMENTNO);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_EQ(previewer_.shown[0].kind, report::PreviewKind::PrintPreview);
    EXPECT_FALSE(previewer_.shown[0].pages.empty());

    // Ready for the next sale: cleared, a new line open, the sales number moved on.
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal());
    EXPECT_EQ(loc().PAID, Decimal());
    EXPECT_EQ(loc().CHANGE, Decimal());
    EXPECT_EQ(loc().SALESNUMBER, 12);
    EXPECT_TRUE(screen_->list().editing());
    EXPECT_FALSE(w.enabled("FinishedButton"));
}

TEST_F(TillSale, CardSaleIsNotRoundedAndAsksThePayMethodOnce) {
    payBy("CreditCard");
    TestWindow& w = openTill();
    ring("COKE");
    ring("SOAP");
    tender("20.00");
    w.press("Insert");  // back to the lines, then to Paid again
    w.edit("List", "", Key::of(Key::Esc));
    w.focus("Paid");
    w.type("Paid", "20.00");
    EXPECT_EQ(std::count(rt_.ran.begin(), rt_.ran.end(), "PaymentMethod"), 1);
    EXPECT_EQ(loc().CHANGE, Decimal::of("2.68"));
    EXPECT_EQ(loc().VERSKIL, Decimal());
    finish();
    auto sale = onlyHeaderOfType(*ctx_, 4);
    ASSERT_TRUE(sale);
    EXPECT_EQ(sale->PAYMETHOD, 2);
    EXPECT_EQ(sale->ACCNUMBER, kCardAcc);
    EXPECT_FALSE(onlyHeaderOfType(*ctx_, 7));  // no rounding document
    EXPECT_EQ(historyOf(*ctx_, sale->DOCUMENTNO)->CHANGE, Decimal::of("2.68"));

    // The next sale asks again, and Cancel keeps the previous pay method.
    rt_.onOpen("PaymentMethod", [](TestWindow& p) { p.press("Cancel"); });
    ring("MILK");
    tender("9.99");
    EXPECT_EQ(std::count(rt_.ran.begin(), rt_.ran.end(), "PaymentMethod"), 2);
    EXPECT_EQ(loc().PAYMENT, 2);
}

TEST_F(TillSale, CreditSaleToADebtorWithAnOrderNumber) {
    TestWindow& w = openTill();
    w.tick("Credit", true);
    EXPECT_FALSE(w.checked("Cash"));
    EXPECT_TRUE(w.visible("OrderNo"));
    EXPECT_TRUE(w.enabled("SelectDebButton"));
    rt_.onOpen("SelectA10Debtors", [](TestWindow& d) {
        d.listKey("List", Key::ch(U'd'));
        d.listKey("List", Key::ch(U'e'));
        d.listKey("List", Key::ch(U'b'));
        d.listKey("List", Key::ch(U't'));
        d.listKey("List", Key::ch(U'o'));
        d.listKey("List", Key::ch(U'r'));
        d.listKey("List", Key::ch(U' '));
        d.listKey("List", Key::ch(U't'));
        d.press("Select");
    });
    w.press("SelectDebButton");
    EXPECT_EQ(loc().DEBTOR, kDebtor2);
    EXPECT_EQ(w.text("DebtorName"), "Debtor two");
    w.type("OrderNo", "PO-7781");
    ring("BREAD", "2");  // 2 x 20.00 plus 15 %
    tender("46.00");
    EXPECT_EQ(loc().PAYMENT, 4);
    finish();
    EXPECT_EQ(std::count(rt_.ran.begin(), rt_.ran.end(), "PaymentMethod"), 0);
    auto sale = onlyHeaderOfType(*ctx_, 35);
    ASSERT_TRUE(sale);
    EXPECT_EQ(sale->ACCNUMBER, kDebtor2);
    EXPECT_EQ(sale->PAYMETHOD, 4);
    EXPECT_EQ(clip(sale->REFERENCE2), "PO-7781");
    EXPECT_EQ(sale->AMOUNT, Decimal::of("46.00"));
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_EQ(previewer_.shown[0].kind, report::PreviewKind::ReportViewer);  // the debtor slip
    // A credit sale leaves the focus on the Cash Sales box, and the debtor stays chosen.
    EXPECT_EQ(w.focused(), w.control("Cash"));
    EXPECT_EQ(loc().DEBTOR, kDebtor2);
}

TEST_F(TillSale, CreditSaleWithoutADebtorIsNotPosted) {
    TestWindow& w = openTill();
    w.tick("Credit", true);
    ring("MILK");
    tender("9.99");
    finish();
    EXPECT_TRUE(allRecords<PQXT20>(*ctx_).empty());
    EXPECT_EQ(w.focused(), w.control("SelectDebButton"));
    EXPECT_EQ(lines().size(), 1u);
}

TEST_F(TillSale, CreditNoteNeedsTheSupervisorPassword) {
    TestWindow& w = openTill();
    answerSupervisor("boss 1");  // letter case counts
    w.tick("CreditNote", true);
    EXPECT_FALSE(w.checked("CreditNote"));
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].title, "Warning!");
    EXPECT_EQ(rt_.messages[0].text, "The password is incorrect ...");
    EXPECT_EQ(rt_.messages[0].icon, Icon::Information);

    answerSupervisor("Boss 1   ");  // trailing blanks do not
    w.tick("CreditNote", true);
    EXPECT_TRUE(w.checked("CreditNote"));
    EXPECT_EQ(loc().OK, 0);
    ring("COKE");
    tender("11.50");
    finish();
    auto note = onlyHeaderOfType(*ctx_, 7);
    ASSERT_TRUE(note);
    std::vector<PQXT21> rows = rowsOf(*ctx_, note->DOCUMENTNO);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].DEBIT, Decimal::of("10.00"));  // the sides are swapped
    EXPECT_EQ(rows[2].CREDIT, Decimal::of("11.50"));
    EXPECT_FALSE(w.checked("CreditNote"));  // one sale only
    expectSoundDocuments(*ctx_);
}

TEST_F(TillSale, CreditNoteUsesUpSupervisorMode) {
    TestWindow& w = openTill();
    answerSupervisor("KVT");
    w.press("SupButton");
    EXPECT_TRUE(w.visible("Change"));
    EXPECT_TRUE(w.visible("Delete"));
    w.tick("CreditNote", true);
    EXPECT_TRUE(w.checked("CreditNote"));
    EXPECT_EQ(loc().OK, 0);
    // What only a supervisor may do goes with supervisor mode.
    EXPECT_FALSE(w.visible("Change"));
    EXPECT_FALSE(w.visible("Delete"));
}

TEST_F(TillSale, WrongSupervisorPasswordKeepsSupervisorModeOff) {
    TestWindow& w = openTill();
    answerSupervisor("kvt");
    w.press("SupButton");
    EXPECT_EQ(loc().OK, 0);
    EXPECT_FALSE(w.visible("Change"));
    ASSERT_EQ(rt_.messages.size(), 1u);
    // Cancelled prompt: nothing changes either.
    rt_.onOpen("SupPassword", [](TestWindow& p) { p.press("Cancel"); });
    w.press("SupButton");
    EXPECT_EQ(loc().OK, 0);
    EXPECT_FALSE(w.visible("Delete"));
    // The supervisor button toggles supervisor mode off again.
    answerSupervisor(kSupervisorPassword);
    w.press("SupButton");
    EXPECT_TRUE(w.visible("Delete"));
    w.press("SupButton");
    EXPECT_FALSE(w.visible("Delete"));
    EXPECT_EQ(loc().OK, 0);
}

TEST_F(TillSale, HappyHourReducesThePriceOnceAndIgnoresTheLineDiscount) {
    {
        auto& cs10 = ctx_->access<PACS10>();
        cs10.clearBuffer();
        cs10.SetFileOrder();
        ASSERT_EQ(cs10.next(), ErrNone);
        cs10.rec.HAPPYHOUR = 1;
        cs10.rec.DISCOUNT = Decimal(10);
        ASSERT_EQ(cs10.put(), ErrNone);
    }
    openTill();
    ring("COKE", "2", "50");
    std::vector<PQXV60> stored = lines();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].SELLINGPRICE, Decimal::of("10.35"));
    EXPECT_EQ(stored[0].DISCOUNT, Decimal(50));
    EXPECT_EQ(stored[0].NETTAMOUNT, Decimal::of("20.70"));  // 10.35 x 2, once
    EXPECT_EQ(stored[0].VATAMOUNT, Decimal::of("2.70"));
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("20.70"));
}

TEST_F(TillSale, SupervisorPriceBecomesTheItemsTillPrice) {
    TestWindow& w = openTill();
    answerSupervisor(kSupervisorPassword);
    w.press("SupButton");
    rt_.messages.clear();
    rt_.messageAnswers.push_back(ButtonYes);  // store 12.00 on COKE
    ring("COKE", "2", "0", "12.00");
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].text, "Store this price on the item for every later sale?|No: on this line only.");
    rt_.messageAnswers.push_back(ButtonNo);  // 16.00 on this line only
    ring("DIESEL", "1", "0", "16.00");
    auto item = [&](const char* code) {
        auto& a301 = ctx_->access<PQXA301>();
        a301.clearBuffer();
        a301.rec.ITEMCODE = code;
        EXPECT_EQ(a301.get(PA301::ItemCodeKey), ErrNone);
        return a301.rec;
    };
    EXPECT_EQ(item("COKE").POSSELLINGPRICE, Decimal::of("12.00"));
    EXPECT_EQ(item("DIESEL").POSSELLINGPRICE, Decimal::of("15.00")) << "No keeps the item's price";
    // The rebate code counts the line as VAT-inclusive without touching the item's own status.
    EXPECT_EQ(clip(item("DIESEL").VATSTATUS), "E");
    std::vector<PQXV60> stored = lines();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].NETTAMOUNT, Decimal::of("24.00"));
    EXPECT_EQ(clip(stored[1].VATSTATUS), "I");
    EXPECT_EQ(stored[1].VATAMOUNT, Decimal::of("0.15"));  // 40 % x 1 x 0.375
    EXPECT_EQ(stored[1].NETTAMOUNT, Decimal::of("16.00"));
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("40.00"));

    // Without supervisor mode the price column is passed over.
    w.edit("List", "", Key::of(Key::Esc));
    w.press("SupButton");
    w.press("Insert");
    w.edit("List", "MILK", Key::of(Key::Tab));
    w.edit("List", "1", Key::of(Key::Tab));
    EXPECT_EQ(screen_->list().editColumn(), BrowsePointOfSale::kDiscount);
    w.edit("List", "0", Key::shiftOf(Key::Tab));
    EXPECT_EQ(screen_->list().editColumn(), BrowsePointOfSale::kQty);
}

TEST_F(TillSale, StockItemTakesTheIncomeAccountOfItsTradingAccount) {
    openTill();
    ring("BEER");
    std::vector<PQXV60> stored = lines();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].ACCNUMBER, kBarSales);
    EXPECT_EQ(clip(stored[0].CLASSCODE), "S");
    EXPECT_EQ(stored[0].ASSETACCNUMBER, 3100);
    EXPECT_EQ(stored[0].SALESNUMBER, 11);
    EXPECT_EQ(clip(stored[0].OPERATORNO), "OP1");
    EXPECT_EQ(stored[0].TRANSDATE, dayNumber(2024, 3, 15));
    EXPECT_EQ(stored[0].ITEMSTATUS, 2);
    EXPECT_EQ(stored[0].ASSETTRANSACTION, 2);
}

TEST_F(TillSale, UnknownItemCodeOpensTheItemList) {
    TestWindow& w = openTill();
    std::string highlighted;
    rt_.onOpen("SelectInventory", [&](TestWindow& s) {
        auto& list = *s.window().listOf(s.control("List"));
        highlighted = valueText(list.selectedRow()->cells[0]);
        s.press("Select");
    });
    w.press("Insert");
    w.edit("List", "CO", Key::of(Key::Tab));
    EXPECT_EQ(highlighted, "COKE");  // positioned at what was typed
    EXPECT_EQ(valueText(screen_->list().editRow()[0]), "COKE");
    EXPECT_EQ(screen_->list().editColumn(), BrowsePointOfSale::kQty);

    // Closing the list leaves the editor on the item code, with the line cleared.
    rt_.onOpen("SelectInventory", [](TestWindow& s) { s.press("Close"); });
    w.edit("List", "1", Key::of(Key::Tab));
    w.edit("List", "0", Key::of(Key::Tab));
    w.edit("List", "NOSUCH", Key::of(Key::Tab));
    EXPECT_EQ(screen_->list().editColumn(), BrowsePointOfSale::kItemCode);
    EXPECT_EQ(valueText(screen_->list().editRow()[0]), "");
    EXPECT_EQ(w.window().statusText(0), "Item code NOSUCH was not found: choose the item from the list.");
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("11.50"));
}

TEST_F(TillSale, StatusHelpFollowsTheLanguage) {
    GLO.LANGUAGENO = kAfrikaans;
    TestWindow& w = openTill();
    w.press("Insert");
    EXPECT_EQ(w.window().statusText(0), "'n Itemkode asb., of ?{tab} om te Kies, {Esc} om te kanselleer");
    w.edit("List", "COKE", Key::of(Key::Tab));
    EXPECT_EQ(w.window().statusText(0), "Die hoeveelheid, {Esc} om te kanselleer");
    // The editor's help goes with the editor.
    w.edit("List", "", Key::of(Key::Esc));
    EXPECT_EQ(w.window().statusText(0), "");
}

// Total and Paid agree with the stored lines however a line is changed.
struct EditCase {
    const char* name;
    void (*edit)(TestWindow& w, TillTest& t);
};

class TillTotals : public TillTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(TillTotals, AgreeWithTheLines) {
    TestWindow& w = openTill();
    answerSupervisor(kSupervisorPassword);
    w.press("SupButton");
    ring("COKE");
    ring("SOAP", "2");
    ring("MILK");
    GetParam().edit(w, *this);
    if (screen_->list().editing()) w.edit("List", "", Key::of(Key::Esc));
    EXPECT_EQ(loc().TOTALAMOUNT, linesTotal());
    EXPECT_EQ(loc().PAID, loc().TOTALAMOUNT);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, TillTotals,
    ::testing::Values(
        EditCase{"ChangeThroughItemCode",
                 [](TestWindow& w, TillTest&) {
                     w.edit("List", "", Key::of(Key::Esc));
                     w.selectRow("List", 0);
                     w.press("Change");
                     w.edit("List", "BREAD", Key::of(Key::Tab));
                     w.edit("List", "3", Key::of(Key::Tab));
                     w.edit("List", "20.00", Key::of(Key::Tab));
                     w.edit("List", "0", Key::of(Key::Enter));
                 }},
        EditCase{"UpIntoThePreviousQuantity",
                 [](TestWindow& w, TillTest&) {
                     w.edit("List", "", Key::of(Key::Esc));
                     w.selectRow("List", 2);
                     w.press("Change");
                     w.edit("List", "MILK", Key::of(Key::Tab));
                     w.edit("List", "4", Key::of(Key::Up));  // MILK x 4 saved; SOAP's quantity next
                     w.edit("List", "5", Key::of(Key::Down));
                 }},
        EditCase{"DiscountThenBackAndEsc",
                 [](TestWindow& w, TillTest&) {
                     w.edit("List", "COKE", Key::of(Key::Tab));
                     w.edit("List", "3", Key::of(Key::Tab));
                     w.edit("List", "11.50", Key::of(Key::Tab));
                     w.edit("List", "10", Key::shiftOf(Key::Tab));  // discount step, then back
                     w.edit("List", "11.50", Key::shiftOf(Key::Tab));
                     w.edit("List", "3", Key::of(Key::Esc));
                 }},
        EditCase{"DiscountTwiceThroughShiftTab",
                 [](TestWindow& w, TillTest&) {
                     w.edit("List", "COKE", Key::of(Key::Tab));
                     w.edit("List", "1", Key::of(Key::Tab));
                     w.edit("List", "11.50", Key::of(Key::Tab));
                     w.edit("List", "0", Key::shiftOf(Key::Tab));
                     w.edit("List", "11.50", Key::of(Key::Tab));
                     w.edit("List", "5", Key::of(Key::Enter));
                 }},
        EditCase{"DeleteRefused",
                 [](TestWindow& w, TillTest& t) {
                     w.edit("List", "", Key::of(Key::Esc));
                     w.selectRow("List", 1);
                     t.rt_.messageAnswers.push_back(ButtonNo);
                     w.press("Delete");
                 }},
        EditCase{"DeleteAccepted",
                 [](TestWindow& w, TillTest& t) {
                     w.edit("List", "", Key::of(Key::Esc));
                     w.selectRow("List", 1);
                     t.rt_.messageAnswers.push_back(ButtonYes);
                     w.press("Delete");
                 }},
        EditCase{"EnterWithoutTheQuantityStep",
                 [](TestWindow& w, TillTest& t) {
                     t.rt_.messageAnswers.push_back(ButtonYes);
                     w.edit("List", "BREAD", Key::of(Key::Enter));
                 }}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST_F(TillSale, EditingALineChangesTotalByTheDifference) {
    TestWindow& w = openTill();
    answerSupervisor(kSupervisorPassword);
    w.press("SupButton");
    ring("COKE");
    ring("SOAP");
    w.edit("List", "", Key::of(Key::Esc));
    w.selectRow("List", 0);
    w.press("Change");
    w.edit("List", "COKE", Key::of(Key::Tab));
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("5.82"));  // its old amount has left
    w.edit("List", "3", Key::of(Key::Tab));
    w.edit("List", "11.50", Key::of(Key::Tab));
    w.edit("List", "0", Key::of(Key::Tab));
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("40.32"));
    std::vector<PQXV60> stored = lines();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].QTY, Decimal(3));
    EXPECT_EQ(stored[0].NETTAMOUNT, Decimal::of("34.50"));
}

TEST_F(TillSale, ALineReachedWithUpOrDownIsWorkedOutWithItsOwnItem) {
    TestWindow& w = openTill();
    ring("COKE");
    ring("SOAP");
    w.edit("List", "MILK", Key::of(Key::Up));  // MILK saved; SOAP's item code next
    w.edit("List", "SOAP", Key::of(Key::Tab));
    w.edit("List", "3", Key::of(Key::Down));  // SOAP x 3 saved; MILK's quantity next
    w.edit("List", "2", Key::of(Key::Down));
    w.edit("List", "", Key::of(Key::Esc));
    std::vector<PQXV60> stored = lines();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1].NETTAMOUNT, Decimal::of("17.46"));  // 15.18 plus 2.28 VAT
    EXPECT_EQ(clip(stored[2].ITEMCODE), "MILK");
    EXPECT_EQ(stored[2].NETTAMOUNT, Decimal::of("19.98"));  // MILK has no VAT, whatever came before
    EXPECT_EQ(stored[2].VATAMOUNT, Decimal());
    EXPECT_EQ(clip(stored[2].VATCODE), "");
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("48.94"));
    EXPECT_EQ(loc().PAID, loc().TOTALAMOUNT);
}

TEST_F(TillSale, PaidBelowTheTotalKeepsFinishedDisabled) {
    TestWindow& w = openTill();
    ring("COKE");
    tender("10.00");
    EXPECT_FALSE(w.enabled("FinishedButton"));
    EXPECT_EQ(w.focused(), w.control("Paid"));
    EXPECT_TRUE(rt_.messages.empty());
    // Coming back to Paid does not enable it either.
    w.focus("CloseButton");
    w.focus("Paid");
    EXPECT_FALSE(w.enabled("FinishedButton"));
    EXPECT_TRUE(allRecords<PQXT20>(*ctx_).empty());
    EXPECT_EQ(lines().size(), 1u);
    w.type("Paid", "11.50");
    EXPECT_TRUE(w.enabled("FinishedButton"));
    EXPECT_EQ(loc().CHANGE, Decimal());
}

TEST_F(TillSale, FinishedWithNoLinesPostsAndPrintsNothing) {
    TestWindow& w = openTill();
    w.focus("Paid");
    finish();
    EXPECT_TRUE(allRecords<PQXT20>(*ctx_).empty());
    EXPECT_TRUE(allRecords<PQXH20>(*ctx_).empty());
    EXPECT_TRUE(previewer_.shown.empty());
    EXPECT_EQ(loc().SALESNUMBER, 11);
    EXPECT_EQ(company(*ctx_).LASTDOCNR, 1233u);
}

TEST_F(TillSale, ClosingAsksBeforeDiscardingASaleAndReopeningTakesTheNextNumber) {
    TestWindow& w = openTill();
    ring("MILK");
    tender("10.00");
    finish();
    EXPECT_EQ(loc().SALESNUMBER, 12);
    EXPECT_EQ(company(*ctx_).SALESNUMBER, 12) << "a number is stored when it is handed out";
    w.edit("List", "", Key::of(Key::Esc));
    ring("COKE");  // left on the screen when it closes
    rt_.messages.clear();
    rt_.messageAnswers.push_back(ButtonNo);
    w.press("CloseButton");
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].text,
              "There are lines on the screen that were not posted.|Do you want to discard this sale?");
    EXPECT_TRUE(w.isOpen()) << "No keeps the sale";
    EXPECT_EQ(lines().size(), 1u);
    rt_.messageAnswers.push_back(ButtonYes);
    w.press("CloseButton");
    EXPECT_FALSE(w.isOpen());
    EXPECT_TRUE(std::count(rt_.ran.begin(), rt_.ran.end(), "AskDailyCashup"));
    EXPECT_EQ(company(*ctx_).SALESNUMBER, 12);
    EXPECT_TRUE(lines().empty());
    openTill();
    EXPECT_EQ(loc().SALESNUMBER, 13);
}

TEST_F(TillSale, SalesNumberWrapsToOne) {
    {
        auto& cs10 = ctx_->access<PACS10>();
        cs10.clearBuffer();
        cs10.SetFileOrder();
        ASSERT_EQ(cs10.next(), ErrNone);
        cs10.rec.SALESNUMBER = 65534;
        ASSERT_EQ(cs10.put(), ErrNone);
    }
    openTill();
    EXPECT_EQ(loc().SALESNUMBER, 65535);
    ring("MILK");
    tender("9.99");
    finish();
    EXPECT_EQ(loc().SALESNUMBER, 1);
    closeTill();
    EXPECT_EQ(company(*ctx_).SALESNUMBER, 1);
    openTill();
    EXPECT_EQ(loc().SALESNUMBER, 2);
}

TEST_F(TillSale, PaymentButtonMovesToPaidOnlyAfterLinesWereRungUp) {
    TestWindow& w = openTill();
    w.press("Insert");
    w.edit("List", "COKE", Key::of(Key::Tab));
    w.press("PaymentButton");  // nothing worked out yet: the row being typed is left
    EXPECT_FALSE(screen_->list().editing());
    EXPECT_TRUE(lines().empty());
    EXPECT_NE(w.focused(), w.control("Paid"));
    ring("COKE");
    w.press("PaymentButton");
    EXPECT_EQ(w.focused(), w.control("Paid"));
    EXPECT_FALSE(w.enabled("PaymentButton"));
    EXPECT_TRUE(w.enabled("FinishedButton"));
    EXPECT_FALSE(screen_->list().editing());  // the blank row after the last line is dropped
    EXPECT_EQ(lines().size(), 1u);
}

TEST_F(TillSale, AFocusPassOverTagKeepsTheSale) {
    TestWindow& w = openTill();
    ring("COKE");
    w.edit("List", "", Key::of(Key::Esc));
    w.focus("Tag");
    EXPECT_EQ(lines().size(), 1u);
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("11.50"));
    w.tick("Tag", true);
    EXPECT_TRUE(w.visible("PrintTagButton"));
    EXPECT_TRUE(w.visible("PayTabButton"));
    EXPECT_FALSE(w.visible("CreditNote"));
    EXPECT_FALSE(w.enabled("FinishedButton"));
    EXPECT_FALSE(w.enabled("PaymentButton"));
    EXPECT_TRUE(w.visible("TagClient"));
    w.tick("Tag", false);
    EXPECT_FALSE(w.visible("PrintTagButton"));
    EXPECT_TRUE(w.visible("CreditNote"));
    EXPECT_TRUE(w.enabled("PaymentButton"));
    EXPECT_EQ(w.focused(), w.control("Insert"));
}

TEST_F(TillSale, CashAndCreditSalesBoxesExcludeEachOther) {
    TestWindow& w = openTill();
    w.tick("Cash", false);
    EXPECT_TRUE(w.checked("Credit"));
    EXPECT_TRUE(w.visible("OrderNo"));
    EXPECT_TRUE(w.enabled("DebtorName"));
    w.tick("Credit", false);
    EXPECT_TRUE(w.checked("Cash"));
    EXPECT_FALSE(w.visible("OrderNo"));
    EXPECT_FALSE(w.enabled("SelectDebButton"));
    // A cancelled debtor list leaves the focus on its button.
    w.tick("Credit", true);
    rt_.onOpen("SelectA10Debtors", [](TestWindow& d) { d.press("Close"); });
    w.press("SelectDebButton");
    EXPECT_EQ(loc().DEBTOR, 0);
    EXPECT_EQ(w.focused(), w.control("SelectDebButton"));
}

}  // namespace
}  // namespace tavlo::till_test

namespace tavlo::till_test {
namespace {

// What the editor refuses it says, and the cursor stays where the fix is typed.
TEST_F(TillSale, RefusedInputSaysWhyAndKeepsTheCursorThere) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, Key>> keys;  // typed text and the key after it
        int column;                                      // where the cursor stays
        const char* says;                                // the start of the status text
    };
    const Key tab = Key::of(Key::Tab);
    const std::vector<Case> cases = {
        {"letters in a quantity", {{"COKE", tab}, {"abc", tab}}, BrowsePointOfSale::kQty, "The quantity must be a number"},
        {"a quantity too large", {{"BREAD", tab}, {"99999999", tab}}, BrowsePointOfSale::kQty, "The quantity "},
        {"a discount over 100 %", {{"COKE", tab}, {"1", tab}, {"150", tab}}, BrowsePointOfSale::kDiscount,
         "The discount must be a percentage"},
        {"quantity 0 out of the last column", {{"COKE", tab}, {"0", tab}, {"0", tab}}, BrowsePointOfSale::kDiscount,
         "A line needs an item and a quantity"},
        {"a scanned unknown code", {{"NOSUCH", Key::of(Key::Enter)}}, BrowsePointOfSale::kItemCode,
         "Item code NOSUCH is not known"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow& w = openTill();
        if (!screen_->list().editing()) w.press("Insert");
        for (const auto& [text, key] : c.keys) w.edit("List", text, key);
        EXPECT_TRUE(screen_->list().editing());
        EXPECT_EQ(screen_->list().editColumn(), c.column);
        EXPECT_EQ(w.window().statusText(0).rfind(c.says, 0), 0u) << w.window().statusText(0);
        EXPECT_TRUE(lines().empty());
        w.edit("List", "", Key::of(Key::Esc));
        closeTill();
    }
}

TEST_F(TillSale, ANegativeSupervisorPriceIsRefused) {
    TestWindow& w = openTill();
    answerSupervisor(kSupervisorPassword);
    w.press("SupButton");
    w.press("Insert");
    w.edit("List", "COKE", Key::of(Key::Tab));
    w.edit("List", "1", Key::of(Key::Tab));
    w.edit("List", "-5", Key::of(Key::Tab));
    EXPECT_EQ(screen_->list().editColumn(), BrowsePointOfSale::kSellingPrice);
    EXPECT_EQ(w.window().statusText(0), "A selling price cannot be negative; returns go through Credit Note.");
    auto& a301 = ctx_->access<PQXA301>();
    a301.clearBuffer();
    a301.rec.ITEMCODE = "COKE";
    ASSERT_EQ(a301.get(PA301::ItemCodeKey), ErrNone);
    EXPECT_EQ(a301.rec.POSSELLINGPRICE, Decimal::of("11.50"));
}

// A scanner types the code and Enter: each known code is a line of one, saved at once, and the
// next line is open for the next scan.
TEST_F(TillSale, ScannedCodesRingUpALineEachWithoutQuestions) {
    TestWindow& w = openTill();
    if (!screen_->list().editing()) w.press("Insert");
    rt_.messages.clear();
    for (const char* code : {"COKE", "MILK", "COKE"}) w.edit("List", code, Key::of(Key::Enter));
    EXPECT_TRUE(rt_.messages.empty()) << "no save question per item";
    EXPECT_EQ(lines().size(), 3u);
    EXPECT_TRUE(screen_->list().editing());
    EXPECT_EQ(screen_->list().editColumn(), BrowsePointOfSale::kItemCode);
    EXPECT_EQ(loc().TOTALAMOUNT, Decimal::of("32.99"));
    w.edit("List", "", Key::of(Key::Esc));
    tender("40.00");
    finish();
    EXPECT_EQ(headerOf(*ctx_, 1234)->AMOUNT, Decimal::of("32.99"));
}

}  // namespace
}  // namespace tavlo::till_test
