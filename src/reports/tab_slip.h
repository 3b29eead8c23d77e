#pragma once
// The tab slip: the lines of one visit stored on a client's tab, with their VAT and total.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "reports/report_procedure.h"
#include "reports/report_tables.h"
#include "util/decimal.h"

namespace tavlo {
class Runtime;
}

namespace tavlo::report {

struct TabSlipArguments {
    std::uint32_t owner = 0;        // PV61:CLIENTNO
    std::uint32_t documentNo = 0;   // the tab's number, PV61:DOCUMENTNO
    std::uint16_t salesNumber = 0;  // the visit: its lines carry this sales number
};

class TabSlipReport : public ReportProcedure {
public:
    TabSlipReport(Context& ctx, const TabSlipArguments& args);
    const Decimal& total() const { return total_; }
    const Decimal& vat() const { return vat_; }

protected:
    void DefineReport(Layout& layout) override;
    std::string reportStructure() const override { return "Report"; }
    bool OpenTables() override;
    void CloseTables() override;
    bool OpenReport() override;
    bool NextRecord() override;
    long long RecordCount() override { return 0; }
    void TakeRecord() override;

private:
    Context& ctx_;
    TabSlipArguments args_;
    ReportTables tables_{ctx_};
    bool walking_ = false;
    std::string userName_, adr1_, adr2_, adr3_, telNr_, faxNr_, document_, time_;
    Decimal amount_, total_, vat_;
};

// Prints the tab slip of one visit through the print preview. Only the tab's own lines print:
// owner, tab number and visit must all match.
void PrintTag(Runtime& runtime, Context& ctx, std::uint32_t documentNo, std::uint16_t salesNumber, std::uint32_t owner);

}  // namespace tavlo::report
