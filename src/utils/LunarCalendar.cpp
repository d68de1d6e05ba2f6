#include "utils/LunarCalendar.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>

namespace humrs {

namespace {

using namespace std::chrono;

// ICU counts Chinese years from 2637 BCE; the year that begins in Gregorian
// year Y has extended year Y + 2637 (2005 is 4642).
constexpr int kExtendedYearOffset = 2637;
// Julian day number of 1970-01-01, the epoch of sys_days.
constexpr int32_t kJulianDayOfEpoch = 2440588;
constexpr double kMillisPerDay = 86400000.0;
// 04:00 UTC is noon in China: well inside the day whatever offset the zone's
// history applies (local mean time before 1901, summer time 1986-1991).
constexpr double kNoonInChinaUtcMillis = 4 * 3600000.0;

// One Chinese calendar per thread, on China Standard Time. Every use clears or
// sets its whole state first. Null if ICU could not provide one.
icu::Calendar* ChineseCalendar() {
    thread_local std::unique_ptr<icu::Calendar> calendar = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Calendar> cal(icu::Calendar::createInstance(
            icu::TimeZone::createTimeZone("Asia/Shanghai"), icu::Locale("zh_CN@calendar=chinese"), status));
        if (U_FAILURE(status)) cal.reset();
        return cal;
    }();
    return calendar.get();
}

LunarDate FieldsOf(icu::Calendar& cal, UErrorCode& status) {
    LunarDate lunar;
    lunar.year = cal.get(UCAL_EXTENDED_YEAR, status) - kExtendedYearOffset;
    lunar.month = cal.get(UCAL_MONTH, status) + 1;
    lunar.day = cal.get(UCAL_DATE, status);
    lunar.isLeapMonth = cal.get(UCAL_IS_LEAP_MONTH, status) != 0;
    return lunar;
}

}  // namespace

LunarDate GetLunarDate(year_month_day date) {
    if (Date2QVXDate(date) == 0) return {};
    icu::Calendar* cal = ChineseCalendar();
    if (cal == nullptr) return {};

    const double dayNumber = static_cast<double>(sys_days{date}.time_since_epoch().count());
    UErrorCode status = U_ZERO_ERROR;
    cal->setTime(dayNumber * kMillisPerDay + kNoonInChinaUtcMillis, status);
    const LunarDate lunar = FieldsOf(*cal, status);
    if (U_FAILURE(status)) return {};
    return lunar;
}

LunarDate GetLunarDate(QVXDate date) {
    if (!IsValidDate(date)) return {};
    return GetLunarDate(QVXDate2Date(date));
}

QVXDate LunarToQVXDate(int year, int month, int day, bool isLeapMonth) {
    if (month < 1 || month > 12 || day < 1 || day > 30) return 0;
    icu::Calendar* cal = ChineseCalendar();
    if (cal == nullptr) return 0;

    UErrorCode status = U_ZERO_ERROR;
    cal->clear();
    cal->set(UCAL_EXTENDED_YEAR, year + kExtendedYearOffset);
    cal->set(UCAL_MONTH, month - 1);
    cal->set(UCAL_IS_LEAP_MONTH, isLeapMonth ? 1 : 0);
    cal->set(UCAL_DATE, day);
    const int32_t julianDay = cal->get(UCAL_JULIAN_DAY, status);

    // The calendar is lenient: day 30 of a short month or a leap month that the
    // year lacks rolls on to another date. Such a date does not exist.
    const LunarDate resolved = FieldsOf(*cal, status);
    if (U_FAILURE(status)) return 0;
    if (resolved != LunarDate{year, month, day, isLeapMonth}) return 0;

    return Date2QVXDate(sys_days{days{julianDay - kJulianDayOfEpoch}});
}

}  // namespace humrs
