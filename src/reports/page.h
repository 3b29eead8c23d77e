#pragma once
// Rendered pages as drawing lists. The preview, the printer, PDF, text and vector output all
// draw from the same lists, so what is printed is what was previewed.
// Positions are thousandths of an inch from the top-left corner of the paper.
#include <string>
#include <variant>
#include <vector>

#include "reports/font_metrics.h"

namespace tavlo::report {

enum class Align { Left, Right, Center };

// Text placed in its item box; the text is already clipped to the box.
struct TextOp {
    int x = 0, y = 0, width = 0, height = 0;
    std::string text;
    Font font;
    Align align = Align::Left;
    // Left edge of the text itself inside the box (depends on alignment).
    int textLeft() const;
};

struct LineOp {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int thickness = 10;  // thousandths of an inch
};

using DrawOp = std::variant<TextOp, LineOp>;

struct Page {
    int width = 8268;   // A4
    int height = 11693;
    std::vector<DrawOp> ops;

    // The texts of the page in drawing order.
    std::vector<std::string> texts() const;
    // The first text op whose text equals the given one (clipped text compared), or nullptr.
    const TextOp* findText(const std::string& text) const;
};

using Pages = std::vector<Page>;

// Paper size of the default printer.
struct Paper {
    int width = 8268;
    int height = 11693;
};

}  // namespace tavlo::report
