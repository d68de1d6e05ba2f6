#include "utils/TimeUtils.h"

#include <gtest/gtest.h>

namespace humrs {
namespace {

TEST(TimeConvert, MinutesAndDisplay) {
    EXPECT_EQ(TimeToMinutes(830), 510);
    EXPECT_EQ(TimeToMinutes(2400), 1440);
    EXPECT_EQ(TimeToMinutes(-1), -1);
    EXPECT_EQ(MinutesToTime(510), 830);
    EXPECT_EQ(MinutesToTime(1440), 2400);
    EXPECT_EQ(MinutesToTime(-5), -1);

    EXPECT_EQ(QvxTime2Show(830), "08:30");
    EXPECT_EQ(QvxTime2Show(5), "00:05");
    EXPECT_EQ(QvxTime2Show(1745), "17:45");
    EXPECT_EQ(QvxTime2Show(2400), "24:00");
    EXPECT_EQ(QvxTime2Show(-1), "");
}

// (begin, end, begin, end): daily clock spans.
TEST(TimeConflictClock, OverlapAndTouching) {
    EXPECT_TRUE(IsTimeConflict(800, 1200, 1100, 1300));
    EXPECT_TRUE(IsTimeConflict(800, 1700, 1000, 1100));  // contained
    EXPECT_FALSE(IsTimeConflict(800, 1200, 1200, 1300));  // touching
    EXPECT_FALSE(IsTimeConflict(1200, 1300, 800, 1200));
}

TEST(TimeConflictClock, SpansPassingMidnight) {
    EXPECT_TRUE(IsTimeConflict(2200, 600, 500, 700));
    EXPECT_TRUE(IsTimeConflict(2200, 200, 100, 300));  // the pattern repeats daily
    EXPECT_TRUE(IsTimeConflict(2200, 600, 2300, 100));
    EXPECT_FALSE(IsTimeConflict(2200, 600, 600, 2200));  // touching at both ends
    EXPECT_FALSE(IsTimeConflict(2200, 600, 800, 1700));
    EXPECT_FALSE(IsTimeConflict(1600, 0, 0, 800));  // 16:00 to midnight
    EXPECT_TRUE(IsTimeConflict(1600, 0, 2330, 2400));
    EXPECT_FALSE(IsTimeConflict(1600, 2400, 0, 800));
}

TEST(TimeConflictClock, WholeDayAndNotEntered) {
    EXPECT_TRUE(IsTimeConflict(800, 800, 300, 400));  // end equal to begin: whole day
    EXPECT_TRUE(IsTimeConflict(0, 0, 1200, 1201));
    EXPECT_TRUE(IsTimeConflict(0, 2400, 2359, 2400));
    EXPECT_FALSE(IsTimeConflict(-1, 1200, 800, 1300));
}

// (date, begin, end, begin, end): both spans begin on the same date.
TEST(TimeConflictOneDate, OverlapAndMidnight) {
    EXPECT_TRUE(IsTimeConflict(20050301, 800, 1200, 1100, 1300));
    EXPECT_FALSE(IsTimeConflict(20050301, 800, 1200, 1200, 1300));
    EXPECT_TRUE(IsTimeConflict(20050301, 2200, 600, 2300, 2330));
    EXPECT_TRUE(IsTimeConflict(20050301, 2200, 600, 2300, 100));
    // 01:00-03:00 of the same date is the morning before 22:00.
    EXPECT_FALSE(IsTimeConflict(20050301, 2200, 200, 100, 300));
    EXPECT_FALSE(IsTimeConflict(20050301, 2200, 0, 0, 100));
    EXPECT_FALSE(IsTimeConflict(20050301, 900, 900, 800, 1000));  // empty span
    EXPECT_FALSE(IsTimeConflict(0, 800, 1200, 1100, 1300));
}

// (date, begin, end, date, begin, end).
TEST(TimeConflictTwoDates, NightSpanMeetsNextDay) {
    EXPECT_TRUE(IsTimeConflict(20050301, 2200, 200, 20050302, 100, 300));
    EXPECT_FALSE(IsTimeConflict(20050301, 2200, 200, 20050302, 200, 300));  // touching
    EXPECT_FALSE(IsTimeConflict(20050301, 2200, 200, 20050303, 100, 300));
    EXPECT_TRUE(IsTimeConflict(20050228, 2300, 100, 20050301, 0, 30));  // month end
    EXPECT_FALSE(IsTimeConflict(20050301, 2200, 2400, 20050302, 0, 100));
    EXPECT_TRUE(IsTimeConflict(20050301, 2200, 2400, 20050301, 2300, 0));
}

// (begin date, begin time, end date, end time) twice.
TEST(TimeConflictDateTime, MultiDaySpans) {
    EXPECT_TRUE(IsTimeConflict(20050301, 800, 20050303, 1700, 20050302, 800, 20050302, 1200));
    EXPECT_TRUE(IsTimeConflict(20050301, 800, 20050303, 1700, 20050303, 1600, 20050304, 900));
    EXPECT_FALSE(IsTimeConflict(20050301, 800, 20050303, 1700, 20050303, 1700, 20050304, 900));
    EXPECT_TRUE(IsTimeConflict(20050228, 2200, 20050301, 600, 20050301, 500, 20050301, 700));
    EXPECT_FALSE(IsTimeConflict(20050301, 800, 20050301, 2400, 20050302, 0, 20050302, 800));
    EXPECT_TRUE(IsTimeConflict(20050301, 800, 20050301, 2400, 20050301, 2359, 20050302, 1));
}

TEST(TimeConflictDateTime, SameDateEndBelowBeginEndsNextDay) {
    // An overnight span passed with the same date at both ends.
    EXPECT_TRUE(IsTimeConflict(20050301, 2200, 20050301, 200, 20050302, 100, 20050302, 300));
    EXPECT_FALSE(IsTimeConflict(20050301, 2200, 20050301, 200, 20050301, 100, 20050301, 300));
}

TEST(TimeConflictDateTime, EmptyOrMissingSpansNeverConflict) {
    // End date before begin date.
    EXPECT_FALSE(IsTimeConflict(20050302, 800, 20050301, 1700, 20050301, 0, 20050303, 0));
    EXPECT_FALSE(IsTimeConflict(20050301, 900, 20050301, 900, 20050301, 800, 20050301, 1000));
    EXPECT_FALSE(IsTimeConflict(20050301, -1, 20050301, 900, 20050301, 800, 20050301, 1000));
    EXPECT_FALSE(IsTimeConflict(0, 800, 20050301, 900, 20050301, 800, 20050301, 1000));
}

TEST(TimeBetween, SecondSpanWithinFirst) {
    EXPECT_TRUE(IsBetweenTwoTime(20050301, 800, 20050303, 1700, 20050302, 800, 20050302, 1200));
    EXPECT_TRUE(IsBetweenTwoTime(20050301, 800, 20050303, 1700, 20050301, 800, 20050303, 1700));
    EXPECT_FALSE(IsBetweenTwoTime(20050301, 800, 20050303, 1700, 20050301, 759, 20050302, 1200));
    EXPECT_FALSE(IsBetweenTwoTime(20050301, 800, 20050303, 1700, 20050303, 1600, 20050303, 1701));
    EXPECT_FALSE(IsBetweenTwoTime(20050302, 800, 20050302, 1200, 20050301, 800, 20050303, 1700));
    EXPECT_FALSE(IsBetweenTwoTime(20050301, 800, 20050303, 1700, 20050302, -1, 20050302, 1200));
}

TEST(TimeBetween, MomentInsideOvernightShift) {
    // Night shift from the previous day 22:00 to 06:00; is a begin moment inside it?
    EXPECT_TRUE(IsBetweenTwoTime(20050228, 2200, 20050301, 600, 20050301, 500, 20050301, 500));
    EXPECT_TRUE(IsBetweenTwoTime(20050228, 2200, 20050301, 600, 20050301, 600, 20050301, 600));
    EXPECT_FALSE(IsBetweenTwoTime(20050228, 2200, 20050301, 600, 20050301, 601, 20050301, 601));
    EXPECT_FALSE(IsBetweenTwoTime(20050228, 2200, 20050301, 600, 20050228, 2100, 20050228, 2100));
    EXPECT_TRUE(IsBetweenTwoTime(20050301, 2200, 20050301, 600, 20050302, 100, 20050302, 300));
}

TEST(TimeDistance, MinutesAcrossDays) {
    EXPECT_EQ(DistOfTime(20050301, 800, 20050301, 1730, TTimeType::Minute), 570);
    EXPECT_EQ(DistOfTime(20050301, 2200, 20050302, 600, TTimeType::Minute), 480);
    EXPECT_EQ(DistOfTime(20050228, 2330, 20050301, 30, TTimeType::Minute), 60);
    EXPECT_EQ(DistOfTime(20041231, 2300, 20050101, 100, TTimeType::Minute), 120);
    EXPECT_EQ(DistOfTime(20050301, 800, 20050301, 800, TTimeType::Minute), 0);
    EXPECT_EQ(DistOfTime(20050301, 900, 20050301, 800, TTimeType::Minute), -60);
}

TEST(TimeDistance, EndOfDay2400) {
    EXPECT_EQ(DistOfTime(20050301, 2200, 20050301, 2400, TTimeType::Minute), 120);
    EXPECT_EQ(DistOfTime(20050301, 0, 20050301, 2400, TTimeType::Minute), 1440);
    EXPECT_EQ(DistOfTime(20050301, 2400, 20050302, 0, TTimeType::Minute), 0);
    EXPECT_EQ(DistOfTime(20050228, 2400, 20050301, 2400, TTimeType::Minute), 1440);
}

TEST(TimeDistance, HoursDaysAndMissingValues) {
    EXPECT_DOUBLE_EQ(DistOfTime(20050301, 800, 20050301, 930, TTimeType::Hour), 1.5);
    EXPECT_DOUBLE_EQ(DistOfTime(20050301, 800, 20050302, 2000, TTimeType::Day), 1.5);
    EXPECT_EQ(DistOfTime(20050301, -1, 20050301, 930, TTimeType::Minute), 0);
    EXPECT_EQ(DistOfTime(0, 800, 20050301, 930, TTimeType::Minute), 0);
}

}  // namespace
}  // namespace humrs
