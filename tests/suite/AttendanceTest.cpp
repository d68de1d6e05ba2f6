// Employment, work classes, leave length by shift, leave used in a period and the
// daily attendance detail, on a small company: P1 hired on 2005/01/10 and leaving
// on 2005/01/20 on the day shift (08:00-17:00, break 12:00-13:00), N1 on the night
// shift (20:00-05:00, break 00:00-01:00), both Monday to Friday. 2005/01/14 is a
// Friday.
#include "support/Fixture.h"
#include "support/ShiftCompany.h"
#include "suite/Attendance.h"

namespace humrs {
namespace {

class AttendanceTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        testing::AddDayAndNightShifts(*db);
        AddPerson(*db, {.personId = "P1", .onJobDate = 20050110, .leaveJobDate = 20050120, .jobSch = "S-DAY"});
        AddPerson(*db, {.personId = "N1", .onJobDate = 20000101, .jobSch = "S-NIGHT"});
        AddPerson(*db, {.personId = "X1", .onJobDate = 0});
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseCls = leave_kind::kPersonal, .unitName = 1});
        AddLeaveCategory(*db, {.excuseClsId = "BJ", .excuseCls = leave_kind::kSick, .unitName = 0});
    }

    double Hours(const std::string& person, int bd, int bt, int ed, int et) {
        return CalExcuse(*db, person, "SJ", bd, ed, bt, et, kUnitHours);
    }
    double Days(const std::string& person, int bd, int bt, int ed, int et) {
        return CalExcuse(*db, person, "SJ", bd, ed, bt, et, kUnitDays);
    }

    void StoreLeave(const std::string& billNo, int flag, const std::string& person, const std::string& cls, int bd,
                    int bt, int ed, int et, double count, double cut = 0) {
        db->Execute(
            "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, "
            "EndTime, ExcuseCount, CutExcuseCount) Values (?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?)",
            {Variant(flag), Variant(billNo), Variant(person), Variant(cls), Variant(bd), Variant(bt), Variant(ed),
             Variant(et), Variant(count), Variant(cut)});
    }

    // A change set as a bill's save hands it on: rows stored before (`stored`), then
    // the edits made to them.
    static Dataset Rows(const std::vector<std::string>& fields, const std::vector<VariantArray>& stored) {
        std::vector<FieldDef> defs;
        for (const auto& f : fields) defs.push_back({f, FieldType::Unknown});
        Dataset ds(defs);
        std::vector<std::vector<Variant>> rows(stored.begin(), stored.end());
        ds.LoadStored(rows);
        return ds;
    }
    static void AppendRow(Dataset& ds, const VariantArray& values) {
        ds.Append();
        for (size_t i = 0; i < values.size(); ++i) ds.SetFieldValue(ds.Field(i).name, values[i]);
        ds.Post();
    }
    double Detail(const std::string& column, const std::string& person, int date) {
        return CFloat(Value("Select " + column + " From humAttendDetail Where PersonID = '" + person +
                            "' And DetailDate = " + std::to_string(date)));
    }
};

// ---- employment

TEST_F(AttendanceTest, HireAndLeavingDatesAreBothDaysOnTheJob) {
    EXPECT_FALSE(GetIsOnWork(*db, "P1", 20050109));
    EXPECT_TRUE(GetIsOnWork(*db, "P1", 20050110));
    EXPECT_TRUE(GetIsOnWork(*db, "P1", 20050120));
    EXPECT_FALSE(GetIsOnWork(*db, "P1", 20050121));
    EXPECT_FALSE(GetIsOnWork(*db, "X1", 20050115));  // no hire date recorded
    EXPECT_FALSE(GetIsOnWork(*db, "NOBODY", 20050115));
}

