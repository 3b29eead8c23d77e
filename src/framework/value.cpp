#include "framework/value.h"

#include "util/picture.h"
#include "util/text.h"

namespace tavlo {

std::string valueText(const Value& value) {
    if (auto* s = std::get_if<std::string>(&value)) return *s;
    if (auto* n = std::get_if<long long>(&value)) return std::to_string(*n);
    if (auto* d = std::get_if<Decimal>(&value)) return d->toString();
    return {};
}

Decimal valueNumber(const Value& value) {
    if (auto* n = std::get_if<long long>(&value)) return Decimal(*n);
    if (auto* d = std::get_if<Decimal>(&value)) return *d;
    if (auto* s = std::get_if<std::string>(&value)) {
        auto parsed = Decimal::parse(*s);
        return parsed ? *parsed : Decimal();
    }
    return Decimal();
}

bool valueIsBlank(const Value& value) {
    if (auto* s = std::get_if<std::string>(&value)) return trim(*s).empty();
    if (std::holds_alternative<std::monostate>(value)) return true;
    return valueNumber(value).isZero();
}

int compareValues(const Value& a, const Value& b) {
    bool an = std::holds_alternative<long long>(a) || std::holds_alternative<Decimal>(a);
    bool bn = std::holds_alternative<long long>(b) || std::holds_alternative<Decimal>(b);
    if (an && bn) {
        auto c = valueNumber(a) <=> valueNumber(b);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    int c = compareNoCase(valueText(a), valueText(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string formatValue(const Value& value, const std::string& picture) {
    if (picture.empty()) return valueText(value);
    if (auto* s = std::get_if<std::string>(&value)) return formatPicture(picture, *s);
    if (std::holds_alternative<std::monostate>(value)) {
        auto p = Picture::parse(picture);
        if (p && p->kind != PictureKind::Text) return formatPicture(picture, Decimal());
        return {};
    }
    return formatPicture(picture, valueNumber(value));
}

std::string soundTypedText(std::string_view text) {
    static const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
    std::string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < n;) {
        const unsigned char lead = byte(i);
        if (lead < 0x80) {
            if (lead >= 0x20 && lead != 0x7F) out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // The length of the sequence the lead byte starts and the range its second byte must
        // fall in (which rules out overlong forms, surrogates and code points past U+10FFFF).
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) length = 2;
        else if (lead == 0xE0) length = 3, low = 0xA0;
        else if (lead == 0xED) length = 3, high = 0x9F;
        else if (lead >= 0xE1 && lead <= 0xEF) length = 3;
        else if (lead == 0xF0) length = 4, low = 0x90;
        else if (lead == 0xF4) length = 4, high = 0x8F;
        else if (lead >= 0xF1 && lead <= 0xF3) length = 4;
        std::size_t good = length ? 1 : 0;  // bytes of the sequence that are right so far
        while (good > 0 && good < length && i + good < n) {
            const unsigned char b = byte(i + good);
            if (good == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) break;
            ++good;
        }
        if (length == 0 || good < length) {
            // The longest start of a sequence that could have been right counts as one error.
            out += kReplacement;
            i += good ? good : 1;
            continue;
        }
        // C1 control characters (U+0080 to U+009F) are C2 80 to C2 9F.
        if (!(lead == 0xC2 && byte(i + 1) <= 0x9F)) out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

std::optional<Value> parseValue(const std::string& typed, const std::string& picture) {
    const std::string text = soundTypedText(typed);
    auto p = picture.empty() ? std::nullopt : Picture::parse(picture);
    if (!p || p->kind == PictureKind::Text) {
        if (!p) return Value(text);
        return Value(parseTextPicture(picture, text));
    }
    auto number = parsePicture(picture, text);
    if (!number) return std::nullopt;
    return Value(*number);
}

Binding::Binding(std::string* text, std::size_t maxBytes) {
    get_ = [text] { return Value(*text); };
    set_ = [text, maxBytes](const Value& v) {
        std::string s = valueText(v);
        *text = maxBytes ? fitBytes(s, maxBytes) : s;
        return true;
    };
}

Binding::Binding(Decimal* number, int bytes, int places) {
    get_ = [number] { return Value(*number); };
    set_ = [number, bytes, places](const Value& v) {
        if (auto* s = std::get_if<std::string>(&v); s && !trim(*s).empty() && !Decimal::parse(*s)) return false;
        Decimal d = valueNumber(v);
        if (bytes > 0) {
            int p = places < 0 ? 0 : places;
            if (!fitsDecimal(d, bytes, p)) return false;
            *number = storeDecimal(d, bytes, p);
        } else {
            *number = places >= 0 ? d.rounded(places) : d;
        }
        return true;
    };
}

Binding::Binding(bool* flag) {
    get_ = [flag] { return Value(static_cast<long long>(*flag ? 1 : 0)); };
    set_ = [flag](const Value& v) {
        *flag = !valueIsBlank(v);
        return true;
    };
}

}  // namespace tavlo
