#include "util/decimal.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "util/invariant.h"

namespace tavlo {

// Invariants of a Decimal:
//  1. |mantissa| < 10^kMaxDigits, so any two mantissas add without overflowing 128 bits.
//  2. 0 <= places <= kMaxPlaces.
// Results that would break (1) lose their lowest fraction digits (one rounding, half away
// from zero); a result whose whole part alone breaks it throws DecimalOverflow.
namespace {

using u128 = unsigned __int128;
using u64 = std::uint64_t;

constexpr int kMaxDigits = 36;

constexpr u128 pow10u(int n) {
    u128 r = 1;
    for (int i = 0; i < n; ++i) r *= 10;
    return r;
}

const std::array<u128, 39>& powers() {
    static const std::array<u128, 39> table = [] {
        std::array<u128, 39> t{};
        for (int i = 0; i < 39; ++i) t[i] = pow10u(i);
        return t;
    }();
    return table;
}

u128 p10(int n) { return powers()[static_cast<std::size_t>(n)]; }

const u128 kLimit = pow10u(kMaxDigits);  // magnitudes stay below this

// Unsigned 256-bit integer, little-endian 64-bit limbs: wide enough for a product of two
// mantissas and for a scaled dividend.
struct U256 {
    std::array<u64, 4> w{};

    static U256 from(u128 v) {
        U256 r;
        r.w[0] = static_cast<u64>(v);
        r.w[1] = static_cast<u64>(v >> 64);
        return r;
    }
    bool fits128() const { return w[2] == 0 && w[3] == 0; }
    u128 low128() const { return (static_cast<u128>(w[1]) << 64) | w[0]; }
    bool isZero() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }

    friend int cmp(const U256& a, const U256& b) {
        for (int i = 3; i >= 0; --i)
            if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
        return 0;
    }
    // Returns false on overflow.
    bool mulSmall(u64 m) {
        u128 carry = 0;
        for (auto& limb : w) {
            u128 t = static_cast<u128>(limb) * m + carry;
            limb = static_cast<u64>(t);
            carry = t >> 64;
        }
        return carry == 0;
    }
    bool mulPow10(int n) {
        while (n > 0) {
            int step = std::min(n, 19);
            if (!mulSmall(static_cast<u64>(p10(step)))) return false;
            n -= step;
        }
        return true;
    }
    u64 divSmall(u64 d) {  // returns the remainder
        u128 rem = 0;
        for (int i = 3; i >= 0; --i) {
            u128 cur = (rem << 64) | w[i];
            w[i] = static_cast<u64>(cur / d);
            rem = cur % d;
        }
        return static_cast<u64>(rem);
    }
    void add(const U256& o) {
        u128 carry = 0;
        for (int i = 0; i < 4; ++i) {
            u128 t = static_cast<u128>(w[i]) + o.w[i] + carry;
            w[i] = static_cast<u64>(t);
            carry = t >> 64;
        }
    }
    void sub(const U256& o) {  // requires *this >= o
        u64 borrow = 0;
        for (int i = 0; i < 4; ++i) {
            u64 a = w[i], b = o.w[i];
            u64 d = a - b - borrow;
            borrow = (a < b || (a == b && borrow)) ? 1 : 0;
            w[i] = d;
        }
    }
    void shl1() {
        for (int i = 3; i > 0; --i) w[i] = (w[i] << 1) | (w[i - 1] >> 63);
        w[0] <<= 1;
    }
    bool bit(int i) const { return (w[static_cast<std::size_t>(i / 64)] >> (i % 64)) & 1; }
    void setBit(int i) { w[static_cast<std::size_t>(i / 64)] |= (u64{1} << (i % 64)); }
    int digits() const {
        if (fits128()) {
            u128 v = low128();
            int n = 0;
            while (n < 39 && v >= p10(n)) ++n;
            return n;
        }
        U256 t = *this;
        int n = 0;
        while (!t.isZero()) {
            t.divSmall(10);
            ++n;
        }
        return n;
    }
};

U256 mul128(u128 a, u128 b) {
    u64 a0 = static_cast<u64>(a), a1 = static_cast<u64>(a >> 64);
    u64 b0 = static_cast<u64>(b), b1 = static_cast<u64>(b >> 64);
    U256 r = U256::from(static_cast<u128>(a0) * b0);
    U256 m1 = U256::from(static_cast<u128>(a0) * b1);
    U256 m2 = U256::from(static_cast<u128>(a1) * b0);
    U256 hi = U256::from(static_cast<u128>(a1) * b1);
    // shift m1, m2 by 64 bits and hi by 128 bits
    auto shifted = [](const U256& v, int limbs) {
        U256 s;
        for (int i = 3; i >= limbs; --i) s.w[i] = v.w[i - limbs];
        return s;
    };
    r.add(shifted(m1, 1));
    r.add(shifted(m2, 1));
    r.add(shifted(hi, 2));
    return r;
}

// Long division, bit by bit; the remainder is left in rem.
U256 divmod(const U256& n, const U256& d, U256& rem) {
    if (n.fits128() && d.fits128()) {
        rem = U256::from(n.low128() % d.low128());
        return U256::from(n.low128() / d.low128());
    }
    U256 q;
    rem = U256{};
    for (int i = 255; i >= 0; --i) {
        rem.shl1();
        if (n.bit(i)) rem.w[0] |= 1;
        if (cmp(rem, d) >= 0) {
            rem.sub(d);
            q.setBit(i);
        }
    }
    return q;
}

// Divides by 10^k rounding half away from zero (on the magnitude).
U256 dropDigits(U256 mag, int k) {
    if (k <= 0) return mag;
    // half away from zero: only the highest dropped digit decides
    bool roundUp = false;
    for (int i = 0; i < k; ++i) roundUp = mag.divSmall(10) >= 5;
    if (roundUp) mag.add(U256::from(1));
    return mag;
}

u128 magnitude(__int128 v) { return v < 0 ? static_cast<u128>(-(v + 1)) + 1 : static_cast<u128>(v); }

}  // namespace

