#pragma once
// The cash-up sheet of the operator at the till: takings by tender from the posted documents
// still in the transaction tables, the float, and blank rows for the counted notes and coins.
#include <string>

#include "data/file_manager.h"
#include "framework/procedure.h"
#include "reports/report_procedure.h"
#include "reports/report_tables.h"
#include "util/date.h"
#include "util/decimal.h"

namespace tavlo {
class Runtime;
}

namespace tavlo::report {

// Sums of the logged-in operator's documents by tender.
struct CashupTotals {
    Decimal creditCards;
    Decimal cheques;
    Decimal account;
    Decimal sales;  // all four tenders
};

// The operator's posted documents added by tender (operatorTakings says whose a document is);
// credit notes (settled at the till, type 7, or booked to a debtor, type 39) and rounding
// documents count negatively. A read that fails is told, leaves the totals at zero and sets
// *level to its level.
CashupTotals cashupTotals(Context& ctx, const std::string& operatorNo, Level* level = nullptr);

class DailyCashupReport : public ReportProcedure {
public:
    explicit DailyCashupReport(Context& ctx);
    const CashupTotals& totals() const { return totals_; }

protected:
    void DefineReport(Layout& layout) override;
    std::string reportStructure() const override { return "report"; }
    bool OpenTables() override;
    void CloseTables() override;
    bool OpenReport() override;
    bool NextRecord() override;
    long long RecordCount() override;
    void TakeRecord() override;

private:
    Context& ctx_;
    ReportTables tables_{ctx_};
    DayNumber today_ = 0;
    CashupTotals totals_;
    bool walking_ = false;
    long long grand_ = 1;  // the constant group value
};

void PrintDailyCashup(Runtime& runtime, Context& ctx);

// "Print Cashup": asks whether to print the cash-up, and prints it on "&Yes".
class AskDailyCashupWindow : public Procedure {
public:
    explicit AskDailyCashupWindow(Context& ctx);
    int yesButton() const { return yes_; }
    int noButton() const { return no_; }

protected:
    void DefineWindow(Window& window) override;
    void TakeAccepted(int control) override;

private:
    Context& ctx_;
    int yes_ = 0, no_ = 0;
};

void AskDailyCashup(Runtime& runtime, Context& ctx);

}  // namespace tavlo::report
