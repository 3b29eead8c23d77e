// The "Debtor Payment" window as the operator uses it: choosing the debtor, the tender boxes that
// act as one choice, OK posting and closing, refusals and failures that keep the window open.
#include <gtest/gtest.h>

#include "data/file_manager.h"
#include "data/master_data.h"
#include "debtors/debtor_payment.h"
#include "test_runtime.h"
#include "framework/commands.h"
#include "state/globals.h"
#include "support.h"
#include "util/date.h"

namespace tavlo {
namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kTill = 8400, kCard = 8410, kSmith = 1200, kJones = 1300;

class DebtorPaymentWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = std::make_shared<Context>(folder_.path());
        for (const TableDef* t : {&PACS10::table(), &PQXA10::table(), &PQXS10::table(), &PQXT20::table(), &PQXT21::table()})
            ctx_->access(*t).Open();
        MasterData data;
        data.account(kTill, "K", "Till");
        data.account(kCard, "K", "Card clearing");
        data.account(kSmith, "D", "Smith Traders", 11);
        data.account(kJones, "D", "Jones & Sons", 11);
        data.till(kTill, kCard);
        data.company("", "AB", 50);
        ASSERT_EQ(data.store(*ctx_), "");
        proc_.setContext(ctx_);
    }
    void TearDown() override { ctx_.reset(); }
    // The pick list answers with the debtor in the given row (by name: Jones, Smith).
    void picks(int row) {
        rt_.onOpen("SelectA10Debtors", [row](TestWindow& pick) {
            pick.selectRow("List", row);
            pick.press("Select");
        });
    }
    std::vector<PQXT20> headers() {
        std::vector<PQXT20> out;
        auto& t20 = ctx_->access<PQXT20>();
        t20.clearBuffer();
        t20.SetFileOrder();
        while (t20.next() == ErrNone) out.push_back(t20.rec);
        return out;
    }

    support::TempFolder folder_;
    FixedClock clock_{dayNumber(2024, 3, 15), 0};
    support::ProgramStateGuard state_{{.clock = &clock_, .syncWrites = false}};
    std::shared_ptr<Context> ctx_;
    TestRuntime rt_;
    DebtorPayment proc_;
};

TEST_F(DebtorPaymentWindow, TheTenderBoxesActAsOneChoice) {
    auto w = rt_.open(proc_);
    EXPECT_EQ(w.window().title, "Debtor Payment");
    // Cash is ticked on opening: the operator clears it before another box can be ticked.
    EXPECT_TRUE(w.checked("Cash"));
    EXPECT_FALSE(w.enabled("Credit Card"));
    EXPECT_FALSE(w.enabled("Cheque"));
    EXPECT_THROW(w.tick("Cheque"), std::logic_error);
    w.tick("Cash", false);
    EXPECT_TRUE(w.enabled("Credit Card"));
    EXPECT_TRUE(w.enabled("Cheque"));
    w.tick("Cheque");
    EXPECT_FALSE(w.enabled("Cash"));
    EXPECT_FALSE(w.enabled("Credit Card"));
    w.tick("Cheque", false);
    w.tick("Credit Card");
    EXPECT_FALSE(w.enabled("Cash"));
    EXPECT_FALSE(w.enabled("Cheque"));
    EXPECT_FALSE(w.checked("Cash"));
    rt_.finish(w);
}

TEST_F(DebtorPaymentWindow, OkPostsThePaymentAndCloses) {
    picks(1);
    auto w = rt_.open(proc_);
    w.press("ChooseDebtor");
    EXPECT_EQ(w.text("DebtorName"), "Smith Traders");
    w.tick("Cash", false);
    w.tick("Credit Card");
    w.type("Amount", "250.75");
    w.press("OK");
    EXPECT_FALSE(w.isOpen());
    EXPECT_TRUE(rt_.messages.empty());
    EXPECT_EQ(proc_.documentNo(), 51u);
    const std::vector<PQXT20> posted = headers();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].PAYMETHOD, 2);
    EXPECT_EQ(posted[0].ACCNUMBER, kCard);
    EXPECT_EQ(posted[0].AMOUNT, Decimal::of("250.75"));
    EXPECT_EQ(posted[0].REFERENCE1, "AB 51");
    EXPECT_EQ(clip(posted[0].TRANDESC), "Smith Traders");
}

