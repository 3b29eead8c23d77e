#include "util/date.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace tavlo {

namespace {

constexpr int kLastYear = 9999;

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1 March of year 0 of the proleptic Gregorian calendar (a March-based year puts
// the leap day last, so the month lengths repeat in a fixed pattern).
long long serialFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = y / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

CalendarDate civilFromSerial(long long z) {
    const long long era = z / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2));
    return {y, m, d};
}

const long long kDayZero = serialFromCivil(1800, 12, 28);

class SystemClock : public Clock {
public:
    DayNumber today() const override {
        std::tm tm = local();
        return dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    }
    TimeOfDay now() const override {
        auto t = std::chrono::system_clock::now();
        std::time_t secs = std::chrono::system_clock::to_time_t(t);
        std::tm tm{};
        localtime_r(&secs, &tm);
        auto sinceSecond = t - std::chrono::system_clock::from_time_t(secs);
        auto hundredths = std::chrono::duration_cast<std::chrono::milliseconds>(sinceSecond).count() / 10;
        return static_cast<TimeOfDay>((tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) * 100 + hundredths);
    }

private:
    static std::tm local() {
        std::time_t secs = std::time(nullptr);
        std::tm tm{};
        localtime_r(&secs, &tm);
        return tm;
    }
};

const SystemClock& systemClock() {
    static const SystemClock c;
    return c;
}

std::atomic<const Clock*> currentClock{nullptr};

}  // namespace

bool validDate(int year, int month, int day) {
    return year >= 1800 && year <= kLastYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

DayNumber dayNumber(int year, int month, int day) {
    if (!validDate(year, month, day)) return 0;
    long long n = serialFromCivil(year, month, day) - kDayZero;
    return n > 0 ? static_cast<DayNumber>(n) : 0;
}

CalendarDate calendarDate(DayNumber day) {
    if (day <= 0) return {};
    CalendarDate c = civilFromSerial(kDayZero + day);
    if (c.year > kLastYear) return {};
    return c;
}

std::int32_t eightDigitDate(DayNumber day) {
    CalendarDate c = calendarDate(day);
    if (c.year == 0) return 0;
    return c.year * 10000 + c.month * 100 + c.day;
}

DayNumber fromEightDigitDate(std::int32_t yyyymmdd) {
    if (yyyymmdd <= 0) return 0;
    return dayNumber(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

int dayOfWeek(DayNumber day) {
    // day 0, 28 December 1800, was a Sunday
    return day > 0 ? day % 7 : 0;
}

std::string shortTime(TimeOfDay time) {
    if (time < 0) time = 0;
    int minutes = time / 6000;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", minutes / 60 % 24, minutes % 60);
    return buf;
}

const Clock& clock() {
    const Clock* c = currentClock.load(std::memory_order_acquire);
    return c ? *c : systemClock();
}

void setClock(const Clock* c) { currentClock.store(c, std::memory_order_release); }

}  // namespace tavlo
