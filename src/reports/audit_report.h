#pragma once
// The supervisor audit trail by date range: the "Audit Trail" window asks for the dates, the
// report lists every entry of those days in date and time order. Read only.
#include <functional>
#include <string>
#include <vector>

#include "data/file_manager.h"
#include "framework/procedure.h"
#include "reports/report_procedure.h"
#include "util/date.h"

namespace tavlo::report {

class AuditTrailReport : public ReportProcedure {
public:
    AuditTrailReport(Context& ctx, DayNumber from, DayNumber to);
    long long entries() const { return entries_; }

protected:
    void DefineReport(Layout& layout) override;
    bool OpenTables() override;
    void CloseTables() override;
    bool OpenReport() override;
    bool NextRecord() override;
    void TakeRecord() override;

private:
    Context& ctx_;
    DayNumber from_, to_;
    bool walking_ = false;
    long long entries_ = 0;
    std::string action_, source_;
};

void PrintAuditTrail(Runtime& runtime, Context& ctx, DayNumber from, DayNumber to);

// "Audit Trail": From and To dates (both today at first), Print and Cancel.
class AuditTrail : public Procedure {
public:
    AuditTrail();
    std::string structureName() const override { return "QuickWindow"; }

protected:
    void DefineWindow(Window& window) override;
    void TakeAccepted(int control) override;

private:
    std::int32_t from_ = 0, to_ = 0;
    int fromEntry_ = 0, toEntry_ = 0, print_ = 0;
};

}  // namespace tavlo::report
