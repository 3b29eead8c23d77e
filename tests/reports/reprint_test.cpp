// Reprinting slips from the sales history: the "Select Cashslip" list and the copy it prints.
#include <gtest/gtest.h>

#include <regex>

#include "reports/reprint_slip.h"
#include "pos/select_cash_slip.h"
#include "framework/commands.h"
#include "slip_fixture.h"

namespace tavlo::report {
namespace {

using testing::Sale;
using testing::SaleLine;

class Reprint : public testing::SlipFixture {
protected:
    void SetUp() override {
        SlipFixture::SetUp();
        ctx_->access<PQXH20>().Open();
        ctx_->access<PQXH21>().Open();
        // The list runs on the test's context, as on the context of the thread the menu starts.
        scope_ = std::make_unique<ContextScope>(std::shared_ptr<Context>(ctx_.get(), [](Context*) {}));
    }
    void TearDown() override {
        scope_.reset();
        SlipFixture::TearDown();
    }
    std::unique_ptr<ContextScope> scope_;

    // Posts the sale settled as given; the till copies it to the history.
    void history(Sale sale, const char* rounding = "0", const char* paid = "0", const char* change = "0") {
        sale.rounding = rounding;
        sale.paid = paid;
        sale.change = change;
        post(sale);
    }

    void prefix(const std::string& p) {
        auto& cs = ctx_->access<PACS10>();
        cs.clearBuffer();
        cs.SetFileOrder();
        ASSERT_EQ(cs.next(), ErrNone);
        cs.rec.PREFIX = p;
        ASSERT_EQ(cs.put(), ErrNone);
    }

    // The texts of the first page on the line at `y` (thousandths of an inch on the paper).
    std::vector<std::string> line(int y, std::size_t output) const {
        std::vector<std::string> out;
        for (const DrawOp& op : previewer_.shown.at(output).pages.at(0).ops)
            if (const auto* t = std::get_if<TextOp>(&op); t && t->y == y) out.push_back(t->text);
        return out;
    }

