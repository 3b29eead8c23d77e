#include "receipt/escpos.h"

#include <algorithm>
#include <array>

#include "framework/runtime.h"
#include "util/picture.h"
#include "util/text.h"

namespace tavlo::receipt {
namespace {

constexpr char ESC = 0x1B, GS = 0x1D, LF = 0x0A;

// Unicode code points of bytes 0x80..0xFF; 0 where the page has no character.
constexpr std::array<char16_t, 128> kCp850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C,
    0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6,
    0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};
constexpr std::array<char16_t, 128> kCp1252 = [] {
    std::array<char16_t, 128> t{0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int i = 32; i < 128; ++i) t[static_cast<std::size_t>(i)] = static_cast<char16_t>(0x80 + i);  // Latin-1
    return t;
}();

// The next code point of UTF-8 text; malformed bytes read as U+FFFD one at a time.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) {
        ++i;
        return extra == 0 ? b : 0xFFFD;
    }
    char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

std::size_t chars(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) {
        nextCodePoint(s, i);
        ++n;
    }
    return n;
}

// The first n characters.
std::string cut(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t k = 0; k < n && i < s.size(); ++k) nextCodePoint(s, i);
    return std::string(s.substr(0, i));
}

std::string spaces(std::size_t n) { return std::string(n, ' '); }

std::string right(std::string_view s, std::size_t width) {
    std::string t = cut(s, width);
    return spaces(width - chars(t)) + t;
}

std::string left(std::string_view s, std::size_t width) {
    std::string t = cut(s, width);
    return t + spaces(width - chars(t));
}

std::string amount(std::string_view picture, const Decimal& value) { return trim(formatPicture(picture, value)); }

class Layout {
public:
    Layout(const Receipt& r, int width) : r_(r), w_(static_cast<std::size_t>(std::max(width, 24))) {}

    std::vector<PrintLine> build() {
        header();
        columnTitles();
        for (const ReceiptLine& line : r_.lines) item(line);
        totals();
        return std::move(out_);
    }

private:
    std::string cap(const std::string& caption) const {
        return windowTranslator().translateString(caption, "Tavlo", r_.procedure, "Report");
    }
    void add(std::string text, bool bold = false, bool centred = false) {
        out_.push_back({cut(text, w_), bold, centred});
    }
    void rule() { add(std::string(w_, '-')); }
    // The left text, and a caption with its value at the right edge (the value in a column
    // wide enough for the largest amount).
    // A left text too long to share the line goes on a line of its own above.
    void pair(const std::string& leftText, const std::string& caption, const std::string& value) {
        std::string tail = cap(caption) + right(value, std::max<std::size_t>(w_ >= 40 ? 14 : 11, chars(value) + 1));
        if (chars(tail) >= w_) tail = cut(tail, w_);
        std::string head = clip(leftText);
        if (chars(head) + 1 > w_ - chars(tail)) {
            add(head);
            head.clear();
        }
        add(left(head, w_ - chars(tail)) + tail);
    }

    void header() {
        if (!clip(r_.company).empty()) add(clip(r_.company), true, true);
        for (const std::string* a : {&r_.address1, &r_.address2, &r_.address3})
            if (!clip(*a).empty()) add(clip(*a), false, true);
        if (!clip(r_.telNr).empty()) add(cap("Tel Nr :") + " " + clip(r_.telNr), false, true);
        if (!clip(r_.faxNr).empty()) add(cap("Fax Nr :") + " " + clip(r_.faxNr), false, true);
        if (!clip(r_.vatNr).empty()) add(cap("Vat Nr :") + " " + clip(r_.vatNr), false, true);
        add("");
        add(cap(r_.heading), true, true);
        if (r_.copy) add(cap("(Copy)"), false, true);
        for (const std::string& note : r_.notes) add(note);
    }

    // Three right-aligned columns: quantity, price, amount.
    std::string figures(const std::string& a, const std::string& b, const std::string& c) const {
        const std::size_t col = w_ / 3;
        return right(a, col) + right(b, col) + right(c, w_ - 2 * col);
    }

