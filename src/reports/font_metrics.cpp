#include "reports/font_metrics.h"

#include <hpdf.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <vector>


namespace tavlo::report {
namespace {

constexpr const char* kFontDir = "/usr/share/fonts/truetype/liberation/";

// Unicode code points of bytes 0x80..0x9F in the Western code page; 0 where it has none.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int winAnsiByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == cp && cp != 0) return static_cast<int>(0x80 + i);
    return '?';
}

// Decodes one UTF-8 character at text[i], advancing i; malformed bytes decode as U+FFFD.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(text[i++]);
    if (b0 < 0x80) return b0;
    int extra = (b0 >= 0xF0 && b0 < 0xF8) ? 3 : (b0 >= 0xE0) ? 2 : (b0 >= 0xC0) ? 1 : -1;
    if (extra < 0) return 0xFFFD;
    char32_t cp = b0 & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Advance widths in thousandths of the em for the 256 single-byte codes, per face.
struct FaceMetrics {
    std::array<int, 256> widths{};
    int ascent = 905;
    int descent = 212;
};

struct MetricsTable {
    FaceMetrics regular, bold;
};

void haruError(HPDF_STATUS, HPDF_STATUS, void*) {}

FaceMetrics readFace(HPDF_Doc pdf, const std::string& file, const char* standardName) {
    FaceMetrics m;
    const char* name = nullptr;
    if (!file.empty()) name = HPDF_LoadTTFontFromFile(pdf, file.c_str(), HPDF_FALSE);
    HPDF_Font font = HPDF_GetFont(pdf, name ? name : standardName, "WinAnsiEncoding");
    if (!font) return m;
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<HPDF_BYTE>(code);
        m.widths[code] = static_cast<int>(HPDF_Font_TextWidth(font, &byte, 1).width);
    }
    m.ascent = HPDF_Font_GetAscent(font);
    m.descent = -HPDF_Font_GetDescent(font);
    HPDF_ResetError(pdf);
    return m;
}

const MetricsTable& metrics() {
    static MetricsTable table;
    static std::once_flag once;
    std::call_once(once, [] {
        HPDF_Doc pdf = HPDF_New(haruError, nullptr);
        if (!pdf) return;
        table.regular = readFace(pdf, fontFile(Font{}), "Helvetica");
        table.bold = readFace(pdf, fontFile(Font{.bold = true}), "Helvetica-Bold");
        HPDF_Free(pdf);
    });
    return table;
}

const FaceMetrics& face(const Font& font) { return font.bold ? metrics().bold : metrics().regular; }

int toMils(long long emUnits, int size) { return static_cast<int>((emUnits * size + 36) / 72); }

}  // namespace

std::string fontFile(const Font& font) {
    std::string path = std::string(kFontDir) + (font.bold ? "LiberationSans-Bold.ttf" : "LiberationSans-Regular.ttf");
    std::error_code ec;
    return std::filesystem::exists(path, ec) ? path : std::string();
}

std::string toWinAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) out += static_cast<char>(winAnsiByte(nextCodePoint(utf8, i)));
    return out;
}

std::string fromWinAnsi(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        char32_t cp = b;
        if (b >= 0x80 && b < 0xA0) cp = kHighControls[b - 0x80] ? kHighControls[b - 0x80] : U'?';
        appendUtf8(out, cp);
    }
    return out;
}

int textWidth(const Font& font, std::string_view text) {
    const FaceMetrics& m = face(font);
    long long units = 0;
    for (std::size_t i = 0; i < text.size();) units += m.widths[winAnsiByte(nextCodePoint(text, i))];
    return toMils(units, font.size);
}

int ascent(const Font& font) { return toMils(face(font).ascent, font.size); }

int lineHeight(const Font& font) {
    const FaceMetrics& m = face(font);
    return toMils(m.ascent + m.descent, font.size);
}

std::string fitWidth(const Font& font, std::string_view text, int width, bool keepEnd) {
    const FaceMetrics& m = face(font);
    // Split into characters first so that a suffix never starts inside one.
    std::vector<std::pair<std::size_t, int>> chars;  // byte offset, width in em units
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        chars.emplace_back(start, m.widths[winAnsiByte(nextCodePoint(text, i))]);
    }
    long long units = 0;
    if (!keepEnd) {
        for (std::size_t k = 0; k < chars.size(); ++k) {
            units += chars[k].second;
            if (toMils(units, font.size) > width) return std::string(text.substr(0, chars[k].first));
        }
        return std::string(text);
    }
    for (std::size_t k = chars.size(); k-- > 0;) {
        units += chars[k].second;
        if (toMils(units, font.size) > width) {
            const std::size_t from = k + 1 < chars.size() ? chars[k + 1].first : text.size();
            return std::string(text.substr(from));
        }
    }
    return std::string(text);
}

}  // namespace tavlo::report
