// The cash slip and the debtor slip of posted sales: what prints, where, and in what words.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "reports/cash_slip.h"
#include "reports/pdf_writer.h"
#include "reports/text_writer.h"
#include "slip_fixture.h"

namespace tavlo::report {
namespace {

using testing::Sale;
using testing::SaleLine;

// The body starts at 1688; the column titles take 198 and their rule at 260 below them (half its
// thickness included), so the first item line starts after the rule.
constexpr int kFirstLine = 1688 + 265;

class CashSlip : public testing::SlipFixture {
protected:
    void print(std::uint32_t doc, const char* rounding = "0", const char* paid = "50.00", const char* change = "27.00",
               int creditNote = 0) {
        PrintCashSlip(runtime_, *ctx_, doc, Decimal::of(rounding), Decimal::of(paid), Decimal::of(change), creditNote);
    }
    void printDebtor(std::uint32_t doc, int creditNote = 0) {
        PrintDebCashSlip(runtime_, *ctx_, doc, Decimal(0), Decimal(0), Decimal(0), creditNote);
    }
};

TEST_F(CashSlip, ASaleReadsTopToBottomAsTheSlipIsLaidOut) {
    shop();
    post(breadSale());
    print(1234);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    const ReportOutput& out = previewer_.shown[0];
    EXPECT_EQ(out.kind, PreviewKind::PrintPreview);
    EXPECT_EQ(out.pdf.title, "PrintCashSlip");
    EXPECT_EQ(out.pdf.subject, "PrintCashSlip");
    EXPECT_TRUE(out.pdfFile.empty());
    ASSERT_EQ(out.pages.size(), 1u);
    EXPECT_EQ(pageTexts(), (std::vector<std::string>{
                               "Corner Cafe & Deli", "1 Church Street", "Tax Invoice", "Central", "Springs", "Tel Nr :",
                               "011 555 1234", "Fax Nr :", "011 555 9999", "Vat Nr :", "4123456789",     // company block
                               "Item", "Qty", "Price", "Amount", "Description",                          // column titles
                               "BREAD", "Brown bread", "2.000", "11.50", "23.00",                        // the item
                               "VAT.:", "3.00 ", "Total.:", "23.00", "Cash", "Paid .:", "50.00", "Change .:", "27.00",
                               "Date.:", "15/03/2024", "Doc Nr.:", "AB1234", "Time .:", "14:32"}));

    // Places: the page header at its place on the paper, bands down the body from its top.
    EXPECT_EQ(find("Corner Cafe & Deli")->x, 1000 + 42);
    EXPECT_EQ(find("Corner Cafe & Deli")->y, 542 - 63);
    EXPECT_TRUE(find("Corner Cafe & Deli")->font.bold);
    EXPECT_EQ(find("Corner Cafe & Deli")->font.size, 12);
    EXPECT_EQ(find("Tax Invoice")->x, 1000 + 1927);
    EXPECT_EQ(find("Item")->y, 1688);
    const TextOp* code = find("BREAD");
    EXPECT_EQ(code->x, 1000);
    EXPECT_EQ(code->y, kFirstLine);
    EXPECT_EQ(find("2.000")->y, kFirstLine + 10);
    const int footer = kFirstLine + 146;
    EXPECT_EQ(find("VAT.:")->y, footer + 94);
    EXPECT_EQ(find("Cash")->y, footer + 563);
    EXPECT_EQ(find("AB1234")->y, footer + 1354);
    EXPECT_EQ(find("AB1234")->x, 1000 + 646);
    // Right-aligned amounts end at the right edge of their boxes.
    for (const DrawOp& op : out.pages[0].ops) {
        const auto* t = std::get_if<TextOp>(&op);
        if (t && t->text == "23.00" && t->y == footer + 94) {
            EXPECT_EQ(t->textLeft() + textWidth(t->font, t->text), 1000 + 2344 + 583);
            return;
        }
    }
    ADD_FAILURE() << "no total beside Total.:";
}

TEST_F(CashSlip, HeadingTenderAndAmountsFollowTheSaleAndTheLanguage) {
    shop();
    struct Case {
        int language;
        int payMethod;
        bool creditNote;
        std::string heading, tender, lineAmount;
    };
    const std::vector<Case> cases = {
        {1, 1, false, "Tax Invoice", "Cash", "23.00"},
        {3, 2, false, "Tax Invoice", "Credit card", "23.00"},  // any language but 2 is English
        {0, 3, false, "Tax Invoice", "Cheque", "23.00"},
        {2, 1, false, "Belastingfaktuur", "Kontant", "23.00"},
        {2, 2, false, "Belastingfaktuur", "Kredietkaart", "23.00"},
        {2, 3, false, "Belastingfaktuur", "Tjek", "23.00"},
        {1, 1, true, "Tax Credit Note", "Cash", "23.00"},  // debit plus VAT
        {2, 3, true, "Belasting Kredietnota", "Tjek", "23.00"},
    };
    std::uint32_t doc = 100;
    for (const Case& c : cases) {
        Sale sale = breadSale();
        sale.docNumber = ++doc;
        sale.payMethod = c.payMethod;
        sale.creditNote = c.creditNote;
        sale.tranType = c.creditNote ? 7 : (c.payMethod == 2 ? 4 : 5);
        post(sale);
        GLO.LANGUAGENO = static_cast<std::int16_t>(c.language);
        previewer_.shown.clear();
        print(doc, "0", "0", "0", c.creditNote ? 1 : 0);
        EXPECT_TRUE(shows(c.heading)) << doc;
        EXPECT_TRUE(shows(c.tender)) << doc;
        EXPECT_EQ(find("BREAD")->y, find(c.lineAmount)->y) << doc;
    }
}

TEST_F(CashSlip, ACreditNoteShowsDebitPlusVatAsTheLineAmount) {
    shop();
    Sale sale;
    sale.docNumber = 77;
    sale.creditNote = true;
    sale.tranType = 7;
    sale.lines = {{"MILK", "1", "25.21", "3.78"}, {"BREAD", "-2", "20.00", "3.00"}};
    post(sale);
    print(77, "0", "0", "0", 1);
    EXPECT_TRUE(shows("Tax Credit Note"));
    EXPECT_TRUE(shows("28.99"));   // 25.21 + 3.78
    EXPECT_TRUE(shows("-2.000"));  // a negative quantity keeps its leading minus
    EXPECT_TRUE(shows("51.99"));   // the header's total
}

TEST_F(CashSlip, RoundingPrintsNegatedAndOnlyWhenNotZero) {
    shop();
    post(breadSale());
    print(1234, "0.02", "25.00", "2.00");
    EXPECT_TRUE(shows("Rounding .:"));
    EXPECT_TRUE(shows("-0.02"));
    EXPECT_EQ(find("-0.02")->y, find("Rounding .:")->y);
    previewer_.shown.clear();
    print(1234, "0", "23.00", "0.00");
    EXPECT_FALSE(shows("Rounding .:"));
    EXPECT_FALSE(shows("0.00") && find("0.00")->y == kFirstLine + 146 + 354);
    previewer_.shown.clear();
    print(1234, "-0.03");
    EXPECT_TRUE(shows("0.03"));
}

TEST_F(CashSlip, AZeroVatTotalLeavesTheVatAmountBlank) {
    shop();
    Sale sale;
    sale.docNumber = 500;
    sale.lines = {{"BREAD", "1", "11.50", ""}};
    post(sale);
    print(500, "0", "11.50", "0.00");
    const TextOp* caption = find("VAT.:");
    // Beside "VAT.:" only the total's caption and amount remain.
    std::vector<std::string> line;
    for (const DrawOp& op : previewer_.shown.at(0).pages.at(0).ops)
        if (const auto* t = std::get_if<TextOp>(&op); t && t->y == caption->y) line.push_back(t->text);
    EXPECT_EQ(line, (std::vector<std::string>{"VAT.:", "Total.:", "11.50"}));
}

TEST_F(CashSlip, TheDocumentNumberCarriesTheClippedPrefix) {
    for (const auto& [prefix, shown] : std::vector<std::pair<std::string, std::string>>{{"AB ", "AB1234"}, {"", "1234"}, {"A", "A1234"}}) {
        TearDown();
        SetUp();
        company(prefix);
        post(breadSale());
        print(1234);
        ASSERT_TRUE(shows(shown)) << '"' << prefix << '"';
        EXPECT_EQ(find(shown)->y, find("Doc Nr.:")->y);
    }
}

TEST_F(CashSlip, OnlyRowsOfClassAOrBlankArePrinted) {
    shop();
    account(1001, "", "Sundry sales");
    account(1002, "X", "Staff meals");
    Sale sale;
    sale.docNumber = 900;
    sale.lines = {{"BREAD", "1", "10.00", "1.50"}, {"MILK", "1", "25.21", "3.78", 1001}, {"SECRET", "1", "5.00", "", 1002}};
    post(sale);
    print(900);
    const auto texts = pageTexts();
    EXPECT_TRUE(shows("BREAD"));
    EXPECT_TRUE(shows("MILK"));
    EXPECT_FALSE(shows("SECRET"));
    // VAT rows (class I) and the control row (the till account's class) are not lines.
    int lines = 0;
    for (const DrawOp& op : previewer_.shown[0].pages[0].ops)
        if (const auto* t = std::get_if<TextOp>(&op); t && t->x == 1000 && t->y >= kFirstLine && t->y < kFirstLine + 146 * 10)
            ++lines;
    EXPECT_EQ(lines, 2);
}

TEST_F(CashSlip, OtherDocumentsNeverAppear) {
    shop();
    Sale first = breadSale();
    first.docNumber = 10;
    Sale second;
    second.docNumber = 11;
    second.lines = {{"MILK", "3", "75.63", "11.34"}};
    post(first);
    post(second);
    print(10);
    EXPECT_TRUE(shows("BREAD"));
    EXPECT_FALSE(shows("MILK"));
}

TEST_F(CashSlip, MissingRecordsPrintBlank) {
    // No company record, no item record: the company block is blank, the line keeps code and
    // quantity with a blank description and a zero price.
    account(testing::kTillAccount, "B", "Till");
    Sale sale;
    sale.docNumber = 40;
    sale.lines = {{"GONE", "1", "10.00", "1.50"}};
    post(sale);
    // The till keeps its counter in a company record it adds when there is none: take it away.
    auto& cs = ctx_->access<PACS10>();
    cs.SetFileOrder();
    ASSERT_TRUE(cs.next() == ErrNone && cs.erase() == ErrNone);
    print(40);
    EXPECT_EQ(pageTexts().at(0), "Tax Invoice");
    EXPECT_EQ(pageTexts().at(1), "Tel Nr :");
    EXPECT_TRUE(shows("GONE"));
    EXPECT_TRUE(shows("1.000"));
    EXPECT_TRUE(shows("0.00"));
    EXPECT_EQ(find("0.00")->y, find("GONE")->y);
    EXPECT_TRUE(shows("40"));  // blank prefix
}

TEST_F(CashSlip, ADocumentWithoutPrintableRowsOpensAnEmptyPreview) {
    shop();
    print(4321);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_TRUE(previewer_.shown[0].pages.empty());
}

TEST_F(CashSlip, TheCallersBuffersAreAsTheyWere) {
    shop();
    post(breadSale());
    auto& t20 = ctx_->access<PQXT20>();
    auto& a301 = ctx_->access<PQXA301>();
    t20.clearBuffer();
    t20.rec.DOCUMENTNO = 1234;
    ASSERT_EQ(t20.Fetch(PT20::DocumentNoKey), LevelBenign);
    t20.rec.TRANDESC = "changed on screen";
    a301.clearBuffer();
    a301.rec.ITEMCODE = "MILK";
    print(1234);
    EXPECT_EQ(t20.rec.TRANDESC, "changed on screen");
    EXPECT_EQ(a301.rec.ITEMCODE, "MILK");
    EXPECT_EQ(ctx_->access<PQXT21>().useCount(), 1);  // the report's own uses were released
}

TEST_F(CashSlip, ThePdfShowsTheSlipInOrder) {
    shop();
    Sale sale;
    sale.lines = {{"BREAD", "2", "20.00", "3.00"}, {"MILK", "1", "25.21", "3.78"}};
    post(sale);
    print(1234, "0.02", "60.00", "8.01");
    ASSERT_EQ(previewer_.shown.size(), 1u);
    const auto pdf = folder_ / "slip.pdf";
    ASSERT_TRUE(savePdf(runtime_, previewer_.shown[0], pdf.string()));

    const std::string info = testing::pdfInfo(pdf);
    EXPECT_NE(info.find("PDF version:     1.3"), std::string::npos) << info;
    EXPECT_NE(info.find("Title:           PrintCashSlip"), std::string::npos) << info;
    EXPECT_NE(info.find("Subject:         PrintCashSlip"), std::string::npos) << info;
    EXPECT_NE(info.find("Creator:         Tavlo"), std::string::npos) << info;
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;

    const std::string text = testing::pdfText(pdf);
    std::size_t at = 0;
    for (const char* expected : {"Corner Cafe & Deli", "1 Church Street +Tax Invoice", "Central", "Springs", "Tel Nr : +011 555 1234",
                                 "Fax Nr : +011 555 9999", "Vat Nr : +4123456789", "Item +Description +Qty +Price +Amount",
                                 "BREAD +Brown bread +2.000 +11.50 +23.00", "MILK +Full cream milk 2l +1.000 +28.99 +28.99",
                                 "VAT.: +6.78 +Total.: +51.99", "Rounding .: +-0.02", "Cash", "Paid .: +60.00", "Change .: +8.01",
                                 "Date.: +15/03/2024", "Doc Nr.: +AB1234 +Time .: +14:32"}) {
        std::smatch m;
        const std::string rest = text.substr(at);
        ASSERT_TRUE(std::regex_search(rest, m, std::regex(expected))) << expected << " not after offset " << at << ":\n" << text;
        at += static_cast<std::size_t>(m.position(0) + m.length(0));
    }

    // The same pages as text: amounts end in one column, as on paper.
    const std::string pages = pagesText(previewer_.shown[0].pages);
    ASSERT_TRUE(writeTextFile((folder_ / "slip.txt").string(), pages));
    const auto lengthOfLineWith = [&](const std::string& text) {
        const auto at = pages.find(text);
        return pages.find('\n', at) - pages.rfind('\n', at);
    };
    EXPECT_EQ(lengthOfLineWith("BREAD"), lengthOfLineWith("MILK")) << pages;
    EXPECT_EQ(lengthOfLineWith("BREAD"), lengthOfLineWith("Total.:")) << pages;
    EXPECT_EQ(lengthOfLineWith("BREAD"), lengthOfLineWith("Paid .:")) << pages;
}

TEST_F(CashSlip, TheDebtorSlipAddsAddressVatNumberAndOrderNumber) {
    shop();
    Sale sale = breadSale();
    sale.tranType = 35;
    sale.payMethod = 4;
    sale.orderNo = "ORD-77";
    post(sale);
    printDebtor(1234);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    const ReportOutput& out = previewer_.shown[0];
    EXPECT_EQ(out.kind, PreviewKind::ReportViewer);
    EXPECT_EQ(out.zoom, "No Zoom");
    EXPECT_TRUE(out.maximized);
    EXPECT_EQ(out.pdf.title, "PrintCashSlip");
    const int footer = kFirstLine + 146;
    struct Expect {
        std::string text;
        int x, y;
    };
    for (const Expect& e : std::vector<Expect>{{"Credit", 104, 281},
                                               {"Smith Traders", 104, 469},
                                               {"12 Main Road", 104, 625},
                                               {"1559", 104, 781},
                                               {"Springs   1559", 104, 938},
                                               {"VAT# :", 104, 1094},
                                               {"4999999999", 479, 1094},
                                               {"Order No .:", 104, 1583},
                                               {"ORD-77", 760, 1583},
                                               {"14:32", 2365, 1354},
                                               {"AB1234", 646, 1354}}) {
        const TextOp* op = find(e.text);
        EXPECT_EQ(op->x, 1000 + e.x) << e.text;
        EXPECT_EQ(op->y, footer + e.y) << e.text;
    }
    GLO.LANGUAGENO = 2;
    printDebtor(1234);
    EXPECT_TRUE(shows("Krediet", 1));
}

TEST_F(CashSlip, TheDebtorsAddressLines) {
    struct Case {
        std::string add1, add2, add3, post;
        std::vector<std::string> lines;  // what prints under the client's name
    };
    const std::vector<Case> cases = {
        {"12 Main Road", "", "Springs", "1559", {"12 Main Road", "1559", "Springs   1559"}},
        {"12 Main Road", "Selcourt", "Springs", "1559", {"12 Main Road", "Selcourt", "Springs   1559"}},
        {"12 Main Road", "Selcourt", "", "1559", {"12 Main Road", "Selcourt", "1559"}},
        {"", "Selcourt", "Springs", "1559", {}},  // no first line: no address at all
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        company();
        account(testing::kDebtorAccount, "D", "Smith Traders", 11);
        debtor(testing::kDebtorAccount, c.add1, c.add2, c.add3, c.post, "4999999999");
        Sale sale = breadSale();
        sale.tranType = 35;
        sale.payMethod = 4;
        post(sale);
        printDebtor(1234);
        const int footer = kFirstLine + 146;
        std::vector<std::string> lines;
        for (const DrawOp& op : previewer_.shown.at(0).pages.at(0).ops)
            if (const auto* t = std::get_if<TextOp>(&op); t && t->x == 1104 && t->y >= footer + 625 && t->y <= footer + 938)
                lines.push_back(t->text);
        EXPECT_EQ(lines, c.lines) << c.add1 << "/" << c.add2 << "/" << c.add3;
    }
}

TEST_F(CashSlip, ADebtorWithoutMasterRecordPrintsNoAddressAndNoVatNumber) {
    company();
    account(testing::kDebtorAccount, "D", "Smith Traders", 11);
    Sale sale = breadSale();
    sale.tranType = 35;
    sale.payMethod = 4;
    post(sale);
    printDebtor(1234);
    EXPECT_TRUE(shows("Smith Traders"));
    EXPECT_TRUE(shows("VAT# :"));
    EXPECT_FALSE(shows("4999999999"));
    EXPECT_FALSE(shows("12 Main Road"));
}

TEST_F(CashSlip, ThePreviewThatCannotOpenIsReported) {
    shop();
    post(breadSale());
    previewer_.failure = "no printer driver";
    print(1234);
    ASSERT_EQ(runtime_.messages.size(), 1u);
    EXPECT_EQ(runtime_.messages[0].title, "Error on preview");
    EXPECT_EQ(runtime_.messages[0].text, "Error trying to open the report output.||no printer driver");
}

}  // namespace
}  // namespace tavlo::report
