#include "reports/report_output.h"

#include <filesystem>

#include "framework/message.h"
#include "framework/runtime.h"
#include "state/globals.h"

namespace tavlo::report {
namespace {

ReportPreviewer* g_previewer = nullptr;

}  // namespace

ReportPreviewer* reportPreviewer() { return g_previewer; }
void setReportPreviewer(ReportPreviewer* previewer) { g_previewer = previewer; }

void showReport(Runtime& runtime, ReportOutput& output) {
    ReportPreviewer* previewer = reportPreviewer();
    if (!previewer) return;
    std::optional<std::string> error;
    runtime.onFace([&] { error = previewer->show(runtime, output); });
    if (error) {
        MessageRequest box;
        box.title = std::string(byLanguage("Fout met voorskou", "Error on preview"));
        box.text = std::string(byLanguage("Die verslag se uitvoer kon nie oopgemaak word nie.||",
                                          "Error trying to open the report output.||")) + *error;
        box.icon = Icon::Exclamation;
        runtime.message(box);
    }
}

std::optional<std::string> choosePdfFile(Runtime& runtime, const ReportOutput& output) {
    if (!output.pdfFile.empty()) return output.pdfFile;
    auto chosen = runtime.chooseSaveFile(std::string(byLanguage("Stoor PDF-lêer", "Save PDF File")), "", {{"PDF", "*.PDF"}, {"All", "*.*"}});
    if (!chosen || chosen->empty()) return std::nullopt;
    if (std::filesystem::path(*chosen).extension().empty()) *chosen += ".PDF";
    return chosen;
}

bool savePdf(Runtime& runtime, const ReportOutput& output, const std::string& path) {
    const PdfResult result = writePdf(output.pages, output.pdf, path);
    if (result.ok) return true;
    MessageRequest box;
    box.title = std::string(byLanguage("PDF-lêer", "PDF File"));
    box.text = std::string(byLanguage("Die PDF-lêer kon nie geskryf word nie.||", "The PDF file could not be written.||")) +
               result.error;
    box.icon = Icon::Exclamation;
    runtime.message(box);
    return false;
}

}  // namespace tavlo::report