TEST_F(AttendanceTest, SpanAcrossHireOrLeavingDateDependsOnTheWholeSpanFlag) {
    EXPECT_FALSE(GetIsOnWork(*db, "P1", 20050105, 20050115, true));
    EXPECT_TRUE(GetIsOnWork(*db, "P1", 20050105, 20050115, false));
    EXPECT_TRUE(GetIsOnWork(*db, "P1", 20050110, 20050120, true));
    EXPECT_FALSE(GetIsOnWork(*db, "P1", 20050115, 20050121, true));
    EXPECT_TRUE(GetIsOnWork(*db, "P1", 20050120, 20050131, false));
    EXPECT_FALSE(GetIsOnWork(*db, "P1", 20050121, 20050131, false));
    // A salary month stands for its days; a reversed span reads the other way round.
    EXPECT_TRUE(GetIsOnWork(*db, "P1", 200501, 200501, false));
    EXPECT_FALSE(GetIsOnWork(*db, "P1", 200501, 200501, true));
    EXPECT_FALSE(GetIsOnWork(*db, "P1", 200502, 200502, false));
    EXPECT_TRUE(GetIsOnWork(*db, "P1", 20050115, 20050105, false));
}

TEST_F(AttendanceTest, PersonsOnTheJobAsAnSqlList) {
    EXPECT_EQ(GetPersonIDOnWork(*db, 20050115), "'N1','P1'");
    EXPECT_EQ(GetPersonIDOnWork(*db, 20050125, false, false), "N1");
    EXPECT_EQ(GetPersonIDOnWork(*db, 19990101), "");
    EXPECT_EQ(GetPersonIDOnWork(*db, 20050101, 20050131, true), "'N1'");
    EXPECT_EQ(GetPersonIDOnWork(*db, 20050101, 20050131, false), "'N1','P1'");

    db->Execute("Update humPersonExtend Set NeedAttend = 0, WorkState = 5 Where PersonID = 'N1'");
    EXPECT_EQ(GetPersonIDOnWork(*db, 20050115, true), "'P1'");
    EXPECT_EQ(GetPersonIDOnWork(*db, 20050115, false, true, true), "'P1'");
    EXPECT_FALSE(GetPersonNeedAttend(*db, "N1", 20050115));
    EXPECT_TRUE(GetPersonNeedAttend(*db, "P1", 20050115));
    EXPECT_FALSE(GetPersonNeedAttend(*db, "P1", 20050121));  // off the job
}

TEST_F(AttendanceTest, CheckGetIsOnWorkNamesTheFirstPersonOffTheJob) {
    Dataset rows = Rows({"PersonID", "WorkDate"}, {});
    AppendRow(rows, {Variant("P1"), Variant(20050120)});
    AppendRow(rows, {Variant(""), Variant(20050101)});  // no person yet: passed over
    EXPECT_NO_THROW(CheckGetIsOnWork(*db, rows, "WorkDate", "PersonID"));

    AppendRow(rows, {Variant("P1"), Variant(20050121)});
    try {
        CheckGetIsOnWork(*db, Variant(rows.Data()), "workdate", "personid");
        FAIL() << "expected a refusal";
    } catch (const BusinessError& e) {
        EXPECT_STREQ(e.what(), "P1人员在2005/01/21不在职");
    }
}

TEST_F(AttendanceTest, CheckGetIsOnWorkReadsAChangeSetAsItWillBeStored) {
    Dataset rows = Rows({"PersonID", "WorkDate"}, {{Variant("P1"), Variant(20050125)}, {Variant("P1"), Variant(20050126)}});
    rows.First();
    rows.SetFieldValue("WorkDate", 20050115);  // moved into the employment
    rows.Post();
    rows.Next();
    rows.Delete();  // gone: not checked
    EXPECT_NO_THROW(CheckGetIsOnWork(*db, Variant(rows.Delta()), "WorkDate", "PersonID"));
}

// ---- work classes

