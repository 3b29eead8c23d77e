#include "util/picture.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "util/date.h"
#include "util/text.h"

namespace tavlo {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Reads digits at pos; false when there are none.
bool readInt(std::string_view s, std::size_t& pos, int& out) {
    std::size_t start = pos;
    long v = 0;
    while (pos < s.size() && isDigit(s[pos]) && v < 100000) v = v * 10 + (s[pos++] - '0');
    out = static_cast<int>(v);
    return pos > start;
}

std::optional<Picture> parseNumberPicture(std::string_view s) {
    Picture p;
    p.kind = PictureKind::Number;
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-') {
        p.sign = Picture::Sign::Leading;
        ++i;
    } else if (i < s.size() && s[i] == '(') {
        p.sign = Picture::Sign::Parentheses;
        ++i;
    }
    if (i < s.size() && (s[i] == '0' || s[i] == '_' || s[i] == '*')) {
        p.fill = s[i] == '_' ? ' ' : s[i];
        p.grouping = false;
        ++i;
    }
    if (!readInt(s, i, p.width) || p.width == 0) return std::nullopt;
    if (i < s.size() && s[i] == '.') {
        ++i;
        if (!readInt(s, i, p.places)) return std::nullopt;
    }
    if (p.places > Decimal::kMaxPlaces) return std::nullopt;
    if (p.sign == Picture::Sign::Parentheses) {
        if (i >= s.size() || s[i] != ')') return std::nullopt;
        ++i;
    } else if (i < s.size() && s[i] == '-') {
        p.sign = Picture::Sign::Trailing;
        ++i;
    }
    if (i < s.size() && lowerAscii(s[i]) == 'b') {
        p.blankWhenZero = true;
        ++i;
    }
    if (i != s.size()) return std::nullopt;
    return p;
}

std::string withGrouping(const std::string& digits) {
    std::string out;
    std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string blanks(int n) { return std::string(static_cast<std::size_t>(n > 0 ? n : 0), ' '); }
std::string hashes(int n) { return std::string(static_cast<std::size_t>(n > 0 ? n : 0), '#'); }

std::string formatNumber(const Picture& p, const Decimal& value) {
    Decimal r = value.rounded(p.places);
    if (p.blankWhenZero && r.isZero()) return blanks(p.width);
    bool negative = r.sign() < 0;
    std::string plain = r.abs().toString();  // digits and point, places as rounded
    std::size_t point = plain.find('.');
    std::string whole = plain.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : plain.substr(point);
    if (static_cast<int>(fraction.size()) != (p.places > 0 ? p.places + 1 : 0)) return hashes(p.width);
    if (p.grouping) whole = withGrouping(whole);
    std::string prefix, suffix;
    if (negative) {
        if (p.sign == Picture::Sign::Parentheses) {
            prefix = "(";
            suffix = ")";
        } else if (p.sign == Picture::Sign::Trailing) {
            suffix = "-";
        } else {
            prefix = "-";
        }
    } else if (p.sign == Picture::Sign::Parentheses || p.sign == Picture::Sign::Trailing) {
        suffix = " ";
    }
    int used = static_cast<int>(prefix.size() + whole.size() + fraction.size() + suffix.size());
    if (used > p.width) return hashes(p.width);
    std::string pad(static_cast<std::size_t>(p.width - used), p.fill);
    if (p.fill == '0') return prefix + pad + whole + fraction + suffix;
    return pad + prefix + whole + fraction + suffix;
}

std::string twoDigits(int v, bool pad) {
    char buf[8];
    std::snprintf(buf, sizeof buf, pad ? "%02d" : "%d", v);
    return buf;
}

// How wide a date or time picture shows: what a value it cannot show fills with "#".
int dateTimeWidth(const Picture& p) {
    if (p.kind == PictureKind::Time) return p.format == 4 ? 8 : 5;
    return p.format == 5 || p.format == 12 ? 8 : 10;
}

// The whole part of a day number or time when it is an integer the calendar can use at all.
std::optional<long long> wholeNumber(const Decimal& value) {
    Decimal whole = value.truncated(0);
    if (whole > Decimal(INT32_MAX)) return std::nullopt;
    if (whole < Decimal(INT32_MIN)) return INT32_MIN;  // blank, as every day before the first
    return whole.toLongLong();
}

std::string formatDate(const Picture& p, const Decimal& value) {
    auto n = wholeNumber(value);
    if (n && *n <= 0) return "";
    // A day past the last one the calendar holds is no date to show: "#", as a number too wide.
    if (!n) return hashes(dateTimeWidth(p));
    CalendarDate c = calendarDate(static_cast<DayNumber>(*n));
    if (c.year == 0) return hashes(dateTimeWidth(p));
    char year[8], shortYear[4];
    std::snprintf(year, sizeof year, "%04d", c.year);
    std::snprintf(shortYear, sizeof shortYear, "%02d", c.year % 100);
    std::string d = twoDigits(c.day, p.leadingZero), m = twoDigits(c.month, p.leadingZero);
    switch (p.format) {
        case 5: return d + "/" + m + "/" + shortYear;
        case 6:
        case 17: return d + "/" + m + "/" + year;
        case 10: return std::string(year) + "/" + twoDigits(c.month, true) + "/" + twoDigits(c.day, true);
        case 12: return std::string(year) + twoDigits(c.month, true) + twoDigits(c.day, true);
    }
    return value.toString();
}

std::string formatTime(const Picture& p, const Decimal& value) {
    auto whole = wholeNumber(value);
    if (!whole) return hashes(dateTimeWidth(p));
    long long t = *whole;
    if (t < 0) return "";
    long long secs = t / 100;
    int h = static_cast<int>(secs / 3600 % 24), m = static_cast<int>(secs / 60 % 60), s = static_cast<int>(secs % 60);
    std::string out = twoDigits(h, p.leadingZero) + ":" + twoDigits(m, true);
    if (p.format == 4) out += ":" + twoDigits(s, true);
    return out;
}

std::string formatPattern(const Picture& p, const Decimal& value) {
    Decimal whole = value.truncated(0);
    if (p.blankWhenZero && whole.isZero()) return blanks(static_cast<int>(characterCount(p.pattern)));
    int slots = 0;
    for (char c : p.pattern)
        if (c == '<' || c == '#') ++slots;
    std::string digits = whole.abs().toString();
    bool fits = whole.sign() >= 0 && static_cast<int>(digits.size()) <= slots;
    if (fits) digits.insert(0, static_cast<std::size_t>(slots) - digits.size(), '0');
    std::string out;
    int slot = 0;
    bool leading = true;  // still among leading zeros
    for (char c : p.pattern) {
        if (c != '<' && c != '#') {
            out += c;
            continue;
        }
        if (!fits) {
            out += '#';
            continue;
        }
        char d = digits[static_cast<std::size_t>(slot++)];
        bool last = slot == slots;
        if (d != '0' || last) leading = false;
        out += (c == '<' && leading) ? ' ' : d;
        if (c == '#') leading = false;
    }
    return out;
}

std::string formatText(const Picture& p, std::string_view text) {
    std::string out;
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) {
            if (count == p.width) break;
            ++count;
        }
        out += text[i];
    }
    return clip(out);
}

