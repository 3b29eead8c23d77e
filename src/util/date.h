#pragma once
// Dates are day numbers: 28 December 1800 is day 0, 1 January 1801 is day 4, 0 is no date.
// Times are hundredths of a second since midnight. The clock is injected so tests pick "today".
#include <cstdint>
#include <string>

namespace tavlo {

using DayNumber = std::int32_t;
using TimeOfDay = std::int32_t;

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

// Whether year/month/day names a real date between the years 1800 and 9999.
bool validDate(int year, int month, int day);
// 0 when the date does not exist (30 February) or lies before 28 December 1800.
DayNumber dayNumber(int year, int month, int day);
// {0,0,0} for day 0 and negative days.
CalendarDate calendarDate(DayNumber day);
// The eight-digit form year, month, day: 20240315; 0 for no date.
std::int32_t eightDigitDate(DayNumber day);
DayNumber fromEightDigitDate(std::int32_t yyyymmdd);
// 0 Sunday .. 6 Saturday (day 0 was a Sunday).
int dayOfWeek(DayNumber day);
// The short time of day, "14:05" (hours 00-23).
std::string shortTime(TimeOfDay time);

// The clock the whole program reads. The system clock unless a test fixed it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DayNumber today() const = 0;
    virtual TimeOfDay now() const = 0;
};
const Clock& clock();
// Replaces the program's clock (nullptr restores the system clock). Not thread-safe: set it
// before windows start.
void setClock(const Clock* clock);

// A clock that always answers the same date and time; handy for tests.
class FixedClock : public Clock {
public:
    FixedClock(DayNumber day, TimeOfDay time) : day_(day), time_(time) {}
    DayNumber today() const override { return day_; }
    TimeOfDay now() const override { return time_; }
    void set(DayNumber day, TimeOfDay time) { day_ = day; time_ = time; }

private:
    DayNumber day_;
    TimeOfDay time_;
};

inline DayNumber today() { return clock().today(); }
inline TimeOfDay timeNow() { return clock().now(); }

}  // namespace tavlo
