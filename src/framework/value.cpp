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

std::optional<Value> parseValue(const std::string& text, const std::string& picture) {
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
