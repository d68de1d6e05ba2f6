#include "utils/LunarCalendar.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace humrs {
namespace {

using namespace std::chrono;

TEST(LunarDate, NewYearBoundary) {
    EXPECT_EQ(GetLunarDate(20050209), (LunarDate{2005, 1, 1, false}));
    EXPECT_EQ(GetLunarDate(20050208), (LunarDate{2004, 12, 30, false}));
    EXPECT_EQ(GetLunarDate(20200125), (LunarDate{2020, 1, 1, false}));
    EXPECT_EQ(GetLunarDate(20200124), (LunarDate{2019, 12, 30, false}));
    // Early January still belongs to the lunar year that began the year before.
    EXPECT_EQ(GetLunarDate(20050101).year, 2004);
    EXPECT_EQ(GetLunarDate(20050918), (LunarDate{2005, 8, 15, false}));  // Mid-Autumn
}

TEST(LunarDate, LeapMonths) {
    EXPECT_EQ(GetLunarDate(20060725), (LunarDate{2006, 7, 1, false}));
    EXPECT_EQ(GetLunarDate(20060824), (LunarDate{2006, 7, 1, true}));
    EXPECT_EQ(GetLunarDate(20200523), (LunarDate{2020, 4, 1, true}));
    EXPECT_EQ(GetLunarDate(20200620), (LunarDate{2020, 4, 29, true}));
    EXPECT_EQ(GetLunarDate(20200621), (LunarDate{2020, 5, 1, false}));
    // A leap 11th month late in the Gregorian year.
    EXPECT_EQ(GetLunarDate(20331222), (LunarDate{2033, 11, 1, true}));
    EXPECT_EQ(GetLunarDate(20340120), (LunarDate{2033, 12, 1, false}));
}

TEST(LunarDate, CivilDateFormAndInvalidInput) {
    EXPECT_EQ(GetLunarDate(2005y / February / 9), (LunarDate{2005, 1, 1, false}));
    EXPECT_EQ(GetLunarDate(0), LunarDate{});
    EXPECT_EQ(GetLunarDate(20050230), LunarDate{});
    EXPECT_EQ(GetLunarDate(2005y / February / 30), LunarDate{});
}

TEST(LunarToGregorian, ExistingDates) {
    EXPECT_EQ(LunarToQVXDate(2005, 1, 1), 20050209);
    EXPECT_EQ(LunarToQVXDate(2005, 8, 15), 20050918);
    EXPECT_EQ(LunarToQVXDate(2006, 7, 1, false), 20060725);
    EXPECT_EQ(LunarToQVXDate(2006, 7, 1, true), 20060824);
    EXPECT_EQ(LunarToQVXDate(2020, 4, 29, true), 20200620);
    EXPECT_EQ(LunarToQVXDate(2033, 11, 1, true), 20331222);
    EXPECT_EQ(LunarToQVXDate(2033, 12, 1), 20340120);
}

TEST(LunarToGregorian, MissingDatesGiveZero) {
    EXPECT_EQ(LunarToQVXDate(2020, 4, 30, true), 0);   // the leap 4th month of 2020 has 29 days
    EXPECT_EQ(LunarToQVXDate(2006, 8, 1, true), 0);    // 2006 has no leap 8th month
    EXPECT_EQ(LunarToQVXDate(2005, 7, 1, true), 0);    // 2005 has no leap month
    EXPECT_EQ(LunarToQVXDate(2005, 13, 1), 0);
    EXPECT_EQ(LunarToQVXDate(2005, 1, 0), 0);
    EXPECT_EQ(LunarToQVXDate(2005, 1, 31), 0);
}

// Every day from 2000 through 2035: the lunar date advances by one day or starts
// a new month on day 1, and converting it back gives the same day.
TEST(LunarRoundTrip, ConsecutiveDaysAgree) {
    QVXDate date = 20000101;
    LunarDate previous = GetLunarDate(date);
    int months = 0;
    int leapMonths = 0;
    for (date = AddDay(date, 1); date <= 20351231; date = AddDay(date, 1)) {
        const LunarDate lunar = GetLunarDate(date);
        if (lunar.day == 1) {
            ++months;
            leapMonths += lunar.isLeapMonth ? 1 : 0;
            EXPECT_TRUE(previous.day == 29 || previous.day == 30) << date;
        } else {
            EXPECT_EQ(lunar.day, previous.day + 1) << date;
            EXPECT_EQ(lunar.month, previous.month) << date;
            EXPECT_EQ(lunar.isLeapMonth, previous.isLeapMonth) << date;
        }
        ASSERT_EQ(LunarToQVXDate(lunar.year, lunar.month, lunar.day, lunar.isLeapMonth), date);
        previous = lunar;
    }
    // About 12.37 lunar months a year. Leap months: 2001, 2004, 2006, 2009, 2012,
    // 2014, 2017, 2020, 2023, 2025, 2028, 2031 and 2033.
    EXPECT_NEAR(months, 36 * 12.368, 2);
    EXPECT_EQ(leapMonths, 13);
}

TEST(LunarDate, SpringFestival2020To2035) {
    const std::vector<std::pair<int, QVXDate>> newYears = {
        {2020, 20200125}, {2021, 20210212}, {2022, 20220201}, {2023, 20230122},
        {2024, 20240210}, {2025, 20250129}, {2026, 20260217}, {2027, 20270206},
        {2028, 20280126}, {2029, 20290213}, {2030, 20300203}, {2031, 20310123},
        {2032, 20320211}, {2033, 20330131}, {2034, 20340219}, {2035, 20350208},
    };
    for (const auto& [year, date] : newYears) {
        EXPECT_EQ(GetLunarDate(date), (LunarDate{year, 1, 1, false})) << date;
        EXPECT_EQ(GetLunarDate(AddDay(date, -1)).year, year - 1) << date;
        EXPECT_EQ(LunarToQVXDate(year, 1, 1), date) << year;
    }
}

// Months that begin on the day of a new moon close to midnight, Beijing time,
// a leap month decided by a major solar term minutes after midnight, and the
// months on which published tables disagree (decided in LunarCalendar.cpp).
TEST(LunarDate, MonthsBeginningNearMidnight) {
    const std::vector<std::pair<QVXDate, LunarDate>> cases = {
        {19870726, {1987, 6, 1, true}},  // leap month after the 6th, not the 7th
        {19870824, {1987, 7, 1, false}},
        {19990117, {1998, 12, 1, false}},
        {20181107, {2018, 9, 30, false}},
        {20181108, {2018, 10, 1, false}},
        {20300202, {2029, 12, 30, false}},
        {20570928, {2057, 8, 30, false}},  // new moon within seconds of midnight
        {20570929, {2057, 9, 1, false}},
        {19330722, {1933, 5, 30, true}},
        {19541125, {1954, 11, 1, false}},
        {19561202, {1956, 11, 1, false}},
        {19780902, {1978, 7, 30, false}},
        {19780917, {1978, 8, 15, false}},  // Mid-Autumn
    };
    for (const auto& [date, lunar] : cases) {
        EXPECT_EQ(GetLunarDate(date), lunar) << date;
        EXPECT_EQ(LunarToQVXDate(lunar.year, lunar.month, lunar.day, lunar.isLeapMonth), date) << date;
    }
}

TEST(LunarDate, DaysOutsideTheCoveredYearsAreRefused) {
    EXPECT_EQ(GetLunarDate(kLunarFirstDate), (LunarDate{1900, 1, 1, false}));
    EXPECT_EQ(GetLunarDate(kLunarLastDate), (LunarDate{2099, 12, 30, false}));
    EXPECT_EQ(GetLunarDate(AddDay(kLunarFirstDate, -1)), LunarDate{});
    EXPECT_EQ(GetLunarDate(AddDay(kLunarLastDate, 1)), LunarDate{});
    EXPECT_EQ(GetLunarDate(18000101), LunarDate{});
    EXPECT_EQ(GetLunarDate(2500y / January / 1), LunarDate{});
    EXPECT_EQ(LunarToQVXDate(1900, 1, 1), kLunarFirstDate);
    EXPECT_EQ(LunarToQVXDate(2099, 12, 30), kLunarLastDate);
    EXPECT_EQ(LunarToQVXDate(1899, 12, 1), 0);
    EXPECT_EQ(LunarToQVXDate(2100, 1, 1), 0);
}

// The Python interpreter that has Debian's python3-lunardate, or empty.
std::string PythonWithLunardate() {
    for (const std::string python : {"/usr/bin/python3", "python3"}) {
        const std::string probe = python + " -c 'import lunardate' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) return python;
    }
    return {};
}

// Every day of 1901 to 2099 against python3-lunardate, a table this project
// does not own. The two differ only on the five months whose start that table
// puts on the other side of a new moon (see LunarCalendar.cpp).
TEST(LunarReference, EveryDayAgreesWithPythonLunardate) {
    const std::string python = PythonWithLunardate();
    if (python.empty()) GTEST_SKIP() << "python3-lunardate is not installed (scripts/setup.sh installs it)";

    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "humrs-lunar-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern, script = dir / "dump.py", dump = dir / "days.txt";
    std::ofstream(script)
        << "import datetime, sys\n"
           "from lunardate import LunarDate\n"
           "d, end = datetime.date(1901, 1, 1), datetime.date(2099, 12, 31)\n"
           "with open(sys.argv[1], 'w') as out:\n"
           "    while d <= end:\n"
           "        l = LunarDate.fromSolarDate(d.year, d.month, d.day)\n"
           "        out.write('%d %d %d %d %d\\n' % (d.year * 10000 + d.month * 100 + d.day,\n"
           "                  l.year, l.month, l.day, int(l.isLeapMonth)))\n"
           "        d += datetime.timedelta(days=1)\n";
    const std::string cmd = python + " '" + script.string() + "' '" + dump.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

    // The months moved off python3-lunardate's table, day 1 to day 30 in its count.
    const std::vector<std::pair<QVXDate, QVXDate>> moved = {
        {19330722, 19330820}, {19541125, 19541224}, {19561202, 19561231},
        {19780902, 19781001}, {20570928, 20571027},
    };
    auto isMoved = [&](QVXDate d) {
        for (const auto& [first, last] : moved)
            if (d >= first && d <= last) return true;
        return false;
    };

    std::ifstream in(dump);
    QVXDate expectedDate = 19010101;
    int days = 0, differing = 0, mismatches = 0;
    QVXDate date;
    LunarDate theirs;
    int leap = 0;
    while (in >> date >> theirs.year >> theirs.month >> theirs.day >> leap) {
        theirs.isLeapMonth = leap != 0;
        ASSERT_EQ(date, expectedDate);
        expectedDate = AddDay(date, 1);
        ++days;
        const LunarDate ours = GetLunarDate(date);
        if (isMoved(date)) {
            ++differing;
            EXPECT_NE(ours, theirs) << date;
        } else if (ours != theirs && ++mismatches <= 10) {
            ADD_FAILURE() << date << ": " << ours.year << "-" << ours.month << "-" << ours.day
                          << (ours.isLeapMonth ? " leap" : "") << ", python3-lunardate " << theirs.year << "-"
                          << theirs.month << "-" << theirs.day << (theirs.isLeapMonth ? " leap" : "");
        }
    }
    EXPECT_EQ(days, 72684);  // 1901-01-01 to 2099-12-31
    EXPECT_EQ(differing, 150);
    EXPECT_EQ(mismatches, 0);
    fs::remove_all(dir);
}

// A second, independent source: ICU's astronomical Chinese calendar, checked on
// the first and last day of every month. It puts a new moon or a major solar
// term on the wrong side of midnight in eleven years (listed in
// LunarCalendar.cpp); those months are the only ones allowed to differ.
TEST(LunarReference, MonthsAgreeWithAstronomicalCalendar) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> cal(icu::Calendar::createInstance(
        icu::TimeZone::createTimeZone("Asia/Shanghai"), icu::Locale("zh_CN@calendar=chinese"), status));
    ASSERT_TRUE(U_SUCCESS(status));
    auto icuDate = [&](QVXDate date) {
        const double day = static_cast<double>(sys_days{QVXDate2Date(date)}.time_since_epoch().count());
        cal->setTime(day * 86400000.0 + 4 * 3600000.0, status);  // noon in China
        return LunarDate{cal->get(UCAL_EXTENDED_YEAR, status) - 2637, cal->get(UCAL_MONTH, status) + 1,
                         cal->get(UCAL_DATE, status), cal->get(UCAL_IS_LEAP_MONTH, status) != 0};
    };