TEST_F(AttendanceTest, ClassComesFromTheScheduleUnlessTheDateIsOverridden) {
    EXPECT_EQ(GetPersonClassNo(*db, "P1", 20050114), "DAY");   // Friday
    EXPECT_EQ(GetPersonClassNo(*db, "P1", 20050115), "");      // Saturday: rest day
    EXPECT_EQ(GetPersonClassNo(*db, "X1", 20050114), "");      // no schedule

    SetPersonClassOnDate(*db, "P1", 20050115, "NIGHT");
    SetPersonClassOnDate(*db, "P1", 20050117, "");  // Monday made a rest day
    EXPECT_EQ(GetPersonClassNo(*db, "P1", 20050115), "NIGHT");
    EXPECT_EQ(GetPersonClassNo(*db, "P1", 20050117), "");

    // An explicit schedule replaces the person's own, the override still wins.
    EXPECT_EQ(GetClassNo(*db, "P1", "S-NIGHT", 20050114), "NIGHT");
    EXPECT_EQ(GetClassNo(*db, "P1", "S-NIGHT", 20050115), "NIGHT");
    EXPECT_EQ(GetClassNo(*db, "P1", "", 20050114), "");
}

// ---- leave length

TEST_F(AttendanceTest, DayShiftLeaveLeavesOutTheBreak) {
    EXPECT_DOUBLE_EQ(Hours("P1", 20050114, 800, 20050114, 1700), 8);
    EXPECT_DOUBLE_EQ(Days("P1", 20050114, 800, 20050114, 1700), 1);
    EXPECT_DOUBLE_EQ(CalExcuse(*db, "P1", "SJ", 20050114, 20050114, 800, 1700, kUnitMinutes), 480);
    EXPECT_DOUBLE_EQ(Hours("P1", 20050114, 800, 20050114, 1300), 4);  // up to the end of the break
    EXPECT_DOUBLE_EQ(Days("P1", 20050114, 1100, 20050114, 1500), 0.375);
    EXPECT_DOUBLE_EQ(Hours("P1", 20050114, 1210, 20050114, 1250), 0);  // inside the break
    // Times not entered are the whole days; a negative unit is the category's.
    EXPECT_DOUBLE_EQ(Hours("P1", 20050114, -1, 20050114, -1), 8);
    EXPECT_DOUBLE_EQ(CalExcuse(*db, "P1", "BJ", 20050114, 20050114, 800, 1200, -1), 0.5);
}

TEST_F(AttendanceTest, WeekendInsideALeaveCountsNothing) {
    EXPECT_DOUBLE_EQ(Hours("P1", 20050114, 1300, 20050117, 1200), 8);  // Friday afternoon to Monday noon
    EXPECT_DOUBLE_EQ(Days("P1", 20050114, 1300, 20050117, 1200), 1);
    EXPECT_DOUBLE_EQ(Days("P1", 20050115, 800, 20050116, 1700), 0);
    // Taken literally the same span is almost three days.
    EXPECT_DOUBLE_EQ(CalExcuse(*db, "P1", "SJ", 20050114, 20050117, 1300, 1200, kUnitDays, false), 2.9583);
}

TEST_F(AttendanceTest, NightShiftCountsOnTheDateItStarts) {
    EXPECT_DOUBLE_EQ(Hours("N1", 20050117, 2000, 20050118, 500), 8);  // break 00:00-01:00
    EXPECT_DOUBLE_EQ(Days("N1", 20050117, 2000, 20050118, 500), 1);
    EXPECT_DOUBLE_EQ(Hours("N1", 20050118, 0, 20050118, 500), 4);     // Monday's shift, after midnight
    // Friday's shift runs into Saturday, a rest day of its own.
    EXPECT_DOUBLE_EQ(Hours("N1", 20050115, 100, 20050115, 500), 4);
    EXPECT_DOUBLE_EQ(Days("N1", 20050115, 100, 20050115, 500), 0.5);
    // Saturday night has no shift.
    EXPECT_DOUBLE_EQ(Hours("N1", 20050115, 2000, 20050116, 500), 0);
    // On one date an end before the begin runs into the next day.
    EXPECT_DOUBLE_EQ(Hours("N1", 20050117, 2200, 20050117, 0), 2);
}