    void columnTitles() {
        if (r_.kind == ReceiptKind::TestPage) {
            std::string ruler;
            for (std::size_t i = 1; i <= w_; ++i) ruler += static_cast<char>('0' + i % 10);
            add(ruler);
            return;
        }
        rule();
        add(cap("Item") + " " + cap("Description"));
        add(figures(cap("Qty"), cap("Price"), cap("Amount")));
        rule();
    }

    void item(const ReceiptLine& line) {
        add(line.description.empty() ? line.code : line.code + " " + line.description);
        add(figures(amount("@n-13.3", line.qty), amount("@n15.2", line.price), amount("@n15.2", line.amount)));
    }

    void totals() {
        if (r_.kind == ReceiptKind::TestPage) return;
        rule();
        if (r_.kind == ReceiptKind::Tab) {
            pair("", "VAT.:", amount("@n-10.2", r_.vat));
            pair("", "Total.:", amount("@n13.2", r_.total));
        } else {
            pair("", "VAT.:", amount("@n(13.2)b", r_.vat));
            pair("", "Total.:", amount("@n15.2", r_.total));
            if (!r_.rounding.isZero()) pair("", "Rounding .:", amount("@n-10.2", r_.rounding));
        }
        if (r_.tender) {
            pair(r_.payType, "Paid .:", amount("@n13.2", r_.paid));
            pair(r_.client, "Change .:", amount("@n14.2", r_.change));
            for (const std::string& a : r_.debtorAddress) add(a);
            if (r_.debtorDetails) {
                add(cap("VAT# :") + " " + r_.debtorVat);
                add(cap("Order No .:") + " " + r_.orderNo);
            }
        }
        pair("", "Date.:", formatPicture("@d17", Decimal(r_.date)));
        pair(cap("Doc Nr.:") + " " + r_.document, "Time .:", r_.time);
    }

    const Receipt& r_;
    std::size_t w_;
    std::vector<PrintLine> out_;
};

}  // namespace

int codePageNumber(CodePage page) { return page == CodePage::CP1252 ? 16 : 2; }

std::string toCodePage(std::string_view utf8, CodePage page) {
    const auto& table = page == CodePage::CP1252 ? kCp1252 : kCp850;
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = nextCodePoint(utf8, i);
        if (cp >= 0x20 && cp < 0x7F) {
            out += static_cast<char>(cp);
            continue;
        }
        char byte = '?';
        if (cp >= 0x80)
            for (std::size_t k = 0; k < table.size(); ++k)
                if (table[k] == cp) {
                    byte = static_cast<char>(0x80 + k);
                    break;
                }
        out += byte;  // control characters never reach the printer as commands
    }
    return out;
}

std::vector<PrintLine> layoutReceipt(const Receipt& receipt, int width) { return Layout(receipt, width).build(); }

std::string drawerKick(const PrintFormat& f) {
    auto steps = [](int ms) { return static_cast<char>(std::clamp((ms + 1) / 2, 1, 255)); };
    return {ESC, 'p', static_cast<char>(f.drawerPin == 5 ? 1 : 0), steps(f.pulseOnMs), steps(f.pulseOffMs)};
}

std::string drawerJob(const PrintFormat& f) { return std::string{ESC, '@'} + drawerKick(f); }

std::string renderReceipt(const Receipt& receipt, const PrintFormat& f, bool kickDrawer) {
    std::string out{ESC, '@', ESC, 't', static_cast<char>(codePageNumber(f.codePage))};
    for (const PrintLine& line : layoutReceipt(receipt, f.width)) {
        if (line.centred) out += {ESC, 'a', 1};
        if (line.bold) out += {ESC, 'E', 1};
        out += toCodePage(line.text, f.codePage);
        out += LF;
        if (line.bold) out += {ESC, 'E', 0};
        if (line.centred) out += {ESC, 'a', 0};
    }
    if (f.cut) out += {ESC, 'd', static_cast<char>(std::clamp(f.feedBeforeCut, 0, 255)), GS, 'V', 66, 0};
    else out += {ESC, 'd', static_cast<char>(std::clamp(f.feedBeforeCut, 0, 255))};
    if (kickDrawer) out += drawerKick(f);
    return out;
}

}  // namespace tavlo::receipt
