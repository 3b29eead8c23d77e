// The listing of posted headers: tender groups and their subtotals, the cash summary on paper
// and in the PDF file, credit notes, the debtor's name, page numbers in both languages.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "reports/transaction_listing.h"
#include "slip_fixture.h"

namespace tavlo::report {
namespace {

struct Header {
    std::uint32_t doc;
    int payMethod;
    int tranType;
    const char* amount;
    std::uint16_t account = testing::kTillAccount;
    const char* desc = "Point of Sale";
    DayNumber date = dayNumber(2024, 3, 15);
};

class TransactionListingTest : public testing::SlipFixture {
protected:
    void SetUp() override {
        SlipFixture::SetUp();
        shop();
    }
    void add(const Header& h) {
        auto& t20 = ctx_->access<PQXT20>();
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = h.doc;
        t20.rec.PAYMETHOD = static_cast<std::uint8_t>(h.payMethod);
        t20.rec.TRANTYPENUMBER = static_cast<std::uint16_t>(h.tranType);
        t20.rec.AMOUNT = Decimal::of(h.amount);
        t20.rec.ACCNUMBER = h.account;
        t20.rec.TRANDESC = h.desc;
        t20.rec.TRANSDATE = h.date;
        t20.rec.REFERENCE1 = "AB" + std::to_string(h.doc);
        ASSERT_EQ(t20.add(), ErrNone) << t20.errorText();
    }
    void cashFloat(const char* amount) {
        auto& cs = ctx_->access<PACS10>();
        cs.clearBuffer();
        cs.SetFileOrder();
        ASSERT_EQ(cs.next(), ErrNone);
        cs.rec.CASHFLOAT = Decimal::of(amount);
        ASSERT_EQ(cs.put(), ErrNone);
    }
    // Texts of every page of the paper listing, in drawing order.
    std::vector<std::string> paperTexts() {
        std::vector<std::string> all;
        for (const Page& page : previewer_.shown.at(0).pages)
            for (const std::string& t : page.texts()) all.push_back(t);
        return all;
    }
    // The amount printed on the caption's line in the paper listing's last page.
    std::string amountOn(const std::string& caption) const {
        const Page& page = previewer_.shown.at(0).pages.back();
        const TextOp* c = page.findText(caption);
        if (!c) return "<no " + caption + ">";
        for (const DrawOp& op : page.ops)
            if (const auto* t = std::get_if<TextOp>(&op); t && t != c && t->y == c->y && t->x > c->x) return t->text;
        return "";
    }
    std::string writePdf() {
        const auto pdf = folder_ / ("listing" + std::to_string(++pdfs_) + ".pdf");
        EXPECT_TRUE(PrintTransactionsPDF(runtime_, *ctx_, pdf.string()));
        return pdf.string();
    }
    // The line of pdftotext's layout output that holds the caption, blanks squeezed.
    static std::string lineOf(const std::string& text, const std::string& caption) {
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.find(caption) != std::string::npos) {
                std::string squeezed;
                for (char ch : line)
                    if (ch != ' ' || (!squeezed.empty() && squeezed.back() != ' ')) squeezed += ch;
                while (!squeezed.empty() && squeezed.back() == ' ') squeezed.pop_back();
                return squeezed;
            }
        return "";
    }
    int pdfs_ = 0;
};

TEST_F(TransactionListingTest, DebtorsCashIsSplitOutOnPaperAndCountedAsCashInThePdf) {
    cashFloat("200.00");
    add({1, 1, 5, "300.00"});
    add({2, 1, 5, "200.00"});
    add({3, 1, 10, "100.00", testing::kTillAccount, "Smith Traders"});
    PrintTransactions(runtime_, *ctx_);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_EQ(amountOn("Total Sales .:"), "600.00");
    EXPECT_EQ(amountOn("Total Cash Sales .:"), "500.00");
    EXPECT_EQ(amountOn("Debtors Cash .:"), "100.00");
    EXPECT_EQ(amountOn("Cash Float .:"), "200.00");
    EXPECT_EQ(amountOn("Total Cash .:"), "800.00");

    const std::string text = testing::pdfText(writePdf());
    EXPECT_EQ(lineOf(text, "Total Sales .:"), "Total Sales .: 600.00") << text;
    EXPECT_EQ(lineOf(text, "Total Cash Sales .:"), "Total Cash Sales .: 600.00") << text;
    EXPECT_EQ(lineOf(text, "Total Cash .:"), "Total Cash .: 800.00") << text;
    EXPECT_EQ(text.find("Debtors Cash"), std::string::npos) << text;
}

TEST_F(TransactionListingTest, TendersInCodeOrderEachWithItsSubtotalAndCreditNotesNegated) {
    // Added out of order: the key puts them by tender, account and date.
    add({1, 4, 35, "120.00", testing::kDebtorAccount});
    add({2, 2, 4, "45.00", testing::kCardAccount});
    add({3, 1, 5, "50.00", testing::kTillAccount, "Point of Sale", dayNumber(2024, 3, 16)});
    add({4, 3, 5, "30.00"});
    add({5, 1, 7, "10.00"});                               // cash credit note
    add({6, 4, 39, "20.00", testing::kDebtorAccount});     // credit note on the debtor's account
    add({7, 1, 7, "0.05", testing::kTillAccount, "Rounding"});  // rounding document
    PrintTransactions(runtime_, *ctx_);
    const std::vector<std::string> texts = paperTexts();
    auto at = [&](const std::string& t) { return std::find(texts.begin(), texts.end(), t) - texts.begin(); };
    EXPECT_LT(at("Cash"), at("Credit Card"));
    EXPECT_LT(at("Credit Card"), at("Cheque"));
    EXPECT_LT(at("Cheque"), at("Credit Sales"));
    // Within cash: the earlier date first.
    EXPECT_LT(at("-10.00"), at("50.00"));
    EXPECT_LT(at("-0.05"), at("50.00"));
    // Subtotals follow their group's rows: cash 50 - 10 - 0.05, card, cheque, credit sales 120 - 20.
    EXPECT_LT(at("50.00"), at("39.95"));
    EXPECT_LT(at("39.95"), at("Credit Card"));
    EXPECT_LT(at("Cheque"), at("30.00"));
    EXPECT_LT(at("Credit Sales"), at("100.00"));
    EXPECT_EQ(amountOn("Total Sales .:"), "214.95");
    EXPECT_EQ(amountOn("Total Cash Sales .:"), "39.95");
    EXPECT_EQ(amountOn("Debtors Cash .:"), "0.00");
    EXPECT_EQ(amountOn("Total Cash .:"), "189.95");  // float 150.00

    const std::string text = testing::pdfText(writePdf());
    EXPECT_EQ(lineOf(text, "Total Sales .:"), "Total Sales .: 214.95") << text;
    EXPECT_EQ(lineOf(text, "Total Cash .:"), "Total Cash .: 189.95") << text;
}

TEST_F(TransactionListingTest, ACreditSaleShowsTheDebtorsNameOnPaperAndTheStoredDescriptionInThePdf) {
    add({1, 4, 35, "120.00", testing::kDebtorAccount, "Point of Sale"});
    add({2, 4, 35, "80.00", 4242, "Gone Debtor Sale"});  // account no longer in the chart
    PrintTransactions(runtime_, *ctx_);
    const std::vector<std::string> texts = paperTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Smith Traders"), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "Point of Sale"), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "Gone Debtor Sale"), texts.end());

    const std::string text = testing::pdfText(writePdf());
    EXPECT_NE(text.find("Point of Sale"), std::string::npos) << text;
    EXPECT_NE(text.find("Gone Debtor Sale"), std::string::npos) << text;
    EXPECT_EQ(text.find("Smith Traders"), std::string::npos) << text;
}

TEST_F(TransactionListingTest, AnEmptyTableStillPrintsTheTotalsWithTheFloat) {
    PrintTransactions(runtime_, *ctx_);
    ASSERT_EQ(previewer_.shown.at(0).pages.size(), 1u);
    EXPECT_EQ(amountOn("Total Sales .:"), "0.00");
    EXPECT_EQ(amountOn("Total Cash Sales .:"), "0.00");
    EXPECT_EQ(amountOn("Total Cash .:"), "150.00");
    const std::string text = testing::pdfText(writePdf());
    EXPECT_EQ(lineOf(text, "Total Cash .:"), "Total Cash .: 150.00") << text;
    EXPECT_NE(text.find("List of Transactions"), std::string::npos);
}

TEST_F(TransactionListingTest, PagesNumberedInBothLanguagesAndTheTotalsOnTheLastPage) {
    for (std::uint32_t doc = 1; doc <= 120; ++doc) add({doc, 1 + static_cast<int>(doc % 2), 5, "1.00"});
    PrintTransactions(runtime_, *ctx_);
    const Pages& pages = previewer_.shown.at(0).pages;
    ASSERT_GE(pages.size(), 3u);
    EXPECT_NE(pages[0].findText("Page    1"), nullptr);
    EXPECT_NE(pages[2].findText("Page    3"), nullptr);
    EXPECT_EQ(pages[0].findText("Total Sales .:"), nullptr);
    EXPECT_EQ(amountOn("Total Sales .:"), "120.00");
    EXPECT_EQ(amountOn("Total Cash Sales .:"), "60.00");

    GLO.LANGUAGENO = 2;
    previewer_.shown.clear();
    PrintTransactions(runtime_, *ctx_);
    const std::vector<std::string> texts = paperTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Kontant"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Kredietkaart"), texts.end());
    EXPECT_NE(previewer_.shown.at(0).pages[1].findText("Bls.   2"), nullptr);
    const std::string text = testing::pdfText(writePdf());
    EXPECT_EQ(lineOf(text, "Bls."), "Bls. 1") << text;
    EXPECT_EQ(text.find("Page"), std::string::npos);
}

