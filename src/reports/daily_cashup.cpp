#include "reports/daily_cashup.h"

#include "data/operator_takings.h"
#include "data/transaction_types.h"
#include "framework/runtime.h"
#include "state/globals.h"

namespace tavlo::report {
CashupTotals cashupTotals(Context& ctx, const std::string& operatorNo, Level* level) {
    CashupTotals totals;
    std::vector<TakingsSum> sums;
    const Level read = operatorTakings(ctx, operatorNo, sums);
    if (level) *level = read;
    for (const TakingsSum& sum : sums) {
        Decimal amount = sum.amount;
        if (trantype::isCreditNote(sum.tranType)) amount = -amount;
        switch (sum.payMethod) {
            case 1: totals.sales += amount; break;
            case 2:
                totals.creditCards += amount;
                totals.sales += amount;
                break;
            case 3:
                totals.cheques += amount;
                totals.sales += amount;
                break;
            case 4:
                totals.account += amount;
                totals.sales += amount;
                break;
            default: break;
        }
    }
    return totals;
}

DailyCashupReport::DailyCashupReport(Context& ctx) : ReportProcedure("PrintDailyCashup"), ctx_(ctx) {
    output_.kind = PreviewKind::ReportViewer;
    output_.zoom = "No Zoom";
    output_.maximized = true;
    output_.pdf.title = "PrintTransactions";
    output_.pdf.subject = "PrintTransactions";
}

void DailyCashupReport::DefineReport(Layout& layout) {
    auto& o10 = ctx_.access<PQXO10>().rec;
    auto& cs10 = ctx_.access<PACS10>().rec;

    layout.title = "Daily Cash Up";
    layout.font = Font{"Arial", 8};
    layout.body = {490, 1333, 7500, 8917};

    Band header{.name = "PageHeader", .at = {500, 500, 7500, 813}};
    header.add(caption("Daily Cash Up", 0, 0, 7469, Align::Center));
    header.add(pageNumber("PageCount", 6427, 250, 875, "@pPage <<<#p"));
    header.add(caption("as at .:", 10, 490));
    header.add(field("LOC:TODAY", 615, 490, 0, "@d17", [this] { return Value(static_cast<long long>(today_)); }));
    header.add(field("PO10:NAME", 2323, 490, 0, "@s25", [&o10] { return Value(o10.NAME); }));
    header.add(hline(0, 708, 7500));
    layout.pageHeader = header;

    Band footer{.name = "PageFooter", .at = {500, 10260, 7500, 323}};
    footer.add(hline(0, 63, 7500));
    layout.pageFooter = footer;

    Group grand{.name = "LOC:GRAND", .key = [this] { return Value(grand_); }};
    Band table{.name = "GroupFooter", .at = {0, 0, 7500, 3844}};
    table.add(vline(1031, 31, 3688));
    table.add(vline(3833, 31, 3677));
    table.add(vline(6208, 31, 3677));
    table.add(hline(1031, 31, 5198));
    table.add(hline(1021, 3708, 5188));
    for (int y : {260, 521, 781, 1042, 1292, 1510, 1760, 2021, 2271, 2500, 2729, 2979, 3219, 3448})
        table.add(hline(1031, y, 6208 - 1031));
    struct Row {
        int y;
        const char* caption;
        std::function<Value()> amount;
    };
    const std::vector<Row> rows = {
        {94, "R 200", nullptr},
        {344, "R 100", nullptr},
        {604, "R  50", nullptr},
        {854, "R  20", nullptr},
        {1104, "R  10", nullptr},
        {1344, "Coins", nullptr},
        {1573, "TOTAL CASH", nullptr},
        {1833, "Cheques", [this] { return Value(totals_.cheques); }},
        {2083, "Credit Cards", [this] { return Value(totals_.creditCards); }},
        {2323, "Account", [this] { return Value(totals_.account); }},
        {2552, "TOTAL MONEY", nullptr},
        {2781, "Less Float", [&cs10] { return Value(cs10.CASHFLOAT); }},
        {3031, "TOTAL FOR DAY", nullptr},
        {3271, "Sales for day", [this] { return Value(totals_.sales); }},
        {3510, "SHORT / OVER", nullptr},
    };
    for (const Row& row : rows) {
        table.add(caption(row.caption, 1198, row.y));
        // The amount column's right edge lies well inside the right-hand column.
        if (row.amount) table.add(field(row.caption, 4854, row.y, 1000, "@n15.2", row.amount, Align::Right));
    }
    grand.footer = std::move(table);
    layout.groups.push_back(std::move(grand));

    layout.details.push_back(Band{.name = "Detail", .at = {0, 0, 7500, 115}});
}

bool DailyCashupReport::OpenTables() {
    tables_.use<PACS10, PQXA10, PQXO10, PQXT20, PQXT21>();
    return true;
}

void DailyCashupReport::CloseTables() { tables_.close(); }

bool DailyCashupReport::OpenReport() {
    today_ = today();
    auto& o10 = ctx_.access<PQXO10>();
    o10.clearBuffer();
    o10.rec.OPERATORNO = ctx_.OPERATOR.str();
    o10.Fetch(PO10::OperatorNoKey);
    Level read = LevelBenign;
    totals_ = cashupTotals(ctx_, ctx_.OPERATOR.str(), &read);
    if (read != LevelBenign) return false;  // told already; no sheet with takings left out
    // The rows of the report are the company records: one empty line each, then the table.
    auto& cs10 = ctx_.access<PACS10>();
    cs10.clearBuffer();
    cs10.SetFileOrder();
    walking_ = true;
    return true;
}

bool DailyCashupReport::NextRecord() {
    if (walking_ && ctx_.access<PACS10>().Next() == LevelBenign) return true;
    walking_ = false;
    return false;
}

long long DailyCashupReport::RecordCount() { return ctx_.access<PACS10>().records(); }

void DailyCashupReport::TakeRecord() {
    if (GLO.afrikaans()) layout().setPicture("PageCount", "@pBls. <<#p");
    print("Detail");
}

void PrintDailyCashup(Runtime& runtime, Context& ctx) {
    DailyCashupReport report(ctx);
    runtime.run(report);
    if (report.completed()) showReport(runtime, report.output());
}

AskDailyCashupWindow::AskDailyCashupWindow(Context& ctx) : Procedure("AskDailyCashup"), ctx_(ctx) {}

void AskDailyCashupWindow::DefineWindow(Window& window) {
    window.title = "Print Cashup";
    window.width = 200;
    window.height = 90;
    window.add(ControlKind::Display, "Do you want to print Cashup ?").at(9, 20);
    yes_ = window.button("&Yes").at(114, 69, 35, 14).defaultButton();
    no_ = window.button("&No").at(156, 69, 36, 14).closes();  // Esc answers No
}

void AskDailyCashupWindow::TakeAccepted(int control) {
    if (control == yes_) {
        PrintDailyCashup(runtime(), ctx_);
        close(Response::Completed);
    } else if (control == no_) {
        close(Response::Cancelled);
    }
}

void AskDailyCashup(Runtime& runtime, Context& ctx) {
    AskDailyCashupWindow window(ctx);
    runtime.run(window);
}

}  // namespace tavlo::report
