#include "util/picture.h"

#include <gtest/gtest.h>

#include "support.h"
#include "util/date.h"

namespace tavlo {
namespace {

struct FormatCase {
    const char* picture;
    const char* value;
    const char* shown;
};

TEST(Picture, FormatsNumbers) {
    const FormatCase cases[] = {
        {"@n15.2", "1234567.891", "   1,234,567.89"},
        {"@n15.2", "-1234.5", "      -1,234.50"},  // no sign mark still shows the minus
        {"@n-15.2", "-0.005", "          -0.01"},
        {"@n-15.2", "-0.004", "           0.00"},
        {"@n-13.3", "2.5", "        2.500"},
        {"@n(13.2)", "-1234.5", "   (1,234.50)"},
        {"@n(13.2)", "1234.5", "    1,234.50 "},
        {"@n(13.2)b", "0", "             "},
        {"@n(13.2)b", "0.004", "             "},
        {"@n-10.2b", "0.005", "      0.01"},
        {"@n-10.2b", "-0.05", "     -0.05"},
        {"@n9.2-", "-12", "   12.00-"},
        {"@n02", "7", "07"},
        {"@n02", "12", "12"},
        {"@n02", "123", "##"},
        {"@n4", "12345", "####"},
        {"@n13", "1234", "        1,234"},
        {"@n_8", "1234567", " 1234567"},
        {"@n*8.2", "12.5", "***12.50"},
        {"@n3", "0", "  0"},
        {"@n5.2", "99.995", "#####"},
        {"@n6.2", "99.995", "100.00"},
        {"n15.2", "1", "           1.00"},  // the "@" is optional
        {"@N-7.2", "-5", "  -5.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " " + c.value);
        EXPECT_EQ(formatPicture(c.picture, Decimal::of(c.value)), c.shown);
    }
}

TEST(Picture, FormatsTextDatesTimesAndPatterns) {
    DayNumber d = dayNumber(2024, 3, 5);
    const struct {
        const char* picture;
        Decimal value;
        const char* shown;
    } numbers[] = {
        {"@d06", d, "05/03/2024"},  {"@d6", d, "5/3/2024"},      {"@d17", d, "05/03/2024"},
        {"@d12", d, "20240305"},     {"@d10", d, "2024/03/05"},   {"@d05", d, "05/03/24"},
        {"@d17", 0, ""},             {"@d06", -3, ""},            {"@t1", 1234567, "3:25"},
        {"@t04", 1234567, "03:25:45"}, {"@pPage <<<#p", 5, "Page    5"}, {"@pBls. <<#p", 12, "Bls.  12"},
        {"@pPage <<<#p", 0, "Page    0"}, {"@p<<#pb", 0, "   "},   {"@p<<#p", 1234, "###"},
        {"@p###-##p", 1234, "012-34"}, {"@s5", Decimal::of("-1.5"), "-1.5"},
    };
    for (const auto& c : numbers) {
        SCOPED_TRACE(c.picture);
        EXPECT_EQ(formatPicture(c.picture, c.value), c.shown);
    }
    EXPECT_EQ(formatPicture("@s5", "Kaapstad"), "Kaaps");
    EXPECT_EQ(formatPicture("@s3", "Rëkening"), "Rëk");  // characters, not bytes
    EXPECT_EQ(formatPicture("@s25b", "abc   "), "abc");
    EXPECT_EQ(formatPicture("@n9.2", "12.5"), "    12.50");  // a number held as text
    EXPECT_EQ(formatPicture("@n9.2", "n/a"), "n/a");
    EXPECT_EQ(formatPicture("@q9", Decimal(5)), "5");  // not a picture: plain text
    // more whole digits than any picture holds: never cut, never a crash
    EXPECT_EQ(formatPicture("@n9.2", Decimal::of("999999999999999999999999999999999999")), "#########");
    EXPECT_EQ(formatPicture("", "plain"), "plain");
}

// A value no date or time picture can show fills the field with "#", as a number too wide does;
// it never throws out of the window that shows it.
TEST(Picture, ValuesBeyondTheCalendarShowHashesAndNeverThrow) {
    const struct {
        const char* picture;
        const char* value;
        const char* shown;
    } cases[] = {
        {"@d06", "33333333333333333333333333333323333", "##########"},
        {"@d6", "9223372036854775808", "##########"},
        {"@d5", "9223372036854775807", "########"},
        {"@d12", "3000001", "########"},
        {"@d17", "-9223372036854775809", ""},
        {"@t4", "9223372036854775808", "########"},
        {"@t1", "99999999999999999999999.5", "#####"},
        {"@t04", "-99999999999999999999", ""},
        {"@pPage <<<#p", "99999999999999999999999999999999", "Page ####"},
        {"@s10", "-99999999999999999999.25", "-999999999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " " + c.value);
        EXPECT_EQ(formatPicture(c.picture, Decimal::of(c.value)), c.shown);
        EXPECT_EQ(formatPicture(c.picture, std::string_view(c.value)), c.shown);  // the same number held as text
    }
    // the last day the calendar holds is still a date
    EXPECT_EQ(formatPicture("@d10", Decimal(dayNumber(9999, 12, 31))), "9999/12/31");
}

TEST(Picture, ParsesWhatWasTypedBackThroughTheSamePicture) {
    const struct {
        const char* picture;
        const char* typed;
        const char* value;  // nullptr: refused
    } cases[] = {
        {"@n-15.2", "1,234.567", "1234.57"}, {"@n-15.2", " -12.5 ", "-12.50"}, {"@n(13.2)", "(12.50)", "-12.50"},
        {"@n9.2-", "12.50-", "-12.50"},      {"@n-13.3", "", "0.000"},          {"@n-13.3", "abc", nullptr},
        {"@n5.2", "100", nullptr},           {"@n5.2", "99.99", "99.99"},       {"@n02", "7", "7"},
        {"@n-7.2", "1.2.3", nullptr},        {"@n-7.2", "--1", nullptr},        {"@n-7.2", "+3", "3.00"},
        {"@pPage <<<#p", "Page 12", "12"},   {"@t1", "13:05", "4710000"},      {"@t1", "24:00", nullptr},
        {"@t4", "", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " '" + c.typed + "'");
        auto v = parsePicture(c.picture, c.typed);
        if (c.value) {
            ASSERT_TRUE(v.has_value());
            EXPECT_EQ(v->toString(), c.value);
        } else {
            EXPECT_FALSE(v.has_value());
        }
    }
    EXPECT_FALSE(parsePicture("@s20", "abc").has_value());
    EXPECT_EQ(parseTextPicture("@s3", "abcdef"), "abc");
    // what is shown reads back as the same value
    for (const char* pic : {"@n-15.2", "@n(13.2)", "@n15.2", "@n9.2-", "@n-13.3", "@n*12.2"})
        for (const char* v : {"-1234.5", "0.01", "-0.99", "12"}) {
            SCOPED_TRACE(std::string(pic) + " " + v);
            Decimal value = Decimal::of(v);
            auto back = parsePicture(pic, formatPicture(pic, value));
            ASSERT_TRUE(back.has_value());
            EXPECT_EQ(*back, value);
        }
}

TEST(Picture, ParsesDates) {
    FixedClock fixed(dayNumber(2024, 6, 1), 0);
    support::ProgramStateGuard state({.clock = &fixed});
    const struct {
        const char* picture;
        const char* typed;
        DayNumber day;  // -1: refused
    } cases[] = {
        {"@d17", "15/03/2024", dayNumber(2024, 3, 15)}, {"@d06", "5-3-2024", dayNumber(2024, 3, 5)},
        {"@d17", "15.03.24", dayNumber(2024, 3, 15)},   {"@d17", "1/1/43", dayNumber(2043, 1, 1)},
        {"@d17", "1/1/44", dayNumber(1944, 1, 1)},      {"@d17", "15032024", dayNumber(2024, 3, 15)},
        {"@d17", "150324", dayNumber(2024, 3, 15)},     {"@d12", "20240315", dayNumber(2024, 3, 15)},
        {"@d10", "2024/3/15", dayNumber(2024, 3, 15)},  {"@d17", "", 0},
        {"@d17", "29/02/2023", -1},                     {"@d17", "31/04/2024", -1},
        {"@d17", "15/13/2024", -1},                     {"@d17", "tomorrow", -1},
        {"@d17", "1/2", -1},                            {"@d17", "29/02/2024", dayNumber(2024, 2, 29)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " '" + c.typed + "'");
        auto v = parsePicture(c.picture, c.typed);
        if (c.day >= 0) {
            ASSERT_TRUE(v.has_value());
            EXPECT_EQ(*v, Decimal(c.day));
        } else {
            EXPECT_FALSE(v.has_value());
        }
    }
}

}  // namespace
}  // namespace tavlo
