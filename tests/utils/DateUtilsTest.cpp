#include "utils/DateUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace humrs {
namespace {

using namespace std::chrono;

TEST(DateConvert, CivilDates) {
    EXPECT_EQ(Date2QVXDate(2005y / January / 31), 20050131);
    EXPECT_EQ(Date2QVXDate(sys_days{2000y / February / 29}), 20000229);
    EXPECT_EQ(QVXDate2Date(20050131), 2005y / January / 31);
    EXPECT_EQ(Date2QVXDate(2005y / February / 29), 0);
    EXPECT_EQ(Date2QVXDate(year{10000} / January / 1), 0);
    EXPECT_FALSE(QVXDate2Date(0).ok());
    EXPECT_FALSE(QVXDate2Date(20050230).ok());
}

TEST(DateMaxDay, LeapYearsAndMonthLengths) {
    EXPECT_EQ(GetMaxDay(190002), 28);  // century, not divisible by 400
    EXPECT_EQ(GetMaxDay(200002), 29);  // divisible by 400
    EXPECT_EQ(GetMaxDay(200402), 29);
    EXPECT_EQ(GetMaxDay(200502), 28);
    EXPECT_EQ(GetMaxDay(200504), 30);
    EXPECT_EQ(GetMaxDay(200512), 31);
    EXPECT_EQ(GetMaxDay(200513), 0);
}

TEST(DateValid, CalendarDaysOnly) {
    EXPECT_TRUE(IsValidDate(20000229));
    EXPECT_FALSE(IsValidDate(19000229));
    EXPECT_FALSE(IsValidDate(20050431));
    EXPECT_FALSE(IsValidDate(20051301));
    EXPECT_FALSE(IsValidDate(0));
    EXPECT_FALSE(IsValidDate(-20050101));
}

TEST(DateAddDay, CrossesMonthAndYearEnds) {
    EXPECT_EQ(AddDay(20041231, 1), 20050101);
    EXPECT_EQ(AddDay(20050101, -1), 20041231);
    EXPECT_EQ(AddDay(20040228, 1), 20040229);
    EXPECT_EQ(AddDay(20050228, 1), 20050301);
    EXPECT_EQ(AddDay(20040101, 366), 20050101);
}

TEST(DateAddDay, DayPastMonthEndCountsOn) {
    // An anniversary built from a hire date of 29 February, in a common year.
    EXPECT_EQ(AddDay(20050229, -1), 20050228);
    EXPECT_EQ(AddDay(20050300, 0), 20050228);
}

TEST(DateAddDay, OutOfRangeGivesNoDate) {
    EXPECT_EQ(AddDay(0, 1), 0);
    EXPECT_EQ(AddDay(20051301, 1), 0);
    EXPECT_EQ(AddDay(99991231, 1), 0);
}

TEST(DateAddMonth, ClampsToTargetMonthEnd) {
    EXPECT_EQ(AddMonth(20050131, 1), 20050228);
    EXPECT_EQ(AddMonth(20040131, 1), 20040229);
    EXPECT_EQ(AddMonth(20040229, 12), 20050228);
    EXPECT_EQ(AddMonth(20040229, 48), 20080229);
    EXPECT_EQ(AddMonth(20050331, -1), 20050228);
    EXPECT_EQ(AddMonth(20050531, 1), 20050630);
    EXPECT_EQ(AddMonth(20050230, 0), 20050228);
}

TEST(DateAddMonth, ClampIsNotRemembered) {
    EXPECT_EQ(AddMonth(AddMonth(20050131, 1), 1), 20050328);
    EXPECT_EQ(AddMonth(20050131, 2), 20050331);
}

TEST(DateAddMonth, CrossesYearsBothWays) {
    EXPECT_EQ(AddMonth(20050610, -3), 20050310);
    EXPECT_EQ(AddMonth(20050115, -1), 20041215);
    EXPECT_EQ(AddMonth(20050115, -13), 20031215);
    EXPECT_EQ(AddMonth(20051215, 1), 20060115);
    EXPECT_EQ(AddMonth(20050115, 120), 20150115);
    // Eleven months on from the first day of a leave year, as yyyymm.
    EXPECT_EQ(AddMonth(20050301 + 10000, -1) / 100, 200602);
}

TEST(DateAddMonth, InvalidInputGivesNoDate) {
    EXPECT_EQ(AddMonth(0, 1), 0);
    EXPECT_EQ(AddMonth(20050100, 1), 0);
    EXPECT_EQ(AddMonth(99991215, 1), 0);
    EXPECT_EQ(AddMonth(10101, -1), 0);
}

TEST(DateDaysBetween, SignedDayCount) {
    EXPECT_EQ(DaysBetween(20050101, 20050102), 1);
    EXPECT_EQ(DaysBetween(20050102, 20050101), -1);
    EXPECT_EQ(DaysBetween(20040101, 20050101), 366);
    EXPECT_EQ(DaysBetween(19000101, 20000101), 36524);
    EXPECT_EQ(DaysBetween(0, 20050101), 0);
}

TEST(DateWeekDay, SundayIsZero) {
    EXPECT_EQ(WeekDay(20000101), 6);  // Saturday
    EXPECT_EQ(WeekDay(20000102), 0);  // Sunday
    EXPECT_EQ(WeekDay(20050209), 3);  // Wednesday
    EXPECT_EQ(WeekDay(20050230), -1);
    EXPECT_EQ(WeekDay(0), -1);
}

TEST(DateToday, IsTheCurrentDayWithinAZoneOffset) {
    const QVXDate today = TodayQVXDate();
    ASSERT_TRUE(IsValidDate(today));
    const QVXDate utc = Date2QVXDate(floor<days>(system_clock::now()));
    EXPECT_LE(std::abs(DaysBetween(utc, today)), 1);
}

}  // namespace
}  // namespace humrs
