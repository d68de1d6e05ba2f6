// The reference-data builders write what the business rules read: dates and
// states of employment, holidays as the holiday statements spell them, one class per
// weekday, and parameters that are replaced rather than duplicated.
#include <gtest/gtest.h>

#include "db/Schema.h"
#include "hosting/ClassTable.h"
#include "suite/Seed.h"
#include "core/Convert.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

class SeedTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testing::OpenTestDatabase();
    }
    Variant One(const std::string& sql, const std::vector<Variant>& params = {}) {
        auto row = db->QueryFirst(sql, params);
        return row ? (*row)[0] : Variant();
    }
    std::unique_ptr<Database> db;
};

TEST_F(SeedTest, PersonStateFollowsTheEmploymentDates) {
    AddPerson(*db, {.personId = "E1", .departId = "D1", .onJobDate = 20200301, .jobSch = "S1"});
    AddPerson(*db, {.personId = "E2", .onJobDate = 20150401, .leaveJobDate = 20230630});
    AddPerson(*db, {.personId = "E3", .workState = work_state::kProbation, .needAttend = false});

    EXPECT_EQ(CStr(One("Select PersonName From comPerson Where PersonID = 'E1'")), "E1");
    EXPECT_EQ(CInt(One("Select WorkState From humPersonExtend Where PersonID = 'E1'")), work_state::kFormal);
    EXPECT_EQ(CInt(One("Select FormalDate From humPersonExtend Where PersonID = 'E1'")), 20200301);
    EXPECT_EQ(CStr(One("Select JobSch From humPersonExtend Where PersonID = 'E1'")), "S1");
    EXPECT_EQ(CInt(One("Select WorkState From humPersonExtend Where PersonID = 'E2'")), work_state::kLeft);
    EXPECT_EQ(CInt(One("Select LeaveJobDate From comPerson Where PersonID = 'E2'")), 20230630);
    EXPECT_EQ(CInt(One("Select WorkState From humPersonExtend Where PersonID = 'E3'")),
              work_state::kProbation);
    EXPECT_FALSE(CBool(One("Select NeedAttend From humPersonExtend Where PersonID = 'E3'")));
    EXPECT_THROW(AddPerson(*db, {.personId = "E1"}), DatabaseError);
}

TEST_F(SeedTest, ScheduleHasAClassPerWeekdayAndDatesOverrideIt) {
    AddWorkClass(
        *db,
        {.classId = "N", .onDutyTime = 2000, .offDutyTime = 500, .restBeginTime = 0, .restEndTime = 100});
    EXPECT_EQ(CInt(One("Select OverTime From humClass Where ClassID = 'N'")), 500)
        << "overtime counts from the end of the shift unless told otherwise";
    EXPECT_EQ(CInt(One("Select RestBeginTime From humClass Where ClassID = 'N'")), 0);

    AddSchedule(*db, "S1", FiveDayWeek("A"));
    EXPECT_EQ(CInt(One("Select Count(*) From humJobScheduleDay Where SchID = 'S1'")), 7);
    EXPECT_EQ(CStr(One("Select ClassID From humJobScheduleDay Where SchID = 'S1' And WeekDay = 0")), "");
    EXPECT_EQ(CStr(One("Select ClassID From humJobScheduleDay Where SchID = 'S1' And WeekDay = 5")), "A");

    SetPersonClassOnDate(*db, "E1", 20240612, "N");
    SetPersonClassOnDate(*db, "E1", 20240612, "");
    EXPECT_EQ(CInt(One("Select Count(*) From humPersonClassDate")), 1);
    EXPECT_EQ(CStr(One("Select ClassID From humPersonClassDate Where WorkDate = 20240612")), "");
}

TEST_F(SeedTest, HolidaysAreWrittenWithoutLeadingZeros) {
    AddHoliday(*db, 101, false, "元旦");
    AddHoliday(*db, 101, true, "春节");
    AddHoliday(*db, 815, true, "中秋节");
    AddHoliday(*db, 815, true, "中秋");
    EXPECT_EQ(CInt(One("Select Count(*) From HumHolidays Where HolidayDays = '101' And Flag = 1")), 2);
    EXPECT_EQ(
        CStr(One("Select HolidayName From HumHolidays Where HolidayDays = '815' And lunarCalendar = 1")),
        "中秋");
}

TEST_F(SeedTest, LeaveCategoryDefaultsToAnOrdinaryHourlyCategory) {
    AddLeaveCategory(*db, {.excuseClsId = "L1"});
    auto row = db->QueryFirst("Select ExcuseCls, UnitName, ExcuseUnit, CutPayment From humExcuseCls");
    ASSERT_TRUE(row);
    EXPECT_EQ(CInt((*row)[0]), leave_kind::kOrdinary);
    EXPECT_EQ(CInt((*row)[1]), 1);
    EXPECT_DOUBLE_EQ(CFloat((*row)[2]), 0.5);
    EXPECT_FALSE(CBool((*row)[3]));
}

TEST_F(SeedTest, ParameterIsReplacedNotDuplicated) {
    EXPECT_FALSE(FindParam(*db, "HumMakeUpRestTerm"));
    SetParam(*db, "HumMakeUpRestTerm", "6");
    SetParam(*db, "hummakeuprestterm", "3");
    EXPECT_EQ(FindParam(*db, "HumMakeUpRestTerm"), "3");
    EXPECT_EQ(CInt(One("Select Count(*) From comSysParam")), 1);
}

}  // namespace
}  // namespace humrs
