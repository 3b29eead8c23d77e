#include "gui/preview_previewer.h"

#include <QApplication>

#include "gui/preview_window.h"
#include "gui/report_viewer.h"

namespace tavlo::gui {

std::optional<std::string> QtReportPreviewer::show(Runtime& runtime, report::ReportOutput& output) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return std::string("There is no display to show it on.");
    if (output.kind == report::PreviewKind::PrintPreview) {
        PrintPreviewWindow window(runtime, output, QApplication::activeWindow());
        window.exec();
    } else {
        ReportViewerWindow window(runtime, output, QApplication::activeWindow());
        if (output.maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
        window.exec();
    }
    return std::nullopt;
}

void installReportPreview() {
    static QtReportPreviewer previewer;
    report::setReportPreviewer(&previewer);
}

}  // namespace tavlo::gui
