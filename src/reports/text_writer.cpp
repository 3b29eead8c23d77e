#include "reports/text_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

namespace tavlo::report {
namespace {

// One character column of the text per 1/20 inch: an 8-point digit is a little wider, so
// items laid out side by side on the paper stay apart in the text.
constexpr int kColumnWidth = 50;

int characterCount(const std::string& utf8) {
    int n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

struct Placed {
    int column;
    const TextOp* op;
};

std::string pageText(const Page& page, int leftMargin) {
    // Lines of print are keyed by the text's baseline; texts whose baselines lie within half a
    // line of each other share a line.
    std::map<int, std::vector<Placed>> lines;
    for (const DrawOp& op : page.ops) {
        const auto* t = std::get_if<TextOp>(&op);
        if (!t || t->text.empty()) continue;
        const int baseline = t->y + ascent(t->font);
        const int tolerance = lineHeight(t->font) / 2;
        auto it = lines.lower_bound(baseline - tolerance);
        if (it == lines.end() || it->first > baseline + tolerance) it = lines.emplace(baseline, std::vector<Placed>{}).first;
        // Right-aligned texts end at the column of their box's right edge, so amounts line up.
        const int column = t->align == Align::Right ? (t->x + t->width) / kColumnWidth - characterCount(t->text)
                                                     : t->textLeft() / kColumnWidth;
        it->second.push_back({std::max(0, column - leftMargin), t});
    }
    std::string out;
    for (auto& [baseline, items] : lines) {
        std::stable_sort(items.begin(), items.end(), [](const Placed& a, const Placed& b) { return a.column < b.column; });
        std::string line;
        int used = 0;  // characters on the line so far
        for (const Placed& p : items) {
            int column = p.column;
            if (used > 0) column = std::max(column, used + 1);  // never run two items together
            line.append(static_cast<std::size_t>(std::max(0, column - used)), ' ');
            used = std::max(column, used);
            line += p.op->text;
            used += characterCount(p.op->text);
        }
        out += line;
        out += '\n';
    }
    return out;
}

int leftMarginOf(const Pages& pages, const std::vector<int>& indexes) {
    int margin = -1;
    for (int i : indexes)
        for (const DrawOp& op : pages[static_cast<std::size_t>(i)].ops)
            if (const auto* t = std::get_if<TextOp>(&op); t && !t->text.empty()) {
                const int column = std::max(0, t->textLeft() / kColumnWidth);
                margin = margin < 0 ? column : std::min(margin, column);
            }
    return std::max(0, margin);
}

std::string escapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string pagesText(const Pages& pages) {
    std::vector<int> all(pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) all[i] = static_cast<int>(i);
    return pagesText(pages, all);
}

std::string pagesText(const Pages& pages, const std::vector<int>& pageIndexes) {
    std::vector<int> indexes;
    for (int i : pageIndexes)
        if (i >= 0 && static_cast<std::size_t>(i) < pages.size()) indexes.push_back(i);
    const int margin = leftMarginOf(pages, indexes);
    std::string out;
    for (int i : indexes) {
        out += pageText(pages[static_cast<std::size_t>(i)], margin);
        out += '\f';
        out += '\n';
    }
    return out;
}

std::string pageSvg(const Page& page) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(page.width / 1000.0) + "in\" height=\"" +
           std::to_string(page.height / 1000.0) + "in\" viewBox=\"0 0 " + std::to_string(page.width) + " " +
           std::to_string(page.height) + "\">\n";
    for (const DrawOp& op : page.ops) {
        if (const auto* l = std::get_if<LineOp>(&op)) {
            out += "<line x1=\"" + std::to_string(l->x1) + "\" y1=\"" + std::to_string(l->y1) + "\" x2=\"" +
                   std::to_string(l->x2) + "\" y2=\"" + std::to_string(l->y2) + "\" stroke=\"black\" stroke-width=\"" +
                   std::to_string(l->thickness) + "\"/>\n";
            continue;
        }
        const auto& t = std::get<TextOp>(op);
        if (t.text.empty()) continue;
        const int size = t.font.size * 1000 / 72;
        out += "<text x=\"" + std::to_string(t.textLeft()) + "\" y=\"" + std::to_string(t.y + ascent(t.font)) +
               "\" font-family=\"Liberation Sans, Arial, sans-serif\" font-size=\"" + std::to_string(size) + "\"" +
               (t.font.bold ? " font-weight=\"bold\"" : "") + " xml:space=\"preserve\">" + escapeXml(t.text) + "</text>\n";
    }
    out += "</svg>\n";
    return out;
}

bool writeTextFile(const std::string& path, const std::string& text, std::string* error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (file) file.close();
    if (!file) {
        if (error) *error = "Cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace tavlo::report
