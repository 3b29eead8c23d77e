#pragma once
// The slip of one posted sale settled at the till (tax invoice or tax credit note) and the
// debtor slip of a sale booked to a debtor's account. Both read only what was posted.
#include <cstdint>
#include <optional>
#include <string>

#include "data/file_manager.h"
#include "data/filter.h"
#include "reports/report_procedure.h"
#include "reports/report_tables.h"
#include "util/decimal.h"

namespace tavlo {
class Runtime;
}

namespace tavlo::report {

struct SlipArguments {
    std::uint32_t docNumber = 0;
    Decimal rounding;  // the sale's rounding in currency units; printed negated
    Decimal paid;
    Decimal change;
    int creditNote = 0;  // non-zero: a credit note
};

class CashSlipReport : public ReportProcedure {
public:
    enum class Style { Cash, Debtor };

    CashSlipReport(Context& ctx, const SlipArguments& args, Style style = Style::Cash);

    // Working values as they stand (for tests of the per-row rules).
    const std::string& heading() const { return opskrif_; }
    const std::string& document() const { return document_; }

protected:
    CashSlipReport(std::string name, Context& ctx, const SlipArguments& args, Style style);

    void DefineReport(Layout& layout) override;
    bool OpenTables() override;
    void CloseTables() override;
    bool OpenReport() override;
    bool NextRecord() override;
    long long RecordCount() override;
    void TakeRecord() override;

    // Where the document is read: the posted tables here, their history copy for a reprint.
    // The layout prints `line_` (the row just read) and `head_` (the header of a printed row).
    virtual void openDocument();  // registers the document's tables in tables_
    virtual const TableDef& lineTable() const { return PQXT21::table(); }
    virtual const char* lineFilter() const { return "PT21:DocumentNo = Loc:DocNumber"; }
    // Positions the walk before the document's first row.
    virtual void startLines();
    // The next row of the walk into line_; false at the end of the table. `record` is the
    // stored row as read, for the filter.
    virtual bool readLine(const void*& record);
    // The header of a document into head_ (cleared when there is none).
    virtual void readHeader(std::uint32_t documentNo);
    // Whatever a printed row takes from its header besides totals and tender.
    virtual void takeHeader() {}
    virtual bool isCreditNote() const { return creditNote_ != 0; }
    // The text after "Doc Nr.:".
    virtual std::string documentText() const;

    Context& ctx_;
    PQXT21 line_{};
    PQXT20 head_{};
    ReportTables tables_{ctx_};

    // LOC: working values of one run.
    std::uint32_t docNumber_ = 0;
    Decimal verskil_, paid_, change_, amount_;
    int creditNote_ = 0;
    std::string opskrif_, document_, payType_, client_;

private:
    void defineCashFooter(Band& footer);
    void defineDebtorFooter(Band& footer);
    void debtorAddress();

    SlipArguments args_;
    Style style_;
    std::optional<Filter> filter_;
    FilterVariables vars_;
    bool walking_ = false;

    std::string userName_, adr1_, adr2_, adr3_, telNr_, faxNr_, vatNr_;
    std::string add1_, add2_, add3_;
    bool print_ = false;
};

// Prints the slip of a posted sale through the print preview. The caller has committed the
// posting; the slip reads the stored rows on the caller's context and leaves its buffers as
// they were.
void PrintCashSlip(Runtime& runtime, Context& ctx, std::uint32_t docNumber, const Decimal& rounding,
                   const Decimal& paid, const Decimal& change, int creditNote);
// The slip of a credit sale (with the debtor's address, VAT number and order number), shown in
// the report viewer.
void PrintDebCashSlip(Runtime& runtime, Context& ctx, std::uint32_t docNumber, const Decimal& rounding,
                      const Decimal& paid, const Decimal& change, int creditNote);

}  // namespace tavlo::report