// ---- leave used in a period

TEST_F(AttendanceTest, PeriodCountSumsTheKindLessCancellationsAndTheExcludedBill) {
    StoreLeave("L1", 1, "P1", "SJ", 20050111, 800, 20050111, 1200, 4, 1);   // counts 3
    StoreLeave("L2", 2, "P1", "SJ", 20050131, 800, 20050201, 1200, 8);      // begins in the period
    StoreLeave("L3", 3, "P1", "SJ", 20050112, 800, 20050112, 1200, 4);      // Flag 3: never
    StoreLeave("L4", 1, "P1", "BJ", 20050113, 800, 20050113, 1200, 0.5);    // another kind
    StoreLeave("L5", 1, "P1", "SJ", 20050201, 800, 20050201, 1200, 2);      // after the period
    StoreLeave("L6", 1, "N1", "SJ", 20050111, 800, 20050111, 1200, 2);      // another person
    EXPECT_DOUBLE_EQ(GetPrsnPeriodExCount(*db, "P1", leave_kind::kPersonal, 20050101, 20050131, ""), 11);
    EXPECT_DOUBLE_EQ(GetPrsnPeriodExCount(*db, "P1", leave_kind::kPersonal, 20050101, 20050131, "L2:2"), 3);
    EXPECT_DOUBLE_EQ(GetPrsnPeriodExCount(*db, "P1", leave_kind::kPersonal, 20050101, 20050131, "L2:1"), 11);
    EXPECT_DOUBLE_EQ(GetPrsnPeriodExCount(*db, "P1", leave_kind::kSick, 20050101, 20050131, ""), 0.5);
    EXPECT_DOUBLE_EQ(GetPrsnPeriodExCount(*db, "P1", leave_kind::kSpecialAnnual, 20050101, 20050131, ""), 0);
}

// ---- attendance detail

TEST_F(AttendanceTest, LeaveDetailFollowsTheOldAndNewDatesOfAChangedRow) {
    db->Execute("Insert Into humAttendDetail (PersonID, DetailDate, LeaveMinutes) Values ('P1', 20050119, 999)");
    StoreLeave("L1", 1, "P1", "SJ", 20050114, 800, 20050114, 1700, 8);
    Dataset rows = Rows({"PersonID", "BeginDate", "EndDate"}, {});
    AppendRow(rows, {Variant("P1"), Variant(20050114), Variant(20050114)});
    ResetDetail(*db, kDetailLeave, Variant(rows.Delta()), true, false);
    EXPECT_DOUBLE_EQ(Detail("LeaveMinutes", "P1", 20050114), 480);

    // The bill moves to Monday morning.
    db->Execute("Update humExcuse Set BeginDate = 20050117, EndDate = 20050117, EndTime = 1200");
    rows.AcceptChanges();
    rows.First();
    rows.SetFieldValue("BeginDate", 20050117);
    rows.SetFieldValue("EndDate", 20050117);
    rows.Post();
    ResetDetail(*db, kDetailLeave, Variant(rows.Delta()), true, false);
    EXPECT_EQ(Count("humAttendDetail Where PersonID = 'P1' And DetailDate = 20050114"), 0);
    EXPECT_DOUBLE_EQ(Detail("LeaveMinutes", "P1", 20050117), 240);
    EXPECT_DOUBLE_EQ(Detail("LeaveMinutes", "P1", 20050119), 999);  // not touched: left alone
}

