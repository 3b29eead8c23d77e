#include "util/decimal.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

Decimal D(const char* s) { return Decimal::of(s); }

struct StoreCase {
    const char* value;
    int bytes, places;
    const char* stored;  // nullptr: refused
};

TEST(Decimal, StoreRoundsHalfAwayFromZeroAndRefusesOverflow) {
    const StoreCase cases[] = {
        {"2.345", 7, 2, "2.35"},
        {"-2.345", 7, 2, "-2.35"},
        {"2.3449999", 7, 2, "2.34"},
        {"-2.3449999", 7, 2, "-2.34"},
        {"0.005", 7, 2, "0.01"},
        {"-0.005", 7, 2, "-0.01"},
        {"-0.004", 7, 2, "0.00"},
        {"0.05", 2, 1, "0.1"},
        {"12.5", 5, 0, "13"},
        {"-12.5", 5, 0, "-13"},
        {"3", 7, 3, "3.000"},
        {"99999.99", 4, 2, "99999.99"},    // 4 bytes hold 7 digits
        {"99999.994", 4, 2, "99999.99"},
        {"99999.995", 4, 2, nullptr},      // rounds up to 8 digits
        {"-100000", 4, 2, nullptr},
        {"9999999999999", 7, 0, "9999999999999"},
        {"10000000000000", 7, 0, nullptr},
        {"99999999999.99", 7, 2, "99999999999.99"},
        {"1", 1, 1, nullptr},              // a 1-byte field holds one digit: 1.0 needs two
        {"0.4", 1, 1, "0.4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " into DECIMAL(" + std::to_string(c.bytes) + "," +
                     std::to_string(c.places) + ")");
        if (c.stored) {
            Decimal s = storeDecimal(D(c.value), c.bytes, c.places);
            EXPECT_EQ(s.toString(), c.stored);
            EXPECT_EQ(s.places(), c.places);
            EXPECT_TRUE(fitsDecimal(D(c.value), c.bytes, c.places));
        } else {
            EXPECT_THROW(storeDecimal(D(c.value), c.bytes, c.places), DecimalOverflow);
            EXPECT_FALSE(fitsDecimal(D(c.value), c.bytes, c.places));
        }
    }
}

// The VAT share of a VAT-inclusive amount: amount * rate / (100 + rate), stored to cents.
TEST(Decimal, VatInclusiveSplitIsExactBeforeStoring) {
    struct Case {
        const char* amount;
        const char* rate;
        const char* vat;
    };
    const Case cases[] = {
        {"115.00", "15", "15.00"},   {"1.15", "15", "0.15"},    {"10.00", "15", "1.30"},
        {"0.01", "15", "0.00"},      {"0.115", "15", "0.02"},   {"-0.115", "15", "-0.02"},
        {"0.23", "15", "0.03"},      {"99999.99", "15", "13043.48"}, {"1.14", "14", "0.14"},
        {"0.57", "14", "0.07"},      {"100", "0", "0.00"},      {"0.105", "5", "0.01"},
        {"2.1", "5", "0.10"},        {"33.333", "12.5", "3.70"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.amount) + " at " + c.rate + "%");
        Decimal amount = D(c.amount), rate = D(c.rate);
        Decimal vat = storeDecimal(amount * rate / (Decimal(100) + rate), 7, 2);
        EXPECT_EQ(vat.toString(), c.vat);
        // the split adds back up to the amount
        Decimal nett = storeDecimal(amount - vat, 7, 3);
        EXPECT_EQ(nett + vat, amount.rounded(3));
    }
}

