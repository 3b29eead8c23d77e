#pragma once
// The slip of a sale printed again from its history copy, marked "(Copy)": the debtor slip's
// layout, with the rounding, amount paid and change the sale was settled with.
#include <cstdint>

#include "reports/cash_slip.h"

namespace tavlo::report {

class RePrintSlipReport : public CashSlipReport {
public:
    RePrintSlipReport(Context& ctx, std::uint32_t documentNo);

protected:
    void DefineReport(Layout& layout) override;
    void openDocument() override;
    const TableDef& lineTable() const override { return PQXH21::table(); }
    const char* lineFilter() const override { return "PH21:DocumentNo = Loc:DocNumber"; }
    void startLines() override;
    bool readLine(const void*& record) override;
    void readHeader(std::uint32_t documentNo) override;
    void takeHeader() override;
    bool isCreditNote() const override;
    std::string documentText() const override;
};

// Prints the copy of a document from the history tables through the print preview. A number
// without history rows prints nothing. The caller's buffers are left as they were.
void RePrintCashSlip(Runtime& runtime, Context& ctx, std::uint32_t documentNo);

}  // namespace tavlo::report
