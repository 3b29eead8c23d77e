// The till's small dialogs and pick lists: pay method, supervisor password, debtors, items and
// cash clients.
#include "operators/sup_password.h"
#include "pos/lookups.h"
#include "pos/payment.h"
#include "pos/sale_line.h"
#include "till_fixture.h"

namespace tavlo::till_test {
namespace {

// ---- line arithmetic --------------------------------------------------------------------------

struct RoundingCase {
    const char* change;
    int cents;
};

TEST(CashRounding, ChangeIsRoundedUpToFiveCents) {
    const RoundingCase cases[] = {{"2.68", 2}, {"2.65", 0}, {"2.60", 0}, {"2.61", 4}, {"2.64", 1},
                                  {"2.66", 4}, {"2.69", 1}, {"0.00", 0}, {"0.01", 4}, {"99999.99", 1}};
    for (const auto& c : cases) EXPECT_EQ(cashRoundingCents(Decimal::of(c.change)), c.cents) << c.change;
}

TEST(SalesNumber, WrapsToOneNeverZero) {
    EXPECT_EQ(nextSalesNumber(1), 2);
    EXPECT_EQ(nextSalesNumber(65534), 65535);
    EXPECT_EQ(nextSalesNumber(65535), 1);
    EXPECT_EQ(nextSalesNumber(0), 1);
}

TEST(SaleLine, AmountsThatDoNotFitTheirFieldsAreRefused) {
    PQXV01 vat;
    vat.VATRATE = Decimal(15);
    LineAmounts a = computeLine(Decimal::of("9999999.999"), Decimal::of("99999.999"), Decimal(), false, vat, "E");
    EXPECT_FALSE(a.fits);
    LineAmounts b = computeLine(Decimal(3), Decimal::of("5.06"), Decimal(), false, vat, "E");
    EXPECT_TRUE(b.fits);
    EXPECT_EQ(b.debit, Decimal::of("15.18"));
    EXPECT_EQ(b.vat, Decimal::of("2.28"));
    EXPECT_EQ(b.nett, Decimal::of("17.46"));
    // A discount rounds half away from zero at the cent.
    LineAmounts c = computeLine(Decimal(1), Decimal::of("0.15"), Decimal(50), false, PQXV01{}, "");
    EXPECT_EQ(c.debit, Decimal::of("0.08"));
}

// ---- PaymentMethod ----------------------------------------------------------------------------

struct PayCase {
    const char* name;
    std::vector<std::pair<const char*, bool>> ticks;
    const char* button;
    int expected;  // from a previous pay method of 3
};

TEST(PaymentMethodDialog, TicksGiveThePayMethod) {
    const PayCase cases[] = {
        {"untouched", {}, "OK", 1},
        {"card", {{"Cash", false}, {"CreditCard", true}}, "OK", 2},
        {"cheque", {{"Cash", false}, {"Cheque", true}}, "OK", 3},
        {"nothing ticked", {{"Cash", false}}, "OK", 3},
        {"cancel", {{"Cash", false}, {"CreditCard", true}}, "Cancel", 3},
    };
    for (const auto& c : cases) {
        TestRuntime rt;
        std::uint8_t payment = 3;
        PaymentMethod dialog(payment);
        auto w = rt.open(dialog);
        for (const auto& [box, on] : c.ticks) w.tick(box, on);
        w.press(c.button);
        EXPECT_EQ(payment, c.expected) << c.name;
        EXPECT_FALSE(w.isOpen()) << c.name;
    }
}

TEST(PaymentMethodDialog, OneTickDisablesTheOthers) {
    TestRuntime rt;
    std::uint8_t payment = 0;
    PaymentMethod dialog(payment);
    auto w = rt.open(dialog);
    EXPECT_TRUE(w.checked("Cash"));
    EXPECT_FALSE(w.enabled("CreditCard"));
    EXPECT_FALSE(w.enabled("Cheque"));
    EXPECT_THROW(w.tick("Cheque", true), std::logic_error);
    w.tick("Cash", false);
    EXPECT_TRUE(w.enabled("CreditCard"));
    EXPECT_TRUE(w.enabled("Cheque"));
    w.tick("CreditCard", true);
    EXPECT_FALSE(w.enabled("Cash"));
    EXPECT_FALSE(w.enabled("Cheque"));
    rt.finish(w);
}

// ---- SupPassword ------------------------------------------------------------------------------

struct SupCase {
    const char* stored;
    const char* typed;  // nullptr: OK without typing
    int expected;
    bool complains;
};

TEST(SupPasswordDialog, ComparesCaseSensitivelyIgnoringTrailingBlanks) {
    const SupCase cases[] = {
        {"Boss 1", "Boss 1", 1, false},  {"Boss 1", "Boss 1  ", 1, false}, {"Boss 1", "boss 1", 0, true},
        {"Boss 1", " Boss 1", 0, true},  {"Boss 1", "KVT", 1, false},      {"Boss 1", "kvt", 0, true},
        {"", "", 1, false},              {"    ", "", 1, false},           {"Boss 1", "", 0, true},
        {"Boss 1", nullptr, 0, false},
    };
    for (const auto& c : cases) {
        TestRuntime rt;
        std::uint8_t ok = 7;
        SupPassword dialog(ok, c.stored);
        auto w = rt.open(dialog);
        if (c.typed) w.type("Password", c.typed);
        w.press("OK");
        SCOPED_TRACE(std::string("stored '") + c.stored + "' typed '" + (c.typed ? c.typed : "(nothing)") + "'");
        EXPECT_EQ(ok, c.expected);
        EXPECT_EQ(rt.messages.size(), c.complains ? 1u : 0u);
    }
}

TEST(SupPasswordDialog, WrongPasswordKeepsTheDialogOpenAndCancelLeavesTheArgument) {
    TestRuntime rt;
    std::uint8_t ok = 1;
    SupPassword dialog(ok, "Boss 1");
    auto w = rt.open(dialog);
    w.type("Password", "guess");
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.focused(), w.control("Password"));
    EXPECT_TRUE(w["Password"].password);
    w.type("Password", "Boss 1");
    EXPECT_TRUE(dialog.passwordOk());
    w.press("Cancel");
    EXPECT_EQ(ok, 1);
    EXPECT_FALSE(w.isOpen());
}

TEST(SupPasswordDialog, AfrikaansTexts) {
    support::ProgramStateGuard state;
    GLO.LANGUAGENO = kAfrikaans;
    TestRuntime rt;
    std::uint8_t ok = 0;
    SupPassword dialog(ok, "x");
    auto w = rt.open(dialog);
    w.type("Password", "y");
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].title, "Waarskuwing!");
    EXPECT_EQ(rt.messages[0].text, "Die wagwoord is nie reg nie ...");
    rt.finish(w);
}

