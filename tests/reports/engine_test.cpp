// The report engine: bands, groups, page breaks, fitting text into item boxes, and the pages
// written as PDF and as text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "report_tools.h"
#include "reports/layout.h"
#include "reports/pdf_writer.h"
#include "reports/renderer.h"
#include "reports/text_writer.h"

namespace tavlo::report {
namespace {

using testing::ScratchFolder;

// A small listing: a page header with a page number, one group on a department, a detail
// with an item and an amount, the group footer with the department total, a grand total.
struct Listing {
    std::string dept;
    std::string item;
    Decimal amount;
    Decimal deptTotal;
    Layout layout;

    explicit Listing(int bodyHeight = 2000) {
        layout.font = Font{"Arial", 8};
        layout.body = {500, 1000, 7000, bodyHeight};
        Band header{.name = "header", .at = {500, 500, 7000, 400}};
        header.add(caption("Sales by Department", 0, 0, 7000, Align::Center));
        header.add(pageNumber("page", 6000, 200, 1000, "@pPage <<<#p"));
        layout.pageHeader = header;
        Band footer{.name = "footer", .at = {500, 10500, 7000, 200}};
        footer.add(hline(0, 50, 7000));
        layout.pageFooter = footer;

        Group byDept{.name = "dept", .key = [this] { return Value(dept); }};
        byDept.header = Band{.name = "deptHeader", .at = {0, 0, 0, 200}};
        byDept.header->add(field("dept", 0, 0, 2000, "@s20", [this] { return Value(dept); }));
        byDept.footer = Band{.name = "deptFooter", .at = {0, 0, 0, 250}};
        byDept.footer->add(caption("Total:", 3000, 0, 800, Align::Right));
        byDept.footer->add(field("deptTotal", 4000, 0, 900, "@n15.2", [this] { return Value(deptTotal); }, Align::Right));
        layout.groups.push_back(byDept);

        Band detail{.name = "detail", .at = {0, 0, 0, 150}};
        detail.add(field("item", 100, 0, 1500, "@s20", [this] { return Value(item); }));
        detail.add(field("amount", 4000, 0, 900, "@n15.2", [this] { return Value(amount); }, Align::Right));
        layout.details.push_back(detail);
        layout.numberControls();
    }

