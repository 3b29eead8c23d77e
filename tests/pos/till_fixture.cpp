#include "till_fixture.h"

#include <chrono>

#include "state/globals.h"

namespace tavlo::till_test {

using namespace std::chrono_literals;

void seedTillData(Context& ctx) {
    auto tx = ctx.transaction<PQXA10, PQXA30, PQXA40, PQXA301, PQXO10, PQXS10>(5s);
    ASSERT_TRUE(tx.active()) << tx.errorText();

    auto& a301 = ctx.access<PQXA301>();
    a301.clearBuffer();
    a301.rec.ITEMCODE = "SOAP";
    a301.rec.ITEMDESC = "Hand soap";
    a301.rec.ACCNUMBER = 3000;
    a301.rec.POSSELLINGPRICE = Decimal::of("5.06");
    a301.rec.VATCODE = "01";
    a301.rec.VATSTATUS = "E";
    a301.rec.NOTSTOCKITEM = 1;
    a301.rec.SALESACCOUNT = kSalesAcc;
    ASSERT_EQ(a301.add(), ErrNone) << a301.errorText();

    // A stock item: asset 3100 -> trading account 50 -> the income account of that trading account.
    auto& a40 = ctx.access<PQXA40>();
    a40.clearBuffer();
    a40.rec.TRADACCNUMBER = 50;
    a40.rec.TRADDESC = "Bar";
    ASSERT_EQ(a40.add(), ErrNone) << a40.errorText();
    auto& a30 = ctx.access<PQXA30>();
    a30.clearBuffer();
    a30.rec.ACCNUMBER = 3100;
    a30.rec.ASSETDESC = "Bar stock";
    a30.rec.TRADACCNUMBER = 50;
    ASSERT_EQ(a30.add(), ErrNone) << a30.errorText();
    auto& a10 = ctx.access<PQXA10>();
    const struct {
        std::uint16_t number;
        const char* cls;
        const char* desc;
        std::uint8_t tradType;
    } accounts[] = {{1190, "C", "Bar cost", 2}, {kBarSales, "S", "Bar sales", 4}};
    for (const auto& acc : accounts) {
        a10.clearBuffer();
        a10.rec.ACCNUMBER = acc.number;
        a10.rec.CLASSCODE = acc.cls;
        a10.rec.ACCCODE = acc.number;
        a10.rec.ACCDESC = acc.desc;
        a10.rec.TRADACCNUMBER = 50;
        a10.rec.TRADTYPENUMBER = acc.tradType;
        ASSERT_EQ(a10.add(), ErrNone) << a10.errorText();
    }
    a301.clearBuffer();
    a301.rec.ITEMCODE = "BEER";
    a301.rec.ITEMDESC = "Draught beer";
    a301.rec.ACCNUMBER = 3100;
    a301.rec.POSSELLINGPRICE = Decimal::of("30.00");
    a301.rec.VATCODE = "01";
    a301.rec.VATSTATUS = "I";
    a301.rec.NOTSTOCKITEM = 0;
    ASSERT_EQ(a301.add(), ErrNone) << a301.errorText();

    auto& o10 = ctx.access<PQXO10>();
    const char* operators[][3] = {{"OP1", "Anna", "anna1"}, {"OP2", "Ben", ""}};
    for (const auto& op : operators) {
        o10.clearBuffer();
        o10.rec.OPERATORNO = op[0];
        o10.rec.NAME = op[1];
        o10.rec.PASSWORD = op[2];
        ASSERT_EQ(o10.add(), ErrNone) << o10.errorText();
    }

    auto& s10 = ctx.access<PQXS10>();
    s10.clearBuffer();
    s10.SetFileOrder();
    ASSERT_EQ(s10.next(), ErrNone);
    s10.rec.DATEPASS = kSupervisorPassword;
    ASSERT_EQ(s10.put(), ErrNone) << s10.errorText();
    ASSERT_TRUE(tx.commit()) << tx.errorText();
}

void TillTest::SetUp() {
    ctx_ = std::make_shared<Context>(folder_.path());
    ctx_->OPERATOR = "OP1";
    useAllTables(*ctx_);
    seedMasterData(*ctx_);
    seedTillData(*ctx_);
    payBy("Cash");
}

void TillTest::TearDown() {
    closeTill();
    screen_.reset();
    ctx_.reset();
}

TestWindow& TillTest::openTill() {
    screen_ = std::make_unique<BrowsePointOfSale>();
    screen_->setContext(ctx_);
    till_.emplace(rt_.open(*screen_));
    return *till_;
}

void TillTest::closeTill() {
    if (till_ && till_->isOpen()) rt_.finish(*till_);
}

void TillTest::ring(const std::string& itemCode, const std::string& qty, const std::string& discount,
                    const std::string& price) {
    TestWindow& w = *till_;
    if (!screen_->list().editing()) w.press("Insert");
    w.edit("List", itemCode, Key::of(Key::Tab));
    w.edit("List", qty, Key::of(Key::Tab));
    if (screen_->list().editColumn() == BrowsePointOfSale::kSellingPrice)
        w.edit("List", price.empty() ? screen_->list().editorText() : price, Key::of(Key::Tab));
    w.edit("List", discount, Key::of(Key::Tab));
}

void TillTest::payBy(const std::string& box) {
    rt_.onOpen("PaymentMethod", [box](TestWindow& p) {
        if (box != "Cash") {
            p.tick("Cash", false);
            p.tick(box, true);
        }
        p.press("OK");
    });
}

void TillTest::tender(const std::string& paid) {
    TestWindow& w = *till_;
    if (w.enabled("PaymentButton")) w.press("PaymentButton");
    w.type("Paid", paid);
}

void TillTest::answerSupervisor(const std::string& password) {
    rt_.onOpen("SupPassword", [password](TestWindow& p) {
        p.type("Password", password);
        p.press("OK");
    });
}

Decimal TillTest::linesTotal() {
    Decimal sum;
    for (const PQXV60& l : lines()) sum += l.NETTAMOUNT;
    return sum;
}

}  // namespace tavlo::till_test