// ---- pick lists -------------------------------------------------------------------------------

class PickLists : public TillTest {
protected:
    template <class P>
    TestWindow open(P& pick) {
        pick.setContext(ctx_);
        return rt_.open(pick);
    }
    ListControl& listOf(TestWindow& w) { return *w.window().listOf(w.control("List")); }
    std::vector<std::string> column(TestWindow& w, std::size_t c) {
        std::vector<std::string> out;
        for (const Row& r : listOf(w).rows()) out.push_back(valueText(r[c]));
        return out;
    }
    void addCashClient(std::uint32_t number, const std::string& name) {
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = number;
        c11.rec.NAME = name;
        ASSERT_EQ(c11.add(), ErrNone);
    }
};

TEST_F(PickLists, DebtorListShowsOnlyDebtorsByNameAndJumpsAsTyped) {
    SelectA10Debtors pick;
    auto w = open(pick);
    EXPECT_EQ(column(w, 1), (std::vector<std::string>{"Debtor one", "Debtor two"}));
    w.listKey("List", Key::ch(U'D'));
    w.listKey("List", Key::ch(U'e'));
    w.listKey("List", Key::ch(U'b'));
    w.listKey("List", Key::ch(U't'));
    w.listKey("List", Key::ch(U'o'));
    w.listKey("List", Key::ch(U'r'));
    w.listKey("List", Key::ch(U' '));
    w.listKey("List", Key::ch(U'T'));
    EXPECT_EQ(listOf(w).selected(), 1);
    w.listKey("List", Key::of(Key::Enter));  // Enter on a row selects it
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(pick.response(), Response::Completed);
    EXPECT_EQ(ctx_->access<PQXA10>().rec.ACCNUMBER, kDebtor2);
}

