#include "util/text.h"

#include <algorithm>

namespace tavlo {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Latin-1 letters live in UTF-8 as C3 xx: upper case C3 80..9E (not 97, the multiplication
// sign), lower case C3 A0..BE (not B7, the division sign). The two differ by 0x20.
std::string changeCase(std::string_view text, bool toUpper) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c < 0x80) {
            if (toUpper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 32);
            if (!toUpper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            unsigned char d = static_cast<unsigned char>(out[i + 1]);
            if (toUpper && d >= 0xA0 && d <= 0xBE && d != 0xB7) out[i + 1] = static_cast<char>(d - 0x20);
            if (!toUpper && d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
            ++i;
        }
    }
    return out;
}

std::string_view clipView(std::string_view text) {
    std::size_t e = text.size();
    while (e > 0 && text[e - 1] == ' ') --e;
    return text.substr(0, e);
}

}  // namespace

std::string clip(std::string_view text) { return std::string(clipView(text)); }

std::string upper(std::string_view text) { return changeCase(text, true); }
std::string lower(std::string_view text) { return changeCase(text, false); }

int compareNoCase(std::string_view a, std::string_view b) {
    std::string x = upper(clipView(a));
    std::string y = upper(clipView(b));
    int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool equalsNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

bool sameText(std::string_view a, std::string_view b) { return clipView(a) == clipView(b); }

std::string fitBytes(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes) return std::string(text);
    std::size_t cut = bytes;
    while (cut > 0 && isContinuation(static_cast<unsigned char>(text[cut]))) --cut;
    return std::string(text.substr(0, cut));
}

std::string padToBytes(std::string_view text, std::size_t bytes) {
    std::string out = fitBytes(text, bytes);
    out.append(bytes - out.size(), ' ');
    return out;
}

std::string trim(std::string_view text) {
    std::size_t b = 0;
    while (b < text.size() && text[b] == ' ') ++b;
    return std::string(clipView(text.substr(b)));
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return !isContinuation(static_cast<unsigned char>(c)); }));
}

}  // namespace tavlo
