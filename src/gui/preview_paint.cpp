#include "gui/preview_paint.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>

#include <cmath>
#include <mutex>

namespace tavlo::gui {
namespace {

std::string g_printFile;

// The metric-compatible face the layouts' sans-serif fonts map to, registered from its file
// so it is there whatever the font configuration says.
QString sansFamily() {
    static QString family;
    static std::once_flag once;
    std::call_once(once, [] {
        family = QStringLiteral("Liberation Sans");
        for (bool bold : {false, true}) {
            const std::string file = report::fontFile(report::Font{.bold = bold});
            if (file.empty()) continue;
            const int id = QFontDatabase::addApplicationFont(QString::fromStdString(file));
            const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
            if (!families.isEmpty()) family = families.front();
        }
    });
    return family;
}

}  // namespace

QFont reportFont(const report::Font& font) {
    QFont f(sansFamily());
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(font.size * 1000.0 / 72.0))));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

void paintPage(QPainter& painter, const report::Page& page, const QRectF& target) {
    painter.save();
    painter.translate(target.topLeft());
    const double scale = target.width() / std::max(1, page.width);
    painter.scale(scale, scale);
    painter.setClipRect(QRectF(0, 0, page.width, page.height));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const report::DrawOp& op : page.ops) {
        if (const auto* line = std::get_if<report::LineOp>(&op)) {
            painter.setPen(QPen(Qt::black, line->thickness, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(QPointF(line->x1, line->y1), QPointF(line->x2, line->y2));
            continue;
        }
        const auto& text = std::get<report::TextOp>(op);
        if (text.text.empty()) continue;
        painter.setPen(Qt::black);
        painter.setFont(reportFont(text.font));
        // Placed by the report's own metrics, so screen, printer and PDF agree.
        painter.drawText(QPointF(text.textLeft(), text.y + report::ascent(text.font)), QString::fromStdString(text.text));
    }
    painter.restore();
}

bool printPages(QPrinter& printer, const report::Pages& pages, const std::vector<int>& sequence, std::string* error) {
    if (sequence.empty()) return true;
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error) *error = "The printer could not be started.";
        return false;
    }
    bool first = true;
    for (int index : sequence) {
        if (index < 0 || static_cast<std::size_t>(index) >= pages.size()) continue;
        if (!first) printer.newPage();
        first = false;
        const report::Page& page = pages[static_cast<std::size_t>(index)];
        const double dpi = printer.resolution();
        paintPage(painter, page, QRectF(0, 0, page.width * dpi / 1000.0, page.height * dpi / 1000.0));
    }
    painter.end();
    return true;
}

void setPrintToFile(const std::string& path) { g_printFile = path; }
const std::string& printToFile() { return g_printFile; }

void preparePrinter(QPrinter& printer) {
    if (!g_printFile.empty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(g_printFile));
    }
}

}  // namespace tavlo::gui