TEST(Decimal, ParsesPlainNumbersOnly) {
    struct Case {
        const char* text;
        const char* value;  // nullptr: rejected
    };
    const Case cases[] = {
        {"12.34", "12.34"}, {"-0.5", "-0.5"}, {"+3", "3"},     {" 7 ", "7"},   {".5", "0.5"},
        {"5.", "5"},        {"-0", "0"},      {"007.10", "7.10"}, {"", nullptr}, {"  ", nullptr},
        {"-", nullptr},     {".", nullptr},   {"1e5", nullptr},   {"1,000", nullptr}, {"1.2.3", nullptr},
        {"--1", nullptr},   {"1 2", nullptr}, {"0x10", nullptr},
        {"1234567890123456789012345678901234567", nullptr},  // 37 whole digits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto v = Decimal::parse(c.text);
        if (c.value) {
            ASSERT_TRUE(v.has_value());
            EXPECT_EQ(v->toString(), c.value);
        } else {
            EXPECT_FALSE(v.has_value());
        }
    }
    EXPECT_THROW(Decimal::of("abc"), std::invalid_argument);
}

TEST(Decimal, ArithmeticIsExact) {
    EXPECT_EQ(D("0.1") + D("0.2"), D("0.3"));
    EXPECT_EQ((D("1.005") * 3).toString(), "3.015");
    EXPECT_EQ((D("-2.5") * D("-0.4")).toString(), "1.00");
    EXPECT_EQ((D("10") / 4).toString(), "2.5");
    EXPECT_EQ((D("1") / 3).toString(), "0.333333333333333333");
    EXPECT_EQ((D("2") / 3).toString(), "0.666666666666666667");
    EXPECT_EQ((D("-2") / 3).toString(), "-0.666666666666666667");
    EXPECT_EQ(D("1") / 3 * 3, D("0.999999999999999999"));
    EXPECT_EQ((D("5.00") - D("5")).sign(), 0);
    EXPECT_THROW(D("1") / Decimal(), std::domain_error);
    // a huge dividend over a small divisor still gives the whole part exactly
    EXPECT_EQ((D("123456789012345678901234") / D("0.001")).toString(), "123456789012345678901234000");
}

TEST(Decimal, RefusesResultsTooLargeToHold) {
    Decimal big = D("100000000000000000000");  // 10^20
    EXPECT_THROW(big * big, DecimalOverflow);
    EXPECT_THROW(big / D("0.0000000000000001"), DecimalOverflow);
    Decimal max = D("999999999999999999999999999999999999");
    EXPECT_THROW(max + 1, DecimalOverflow);
    EXPECT_EQ((max - max).sign(), 0);
    // a product with more digits than a value holds gives up its lowest fraction digits
    Decimal fine = D("123456789012.123456789012345678901234");
    EXPECT_EQ((fine * 1000).toString(), "123456789012123.456789012345678901234");
    EXPECT_EQ((fine * 1001).toString(), "123580245801135.580245801358024580135");
}

TEST(Decimal, ComparesByValue) {
    EXPECT_EQ(D("1.5"), D("1.50"));
    EXPECT_LT(D("-2"), D("-1.99"));
    EXPECT_GT(D("0.001"), Decimal());
    EXPECT_LT(D("-999999999999999999999999999999999999"), D("0.000000000000000000000001"));
    EXPECT_GT(D("99999999999999999999999999999999999"), D("1.000000000000000000000001"));
    EXPECT_LT(D("-99999999999999999999999999999999999"), D("-1.000000000000000000000001"));
}

TEST(Decimal, RoundsTruncatesAndFormats) {
    EXPECT_EQ(D("-7.89").truncated(0).toString(), "-7");
    EXPECT_EQ(D("7.89").truncated(1).toString(), "7.8");
    EXPECT_EQ(D("-0.04").truncated(1).toString(), "0.0");
    EXPECT_EQ(D("3").toString(2), "3.00");
    EXPECT_EQ(D("-0.004").toString(2), "0.00");
    EXPECT_EQ(D("-12.345").toString(2), "-12.35");
    EXPECT_EQ(D("0.07").toString(), "0.07");
    EXPECT_EQ(D("-12.345").scaled(2), -1235);
    EXPECT_EQ(D("-12.99").toLongLong(), -12);
    EXPECT_EQ(Decimal::fromScaled(-1234, 2).toString(), "-12.34");
    EXPECT_EQ(Decimal::fromScaled(5, -2).toString(), "500");
}

}  // namespace
}  // namespace tavlo