// Friday to Monday: the schedule's days of the span are read, each on its own date.
TEST_F(AttendanceTest, LeaveDetailOverAWeekendCountsTheWorkingDaysOnly) {
    StoreLeave("L1", 1, "P1", "SJ", 20050114, 800, 20050117, 1700, 16);
    Dataset rows = Rows({"PersonID", "BeginDate", "EndDate"}, {});
    AppendRow(rows, {Variant("P1"), Variant(20050114), Variant(20050117)});
    ResetDetail(*db, kDetailLeave, Variant(rows.Delta()), true, false);
    EXPECT_DOUBLE_EQ(Detail("LeaveMinutes", "P1", 20050114), 480);
    EXPECT_DOUBLE_EQ(Detail("LeaveMinutes", "P1", 20050117), 480);
    EXPECT_EQ(Count("humAttendDetail Where DetailDate In (20050115, 20050116)"), 0);
}

TEST_F(AttendanceTest, NightLeaveDetailLandsOnTheShiftDate) {
    StoreLeave("L1", 1, "N1", "SJ", 20050118, 0, 20050118, 500, 4);
    Dataset rows = Rows({"PersonID", "BeginDate", "EndDate"}, {});
    AppendRow(rows, {Variant("N1"), Variant(20050118), Variant(20050118)});
    ResetDetail(*db, kDetailLeave, Variant(rows.Delta()), false, false);
    EXPECT_DOUBLE_EQ(Detail("LeaveMinutes", "N1", 20050117), 240);
    EXPECT_EQ(Count("humAttendDetail Where DetailDate = 20050118"), 0);
}

TEST_F(AttendanceTest, DeletingOvertimeKeepsTheOtherFiguresOfTheDay) {
    db->Execute(
        "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
        "HolidayCount) Values (1, 'O1', 0, 'P1', 20050114, 1800, 2100, 2, 1)");
    db->Execute("Insert Into humAttendDetail (PersonID, DetailDate, LeaveMinutes) Values ('P1', 20050114, 60)");
    Dataset rows = Rows({"PersonID", "OverTimeDate"}, {});
    AppendRow(rows, {Variant("P1"), Variant(20050114)});
    ResetDetail(*db, kDetailOverTime, Variant(rows.Delta()), true, false);
    EXPECT_DOUBLE_EQ(Detail("OverTimeHours", "P1", 20050114), 3);
    EXPECT_DOUBLE_EQ(Detail("LeaveMinutes", "P1", 20050114), 60);

    db->Execute("Delete From humOverTime");
    rows.AcceptChanges();
    rows.DeleteDataset();
    ResetDetail(*db, kDetailOverTime, Variant(rows.Delta()), true, true);
    EXPECT_DOUBLE_EQ(Detail("OverTimeHours", "P1", 20050114), 0);
    EXPECT_DOUBLE_EQ(Detail("LeaveMinutes", "P1", 20050114), 60);

    db->Execute("Update humAttendDetail Set LeaveMinutes = 0");
    ResetDetail(*db, kDetailOverTime, Variant(rows.Delta()), true, true);
    EXPECT_EQ(Count("humAttendDetail"), 0);  // nothing left of the day
}

TEST_F(AttendanceTest, HourlyWorkDetailIsTheSpanOfTheDayRows) {
    db->Execute(
        "Insert Into HumHourSalarySub (Flag, BillNo, RowNo, PersonID, WorkDate, BeginTime, EndTime) Values "
        "(1, 'H1', 1, 'P1', 20050114, 800, 1130)");
    db->Execute(
        "Insert Into HumHourSalarySub (Flag, BillNo, RowNo, PersonID, WorkDate, BeginTime, EndTime) Values "
        "(1, 'H2', 1, 'P1', 20050114, 2200, 200)");
    Dataset rows = Rows({"PersonID", "WorkDate"}, {});
    AppendRow(rows, {Variant("P1"), Variant(20050114)});
    ResetDetail(*db, kDetailHourWork, Variant(rows.Delta()), false, false);
    EXPECT_DOUBLE_EQ(Detail("HourWorkHours", "P1", 20050114), 7.5);
}

}  // namespace
}  // namespace humrs
