#pragma once
// What a control shows and edits: a value, the variable it is bound to, and its picture.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "util/decimal.h"

namespace tavlo {

// A cell of a list or the contents of a bound variable: nothing, text, an integer or a Decimal.
using Value = std::variant<std::monostate, std::string, long long, Decimal>;

std::string valueText(const Value& value);  // plain text, no picture
Decimal valueNumber(const Value& value);     // text is parsed, nothing is 0
bool valueIsBlank(const Value& value);       // blank text, zero number, nothing
// Values compare as numbers when both are numeric, else as text without case and trailing blanks.
int compareValues(const Value& a, const Value& b);

// Formats a value with a display picture ("@n-13.3", "@s20", "@d06"); an empty picture shows
// the plain text.
std::string formatValue(const Value& value, const std::string& picture);
// Reads what an operator typed back through the picture. nullopt when the text does not fit it
// (letters in a number, a date that does not exist). The text is made sound first
// (soundTypedText), so that whatever is stored from an entry is valid UTF-8.
std::optional<Value> parseValue(const std::string& text, const std::string& picture);
// Typed text as the program keeps it: each byte sequence that is not UTF-8 (a stray byte, a
// sequence cut short, an overlong form, a surrogate, a code point past U+10FFFF) becomes one
// U+FFFD, and control characters (C0, DEL, C1) are dropped. Sound text comes back unchanged.
std::string soundTypedText(std::string_view text);

// A pointer-like binding of a control to one of the procedure's variables. Strings may carry
// a byte limit (STRING(n)); Decimals the size and places of their field, so that what is typed
// is stored as the field would store it; integers are range-checked for their type.
class Binding {
public:
    Binding() = default;
    Binding(std::string* text, std::size_t maxBytes = 0);
    Binding(Decimal* number, int bytes = 0, int places = -1);
    Binding(bool* flag);
    template <typename T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
    Binding(T* number) {
        get_ = [number] { return Value(static_cast<long long>(*number)); };
        set_ = [number](const Value& v) {
            Decimal d = valueNumber(v);
            long long n = d.toLongLong();
            if (Decimal(n) != d) return false;
            if (!std::in_range<T>(n)) return false;
            *number = static_cast<T>(n);
            return true;
        };
    }
    // Any other variable, through two functions.
    Binding(std::function<Value()> get, std::function<bool(const Value&)> set)
        : get_(std::move(get)), set_(std::move(set)) {}

    bool bound() const { return static_cast<bool>(get_); }
    Value get() const { return get_ ? get_() : Value{}; }
    // False when the value does not fit the variable; the variable is then unchanged.
    bool set(const Value& value) const { return set_ ? set_(value) : false; }

private:
    std::function<Value()> get_;
    std::function<bool(const Value&)> set_;
};

}  // namespace tavlo
