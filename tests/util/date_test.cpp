#include "util/date.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(Date, KnownDayNumbers) {
    struct Case {
        int y, m, d;
        DayNumber day;
    };
    const Case cases[] = {
        {1800, 12, 28, 0}, {1800, 12, 29, 1}, {1801, 1, 1, 4},   {1800, 1, 1, 0},
        {1900, 2, 29, 0},  {2000, 2, 29, 72746}, {2023, 2, 29, 0}, {2024, 13, 1, 0},
        {2024, 4, 31, 0},  {2024, 0, 10, 0},  {2024, 1, 0, 0},   {1, 1, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
        EXPECT_EQ(dayNumber(c.y, c.m, c.d), c.day);
    }
}

// Walks the calendar one day at a time with its own month lengths and compares every day.
TEST(Date, AgreesWithAStepByStepCalendarAcrossLeapYears) {
    int y = 1800, m = 12, d = 28;
    auto monthLength = [](int year, int month) {
        if (month == 2) return (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0)) ? 29 : 28;
        return (month == 4 || month == 6 || month == 9 || month == 11) ? 30 : 31;
    };
    for (DayNumber n = 1; y < 2401 || m < 3; ++n) {
        if (++d > monthLength(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
        ASSERT_EQ(dayNumber(y, m, d), n) << y << "-" << m << "-" << d;
        ASSERT_EQ(calendarDate(n), (CalendarDate{y, m, d})) << n;
        ASSERT_EQ(fromEightDigitDate(eightDigitDate(n)), n);
    }
}

TEST(Date, EightDigitFormAndNoDate) {
    EXPECT_EQ(eightDigitDate(dayNumber(2024, 3, 15)), 20240315);
    EXPECT_EQ(fromEightDigitDate(20240315), dayNumber(2024, 3, 15));
    EXPECT_EQ(eightDigitDate(0), 0);
    EXPECT_EQ(fromEightDigitDate(0), 0);
    EXPECT_EQ(fromEightDigitDate(20230229), 0);
    EXPECT_EQ(calendarDate(0), CalendarDate{});
    EXPECT_EQ(calendarDate(-5), CalendarDate{});
    EXPECT_EQ(dayOfWeek(dayNumber(2024, 3, 15)), 5);  // a Friday
    EXPECT_EQ(dayOfWeek(4), 4);                       // 1 January 1801, a Thursday
}

TEST(Date, InjectedClock) {
    FixedClock fixed(dayNumber(2024, 2, 29), 13 * 360000 + 5 * 6000 + 999);
    setClock(&fixed);
    EXPECT_EQ(today(), dayNumber(2024, 2, 29));
    EXPECT_EQ(shortTime(timeNow()), "13:05");
    fixed.set(dayNumber(2025, 1, 1), 0);
    EXPECT_EQ(eightDigitDate(today()), 20250101);
    EXPECT_EQ(shortTime(timeNow()), "00:00");
    setClock(nullptr);
    EXPECT_GT(today(), dayNumber(2020, 1, 1));
    EXPECT_GE(timeNow(), 0);
    EXPECT_LT(timeNow(), 24 * 360000);
}

}  // namespace
}  // namespace tavlo