std::string_view stripAt(std::string_view picture) {
    while (!picture.empty() && picture.front() == ' ') picture.remove_prefix(1);
    while (!picture.empty() && picture.back() == ' ') picture.remove_suffix(1);
    if (!picture.empty() && picture.front() == '@') picture.remove_prefix(1);
    return picture;
}

// Day, month and year as typed, in the order the picture shows them.
std::optional<Decimal> parseDate(const Picture& p, std::string_view text) {
    std::string t = trim(text);
    if (t.empty()) return Decimal(0);
    bool yearFirst = p.format == 10 || p.format == 12;
    std::vector<std::string> parts;
    std::string cur;
    for (char c : t) {
        if (isDigit(c)) {
            cur += c;
        } else if (c == '/' || c == '-' || c == '.' || c == ' ') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            return std::nullopt;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    if (parts.size() == 1) {
        const std::string& s = parts[0];
        if (s.size() == 8 && yearFirst)
            parts = {s.substr(0, 4), s.substr(4, 2), s.substr(6, 2)};
        else if (s.size() == 8 || s.size() == 6)
            parts = {s.substr(0, 2), s.substr(2, 2), s.substr(4)};
        else
            return std::nullopt;
    }
    if (parts.size() != 3) return std::nullopt;
    if (yearFirst) std::swap(parts[0], parts[2]);  // now day, month, year
    for (const auto& s : parts)
        if (s.size() > 4) return std::nullopt;
    int day = std::stoi(parts[0]), month = std::stoi(parts[1]), year = std::stoi(parts[2]);
    if (parts[2].size() <= 2) {
        int thisYear = calendarDate(today()).year;
        if (thisYear == 0) thisYear = 2000;
        int candidate = thisYear - thisYear % 100 + year;
        if (candidate > thisYear + 19) candidate -= 100;
        if (candidate < thisYear - 80) candidate += 100;
        year = candidate;
    }
    DayNumber n = dayNumber(year, month, day);
    if (n == 0) return std::nullopt;
    return Decimal(n);
}

std::optional<Decimal> parseTime(std::string_view text) {
    std::string t = trim(text);
    if (t.empty()) return Decimal(0);
    int parts[3] = {0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    while (i < t.size()) {
        if (count == 3) return std::nullopt;
        int v;
        if (!readInt(t, i, v)) return std::nullopt;
        parts[count++] = v;
        if (i < t.size()) {
            if (t[i] != ':' && t[i] != '.') return std::nullopt;
            ++i;
        }
    }
    if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return Decimal((parts[0] * 3600 + parts[1] * 60 + parts[2]) * 100);
}

std::optional<Decimal> parseNumber(const Picture& p, std::string_view text) {
    std::string t;
    bool negative = false;
    for (char c : text) {
        if (c == ' ' || c == ',' || (c == '*' && p.fill == '*')) continue;  // what the picture itself put there
        if (c == '(' || c == ')' || c == '-') {
            if (c != ')') {
                if (negative && c == '-') return std::nullopt;
                negative = true;
            }
            continue;
        }
        t += c;
    }
    if (t.empty()) return Decimal(0).rounded(p.places);
    if (t[0] == '+') t.erase(0, 1);
    auto v = Decimal::parse(t);
    if (!v || (v->sign() < 0)) return std::nullopt;
    Decimal r = v->rounded(p.places);
    if (negative) r = -r;
    if (formatNumber(p, r).find('#') != std::string::npos) return std::nullopt;
    return r;
}

}  // namespace

std::optional<Picture> Picture::parse(std::string_view picture) {
    std::string_view s = stripAt(picture);
    if (s.empty()) return std::nullopt;
    char kind = lowerAscii(s[0]);
    std::string_view rest = s.substr(1);
    Picture p;
    std::size_t i = 0;
    switch (kind) {
        case 's': {
            p.kind = PictureKind::Text;
            if (!readInt(rest, i, p.width)) return std::nullopt;
            if (i < rest.size() && lowerAscii(rest[i]) == 'b') ++i;
            if (i != rest.size()) return std::nullopt;
            return p;
        }
        case 'n': return parseNumberPicture(rest);
        case 'd':
        case 't': {
            p.kind = kind == 'd' ? PictureKind::Date : PictureKind::Time;
            p.leadingZero = !rest.empty() && rest[0] == '0';
            if (!readInt(rest, i, p.format)) return std::nullopt;
            if (i < rest.size() && lowerAscii(rest[i]) == 'b') ++i;  // dates are blank at 0 anyway
            if (i != rest.size()) return std::nullopt;
            bool known = kind == 'd' ? (p.format == 5 || p.format == 6 || p.format == 10 || p.format == 12 ||
                                        p.format == 17)
                                     : (p.format == 1 || p.format == 4);
            if (!known) return std::nullopt;
            if (kind == 'd' && p.format == 17) p.leadingZero = true;
            return p;
        }
        case 'p': {
            p.kind = PictureKind::Pattern;
            std::size_t end = rest.size();
            if (end > 0 && lowerAscii(rest[end - 1]) == 'b' && end > 1 && lowerAscii(rest[end - 2]) == 'p') {
                p.blankWhenZero = true;
                --end;
            }
            if (end == 0 || lowerAscii(rest[end - 1]) != 'p') return std::nullopt;
            p.pattern = std::string(rest.substr(0, end - 1));
            return p;
        }
    }
    return std::nullopt;
}

std::string formatPicture(const Picture& p, const Decimal& value) {
    switch (p.kind) {
        case PictureKind::Text: return formatText(p, value.toString());
        case PictureKind::Number: return formatNumber(p, value);
        case PictureKind::Date: return formatDate(p, value);
        case PictureKind::Time: return formatTime(p, value);
        case PictureKind::Pattern: return formatPattern(p, value);
    }
    return value.toString();
}

std::string formatPicture(std::string_view picture, const Decimal& value) {
    auto p = Picture::parse(picture);
    if (!p) return value.toString();
    return formatPicture(*p, value);
}

std::string formatPicture(std::string_view picture, std::string_view text) {
    auto p = Picture::parse(picture);
    if (!p) return std::string(text);
    if (p->kind == PictureKind::Text) return formatText(*p, text);
    std::string t = trim(text);
    if (t.empty()) return formatPicture(*p, Decimal(0));
    auto v = Decimal::parse(t);
    if (!v) return std::string(text);
    return formatPicture(*p, *v);
}

std::optional<Decimal> parsePicture(std::string_view picture, std::string_view text) {
    auto p = Picture::parse(picture);
    if (!p) return Decimal::parse(trim(text).empty() ? std::string_view("0") : std::string_view(text));
    switch (p->kind) {
        case PictureKind::Text: return std::nullopt;
        case PictureKind::Number: return parseNumber(*p, text);
        case PictureKind::Date: return parseDate(*p, text);
        case PictureKind::Time: return parseTime(text);
        case PictureKind::Pattern: {
            std::string digits;
            for (char c : text)
                if (isDigit(c)) digits += c;
            if (digits.empty()) return Decimal(0);
            return Decimal::parse(digits);
        }
    }
    return std::nullopt;
}

std::string parseTextPicture(std::string_view picture, std::string_view text) {
    auto p = Picture::parse(picture);
    if (!p || p->kind != PictureKind::Text) return std::string(text);
    return formatText(*p, text);
}

}  // namespace tavlo
