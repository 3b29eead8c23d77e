#pragma once
// The list of every posted transaction header, grouped by tender with a subtotal each, the total
// of all sales and a cash summary with the float. The export documents what it is about to send
// with it: as a PDF file first, then on paper. Both read only.
#include <functional>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "reports/report_procedure.h"
#include "reports/report_tables.h"
#include "util/date.h"
#include "util/decimal.h"

namespace tavlo {
class Runtime;
}

namespace tavlo::report {

class TransactionListing : public ReportProcedure {
public:
    // Paper: shown in the report viewer; debtors' cash payments are shown apart from the cash
    // sales and a credit sale shows its debtor's name. Pdf: straight to the named file, with the
    // stored descriptions and every cash document among the cash sales.
    enum class Variant { Paper, Pdf };

    TransactionListing(Context& ctx, Variant variant, std::string pdfName = {});

    // The totals as they stand (after a run: as printed).
    const Decimal& totalSales() const { return totalSales_; }
    const Decimal& totalCash() const { return totalCash_; }
    const Decimal& debtorsCash() const { return debCashPayments_; }
    const Decimal& cashTotal() const { return total_; }

protected:
    void DefineReport(Layout& layout) override;
    std::string reportStructure() const override { return "report"; }
    bool OpenTables() override;
    void CloseTables() override;
    bool OpenReport() override;
    bool NextRecord() override;
    long long RecordCount() override;
    void TakeRecord() override;
    void EndReport() override;

private:
    bool paper() const { return variant_ == Variant::Paper; }

    Context& ctx_;
    Variant variant_;
    ReportTables tables_{ctx_};
    bool walking_ = false;
    bool printed_ = false;
    long long grand_ = 1;  // LOC:GRAND, the constant outer group

    // LOC: working values of one run.
    DayNumber today_ = 0;
    std::string payMethod_;
    Decimal totalCash_, debCashPayments_, total_;
    Decimal totalSales_, tenderSum_;  // the sums the footers show
    int tender_ = -1;                 // the tender tenderSum_ adds up
};

// Shows the listing in the report viewer, maximised at "No Zoom".
void PrintTransactions(Runtime& runtime, Context& ctx);
// Writes the listing to pdfName without a preview. False when the report was cancelled or the
// file could not be written (the operator was told).
bool PrintTransactionsPDF(Runtime& runtime, Context& ctx, const std::string& pdfName);

}  // namespace tavlo::report