// Builds a Decimal from sign, magnitude and places, keeping the invariants.
static Decimal makeDecimal(bool negative, U256 mag, int places) {
    int drop = 0;
    if (places > Decimal::kMaxPlaces) drop = places - Decimal::kMaxPlaces;
    int digits = mag.digits();
    if (digits - drop > kMaxDigits) drop = digits - kMaxDigits;
    if (drop > places) throw DecimalOverflow("number too large");
    mag = dropDigits(mag, drop);
    places -= drop;
    if (!mag.fits128() || mag.low128() >= kLimit) {
        // rounding carried into a new digit: the dropped digit is then an exact zero
        if (places == 0) throw DecimalOverflow("number too large");
        mag.divSmall(10);
        --places;
        if (!mag.fits128() || mag.low128() >= kLimit) throw DecimalOverflow("number too large");
    }
    TAVLO_INVARIANT(1, mag.fits128() && mag.low128() < kLimit);
    TAVLO_INVARIANT(2, places >= 0 && places <= Decimal::kMaxPlaces);
    __int128 m = static_cast<__int128>(mag.low128());
    return Decimal::fromScaled(negative ? -m : m, places);
}

Decimal::Decimal(long long whole) : mantissa_(whole), places_(0) {}

Decimal Decimal::fromScaled(__int128 mantissa, int places) {
    bool neg = mantissa < 0;
    u128 mag = magnitude(mantissa);
    if (places < 0) {
        U256 m = U256::from(mag);
        if (!m.mulPow10(-places)) throw DecimalOverflow("number too large");
        return makeDecimal(neg, m, 0);
    }
    if (places > kMaxPlaces || mag >= kLimit) return makeDecimal(neg, U256::from(mag), places);
    Decimal d;
    d.mantissa_ = mantissa;
    d.places_ = places;
    // Every computed value leaves through here (negation and whole numbers keep both invariants
    // by themselves).
    TAVLO_INVARIANT(1, magnitude(d.mantissa_) < kLimit);
    TAVLO_INVARIANT(2, d.places_ >= 0 && d.places_ <= kMaxPlaces);
    return d;
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    if (b == e) return std::nullopt;
    bool neg = false;
    if (text[b] == '-' || text[b] == '+') {
        neg = text[b] == '-';
        ++b;
    }
    U256 mag;
    int places = 0;
    bool seenPoint = false, seenDigit = false;
    for (std::size_t i = b; i < e; ++i) {
        char c = text[i];
        if (c == '.') {
            if (seenPoint) return std::nullopt;
            seenPoint = true;
        } else if (c >= '0' && c <= '9') {
            seenDigit = true;
            if (!mag.mulSmall(10)) return std::nullopt;
            mag.add(U256::from(static_cast<u128>(c - '0')));
            if (seenPoint) ++places;
            if (places > 200) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) return std::nullopt;
    try {
        return makeDecimal(neg && !mag.isZero(), mag, places);
    } catch (const DecimalOverflow&) {
        return std::nullopt;
    }
}

Decimal Decimal::of(std::string_view text) {
    auto v = parse(text);
    if (!v) throw std::invalid_argument("not a number: " + std::string(text));
    return *v;
}

Decimal Decimal::rounded(int places) const {
    places = std::clamp(places, 0, kMaxPlaces);
    if (places >= places_) {
        U256 m = U256::from(magnitude(mantissa_));
        m.mulPow10(places - places_);
        return makeDecimal(mantissa_ < 0, m, places);
    }
    U256 m = dropDigits(U256::from(magnitude(mantissa_)), places_ - places);
    return makeDecimal(mantissa_ < 0 && !m.isZero(), m, places);
}

Decimal Decimal::truncated(int places) const {
    places = std::clamp(places, 0, kMaxPlaces);
    if (places >= places_) return rounded(places);
    u128 m = magnitude(mantissa_) / p10(places_ - places);
    __int128 s = static_cast<__int128>(m);
    return fromScaled(mantissa_ < 0 ? -s : s, places);
}

__int128 Decimal::scaled(int places) const { return rounded(places).mantissa_; }

long long Decimal::toLongLong() const {
    __int128 whole = mantissa_ / static_cast<__int128>(p10(places_));
    if (whole > static_cast<__int128>(INT64_MAX) || whole < static_cast<__int128>(INT64_MIN))
        throw DecimalOverflow("number too large for an integer");
    return static_cast<long long>(whole);
}

static std::string digitsOf(u128 v) {
    if (v == 0) return "0";
    char buf[48];
    int n = 0;
    while (v > 0) {
        buf[n++] = static_cast<char>('0' + static_cast<int>(v % 10));
        v /= 10;
    }
    std::string s(static_cast<std::size_t>(n), '0');
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = buf[n - 1 - i];
    return s;
}

std::string Decimal::toString() const {
    std::string digits = digitsOf(magnitude(mantissa_));
    if (places_ > 0) {
        if (static_cast<int>(digits.size()) <= places_)
            digits.insert(0, static_cast<std::size_t>(places_ + 1) - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(places_), ".");
    }
    return mantissa_ < 0 ? "-" + digits : digits;
}

std::string Decimal::toString(int places) const { return rounded(places).toString(); }

Decimal Decimal::operator-() const {
    Decimal d = *this;
    d.mantissa_ = -mantissa_;
    return d;
}

namespace {
struct Aligned {
    __int128 a, b;
    int places;
};
// Both mantissas at the larger of the two places; false when that overflows 128 bits.
bool align(const Decimal& x, const Decimal& y, Aligned& out) {
    int p = std::max(x.places(), y.places());
    __int128 a = x.mantissa(), b = y.mantissa();
    __int128 fa = static_cast<__int128>(p10(p - x.places()));
    __int128 fb = static_cast<__int128>(p10(p - y.places()));
    if (__builtin_mul_overflow(a, fa, &out.a)) return false;
    if (__builtin_mul_overflow(b, fb, &out.b)) return false;
    out.places = p;
    return true;
}

// Signed 256-bit value at the given places, for the rare sums that overflow 128 bits.
struct Wide {
    bool neg;
    U256 mag;
};
Wide widen(const Decimal& x, int places) {
    U256 m = U256::from(magnitude(x.mantissa()));
    m.mulPow10(places - x.places());
    return {x.mantissa() < 0, m};
}
Decimal addWide(const Decimal& x, const Decimal& y) {
    int p = std::max(x.places(), y.places());
    Wide a = widen(x, p), b = widen(y, p);
    if (a.neg == b.neg) {
        a.mag.add(b.mag);
        return makeDecimal(a.neg, a.mag, p);
    }
    if (cmp(a.mag, b.mag) >= 0) {
        a.mag.sub(b.mag);
        return makeDecimal(a.neg && !a.mag.isZero(), a.mag, p);
    }
    b.mag.sub(a.mag);
    return makeDecimal(b.neg, b.mag, p);
}
}  // namespace

Decimal operator+(const Decimal& a, const Decimal& b) {
    Aligned al;
    __int128 sum;
    if (!align(a, b, al) || __builtin_add_overflow(al.a, al.b, &sum)) return addWide(a, b);
    return Decimal::fromScaled(sum, al.places);
}

Decimal operator-(const Decimal& a, const Decimal& b) { return a + (-b); }

Decimal operator*(const Decimal& a, const Decimal& b) {
    bool neg = (a.sign() < 0) != (b.sign() < 0);
    U256 m = mul128(magnitude(a.mantissa()), magnitude(b.mantissa()));
    return makeDecimal(neg && !m.isZero(), m, a.places() + b.places());
}

Decimal operator/(const Decimal& a, const Decimal& b) {
    if (b.isZero()) throw std::domain_error("division by zero");
    if (a.isZero()) return Decimal();
    // quotient at P places: |a.m| * 10^(P + b.p - a.p) / |b.m|
    int target = Decimal::kDivisionPlaces;
    U256 num = U256::from(magnitude(a.mantissa()));
    U256 den = U256::from(magnitude(b.mantissa()));
    int shift = target + b.places() - a.places();
    // a 256-bit dividend holds 77 digits; a huge quotient gives up fraction places instead
    int room = 76 - num.digits();
    if (shift > room) {
        target -= shift - room;
        shift = room;
    }
    if (shift >= 0)
        num.mulPow10(shift);
    else
        den.mulPow10(-shift);
    U256 rem;
    U256 q = divmod(num, den, rem);
    U256 twice = rem;
    twice.shl1();
    if (cmp(twice, den) >= 0) q.add(U256::from(1));
    // the quotient carries no trailing zeros beyond what it needs
    while (target > 0 && !q.isZero()) {
        U256 t = q;
        if (t.divSmall(10) != 0) break;
        q = t;
        --target;
    }
    if (target < 0) {
        if (!q.mulPow10(-target)) throw DecimalOverflow("number too large");
        target = 0;
    }
    bool neg = (a.sign() < 0) != (b.sign() < 0);
    return makeDecimal(neg && !q.isZero(), q, target);
}

bool operator==(const Decimal& a, const Decimal& b) { return (a <=> b) == std::strong_ordering::equal; }

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
    Aligned al;
    if (align(a, b, al)) return al.a <=> al.b;
    if (a.sign() != b.sign()) return a.sign() <=> b.sign();
    int p = std::max(a.places(), b.places());
    Wide x = widen(a, p), y = widen(b, p);
    int c = cmp(x.mag, y.mag);
    if (x.neg) c = -c;
    return c <=> 0;
}

Decimal storeDecimal(const Decimal& value, int bytes, int places) {
    Decimal r = value.rounded(places);
    const int digits = 2 * bytes - 1;
    // the rounded value counted in units of the field's last place
    U256 units = U256::from(magnitude(r.mantissa()));
    units.mulPow10(places - r.places());
    bool fits = digits > 0 && (units.isZero() || units.digits() <= digits);
    if (!fits)
        throw DecimalOverflow("value " + value.toString() + " does not fit a DECIMAL of " + std::to_string(bytes) +
                              " bytes and " + std::to_string(places) + " places");
    return r;
}

bool fitsDecimal(const Decimal& value, int bytes, int places) {
    try {
        storeDecimal(value, bytes, places);
        return true;
    } catch (const DecimalOverflow&) {
        return false;
    }
}

}  // namespace tavlo