TEST_F(PickLists, DebtorListClosedIsCancelled) {
    SelectA10Debtors pick;
    auto w = open(pick);
    w.press("Close");
    EXPECT_EQ(pick.response(), Response::Cancelled);
}

TEST_F(PickLists, TabDebtorListReturnsTheChosenDebtorAndNoneWhenClosedWithoutAChoice) {
    std::uint32_t number = 0;
    SelectA10Debtors pick(number);
    auto w = open(pick);
    EXPECT_EQ(w.window().title, "Select a Debtor");
    EXPECT_EQ(w.window().width, 161);
    w.selectRow("List", 1);
    w.press("Select");
    EXPECT_EQ(number, kDebtor2);
    SelectA10Debtors again(number);
    auto w2 = open(again);
    w2.selectRow("List", 1);
    w2.press("Close");
    EXPECT_EQ(number, 0u) << "a highlighted row is not a choice";
}

TEST_F(PickLists, ItemListSortsByAClickedHeadingAndBack) {
    SelectInventory pick;
    auto w = open(pick);
    EXPECT_EQ(column(w, 0), (std::vector<std::string>{"BEER", "BREAD", "CAKE", "COKE", "DIESEL", "MILK", "SOAP"}));
    w.clickHeading("List", 1);
    EXPECT_EQ(column(w, 1).front(), "Brown bread");
    w.clickHeading("List", 1);
    EXPECT_EQ(column(w, 1).front(), "Hand soap");
    w.listKey("List", Key::ch(U'F'));  // the locator follows the sorted column
    EXPECT_EQ(valueText(listOf(w).selectedRow()->cells[1]), "Fresh milk 1 litre");
    w.press("Select");
    EXPECT_EQ(clip(ctx_->access<PQXA301>().rec.ITEMCODE), "MILK");
}

TEST_F(PickLists, CashClientsAreNumberedWhenSaved) {
    std::uint32_t number = 0;
    SelectCashClient pick(number);
    auto w = open(pick);
    w.insert("List");
    EXPECT_EQ(listOf(w).editColumn(), 1);  // only the name is typed
    w.edit("List", "Table nine", Key::of(Key::Tab));
    EXPECT_FALSE(listOf(w).editing());
    EXPECT_TRUE(rt_.messages.empty());  // saved without asking
    std::vector<PQXC11> clients = allRecords<PQXC11>(*ctx_);
    ASSERT_EQ(clients.size(), 2u);
    EXPECT_EQ(clients[1].NAME, "Table nine");
    EXPECT_EQ(clients[1].CLIENTNO, kCashClient + 1);
    // Changing the name in the list; Enter saves without asking too.
    w.selectRow("List", 0);
    w.press("Change");
    w.edit("List", "Table seven (patio)", Key::of(Key::Enter));
    EXPECT_EQ(allRecords<PQXC11>(*ctx_)[0].NAME, "Table seven (patio)");
    w.selectRow("List", 1);
    w.press("OK");
    EXPECT_EQ(number, kCashClient + 1);
}

TEST_F(PickLists, CashClientNumbersAboveSixteenBitsComeBackWhole) {
    addCashClient(65536 + kCashClient, "Far table");
    std::uint32_t number = 0;
    SelectCashClient pick(number);
    auto w = open(pick);
    w.selectRow("List", 1);
    w.press("Select");
    EXPECT_EQ(number, 65536u + kCashClient);  // not client 77's tab
    EXPECT_EQ(pick.response(), Response::Completed);
}

TEST_F(PickLists, EmptyCashClientListReturnsTheNumberInTheBuffer) {
    {
        auto& c11 = ctx_->access<PQXC11>();
        c11.clearBuffer();
        c11.rec.CLIENTNO = kCashClient;
        ASSERT_EQ(c11.get(PC11::ClientNoKey), ErrNone);
        ASSERT_EQ(c11.erase(), ErrNone);
        c11.clearBuffer();
        c11.rec.CLIENTNO = 5;
    }
    std::uint32_t number = 99;
    SelectCashClient pick(number);
    auto w = open(pick);
    EXPECT_TRUE(listOf(w).rows().empty());
    w.press("OK");
    EXPECT_EQ(number, 5u);
    SelectCashClient cancelled(number);
    auto w2 = open(cancelled);
    w2.press("Cancel");
    EXPECT_EQ(number, 0u) << "Cancel chooses no owner";
}

}  // namespace
}  // namespace tavlo::till_test
