#pragma once
// Where finished pages go: the print preview or the report viewer of the face, from which the
// operator prints them or saves them as PDF or text. Without a face (tests, tools) a recording
// previewer may be installed; without any previewer the pages are dropped.
#include <optional>
#include <string>

#include "reports/page.h"
#include "reports/pdf_writer.h"

namespace tavlo {
class Runtime;
}

namespace tavlo::report {

enum class PreviewKind {
    PrintPreview,  // the list framework's preview (cash slip, reprint)
    ReportViewer,  // the stand-alone viewer (debtor slip, cash-up, listings)
};

struct ReportOutput {
    std::string procedure;  // the report's procedure name: window position, messages
    std::string title;      // the report's title, shown by the viewer
    PreviewKind kind = PreviewKind::PrintPreview;
    std::string zoom;       // the viewer's starting zoom ("No Zoom"); empty: the preview's default
    bool maximized = false;
    PdfInfo pdf;            // document information of the PDF target
    std::string pdfFile;    // file name given by the report; empty: asked in "Save PDF File"
    Pages pages;
};

class ReportPreviewer {
public:
    virtual ~ReportPreviewer() = default;
    // Shows the pages until the operator closes the preview. Returns the error text when the
    // output could not be opened.
    virtual std::optional<std::string> show(Runtime& runtime, ReportOutput& output) = 0;
};

ReportPreviewer* reportPreviewer();
void setReportPreviewer(ReportPreviewer* previewer);

// Shows the output through the previewer on the face's thread; a failure is reported in the
// box "Error on preview".
void showReport(Runtime& runtime, ReportOutput& output);

// The PDF target: the report's file name, or the one chosen in "Save PDF File" (".PDF" added
// when the name has no extension); nullopt when the operator cancels.
std::optional<std::string> choosePdfFile(Runtime& runtime, const ReportOutput& output);
// Writes the PDF target; a failure is reported in a message box. True when written.
bool savePdf(Runtime& runtime, const ReportOutput& output, const std::string& path);

}  // namespace tavlo::report
