#pragma once
// The Chinese lunisolar calendar, for lunar holidays (Spring Festival, Mid-Autumn
// and the like), as the official calendar has it: a month begins on the day of
// the new moon at Beijing time, and a month without a major solar term is a
// leap month. Read from a table of the lunar years 1900 to 2099 (month lengths,
// leap month, New Year's Day); dates outside those years are refused.
#include <chrono>

#include "utils/DateUtils.h"

namespace humrs {

struct LunarDate {
    // The lunar year, numbered by the Gregorian year in which it begins: the
    // lunar year whose New Year's Day is 20050209 is 2005, so 20050208 belongs
    // to lunar year 2004.
    int year = 0;
    int month = 0;  // 1 to 12; a leap month carries the number of the month before it
    int day = 0;    // 1 to 30
    bool isLeapMonth = false;

    bool operator==(const LunarDate&) const = default;
};

// The Gregorian days the conversion covers: New Year's Day of lunar year 1900
// through the last day of lunar year 2099.
inline constexpr QVXDate kLunarFirstDate = 19000131;
inline constexpr QVXDate kLunarLastDate = 21000208;

// The lunar date of a Gregorian day. All fields zero for an invalid date and
// for a day outside kLunarFirstDate to kLunarLastDate.
LunarDate GetLunarDate(QVXDate date);
LunarDate GetLunarDate(std::chrono::year_month_day date);

// The Gregorian day of a lunar date in lunar year `year` (numbered as in
// LunarDate). 0 when that date does not exist or is not covered: a year
// outside 1900 to 2099, a month outside 1 to 12, a day outside 1 to 30, day 30
// of a 29-day month, or a leap month the year does not have.
QVXDate LunarToQVXDate(int year, int month, int day, bool isLeapMonth = false);

}  // namespace humrs
