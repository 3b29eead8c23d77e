#pragma once
// Exact decimal numbers for money, quantities, prices and rates. Never floating point.
#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavlo {

// A value is mantissa / 10^places. Arithmetic is exact for +, - and *; division keeps
// kDivisionPlaces places (rounded half away from zero), enough that a VAT split such as
// amount * rate / (100 + rate) is exact to far below a cent before it is stored.
class Decimal {
public:
    static constexpr int kMaxPlaces = 24;
    static constexpr int kDivisionPlaces = 18;

    constexpr Decimal() = default;
    Decimal(long long whole);  // NOLINT: implicit from integers is intended (qty * 2)
    Decimal(int whole) : Decimal(static_cast<long long>(whole)) {}
    Decimal(unsigned whole) : Decimal(static_cast<long long>(whole)) {}

    static Decimal fromScaled(__int128 mantissa, int places);
    // "12.34", "-0.5", "+3", " 7 " (surrounding blanks allowed); nullopt on anything else.
    static std::optional<Decimal> parse(std::string_view text);
    // Like parse, but throws std::invalid_argument: for literals in code and tests.
    static Decimal of(std::string_view text);

    __int128 mantissa() const { return mantissa_; }
    int places() const { return places_; }
    int sign() const { return mantissa_ > 0 ? 1 : (mantissa_ < 0 ? -1 : 0); }
    bool isZero() const { return mantissa_ == 0; }

    // Rounded half away from zero to the given places (which may be fewer or more than now).
    Decimal rounded(int places) const;
    // Cut towards zero to the given places (INT(x) for places 0).
    Decimal truncated(int places) const;
    // The rounded value as an integer count of 10^-places (for scaled storage).
    __int128 scaled(int places) const;
    long long toLongLong() const;  // truncated towards zero

    // Plain text with the places the value carries: "-12.50" stays "-12.50".
    // toString(2) rounds to exactly two places: "3.00".
    std::string toString() const;
    std::string toString(int places) const;

    Decimal operator-() const;
    Decimal abs() const { return sign() < 0 ? -*this : *this; }
    friend Decimal operator+(const Decimal& a, const Decimal& b);
    friend Decimal operator-(const Decimal& a, const Decimal& b);
    friend Decimal operator*(const Decimal& a, const Decimal& b);
    friend Decimal operator/(const Decimal& a, const Decimal& b);  // throws std::domain_error on 0
    Decimal& operator+=(const Decimal& o) { return *this = *this + o; }
    Decimal& operator-=(const Decimal& o) { return *this = *this - o; }
    Decimal& operator*=(const Decimal& o) { return *this = *this * o; }
    Decimal& operator/=(const Decimal& o) { return *this = *this / o; }
    friend bool operator==(const Decimal& a, const Decimal& b);
    friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);

private:
    __int128 mantissa_ = 0;
    int places_ = 0;
};

// A value that a DECIMAL field of the given size cannot hold.
class DecimalOverflow : public std::range_error {
public:
    using std::range_error::range_error;
};

// The value a DECIMAL(bytes, places) field receives: rounded half away from zero to the
// field's places; a DECIMAL of n bytes holds 2n-1 digits. Throws DecimalOverflow when the
// rounded value has more digits than that. fitsField tells without throwing.
Decimal storeDecimal(const Decimal& value, int bytes, int places);
bool fitsDecimal(const Decimal& value, int bytes, int places);

}  // namespace tavlo