    void row(Renderer& r, std::string d, std::string i, const char* a) {
        if (d != dept) deptTotal = Decimal(0);
        dept = std::move(d);
        item = std::move(i);
        amount = Decimal::of(a);
        deptTotal += amount;
        r.print("detail");
    }
};

TEST(ReportRenderer, GroupBandsSurroundRunsOfDetailsWithTheSameValue) {
    Listing l;
    Renderer r(l.layout);
    l.row(r, "Bakery", "Bread", "12.50");
    l.row(r, "Bakery", "Rolls", "3.00");
    l.row(r, "Dairy", "Milk", "9.99");
    r.finish();
    ASSERT_EQ(r.pages().size(), 1u);
    // The Bakery footer prints before the Dairy header, with the total as it stood then.
    EXPECT_EQ(r.pages()[0].texts(), (std::vector<std::string>{"Sales by Department", "Page    1", "Bakery", "Bread", "12.50",
                                                              "Rolls", "3.00", "Total:", "15.50", "Dairy", "Milk", "9.99",
                                                              "Total:", "9.99"}));
}

TEST(ReportRenderer, ItemsSitAtTheirBandsPlaceOnThePaper) {
    Listing l;
    Renderer r(l.layout);
    l.row(r, "Bakery", "Bread", "12.50");
    l.row(r, "Bakery", "Rolls", "3.00");
    r.finish();
    const Page& page = r.pages()[0];
    // Page header at its fixed place.
    EXPECT_EQ(page.findText("Sales by Department")->y, 500);
    // Body bands flow from the top of the body: group header 200 high, then details of 150.
    EXPECT_EQ(page.findText("Bakery")->y, 1000);
    EXPECT_EQ(page.findText("Bread")->y, 1200);
    EXPECT_EQ(page.findText("Bread")->x, 600);
    EXPECT_EQ(page.findText("Rolls")->y, 1350);
    EXPECT_EQ(page.findText("Total:")->y, 1500);
    // A right-aligned amount ends at the right edge of its box.
    const TextOp* amount = page.findText("12.50");
    EXPECT_EQ(amount->x, 4500);
    EXPECT_EQ(amount->textLeft() + textWidth(amount->font, "12.50"), 4500 + 900);
    // The page footer's rule.
    ASSERT_TRUE(std::holds_alternative<LineOp>(page.ops.back()));
    const auto& rule = std::get<LineOp>(page.ops.back());
    EXPECT_EQ(rule.y1, 10550);
    EXPECT_EQ(rule.x2 - rule.x1, 7000);
}

TEST(ReportRenderer, ABandIsNeverShorterThanItsLowestItem) {
    Layout layout;
    layout.font = Font{"Arial", 8};
    layout.body = {0, 1000, 7000, 9000};
    Band titles{.name = "titles", .at = {0, 0, 0, 198}};
    titles.add(caption("Item", 0, 0));
    titles.add(hline(0, 260, 3000));  // the rule under the titles lies below the band's height
    Band line{.name = "line", .at = {0, 0, 0, 146}};
    line.add(caption("Bread", 0, 0));
    line.add(caption("tall", 1000, 100)).height = 300;
    layout.details = {titles, line};
    Renderer r(layout);
    r.print("titles");
    r.print("line");
    r.print("line");
    r.finish();
    const Page& page = r.pages()[0];
    int y = -1;
    for (const DrawOp& op : page.ops)
        if (const auto* t = std::get_if<TextOp>(&op); t && t->text == "Bread") {
            if (y < 0) {
                EXPECT_EQ(t->y, 1000 + 265);  // after the rule and half its thickness
                y = t->y;
            } else {
                EXPECT_EQ(t->y, y + 400);  // the tall item's bottom, not the band's 146
            }
        }
}

TEST(ReportRenderer, ANewPageStartsWhenTheNextBandDoesNotFit) {
    Listing l(/*bodyHeight=*/1000);  // header 200 + five details of 150 = 950: a sixth breaks
    Renderer r(l.layout);
    for (int i = 1; i <= 7; ++i) l.row(r, "Bakery", "Item " + std::to_string(i), "1.00");
    r.finish();
    ASSERT_EQ(r.pages().size(), 2u);
    EXPECT_NE(r.pages()[0].findText("Item 5"), nullptr);
    EXPECT_EQ(r.pages()[0].findText("Item 6"), nullptr);
    const Page& second = r.pages()[1];
    EXPECT_NE(second.findText("Page    2"), nullptr);
    EXPECT_NE(second.findText("Sales by Department"), nullptr);
    EXPECT_EQ(second.findText("Item 6")->y, 1000);  // top of the body again
    EXPECT_EQ(second.findText("Total:")->y, 1300);
}

TEST(ReportRenderer, AConstantGroupPrintsItsFooterOnceAfterTheLastDetail) {
    Layout layout;
    layout.body = {500, 1000, 7000, 9000};
    Group grand{.name = "grand", .key = [] { return Value(1LL); }};
    grand.footer = Band{.name = "table", .at = {0, 0, 0, 300}};
    grand.footer->add(caption("Grand total", 0, 0));
    layout.groups.push_back(grand);
    layout.details.push_back(Band{.name = "detail", .at = {0, 0, 0, 115}});
    {
        Renderer r(layout);
        for (int i = 0; i < 3; ++i) r.print("detail");
        r.finish();
        ASSERT_EQ(r.pages().size(), 1u);
        EXPECT_EQ(r.pages()[0].texts(), std::vector<std::string>{"Grand total"});
        EXPECT_EQ(r.pages()[0].findText("Grand total")->y, 1000 + 3 * 115);
    }
    {
        Renderer r(layout);  // nothing printed: no footer and no page at all
        r.finish();
        EXPECT_TRUE(r.pages().empty());
    }
}

TEST(ReportRenderer, HiddenItemsAndBlankValuesDrawNothing) {
    Listing l;
    l.layout.setHidden("item", true);
    Renderer r(l.layout);
    l.row(r, "Bakery", "Bread", "12.50");
    l.layout.setHidden("item", false);
    l.row(r, "Bakery", "", "3.00");
    l.row(r, "Bakery", "Rolls", "1.00");
    r.finish();
    const auto texts = r.pages()[0].texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Bread"), 0);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Rolls"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), ""), 0);
}

TEST(ReportText, TextIsFittedIntoItsBox) {
    const Font font{"MS Sans Serif", 8};
    struct Case {
        std::string text;
        int width;
        Align align;
        bool numeric;
        std::string shown;
    };
    const int w = textWidth(font, "Bread and butter");
    const std::vector<Case> cases = {
        {"Bread and butter", w, Align::Left, false, "Bread and butter"},
        {"Bread and butter", textWidth(font, "Bread and"), Align::Left, false, "Bread and"},
        {"Bread and butter", textWidth(font, "and butter"), Align::Right, false, "and butter"},
        {"Bread and butter", 0, Align::Left, false, "Bread and butter"},  // auto width
        {"1,234,567.89", textWidth(font, "1,234,567.8"), Align::Right, true,
         std::string(static_cast<std::size_t>(textWidth(font, "1,234,567.8") / textWidth(font, "#")), '#')},
        {"Café crème", textWidth(font, "Café c"), Align::Left, false, "Café c"},
    };
    for (const Case& c : cases) {
        Item item;
        item.width = c.width;
        item.align = c.align;
        const TextOp op = layoutText(font, item, c.text, c.numeric, 0, 0);
        EXPECT_EQ(op.text, c.shown) << c.text << " in " << c.width;
        EXPECT_LE(textWidth(font, op.text), c.width == 0 ? w : c.width);
        EXPECT_EQ(op.width, c.width == 0 ? w : c.width);
    }
}

