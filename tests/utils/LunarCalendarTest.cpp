#include "utils/LunarCalendar.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace humrs
