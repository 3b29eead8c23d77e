// The daily cash-up: the operator's takings by tender, the float, the blank rows, the page.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "data/storage.h"
#include "reports/daily_cashup.h"
#include "reports/pdf_writer.h"
#include "slip_fixture.h"

namespace tavlo::report {
namespace {

using testing::Sale;

class DailyCashup : public testing::SlipFixture {
protected:
    Sale sale(std::uint32_t doc, int payMethod, const char* amount, int tranType, const std::string& op = "OP1") {
        Sale s;
        s.docNumber = doc;
        s.payMethod = payMethod;
        s.tranType = tranType;
        s.creditNote = tranType == 7 || tranType == 39;
        s.operatorNo = op;
        s.lines = {{"BREAD", "1", amount, ""}};
        return s;
    }
    // The amount printed on the row of a caption in the cash-up table, or "" when blank.
    std::string amountOn(const std::string& caption) const {
        const TextOp* c = find(caption);
        for (const DrawOp& op : previewer_.shown.at(0).pages.at(0).ops)
            if (const auto* t = std::get_if<TextOp>(&op); t && t != c && t->y == c->y && t->x > c->x) return t->text;
        return "";
    }
};

TEST_F(DailyCashup, TotalsByTenderWithCreditNotesCountedNegatively) {
    shop();
    post(sale(1, 1, "50.00", 5));
    post(sale(2, 2, "30.00", 4));
    post(sale(3, 1, "10.00", 7));
    PrintDailyCashup(runtime_, *ctx_);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_EQ(amountOn("Credit Cards"), "30.00");
    EXPECT_EQ(amountOn("Cheques"), "0.00");
    EXPECT_EQ(amountOn("Account"), "0.00");
    EXPECT_EQ(amountOn("Sales for day"), "70.00");
    EXPECT_EQ(amountOn("Less Float"), "150.00");
    for (const char* blank : {"R 200", "R 100", "R  50", "R  20", "R  10", "Coins", "TOTAL CASH", "TOTAL MONEY", "TOTAL FOR DAY",
                              "SHORT / OVER"})
        EXPECT_EQ(amountOn(blank), "") << blank;
}

TEST_F(DailyCashup, EveryTenderAndTheDebtorsCreditNote) {
    shop();
    post(sale(1, 3, "40.00", 5));    // cheque
    post(sale(2, 3, "5.00", 7));     // cheque refund
    post(sale(3, 4, "100.00", 35));  // booked to a debtor
    post(sale(4, 4, "25.00", 39));   // credit note on the debtor's account: reduces, as at the till
    post(sale(5, 2, "12.50", 4));
    post(sale(6, 0, "99.00", 0));    // no tender: counted nowhere
    const CashupTotals totals = cashupTotals(*ctx_, "OP1");
    EXPECT_EQ(totals.cheques, Decimal::of("35.00"));
    EXPECT_EQ(totals.account, Decimal::of("75.00"));
    EXPECT_EQ(totals.creditCards, Decimal::of("12.50"));
    EXPECT_EQ(totals.sales, Decimal::of("122.50"));
}

TEST_F(DailyCashup, OtherOperatorsAndDebtorPaymentsAreLeftOut) {
    shop();
    post(sale(1, 1, "50.00", 5));
    post(sale(2, 2, "30.00", 4, "OP2"));    // another operator (another till, same tables)
    post(sale(3, 2, "7.00", 4, "OP"));      // a shorter code that ours starts with
    debtorPayment(4, "500.00", 2);          // rows carry no operator
    const CashupTotals mine = cashupTotals(*ctx_, "OP1");
    EXPECT_EQ(mine.creditCards, Decimal(0));
    EXPECT_EQ(mine.sales, Decimal::of("50.00"));
    const CashupTotals theirs = cashupTotals(*ctx_, "OP2 ");
    EXPECT_EQ(theirs.creditCards, Decimal::of("30.00"));
    EXPECT_EQ(cashupTotals(*ctx_, "OP").sales, Decimal::of("7.00"));
    EXPECT_EQ(cashupTotals(*ctx_, "").sales, Decimal(0));  // nobody logged in: nothing is anyone's
}

TEST_F(DailyCashup, ThePageHeaderAndTheTableSitWhereTheFormHasThem) {
    shop();
    post(sale(1, 1, "50.00", 5));
    PrintDailyCashup(runtime_, *ctx_);
    const ReportOutput& out = previewer_.shown.at(0);
    EXPECT_EQ(out.kind, PreviewKind::ReportViewer);
    EXPECT_EQ(out.zoom, "No Zoom");
    EXPECT_TRUE(out.maximized);
    EXPECT_EQ(out.pdf.title, "PrintTransactions");
    EXPECT_EQ(out.title, "Daily Cash Up");
    ASSERT_EQ(out.pages.size(), 1u);
    EXPECT_EQ(find("Daily Cash Up")->y, 500);
    EXPECT_EQ(find("Daily Cash Up")->font.name, "Arial");
    EXPECT_EQ(find("as at .:")->y, 990);
    EXPECT_EQ(find("15/03/2024")->x, 500 + 615);
    EXPECT_EQ(find("Anna Smit")->x, 500 + 2323);
    const TextOp* page = find("Page    1");
    EXPECT_EQ(page->textLeft() + textWidth(page->font, page->text), 500 + 6427 + 875);
    // One empty detail line, then the table.
    const int table = 1333 + 115;
    EXPECT_EQ(find("R 200")->y, table + 94);
    EXPECT_EQ(find("R 200")->x, 490 + 1198);
    EXPECT_EQ(find("SHORT / OVER")->y, table + 3510);
    const TextOp* sales = find("50.00");
    EXPECT_EQ(sales->y, table + 3271);
    EXPECT_GE(sales->textLeft(), 490 + 4854);
    int rules = 0, verticals = 0;
    for (const DrawOp& op : out.pages[0].ops)
        if (const auto* l = std::get_if<LineOp>(&op)) (l->x1 == l->x2 ? verticals : rules)++;
    EXPECT_EQ(verticals, 3);
    EXPECT_EQ(rules, 2 + 14 + 2);  // top and bottom, between the rows, header and footer rules
}

TEST_F(DailyCashup, PageNumbersInAfrikaans) {
    shop();
    GLO.LANGUAGENO = 2;
    PrintDailyCashup(runtime_, *ctx_);
    bool found = false;
    for (const std::string& t : pageTexts())
        if (t.rfind("Bls.", 0) == 0) {
            found = true;
            EXPECT_EQ(t.back(), '1');
        }
    EXPECT_TRUE(found);
    EXPECT_FALSE(shows("Page    1"));
}

TEST_F(DailyCashup, WithoutDocumentsOnlyTheFloatHasAValue) {
    shop();
    PrintDailyCashup(runtime_, *ctx_);
    EXPECT_EQ(amountOn("Cheques"), "0.00");
    EXPECT_EQ(amountOn("Credit Cards"), "0.00");
    EXPECT_EQ(amountOn("Account"), "0.00");
    EXPECT_EQ(amountOn("Sales for day"), "0.00");
    EXPECT_EQ(amountOn("Less Float"), "150.00");
}

TEST_F(DailyCashup, WithoutACompanyRecordNothingPrints) {
    operatorRecord("OP1", "Anna Smit");
    PrintDailyCashup(runtime_, *ctx_);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_TRUE(previewer_.shown[0].pages.empty());
}

TEST_F(DailyCashup, AnUnknownOperatorPrintsNoNameButStillCountsTheirDocuments) {
    shop();
    ctx_->OPERATOR = "OP9";
    post(sale(1, 2, "45.00", 4, "OP9"));
    PrintDailyCashup(runtime_, *ctx_);
    EXPECT_FALSE(shows("Anna Smit"));
    EXPECT_EQ(amountOn("Credit Cards"), "45.00");
}

TEST_F(DailyCashup, AskingFirst) {
    shop();
    post(sale(1, 1, "50.00", 5));
    runtime_.onOpen("AskDailyCashup", [](TestWindow& w) {
        EXPECT_EQ(w.window().title, "Print Cashup");
        EXPECT_NE(w.window().find("Do you want to print Cashup ?"), 0);
        w.press("No");
    });
    AskDailyCashup(runtime_, *ctx_);
    EXPECT_TRUE(previewer_.shown.empty());

    runtime_.onOpen("AskDailyCashup", [](TestWindow& w) { w.press("Yes"); });
    AskDailyCashup(runtime_, *ctx_);
    ASSERT_EQ(previewer_.shown.size(), 1u);
    EXPECT_EQ(previewer_.shown[0].procedure, "PrintDailyCashup");
    EXPECT_EQ(runtime_.ran, (std::vector<std::string>{"AskDailyCashup", "AskDailyCashup", "PrintDailyCashup"}));
}

TEST_F(DailyCashup, TheSheetAsPdf) {
    shop();
    post(sale(1, 1, "50.00", 5));
    post(sale(2, 2, "30.00", 4));
    PrintDailyCashup(runtime_, *ctx_);
    const auto pdf = folder_ / "cashup.pdf";
    ASSERT_TRUE(savePdf(runtime_, previewer_.shown.at(0), pdf.string()));
    const std::string info = testing::pdfInfo(pdf);
    EXPECT_NE(info.find("Title:           PrintTransactions"), std::string::npos) << info;
    EXPECT_NE(info.find("PDF version:     1.3"), std::string::npos) << info;
    const std::string text = testing::pdfText(pdf);
    for (const char* line : {"Daily Cash Up", "Credit Cards", "30.00", "Sales for day", "80.00", "Less Float", "150.00"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

// The cash-up as it was first written: a walk over the headers with a keyed read of each
// document's first detail row. The statement that replaced it must come to the same totals.
CashupTotals walkedTotals(Context& ctx, const std::string& operatorNo) {
    CashupTotals totals;
    auto& t20 = ctx.access<PQXT20>();
    auto& t21 = ctx.access<PQXT21>();
    const std::string op = clip(operatorNo);
    t20.clearBuffer();
    t20.Set(PT20::PayTypeAccDateKey);
    while (t20.Next() == LevelBenign) {
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = t20.rec.DOCUMENTNO;
        if (t21.get(PT21::DocumentNoKey) != ErrNone) t21.clearBuffer();
        if (op.empty() || clip(t21.rec.REFERENCE2) != op) continue;
        Decimal amount = t20.rec.AMOUNT;
        if (t20.rec.TRANTYPENUMBER == 7 || t20.rec.TRANTYPENUMBER == 39) amount = -amount;
        switch (t20.rec.PAYMETHOD) {
            case 1: totals.sales += amount; break;
            case 2: totals.creditCards += amount, totals.sales += amount; break;
            case 3: totals.cheques += amount, totals.sales += amount; break;
            case 4: totals.account += amount, totals.sales += amount; break;
            default: break;
        }
    }
    return totals;
}

std::string shown(const CashupTotals& t) {
    return t.creditCards.toString() + " " + t.cheques.toString() + " " + t.account.toString() + " " + t.sales.toString();
}

// Random histories: several operators, blank and look-alike ones, detail rows of documents
// interleaved and of mixed operators (the first row tells), headers without rows and rows
// without headers, document number 0, every pay method and transaction type, amounts up to the
// field's largest, headers that the walk's key leaves out.
TEST_F(DailyCashup, TheTotalsAreThoseOfTheWalkOverEveryHeader) {
    const std::vector<std::string> operators = {"OP1", "OP2", "OP11", "op1", "", "O", "OP1 X", "OP1!"};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        SetUp();
        std::mt19937 random(seed);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        auto& t20 = ctx_->access<PQXT20>();
        auto& t21 = ctx_->access<PQXT21>();
        auto tx = ctx_->transaction<PQXT20, PQXT21>(std::chrono::seconds(1));
        ASSERT_TRUE(tx.active()) << tx.errorText();
        std::vector<PQXT21> rows;
        const int documents = 40 + pick(120);
        for (int d = 0; d < documents; ++d) {
            t20.clearBuffer();
            t20.rec.DOCUMENTNO = d == 0 && seed % 3 == 0 ? 0 : static_cast<std::uint32_t>(d + 1 + pick(3) * 1000);
            t20.rec.PAYMETHOD = static_cast<std::uint8_t>(pick(6));
            t20.rec.TRANTYPENUMBER = std::vector<std::uint16_t>{4, 5, 7, 10, 35, 39}[pick(6)];
            if (pick(8) != 0) t20.rec.ACCNUMBER = 8400;
            if (pick(8) != 0) t20.rec.TRANSDATE = dayNumber(2024, 3, 1 + pick(28));
            const long long cents = pick(20) == 0 ? 999999999999LL - pick(1000) : pick(10000000) - 5000;
            t20.rec.AMOUNT = Decimal::fromScaled(cents, 2);
            if (t20.add() != ErrNone) continue;  // a document number drawn twice
            for (int r = pick(5); r > 0; --r) {
                PQXT21 row;
                row.DOCUMENTNO = t20.rec.DOCUMENTNO;
                row.REFERENCE2 = operators[pick(static_cast<int>(operators.size()))];
                rows.push_back(row);
            }
        }
        for (int orphan = pick(5); orphan > 0; --orphan) {
            PQXT21 row;
            row.DOCUMENTNO = static_cast<std::uint32_t>(90000 + orphan);
            row.REFERENCE2 = "OP1";
            rows.push_back(row);
        }
        std::shuffle(rows.begin(), rows.end(), random);
        for (const PQXT21& row : rows) {
            t21.rec = row;
            ASSERT_EQ(t21.add(), ErrNone) << t21.errorText();
        }
        // Inside the transaction that wrote them, then from the files once committed.
        for (const std::string& op : {std::string("OP1"), std::string("op1")})
            EXPECT_EQ(shown(cashupTotals(*ctx_, op)), shown(walkedTotals(*ctx_, op))) << op;
        ASSERT_TRUE(tx.commit());
        for (const char* op : {"OP1", "OP2", "OP11", "op1", "O", "", "OP1  ", "OP"})
            EXPECT_EQ(shown(cashupTotals(*ctx_, op)), shown(walkedTotals(*ctx_, op))) << op;
        // Operators followed by blanks, as another program may store them.
        sqlite3* db = openDatabase(data_ / PQXT21::table().diskFile(), false, false, 2000);
        ASSERT_EQ(sqlite3_exec(db, "UPDATE PQXT21 SET REFERENCE2 = REFERENCE2 || '  ' WHERE _pos % 3 = 0", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        for (const char* op : {"OP1", "OP2", "OP1 X"})
            EXPECT_EQ(shown(cashupTotals(*ctx_, op)), shown(walkedTotals(*ctx_, op))) << op << " followed by blanks";
    }
}

}  // namespace
}  // namespace tavlo::report