TEST(ReportText, SansSerifFacesMeasureWithArialMetrics) {
    // Arial's digits are 556/1000 of the em; an 8-point digit is 61.8 thousandths of an inch.
    EXPECT_EQ(textWidth(Font{"Arial", 8}, "0000000000"), 618);
    EXPECT_EQ(textWidth(Font{"MS Sans Serif", 8}, "0"), 62);
    EXPECT_GT(textWidth(Font{"Arial", 8, true}, "Total"), textWidth(Font{"Arial", 8}, "Total"));
    EXPECT_EQ(textWidth(Font{"Arial", 16}, "Total"), 2 * textWidth(Font{"Arial", 8}, "Total") + 0 * 1);
    EXPECT_EQ(fromWinAnsi(toWinAnsi("Bls. € é ü")), "Bls. € é ü");
    EXPECT_EQ(toWinAnsi("日"), "?");
}

TEST(ReportPdf, WritesAVersionOneThreeDocumentWithOnePagePerReportPage) {
    Listing l(/*bodyHeight=*/1000);
    Renderer r(l.layout);
    for (int i = 1; i <= 7; ++i) l.row(r, "Bakery", "Item " + std::to_string(i), "1.00");
    l.row(r, "Kafee", "Crème brûlée", "25.00");
    r.finish();
    ScratchFolder folder;
    const auto path = folder / "listing.pdf";
    const PdfResult result = writePdf(r.pages(), {.title = "PrintTransactions", .subject = "Sales"}, path.string());
    ASSERT_TRUE(result.ok) << result.error;

    std::ifstream file(path, std::ios::binary);
    std::string head(8, '\0');
    file.read(head.data(), 8);
    EXPECT_EQ(head, "%PDF-1.3");
    const std::string info = testing::pdfInfo(path);
    EXPECT_NE(info.find("PDF version:     1.3"), std::string::npos) << info;
    EXPECT_NE(info.find("Title:           PrintTransactions"), std::string::npos) << info;
    EXPECT_NE(info.find("Subject:         Sales"), std::string::npos) << info;
    EXPECT_NE(info.find("Creator:         Tavlo"), std::string::npos) << info;
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    EXPECT_NE(info.find("Encrypted:       no"), std::string::npos) << info;

    const std::string text = testing::pdfText(path);
    const auto at = [&](const std::string& pattern) {
        std::smatch m;
        return std::regex_search(text, m, std::regex(pattern)) ? static_cast<std::size_t>(m.position(0)) : std::string::npos;
    };
    EXPECT_LT(at("Sales by Department"), at("Item 1"));
    EXPECT_LT(at("Item 1"), at("Item 5"));
    EXPECT_LT(at("Item 5"), at("Page +2"));
    EXPECT_LT(at("Page +2"), at("Item 6")) << text;
    EXPECT_LT(at("Item 7"), at("Total: +7.00")) << text;
    EXPECT_NE(at("Crème brûlée"), std::string::npos) << text;
    EXPECT_EQ(std::filesystem::exists(folder / "listing.pdf.part"), false);
}

TEST(ReportPdf, AFileThatCannotBeWrittenIsReportedAndLeavesNothingBehind) {
    ScratchFolder folder;
    Listing l;
    Renderer r(l.layout);
    l.row(r, "Bakery", "Bread", "12.50");
    r.finish();
    const auto path = folder / "missing" / "slip.pdf";
    const PdfResult result = writePdf(r.pages(), {.title = "PrintCashSlip", .subject = "PrintCashSlip"}, path.string());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("slip.pdf"), std::string::npos) << result.error;
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(ReportTextFile, PagesBecomeLinesInPaperOrder) {
    Listing l(/*bodyHeight=*/1000);
    Renderer r(l.layout);
    for (int i = 1; i <= 6; ++i) l.row(r, "Bakery", "Item " + std::to_string(i), "1.00");
    r.finish();
    const std::string text = pagesText(r.pages());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 2);
    // Item and amount of one row share a line, the amount well to the right of the item.
    const auto lineOf = [&](const std::string& s) {
        const auto pos = text.find(s);
        const auto start = text.rfind('\n', pos) + 1;
        return text.substr(start, text.find('\n', pos) - start);
    };
    const std::string line = lineOf("Item 3");
    EXPECT_NE(line.find("1.00"), std::string::npos) << line;
    EXPECT_GT(line.find("1.00"), line.find("Item 3") + 20) << line;
    EXPECT_LT(text.find("Item 5"), text.find("Page    2"));
    // Only the second page when asked for it.
    const std::string second = pagesText(r.pages(), {1});
    EXPECT_EQ(second.find("Item 1"), std::string::npos);
    EXPECT_NE(second.find("Item 6"), std::string::npos);
}

TEST(ReportTextFile, APageAsAVectorImage) {
    Listing l;
    Renderer r(l.layout);
    l.row(r, "Bakery & Co", "<Bread>", "12.50");
    r.finish();
    const std::string svg = pageSvg(r.pages()[0]);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("viewBox=\"0 0 8268 11693\""), std::string::npos);
    EXPECT_NE(svg.find("Bakery &amp; Co"), std::string::npos);
    EXPECT_NE(svg.find("&lt;Bread&gt;"), std::string::npos);
    EXPECT_NE(svg.find("<line"), std::string::npos);
}

}  // namespace
}  // namespace tavlo::report
