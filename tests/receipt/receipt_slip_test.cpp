// The slips on the receipt printer against the page slips: the same texts and amounts, read from
// the same posted rows, through a network printer and a device file.
#include <gtest/gtest.h>

#include <fstream>

#include "../reports/slip_fixture.h"
#include "escpos_decoder.h"
#include "fake_printer.h"
#include "receipt/escpos.h"
#include "receipt/receipt.h"
#include "receipt/receipt_printer.h"
#include "reports/cash_slip.h"
#include "reports/tab_slip.h"
#include "util/text.h"

namespace tavlo::receipt {
namespace {

using report::testing::Sale;
using report::testing::SaleLine;

class ReceiptSlip : public report::testing::SlipFixture {
protected:
    void SetUp() override {
        SlipFixture::SetUp();
        for (const TableDef* t : {&PQXH20::table(), &PQXH21::table(), &PQXV61::table()}) ctx_->access(*t).Open();
    }

    // Every text the page slip printed is on the receipt (amounts as the page formats them).
    void expectSameTexts(const std::string& receipt) {
        const auto texts = pageTexts(previewer_.shown.size() - 1);
        ASSERT_FALSE(texts.empty());
        for (const std::string& t : texts)
            EXPECT_NE(receipt.find(trim(t)), std::string::npos) << "the receipt lacks \"" << t << "\"\n" << receipt;
    }
    std::string text(const Receipt& r, int width = 48) {
        std::string all;
        for (const PrintLine& l : layoutReceipt(r, width)) all += l.text + "\n";
        return all;
    }
    void useSettings(const std::string& printer, bool drawer = true) {
        ReceiptSettings s;
        s.printer = *PrinterTarget::parse(printer);
        s.drawer = drawer;
        ASSERT_TRUE(writeReceiptSettings(receiptSettingsFile(data_), s));
    }
    static Sale twoLineSale() {
        Sale s;
        s.lines = {{"BREAD", "2", "20.00", "3.00"}, {"MILK", "-1", "-25.21", "-3.78"}};
        return s;
    }
};

TEST_F(ReceiptSlip, CashSaleCreditNoteAndDebtorSlipSayWhatThePageSays) {
    shop();
    for (int language : {1, kAfrikaans}) {
        GLO.LANGUAGENO = static_cast<std::int16_t>(language);
        Sale cash = twoLineSale();
        cash.docNumber = 1234 + language;
        post(cash);
        report::PrintCashSlip(runtime_, *ctx_, cash.docNumber, Decimal::of("0.02"), Decimal::of("50.00"),
                              Decimal::of("30.99"), 0);
        expectSameTexts(text(saleReceipt(*ctx_, {cash.docNumber, Decimal::of("0.02"), Decimal::of("50.00"),
                                                 Decimal::of("30.99"), 0}, false)));

        Sale credit = breadSale();
        credit.docNumber = 2000 + language;
        credit.creditNote = true;
        credit.tranType = 7;
        post(credit);
        report::PrintCashSlip(runtime_, *ctx_, credit.docNumber, Decimal(0), Decimal(0), Decimal(0), 1);
        const std::string creditText = text(saleReceipt(*ctx_, {credit.docNumber, Decimal(0), Decimal(0), Decimal(0), 1}, false));
        expectSameTexts(creditText);
        EXPECT_NE(creditText.find(language == 2 ? "Belasting Kredietnota" : "Tax Credit Note"), std::string::npos);

        Sale onAccount = breadSale();
        onAccount.docNumber = 3000 + language;
        onAccount.payMethod = 4;
        onAccount.tranType = 35;
        onAccount.orderNo = "PO-5511";
        post(onAccount);
        report::PrintDebCashSlip(runtime_, *ctx_, onAccount.docNumber, Decimal(0), Decimal(0), Decimal(0), 0);
        const std::string debtorText =
            text(saleReceipt(*ctx_, {onAccount.docNumber, Decimal(0), Decimal(0), Decimal(0), 0}, true));
        expectSameTexts(debtorText);
        for (const char* t : {"Smith Traders", "12 Main Road", "1559", "Springs   1559", "4999999999", "PO-5511"})
            EXPECT_NE(debtorText.find(t), std::string::npos) << t << "\n" << debtorText;
    }
}

TEST_F(ReceiptSlip, TabSlipAndReprintFromTheirOwnTables) {
    shop();
    auto& v61 = ctx_->access<PQXV61>();
    for (auto [code, qty, debit, vat, visit] : {std::tuple{"BREAD", "2", "20.00", "3.00", 7}, {"MILK", "1", "25.21", "3.78", 7},
                                                {"MILK", "5", "99.00", "9.00", 8}}) {
        v61.clearBuffer();
        v61.rec.CLIENTNO = 42;
        v61.rec.DOCUMENTNO = 555;
        v61.rec.SALESNUMBER = static_cast<std::uint16_t>(visit);
        v61.rec.ITEMCODE = code;
        v61.rec.QTY = Decimal::of(qty);
        v61.rec.DEBIT = Decimal::of(debit);
        v61.rec.VATAMOUNT = Decimal::of(vat);
        v61.rec.TRANSDATE = dayNumber(2024, 3, 14);
        ASSERT_EQ(v61.add(), ErrNone);
    }
    report::PrintTag(runtime_, *ctx_, 555, 7, 42);
    Receipt tab = tabReceipt(*ctx_, 42, 555, 7);
    EXPECT_EQ(tab.lines.size(), 2u);
    expectSameTexts(text(tab));
    EXPECT_EQ(text(tab).find("Paid"), std::string::npos);

    // A reprinted credit note: known by its debit rows, with the sale's tender kept in history.
    Sale credit = breadSale();
    credit.creditNote = true;
    credit.tranType = 7;
    credit.rounding = "0.03";
    credit.paid = "20.00";
    credit.change = "-3.00";
    post(credit);
    Receipt copy = reprintReceipt(*ctx_, credit.docNumber);
    const std::string copyText = text(copy, 32);
    for (const char* t : {"Tax Credit Note", "(Copy)", "23.00", "-0.03", "20.00", "-3.00", "AB1234", "15/03/2024", "14:32"})
        EXPECT_NE(copyText.find(t), std::string::npos) << t << "\n" << copyText;
    EXPECT_EQ(copyText.find("VAT# :"), std::string::npos);
    EXPECT_FALSE(copy.cashSale());  // a reprint never opens the drawer
    EXPECT_TRUE(reprintReceipt(*ctx_, 9999).lines.empty());
}

TEST_F(ReceiptSlip, ThroughANetworkPrinterAndADeviceFileWithTheDrawerOnlyForCash) {
    shop();
    Sale cash = breadSale();
    post(cash);
    Sale card = breadSale();
    card.docNumber = 1235;
    card.payMethod = 2;
    card.tranType = 4;
    post(card);

    testing::FakeNetworkPrinter printer;
    useSettings(printer.address());
    SlipArgs args{1234, Decimal(0), Decimal::of("50.00"), Decimal::of("27.00"), 0, true};
    ASSERT_TRUE(printSaleOnReceiptPrinter(runtime_, *ctx_, args));
    args.documentNo = 1235;
    ASSERT_TRUE(printSaleOnReceiptPrinter(runtime_, *ctx_, args));
    EXPECT_TRUE(runtime_.messages.empty());
    EXPECT_TRUE(previewer_.shown.empty());  // no preview at the counter
    for (int i = 0; i < 500 && printer.jobs().size() < 2; ++i) ::poll(nullptr, 0, 10);
    ASSERT_EQ(printer.jobs().size(), 2u);
    auto cashJob = testing::decode(printer.jobs()[0]);
    EXPECT_EQ(cashJob.events, (std::vector<std::string>{"init", "text", "cut", "kick"}));
    EXPECT_TRUE(cashJob.centred.size() >= 2);
    EXPECT_EQ(cashJob.bold, (std::vector<std::string>{"Corner Cafe & Deli", "Tax Invoice"}));
    auto cardJob = testing::decode(printer.jobs()[1]);
    EXPECT_EQ(cardJob.events, (std::vector<std::string>{"init", "text", "cut"}));
    EXPECT_NE(cardJob.all().find("Credit card"), std::string::npos);

    std::ofstream(data_ / "lp0").close();
    useSettings("device:" + (data_ / "lp0").string(), false);
    args.documentNo = 1234;
    ASSERT_TRUE(printSaleOnReceiptPrinter(runtime_, *ctx_, args));
    std::ifstream in(data_ / "lp0", std::ios::binary);
    auto fileJob = testing::decode({std::istreambuf_iterator<char>(in), {}});
    EXPECT_EQ(fileJob.lines, cashJob.lines);
    EXPECT_TRUE(fileJob.kicks.empty());  // the drawer is switched off

    // Without a receipt printer the caller shows the page slip.
    useSettings("none");
    EXPECT_FALSE(printSaleOnReceiptPrinter(runtime_, *ctx_, args));
}

}  // namespace
}  // namespace tavlo::receipt
