#pragma once
// The Qt face of report output: the print preview or the report viewer, modal, on the face's
// thread. installReportPreview() makes every report show its pages here.
#include "reports/report_output.h"

namespace tavlo::gui {

class QtReportPreviewer : public report::ReportPreviewer {
public:
    std::optional<std::string> show(Runtime& runtime, report::ReportOutput& output) override;
};

void installReportPreview();

}  // namespace tavlo::gui