    static Sale twoLines(std::uint32_t doc) {
        Sale s;
        s.docNumber = doc;
        s.lines = {{"BREAD", "2", "20.00", "3.00"}, {"MILK", "1", "25.21", "3.78"}};
        return s;
    }
};

// The body starts at 1688, the column titles and their rule take 265, then the lines.
constexpr int kFirstLine = 1688 + 265;

TEST_F(Reprint, EachKindOfDocumentIsPrintedAgainAsItWasSettled) {
    shop();
    struct Case {
        std::uint32_t doc;
        int tranType, payMethod;
        bool creditNote;
        const char *verskil, *paid, *change;
        std::string heading, tender, rounding, paidText, changeText;
        bool debtor;  // client, address, debtor's VAT number and order number
    };
    const std::vector<Case> cases = {
        {500, 5, 1, false, "0.04", "60.00", "8.05", "Tax Invoice", "Cash", "-0.04", "60.00", "8.05", false},
        {502, 4, 2, false, "0", "51.99", "0", "Tax Invoice", "Credit card", "0.00", "51.99", "0.00", false},
        {503, 35, 4, false, "0", "0", "0", "Tax Invoice", "Credit", "0.00", "0.00", "0.00", true},
        {504, 7, 1, true, "0", "0", "0", "Tax Credit Note", "Cash", "0.00", "0.00", "0.00", false},
        {505, 39, 4, true, "0", "0", "0", "Tax Credit Note", "Credit", "0.00", "0.00", "0.00", true},
    };
    for (const Case& c : cases) {
        Sale sale = twoLines(c.doc);
        sale.tranType = c.tranType;
        sale.payMethod = c.payMethod;
        sale.creditNote = c.creditNote;
        if (c.debtor) sale.orderNo = "ORD-9";
        history(sale, c.verskil, c.paid, c.change);
    }
    // The till's prefix has changed since: the copy shows the reference the document has.
    prefix("ZZ");

    SelectCashSlip select;
    auto w = runtime_.open(select);
    ASSERT_TRUE(w.isOpen());
    EXPECT_EQ(w.window().title, "Select Cashslip");
    ASSERT_EQ(select.list().size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        w.selectRow("List", static_cast<int>(i));
        w.press("Select");
        ASSERT_TRUE(w.isOpen()) << "the list stays open for the next slip";
        ASSERT_EQ(previewer_.shown.size(), i + 1);
        const ReportOutput& out = previewer_.shown[i];
        EXPECT_EQ(out.procedure, "RePrintCashSlip");
        EXPECT_EQ(out.kind, PreviewKind::PrintPreview);
        EXPECT_EQ(out.pdf.title, "PrintCashSlip");
        EXPECT_EQ(out.pdf.subject, "PrintCashSlip");
        EXPECT_EQ(find("(Copy)", i)->x, 1000 + 2000) << c.doc;
        EXPECT_EQ(find("(Copy)", i)->y, 542 + 417) << c.doc;
        EXPECT_EQ(find(c.heading, i)->x, 1000 + 1823) << c.doc;
        EXPECT_TRUE(shows(c.tender, i)) << c.doc;

        // Line amounts: credit plus VAT, debit plus VAT on a credit note; the header's totals.
        const int footer = kFirstLine + 2 * 146;
        EXPECT_EQ(line(kFirstLine, i), (std::vector<std::string>{"BREAD", "Brown bread", "11.50", "23.00"})) << c.doc;
        EXPECT_EQ(line(kFirstLine + 10, i), (std::vector<std::string>{"2.000"})) << c.doc;
        EXPECT_EQ(line(footer + 94, i), (std::vector<std::string>{"VAT.:", "6.78 ", "Total.:", "51.99"})) << c.doc;
        // The rounding prints even when zero; its caption only when it is not.
        const auto rounding = line(footer + 354, i);
        EXPECT_EQ(rounding.back(), c.rounding) << c.doc;
        EXPECT_EQ(rounding.front() == "Rounding .:", c.rounding != "0.00") << c.doc;
        EXPECT_EQ(line(footer + 625, i).back(), c.paidText) << c.doc;
        EXPECT_EQ(line(footer + 865, i).back(), c.changeText) << c.doc;
        const auto doc = line(footer + 1354, i);
        ASSERT_GE(doc.size(), 2u);
        EXPECT_EQ(doc[1], "AB" + std::to_string(c.doc)) << c.doc;
        EXPECT_EQ(find(doc[1], i)->x, 1000 + 594);

        const auto vat = line(footer + 1073, i);
        if (c.debtor) {
            EXPECT_EQ(vat, (std::vector<std::string>{"VAT# :", "4999999999"}));
            EXPECT_TRUE(shows("Smith Traders", i));
            EXPECT_EQ(line(footer + 615, i).front(), "12 Main Road");
            EXPECT_EQ(line(footer + 760, i).front(), "1559");
            EXPECT_EQ(line(footer + 896, i).front(), "Springs   1559");
            EXPECT_EQ(find("ORD-9", i)->x, 1000 + 802);
        } else {
            EXPECT_TRUE(vat.empty()) << c.doc << ": " << (vat.empty() ? "" : vat.front());
            EXPECT_FALSE(shows("12 Main Road", i));
            EXPECT_FALSE(shows("ORD-9", i));
        }
    }
    w.press("Cancel");
    EXPECT_FALSE(w.isOpen());
}

// A sale whose printed rows include one on the debit side (a control account without a class
// code) is still a tax invoice: what the document is comes from its transaction type.
TEST_F(Reprint, ADebitRowDoesNotMakeASaleACreditNote) {
    shop();
    account(8401, "", "Till without class");
    Sale sale = breadSale();
    sale.account = 8401;
    history(sale, "0", "23.00", "0");
    auto& h21 = ctx_->access<PQXH21>();
    h21.clearBuffer();
    h21.SetFileOrder();
    while (h21.next() == ErrNone)
        if (h21.rec.ACCNUMBER == 8401) {
            h21.rec.CLASSCODE = "";
            ASSERT_EQ(h21.put(), ErrNone);
        }
    RePrintCashSlip(runtime_, *ctx_, 1234);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_TRUE(shows("Tax Invoice"));
    EXPECT_FALSE(shows("Tax Credit Note"));
    EXPECT_EQ(line(kFirstLine, 0).back(), "23.00");
    // The control row prints too (no class code): a sale's line is credit plus VAT, nothing here.
    EXPECT_EQ(line(kFirstLine + 146, 0).back(), "0.00");
}

TEST_F(Reprint, ANumberWithoutHistoryPrintsNothing) {
    shop();
    history(breadSale());
    RePrintCashSlip(runtime_, *ctx_, 999);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_TRUE(pageTexts().empty());
}

TEST_F(Reprint, TheCopyAsPdfAddsUp) {
    shop();
    history(twoLines(1234), "0.04", "60.00", "8.05");
    prefix("Q");
    RePrintCashSlip(runtime_, *ctx_, 1234);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    const auto pdf = folder_ / "copy.pdf";
    ASSERT_TRUE(savePdf(runtime_, previewer_.shown[0], pdf.string()));
    const std::string info = testing::pdfInfo(pdf);
    EXPECT_NE(info.find("Title:           PrintCashSlip"), std::string::npos) << info;

    const std::string text = testing::pdfText(pdf);
    std::size_t at = 0;
    for (const char* expected : {"Corner Cafe & Deli", "Tax Invoice", "\\(Copy\\)", "Item +Description +Qty +Price +Amount",
                                 "BREAD +Brown bread +2.000 +11.50 +23.00", "MILK +Full cream milk 2l +1.000 +28.99 +28.99",
                                 "VAT.: +6.78 +Total.: +51.99", "Cash", "Rounding .: +-0.04", "Paid .: +60.00",
                                 "Change .: +8.05", "Date.: +15/03/2024", "Doc Nr.: +AB1234 +Time .: +14:32"}) {
        std::smatch m;
        const std::string rest = text.substr(at);
        ASSERT_TRUE(std::regex_search(rest, m, std::regex(expected))) << expected << " not after offset " << at << ":\n" << text;
        at += static_cast<std::size_t>(m.position(0) + m.length(0));
    }
    EXPECT_EQ(text.find("VAT# :"), std::string::npos);

    // The amounts as printed: the lines make the total, and the total, the rounding and the
    // change make what was paid.
    auto amount = [&](const std::string& pattern) {
        std::smatch m;
        EXPECT_TRUE(std::regex_search(text, m, std::regex(pattern))) << pattern;
        return m.size() > 1 ? Decimal::of(m[1].str()) : Decimal();
    };
    const Decimal lines = amount("BREAD.* (-?[0-9.]+)\\n") + amount("MILK.* (-?[0-9.]+)\\n");
    const Decimal total = amount("Total.: +(-?[0-9.]+)");
    EXPECT_EQ(lines, total);
    EXPECT_EQ(total + amount("Rounding .: +(-?[0-9.]+)") + amount("Change .: +(-?[0-9.]+)"), amount("Paid .: +(-?[0-9.]+)"));
}

TEST_F(Reprint, TheListStartsInStoredOrderAndSortsByItsHeadings) {
    shop();
    struct Doc {
        std::uint32_t no;
        int day;
        const char* price;  // the line amount without VAT
    };
    for (const Doc& d : std::vector<Doc>{{30, 3, "10.00"}, {10, 1, "40.00"}, {20, 2, "5.00"}}) {
        Sale s;
        s.docNumber = d.no;
        s.date = dayNumber(2024, 3, d.day);
        s.lines = {{"BREAD", "1", d.price, ""}};
        history(s);
    }
    SelectCashSlip select;
    auto w = runtime_.open(select);
    auto numbers = [&] {
        std::vector<long long> out;
        for (const Row& r : select.list().rows()) out.push_back(valueNumber(r[0]).toLongLong());
        return out;
    };
    using N = std::vector<long long>;
    EXPECT_EQ(numbers(), (N{30, 10, 20}));
    EXPECT_EQ(w.window()[w.control("List")].tip, "Browsing Records");
    w.clickHeading("List", 0);
    EXPECT_EQ(numbers(), (N{10, 20, 30}));
    w.clickHeading("List", 0);
    EXPECT_EQ(numbers(), (N{30, 20, 10}));
    w.clickHeading("List", 1);
    EXPECT_EQ(numbers(), (N{10, 20, 30}));
    w.clickHeading("List", 2);
    EXPECT_EQ(numbers(), (N{20, 30, 10}));
    w.clickHeading("List", 2);
    EXPECT_EQ(numbers(), (N{10, 30, 20}));
    // Enter on a row reprints it, as Select does.
    w.selectRow("List", 1);
    w.listKey("List", Key{Key::Enter});
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_TRUE(shows("AB30"));
    w.closeBox();
    EXPECT_FALSE(w.isOpen());
}

TEST(ReprintCommand, TheReportsMenuStartsTheList) {
    ProcedureFactory factory = commandFactory(kReprintCashSlip);
    ASSERT_TRUE(factory);
    EXPECT_EQ(factory()->name(), "SelectCashSlip");
}

}  // namespace
}  // namespace tavlo::report
