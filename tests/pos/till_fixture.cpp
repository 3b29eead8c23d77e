#include "till_fixture.h"

#include <tuple>

#include "data/master_data.h"
#include "state/globals.h"

namespace tavlo::till_test {

void seedTillData(Context& ctx) {
    MasterData data;
    data.item("SOAP", "Hand soap", "5.06", "01", "E", kSalesAcc).ACCNUMBER = 3000;
    // A stock item: asset 3100 -> trading account 50 -> the income account of that trading account.
    data.tradingAccount(50, "Bar");
    data.asset(3100, "Bar stock", 50);
    for (const auto& [number, cls, desc, tradType] : {std::tuple{1190, "C", "Bar cost", 2}, {kBarSales, "S", "Bar sales", 4}}) {
        PQXA10& a = data.account(static_cast<std::uint16_t>(number), cls, desc);
        a.TRADACCNUMBER = 50;
        a.TRADTYPENUMBER = static_cast<std::uint8_t>(tradType);
    }
    data.stockItem("BEER", "Draught beer", "30.00", "01", "I", 3100);
    data.cashier("OP1", "Anna", "anna1");
    data.cashier("OP2", "Ben", "");
    ASSERT_EQ(data.store(ctx), "");
    auto& s10 = ctx.access<PQXS10>();
    s10.clearBuffer();
    s10.SetFileOrder();
    ASSERT_EQ(s10.next(), ErrNone);
    s10.rec.DATEPASS = kSupervisorPassword;
    ASSERT_EQ(s10.put(), ErrNone) << s10.errorText();
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