TEST_F(TransactionListingTest, ViewerSettingsAndThePdfsDocumentInformation) {
    add({1, 1, 5, "12.00"});
    PrintTransactions(runtime_, *ctx_);
    const ReportOutput& out = previewer_.shown.at(0);
    EXPECT_EQ(out.procedure, "PrintTransactions");
    EXPECT_EQ(out.kind, PreviewKind::ReportViewer);
    EXPECT_EQ(out.zoom, "No Zoom");
    EXPECT_TRUE(out.maximized);
    EXPECT_EQ(out.pdf.title, "PrintTransactions");
    EXPECT_EQ(out.title, "List of Transactions");
    EXPECT_EQ(out.pages[0].findText("List of Transactions")->y, 500);
    EXPECT_EQ(out.pages[0].findText("12.00")->y, 1583 + 302);  // under the tender heading

    const std::string pdf = writePdf();
    EXPECT_EQ(previewer_.shown.size(), 1u);  // no preview for the file
    const std::string info = testing::pdfInfo(pdf);
    EXPECT_NE(info.find("Title:           PrintTransactionsPDF"), std::string::npos) << info;
    EXPECT_NE(info.find("Subject:         PrintTransactionsPDF"), std::string::npos) << info;
    EXPECT_NE(info.find("PDF version:     1.3"), std::string::npos) << info;
    EXPECT_NE(info.find("Encrypted:       no"), std::string::npos) << info;
}

TEST_F(TransactionListingTest, APdfThatCannotBeWrittenIsReportedAndTheCallerToldSo) {
    add({1, 1, 5, "12.00"});
    const auto target = folder_ / "no-such-folder" / "listing.pdf";
    EXPECT_FALSE(PrintTransactionsPDF(runtime_, *ctx_, target.string()));
    EXPECT_EQ(runtime_.messages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(TransactionListingTest, TheCallersBuffersAreLeftAsTheyWere) {
    add({1, 4, 39, "20.00", testing::kDebtorAccount});
    auto& t20 = ctx_->access<PQXT20>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = 1;
    ASSERT_EQ(t20.get(PT20::DocumentNoKey), ErrNone);
    PrintTransactions(runtime_, *ctx_);
    EXPECT_EQ(t20.rec.AMOUNT, Decimal::of("20.00"));
    EXPECT_EQ(clip(t20.rec.TRANDESC), "Point of Sale");
    // Nothing was written: the stored header is as it was.
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = 1;
    ASSERT_EQ(t20.get(PT20::DocumentNoKey), ErrNone);
    EXPECT_EQ(t20.rec.AMOUNT, Decimal::of("20.00"));
}

}  // namespace
}  // namespace tavlo::report
