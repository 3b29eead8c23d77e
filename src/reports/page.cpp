#include "reports/page.h"

namespace tavlo::report {

int TextOp::textLeft() const {
    if (align == Align::Left) return x;
    const int w = textWidth(font, text);
    return align == Align::Right ? x + width - w : x + (width - w) / 2;
}

std::vector<std::string> Page::texts() const {
    std::vector<std::string> out;
    for (const DrawOp& op : ops)
        if (const auto* t = std::get_if<TextOp>(&op)) out.push_back(t->text);
    return out;
}

const TextOp* Page::findText(const std::string& text) const {
    for (const DrawOp& op : ops)
        if (const auto* t = std::get_if<TextOp>(&op); t && t->text == text) return t;
    return nullptr;
}

}  // namespace tavlo::report
