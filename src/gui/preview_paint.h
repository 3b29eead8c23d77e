#pragma once
// Drawing report pages with Qt: on screen in the preview windows and on the printer.
#include <QFont>
#include <QRectF>
#include <string>
#include <vector>

#include "reports/page.h"

class QPainter;
class QPrinter;

namespace tavlo::gui {

// The Qt font a report font is drawn with, sized in thousandths of an inch.
QFont reportFont(const report::Font& font);
// Draws the page into target (in the painter's coordinates), scaled to fit its width.
void paintPage(QPainter& painter, const report::Page& page, const QRectF& target);
// Sends the pages in the given order to the printer, one sheet each. False with the reason
// in error when the printer could not be started.
bool printPages(QPrinter& printer, const report::Pages& pages, const std::vector<int>& sequence, std::string* error);

// Where the preview windows print. Tests send the printer's output to a PDF file; empty: the
// current printer.
void setPrintToFile(const std::string& path);
const std::string& printToFile();
// Makes the system's printer for the preview windows (honouring setPrintToFile).
void preparePrinter(QPrinter& printer);

}  // namespace tavlo::gui