TEST_F(DebtorPaymentWindow, NoDebtorNoTenderOrNoAmountIsRefusedAndTheWindowStaysOpen) {
    auto w = rt_.open(proc_);
    w.type("Amount", "10.00");
    w.press("OK");
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].text, "Please choose the debtor who is paying first.");
    EXPECT_EQ(w.focused(), w.control("ChooseDebtor"));

    picks(0);
    w.press("ChooseDebtor");
    EXPECT_EQ(w.text("DebtorName"), "Jones & Sons");
    w.tick("Cash", false);
    w.press("OK");
    ASSERT_EQ(rt_.messages.size(), 2u);
    EXPECT_EQ(rt_.messages[1].text, "Please tick how the payment was made: cash, credit card or cheque.");

    w.tick("Cheque");
    for (const char* amount : {"0", "-5.00"}) {
        w.type("Amount", amount);
        w.press("OK");
        EXPECT_EQ(rt_.messages.back().text, "The amount must be more than 0.00.") << amount;
        EXPECT_EQ(w.focused(), w.control("Amount"));
    }
    EXPECT_EQ(rt_.messages.size(), 4u);
    EXPECT_TRUE(w.isOpen());
    EXPECT_TRUE(headers().empty());

    GLO.LANGUAGENO = 2;
    w.press("OK");
    EXPECT_EQ(rt_.messages.back().title, "Debiteurbetaling");
    EXPECT_EQ(rt_.messages.back().text, "Die bedrag moet meer as 0.00 wees.");
    rt_.finish(w);
}

TEST_F(DebtorPaymentWindow, CancelWritesNothingAndACancelledPickKeepsTheChosenDebtor) {
    picks(1);
    auto w = rt_.open(proc_);
    w.press("ChooseDebtor");
    rt_.onOpen("SelectA10Debtors", [](TestWindow& pick) {
        pick.selectRow("List", 0);
        pick.press("Close");
    });
    w.press("ChooseDebtor");
    EXPECT_EQ(w.text("DebtorName"), "Smith Traders");
    EXPECT_EQ(w.focused(), w.control("ChooseDebtor"));
    w.type("Amount", "99.00");
    w.press("Cancel");
    EXPECT_FALSE(w.isOpen());
    EXPECT_TRUE(headers().empty());
    EXPECT_EQ(proc_.documentNo(), 0u);
}

TEST_F(DebtorPaymentWindow, APostingThatFailsIsReportedAndCanBeRepeated) {
    picks(1);
    auto w = rt_.open(proc_);
    w.press("ChooseDebtor");
    w.type("Amount", "40.00");
    {
        Context other(folder_.path());
        other.relate<PQXT20>().Open();
        auto held = other.transaction<PQXT20>(1000ms);
        ASSERT_TRUE(held.active());
        w.press("OK");
    }
    ASSERT_EQ(rt_.messages.size(), 1u);
    EXPECT_EQ(rt_.messages[0].title, "Warning!");
    EXPECT_NE(rt_.messages[0].text.find("Nothing was posted."), std::string::npos) << rt_.messages[0].text;
    EXPECT_TRUE(w.isOpen());
    EXPECT_TRUE(headers().empty());
    EXPECT_EQ(w.text("DebtorName"), "Smith Traders");

    w.press("OK");
    EXPECT_FALSE(w.isOpen());
    ASSERT_EQ(headers().size(), 1u);
    EXPECT_EQ(headers()[0].DOCUMENTNO, 51u);
}

TEST(DebtorPaymentCommand, TheMenuCommandStartsTheWindow) {
    ProcedureFactory factory = commandFactory(kDebtorPayment);
    ASSERT_TRUE(factory);
    EXPECT_EQ(factory()->name(), "DebtorPayment");
}

}  // namespace
}  // namespace tavlo
