// The till at the counter with a receipt printer: Finished prints straight to it and opens the
// drawer for cash; a printer that is not there costs a message, never the sale; No Sale.
#include <gtest/gtest.h>

#include <chrono>

#include "../pos/till_fixture.h"
#include "escpos_decoder.h"
#include "fake_printer.h"
#include "operators/audit.h"
#include "receipt/receipt_printer.h"
#include "pos/select_cash_slip.h"
#include "support.h"

namespace tavlo::till_test {
namespace {

using namespace std::chrono_literals;
using receipt::testing::decode;
using receipt::testing::FakeNetworkPrinter;

class TillReceipt : public TillTest {
protected:
    void useReceiptPrinter(const std::string& printer) {
        receipt::ReceiptSettings s;
        s.printer = *receipt::PrinterTarget::parse(printer);
        s.drawer = true;
        ASSERT_TRUE(receipt::writeReceiptSettings(receipt::receiptSettingsFile(folder_.path()), s));
    }
    std::vector<std::string> waitForJobs(FakeNetworkPrinter& p, std::size_t n) {
        for (int i = 0; i < 500 && p.jobs().size() < n; ++i) ::poll(nullptr, 0, 10);
        return p.jobs();
    }
    void cashSale() {
        ring("COKE");
        ring("SOAP");
        tender("20.00");
        finish();
    }
};

TEST_F(TillReceipt, FinishedPrintsStraightToThePrinterAndOpensTheDrawerForCash) {
    FakeNetworkPrinter printer;
    useReceiptPrinter(printer.address());
    TestWindow& w = openTill();
    EXPECT_TRUE(w.visible("NoSaleButton"));
    cashSale();
    EXPECT_TRUE(previewer_.shown.empty());
    EXPECT_TRUE(rt_.messages.empty());
    auto jobs = waitForJobs(printer, 1);
    ASSERT_EQ(jobs.size(), 1u);
    auto job = decode(jobs[0]);
    EXPECT_EQ(job.events, (std::vector<std::string>{"init", "text", "cut", "kick"}));
    for (const char* t : {"Tax Invoice", "COKE", "SOAP", "17.32", "2.26", "20.00", "2.70", "-0.02", "A1234"})
        EXPECT_NE(job.all().find(t), std::string::npos) << t << "\n" << job.all();

    payBy("Credit Card");
    ring("COKE");
    tender("11.50");
    finish();
    jobs = waitForJobs(printer, 2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_TRUE(decode(jobs[1]).kicks.empty());
}

TEST_F(TillReceipt, APrinterThatIsNotThereCostsOneMessageNotTheSale) {
    for (std::string target : {"net:127.0.0.1:" + std::to_string(receipt::testing::closedPort()),
                               "device:" + (folder_.path() / "no-such-dir" / "lp0").string()}) {
        SCOPED_TRACE(target);
        useReceiptPrinter(target);
        if (!till_ || !till_->isOpen()) openTill();
        rt_.messages.clear();
        auto start = std::chrono::steady_clock::now();
        cashSale();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
        ASSERT_EQ(rt_.messages.size(), 1u);
        EXPECT_NE(rt_.messages[0].text.find("The receipt printer"), std::string::npos) << rt_.messages[0].text;
        EXPECT_NE(rt_.messages[0].text.find("The sale is posted"), std::string::npos);
        EXPECT_TRUE(previewer_.shown.empty());
        EXPECT_TRUE(lines().empty());  // the screen moved on to the next sale
    }
    auto headers = allRecords<PQXT20>(*ctx_);
    std::vector<std::uint32_t> sales;
    for (const auto& h : headers)
        if (h.TRANTYPENUMBER == 5) sales.push_back(h.DOCUMENTNO);
    ASSERT_EQ(sales.size(), 2u);

    // Later, with the printer back, the slip comes from the reprint.
    FakeNetworkPrinter printer;
    useReceiptPrinter(printer.address());
    ASSERT_TRUE(receipt::reprintOnReceiptPrinter(rt_, *ctx_, sales[0]));
    auto jobs = waitForJobs(printer, 1);
    ASSERT_EQ(jobs.size(), 1u);
    auto job = decode(jobs[0]);
    EXPECT_TRUE(job.hasLine("(Copy)")) << job.all();
    EXPECT_NE(job.all().find("A" + std::to_string(sales[0])), std::string::npos);
    EXPECT_TRUE(job.kicks.empty());

    // The reprint list sends its copies there too, and stays open for the next one.
    report::SelectCashSlip list;
    list.setContext(ctx_);
    auto w = rt_.open(list);
    w.selectRow("List", 1);
    w.press("Select");
    jobs = waitForJobs(printer, 2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_TRUE(decode(jobs[1]).hasLine("(Copy)")) << decode(jobs[1]).all();
    EXPECT_TRUE(previewer_.shown.empty());
    EXPECT_TRUE(w.isOpen());
    w.closeBox();
}

TEST_F(TillReceipt, PrintTabSendsTheVisitsSlipWithoutTheDrawer) {
    FakeNetworkPrinter printer;
    useReceiptPrinter(printer.address());
    TestWindow& w = openTill();
    rt_.onOpen("SelectCashClient", [](TestWindow& s) {
        s.selectRow("List", 0);
        s.press("Select");
    });
    w.tick("Tag", true);
    ring("COKE");
    ring("BREAD");
    if (screen_->list().editing()) w.edit("List", "", Key::of(Key::Esc));
    w.press("PrintTagButton");
    EXPECT_TRUE(previewer_.shown.empty());
    auto jobs = waitForJobs(printer, 1);
    ASSERT_EQ(jobs.size(), 1u);
    auto job = decode(jobs[0]);
    EXPECT_TRUE(job.hasLine("Tag")) << job.all();
    EXPECT_NE(job.all().find("COKE"), std::string::npos);
    EXPECT_NE(job.all().find("BREAD"), std::string::npos);
    EXPECT_NE(job.all().find("A1234"), std::string::npos);  // the tab's number
    EXPECT_TRUE(job.kicks.empty());
}

TEST_F(TillReceipt, NoSaleNeedsTheSupervisorAndIsAudited) {
    {
        TestWindow& w = openTill();
        EXPECT_FALSE(w.visible("NoSaleButton"));  // no receipt printer, no drawer
        closeTill();
    }
    FakeNetworkPrinter printer;
    useReceiptPrinter(printer.address());
    TestWindow& w = openTill();
    rt_.onOpen("SupPassword", [](TestWindow& p) { p.press("Cancel"); });
    w.press("NoSaleButton");
    answerSupervisor("KVT");
    w.press("NoSaleButton");
    answerSupervisor(kSupervisorPassword);
    w.press("NoSaleButton");

    auto jobs = waitForJobs(printer, 2);
    ASSERT_EQ(jobs.size(), 2u);
    for (const auto& j : jobs) EXPECT_EQ(decode(j).events, (std::vector<std::string>{"init", "kick"}));
    ctx_->access<PQXAUDIT>().UseFile();
    auto audit = allRecords<PQXAUDIT>(*ctx_);
    ASSERT_EQ(audit.size(), 2u);
    EXPECT_EQ(audit[0].ACTION, static_cast<int>(AuditAction::NoSale));
    EXPECT_EQ(audit[0].SOURCE, static_cast<int>(SupervisorSource::MasterPassword));
    EXPECT_EQ(audit[1].SOURCE, static_cast<int>(SupervisorSource::OwnPassword));
    EXPECT_EQ(audit[0].OPERATORNO, "OP1");
    EXPECT_EQ(audit[0].NEWVALUE, "opened");
}

}  // namespace
}  // namespace tavlo::till_test