    std::set<QVXDate> differing;  // first days (ours) of months that differ
    int months = 0;
    for (QVXDate first = LunarToQVXDate(1901, 1, 1); first <= 20991231;) {
        const LunarDate start = GetLunarDate(first);
        const bool longMonth = LunarToQVXDate(start.year, start.month, 30, start.isLeapMonth) != 0;
        const QVXDate last = AddDay(first, longMonth ? 29 : 28);
        ++months;
        if (icuDate(first) != start || icuDate(last) != GetLunarDate(last)) differing.insert(first);
        first = AddDay(last, 1);
    }
    ASSERT_TRUE(U_SUCCESS(status));
    EXPECT_GT(months, 2450);
    const std::set<QVXDate> expected = {
        19170323, 19170421,  // leap month after the 2nd (ICU: after the 3rd)
        19220625, 19220724,  // leap month after the 5th (ICU: after the 6th)
        19540203,            // New Year's Day (ICU: 02-04)
        19550222,            // 2nd month (ICU: 02-23)
        19870726, 19870824,  // leap month after the 6th (ICU: after the 7th)
        19990117,            // 12th month (ICU: 01-18)
        20120817,            // 7th month (ICU: 08-18)
        20181009, 20181108,  // 10th month begins 11-08 (ICU: 11-07)
        20270206,            // New Year's Day (ICU: 02-07)
        20300104, 20300203,  // New Year's Day 02-03 (ICU: 02-02)
        20700312,            // 2nd month (ICU: 03-13)
    };
    EXPECT_EQ(differing, expected);
}

}  // namespace
}  // namespace humrs
