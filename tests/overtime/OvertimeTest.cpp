// Saving an overtime record by person: the checks of the row, the class's working
// hours, other overtime of the person, leave (notices only), holidays and the field
// checks, grouped by rule.
#include "overtime/OvertimeFixture.h"
#include "utils/LunarCalendar.h"
#include "utils/TimeUtils.h"
#include "overtime/OvertimeMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

class OvertimeTest : public testing::OvertimeFixture {};

// ---- the row itself

TEST_F(OvertimeTest, IncompleteOrImpossibleRowsAreRefusedAndNothingIsStored) {
    struct Case {
        testing::Row row;
        const Message& refusal;
    } cases[] = {
        {Overtime("O1", "P1", kMonday, -1, 2000), msg::kOvertimeTimesMissing},
        {Overtime("O1", "P1", kMonday, 1800, -1), msg::kOvertimeTimesMissing},
        {Overtime("O1", "P1", kMonday, 1800, 2000, "  "), msg::kOvertimeClassEmpty},
        {Overtime("O1", "P2", 20021231, 1800, 2000), msg::kOvertimeOffJob},
        {Overtime("O1", "", kMonday, 1800, 2000), msg::kOvertimePersonEmpty},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Refused(SaveOvertime(c.row), c.refusal)) << c.refusal.id;
        EXPECT_EQ(Count("humOverTime"), 0);
    }
    // A time of day that does not exist is bad input under every login.
    session->loginType = 5;
    Outcome out = SaveOvertime(Overtime("O1", "P1", kMonday, 1860, 2000));
    EXPECT_EQ(out.failure, Outcome::Kind::BadInput);
    EXPECT_EQ(Count("humOverTime"), 0);
}

TEST_F(OvertimeTest, AcceptedRowIsStoredAsAByPersonRow) {
    ASSERT_TRUE(SaveOvertime(Overtime("O1", "P1", kMonday, 1800, 2000)).ok);
    EXPECT_EQ(CInt(Value("Select Flag * 10 + RowNo From humOverTime Where BillNo = 'O1'")), 10);
}

// ---- the class's working hours

TEST_F(OvertimeTest, ClassChosenByProcedureFourGuardsTheWorkingHoursOfLaterSaves) {
    auto object = Object(kOvertime);
    // Without a class chosen there is nothing to check against.
    ASSERT_TRUE(SaveWith(*object, {{Overtime("O1", "P1", kMonday, 1400, 1600)}}).ok);

    ASSERT_TRUE(object->ExecuteProc(4, Variant("DAY")).ok);
    EXPECT_TRUE(Refused(SaveWith(*object, {{Overtime("O2", "P1", 20050111, 1400, 1600)}}),
                        msg::kOvertimeInClassWorkTime));
    EXPECT_TRUE(SaveWith(*object, {{Overtime("O2", "P1", 20050111, 1730, 1900)}}).ok);
    // The break is free, and a person outside attendance is not held to the class.
    EXPECT_TRUE(SaveWith(*object, {{Overtime("O3", "P1", 20050112, 1200, 1300)}}).ok);
    AddPerson(*db, {.personId = "F1", .departId = "D1", .onJobDate = 20000101, .needAttend = false});
    EXPECT_TRUE(SaveWith(*object, {{Overtime("O4", "F1", kMonday, 1400, 1600)}}).ok);
}

TEST_F(OvertimeTest, SpanTouchesTheWorkingHoursOfEachKindOfClass) {
    AddWorkClass(*db, {.classId = "NOBREAK-NIGHT", .onDutyTime = 2000, .offDutyTime = 500, .restBeginTime = -1,
                       .restEndTime = -1});
    // Without a break and off-duty 0: a day class that works until midnight.
    AddWorkClass(*db, {.classId = "EVENING", .onDutyTime = 1600, .offDutyTime = 0, .restBeginTime = -1,
                       .restEndTime = -1});
    AddWorkClass(*db, {.classId = "EMPTYBREAK", .restBeginTime = 1200, .restEndTime = 1200});
    struct Case {
        const char* cls;
        int begin, end;
        bool inside;
    } cases[] = {
        {"DAY", 1600, 1800, true},          {"DAY", 1200, 1300, false},       {"DAY", 1700, 1900, false},
        {"DAY", 600, 800, false},           {"NIGHT", 2200, 2300, true},      {"NIGHT", 0, 100, false},
        {"NIGHT", 1800, 1900, false},       {"NOBREAK-NIGHT", 1000, 1200, false},
        {"NOBREAK-NIGHT", 2300, 100, true}, {"NOBREAK-NIGHT", 400, 600, true},
        {"EVENING", 1800, 2000, true},      {"EVENING", 1000, 1200, false},   {"EVENING", 2200, 100, true},
        {"EMPTYBREAK", 1100, 1300, true},   {"NOSUCH", 1000, 1200, false},
    };
    for (const Case& c : cases) {
        Outcome out = Proc(3, Variant(VariantArray{c.cls, c.begin, c.end}));
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(CBool(out.result), c.inside) << c.cls << " " << c.begin << "-" << c.end;
    }
}

// ---- other overtime of the person

TEST_F(OvertimeTest, OverlapWithAnotherBillIsRefusedWithItsDetails) {
    ASSERT_TRUE(SaveOvertime(Overtime("O1", "P1", kMonday, 1800, 2000)).ok);
    EXPECT_EQ(SaveOvertime(Overtime("O2", "P1", kMonday, 1900, 2100)).error,
              "本单加班时间与以下资料有冲突: (人员别)加班凭单号: O1  日期: 2005/01/10  班别: 日班  时间: 18:00 - "
              "20:00");
    // Touching spans, another person, another day.
    EXPECT_TRUE(SaveOvertime(Overtime("O2", "P1", kMonday, 2000, 2100)).ok);
    EXPECT_TRUE(SaveOvertime(Overtime("O3", "P2", kMonday, 1800, 2000)).ok);
    EXPECT_TRUE(SaveOvertime(Overtime("O4", "P1", 20050111, 1800, 2000)).ok);
}

TEST_F(OvertimeTest, SpanPastMidnightConflictsWithTheNextMorning) {
    ASSERT_TRUE(SaveOvertime(Overtime("O1", "P1", kMonday, 2200, 200)).ok);
    EXPECT_EQ(SaveOvertime(Overtime("O2", "P1", 20050111, 100, 300)).error,
              "本单加班时间与以下资料有冲突: (人员别)加班凭单号: O1  日期: 2005/01/10  班别: 日班  时间: 22:00 - "
              "02:00");
    EXPECT_TRUE(SaveOvertime(Overtime("O2", "P1", 20050111, 200, 300)).ok);
}

TEST_F(OvertimeTest, StoredBillEditedDoesNotConflictWithItselfEvenWhenRenumbered) {
    ASSERT_TRUE(SaveOvertime(Overtime("O1", "P1", kMonday, 1800, 2000)).ok);
    EXPECT_TRUE(SaveOvertime(Overtime("O1", "P1", kMonday, 1900, 2100)).ok);

    auto object = Object(kOvertime);
    ASSERT_TRUE(object->Edit(Variant("O1")).ok);
    Dataset& row = object->GetDatasets(0);
    row.SetFieldValue("BillNo", Variant("O1B"));
    row.SetFieldValue("EndTime", Variant(2200));
    row.Post();
    Outcome out = object->Save();
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(CInt(Value("Select EndTime From humOverTime Where BillNo = 'O1B'")), 2200);
    EXPECT_EQ(Count("humOverTime"), 1);
}

TEST_F(OvertimeTest, ByDateRowsCountWhateverTheirBillByPersonRowsOnlyOfOtherBills) {
    ASSERT_TRUE(SaveOvertime(Overtime("O1", "P1", kMonday, 1800, 2000)).ok);
    StoreByDateRow("O1", 1, "P1", kMonday, 1930, 2030);
    EXPECT_EQ(SaveOvertime(Overtime("O1", "P1", kMonday, 1800, 2000)).error,
              "本单加班时间与以下资料有冲突: (日期别)加班凭单号: O1  日期: 2005/01/10  班别: 日班  时间: 19:30 - "
              "20:30");

    // Seen from a by-date bill (flag 3): the by-person row of the same number counts,
    // its own by-date rows do not.
    Outcome out = Proc(1, Variant(VariantArray{"O1", "P1", kMonday, 1830, 1900, 3}));
    EXPECT_EQ(out.error,
              "本单加班时间与以下资料有冲突: (人员别)加班凭单号: O1  日期: 2005/01/10  班别: 日班  时间: 18:00 - "
              "20:00");
    EXPECT_TRUE(Proc(1, Variant(VariantArray{"O1", "P1", "20050110", "2015", "2100", 3})).ok);
}

TEST_F(OvertimeTest, RowsHandedInAreNamedByDateWhenAskedAndTheFirstConflictWins) {
    ASSERT_TRUE(SaveOvertime(Overtime("O1", "P1", kMonday, 1800, 2000)).ok);
    ASSERT_TRUE(SaveOvertime(Overtime("O2", "P1", kMonday, 2000, 2200)).ok);
    Dataset rows = Object(kOvertime)->OpenDataset(
        "Select A.*, B.ClassName From humOverTime A Left Join humClass B On A.OverTimeClass = B.ClassID "
        "Order By A.BillNo",
        -1);
    const Variant packet = Variant(rows.Data());
    EXPECT_EQ(Proc(6, Variant(VariantArray{packet, kMonday, 1900, 2100, true})).error,
              "本单加班时间与以下资料有冲突: (日期别)加班凭单号: O1  日期: 2005/01/10  班别: 日班  时间: 18:00 - "
              "20:00");
    EXPECT_TRUE(Proc(6, Variant(VariantArray{packet, kMonday, 2200, 2300, false})).ok);
}

// ---- leave of the person: notices only

TEST_F(OvertimeTest, EveryOverlappingLeaveGivesANoticeAndTheSaveGoesOn) {
    auto leave = [&](const char* bill, int flag, int begin, int end) {
        db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, BeginDate, BeginTime, EndDate, EndTime) "
                    "Values (?, ?, 0, 'P1', ?, ?, ?, ?)",
                    {Variant(flag), Variant(bill), Variant(kMonday), Variant(begin), Variant(kMonday), Variant(end)});
    };
    leave("L1", 1, 1700, 1900);
    leave("L2", 2, 1930, 2030);
    leave("L3", 3, 1800, 2000);  // set aside by every rule
    leave("L4", 1, 800, 1200);
    Outcome out = SaveOvertime(Overtime("O1", "P1", kMonday, 1800, 2000));
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.notices.size(), 2u);
    EXPECT_EQ(out.notices[0].text, "本单加班时间与以下请假单有冲突:请假单号：(L1) 请假人员：(P1)");
    EXPECT_EQ(out.notices[1].text, "本单加班时间与以下请假单有冲突:请假单号：(L2) 请假人员：(P1)");
    EXPECT_EQ(out.notices[0].kind, 1);
    EXPECT_EQ(Count("humOverTime"), 1);
}

class OvertimeUncheckedTest : public testing::OvertimeFixture {
protected:
    // Under merge-in or login type 5: before the hire date, without a class, inside the
    // class's hours, over stored overtime, without times: all let through, while an
    // overlapping leave is still told.
    void ExpectOnlyLeaveNotices() {
        db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, BeginDate, BeginTime, EndDate, EndTime) "
                    "Values (1, 'L1', 0, 'P2', 20021231, 1800, 20021231, 1900)");
        auto object = Object(kOvertime);
        ASSERT_TRUE(object->ExecuteProc(4, Variant("DAY")).ok);
        Outcome out = SaveWith(*object, {{Overtime("O1", "P2", 20021231, 1000, 1900, "")}});
        ASSERT_TRUE(out.ok) << out.error;
        ASSERT_EQ(out.notices.size(), 1u);
        EXPECT_EQ(out.notices[0].text, "本单加班时间与以下请假单有冲突:请假单号：(L1) 请假人员：(P2)");
        EXPECT_TRUE(SaveOvertime(Overtime("O2", "P2", 20021231, 1100, 1200)).ok);
        EXPECT_TRUE(SaveOvertime(Overtime("O3", "P2", 20021231, -1, -1)).ok);
        EXPECT_EQ(Count("humOverTime"), 3);
    }
};

TEST_F(OvertimeUncheckedTest, MergeInSkipsEveryCheckButTheLeaveNotices) {
    session->mergeIn = true;
    ExpectOnlyLeaveNotices();
}

TEST_F(OvertimeUncheckedTest, LoginTypeFiveSkipsEveryCheckButTheLeaveNotices) {
    session->loginType = 5;
    ExpectOnlyLeaveNotices();
}

// ---- holidays of both calendars

TEST_F(OvertimeTest, HolidaysOfTheSolarAndTheLunarCalendar) {
    AddHoliday(*db, 101, false, "元旦");
    AddHoliday(*db, 815, true, "中秋节");
    AddHoliday(*db, 505, true, "端午节");
    AddHoliday(*db, 1001, false, "国庆节", 0);  // not marked as a holiday
    AddHoliday(*db, 909, true, "重阳节", 0);
    AddHoliday(*db, 707, true, "七夕", 0);
    // Day texts carry no leading zero: a lunar New Year stored as "0101" is never found.
    db->Execute("Insert Into HumHolidays (Flag, HolidayDays, lunarCalendar) Values (1, '0101', 1)");
    const int leapDragonBoat = LunarToQVXDate(2009, 5, 5, true);
    ASSERT_NE(leapDragonBoat, 0);
    struct Case {
        int date;
        bool holiday;
    } cases[] = {
        {20050101, true},
        {20050102, false},
        {LunarToQVXDate(2005, 8, 15), true},
        {LunarToQVXDate(2009, 5, 5), true},
        {leapDragonBoat, false},                    // 5-5 of the leap fifth month
        {20051001, false},                          // Flag 0: solar days must be marked
        {LunarToQVXDate(2005, 9, 9), true},         // Flag 0: lunar festivals count unmarked
        {LunarToQVXDate(2006, 7, 7, true), false},  // 7-7 of the leap seventh month
        {LunarToQVXDate(2005, 1, 1), false},        // stored as "0101"
        {20050815, false},                          // solar 8-15 is no lunar day
    };
    for (const Case& c : cases) {
        Outcome out = Proc(2, Variant(c.date));
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(CBool(out.result), c.holiday) << c.date;
    }
    EXPECT_TRUE(CBool(Proc(2, Variant("20050101")).result));
}

// ---- field checks, default record, unserved procedures

TEST_F(OvertimeTest, FieldChecksOfPersonAndClass) {
    auto check = [&](const char* field, VariantArray values) {
        return Object(kOvertime)->CheckFieldValues(0, {Variant(field)}, values);
    };
    EXPECT_TRUE(check("PersonID", {"P2", 20030101}).ok);
    EXPECT_TRUE(Refused(check("personid", {"P2", 20021231}), msg::kOvertimePersonOffJob, {Variant("P2")}));
    EXPECT_TRUE(Refused(check("OvertimeClass", {"DAY", "", 20050110}), msg::kOvertimePersonFirst));
    Outcome out = check("OvertimeClass", {"DAY", "P2", 20021231});
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "P2人员不在职");
}

TEST_F(OvertimeTest, NewRecordStartsAndEndsNowAndUnservedProceduresDoNothing) {
    auto object = Object(kOvertime);
    ASSERT_TRUE(object->AddNew().ok);
    const int begin = CInt(object->GetDatasets(0)["BeginTime"]);
    EXPECT_EQ(CInt(object->GetDatasets(0)["EndTime"]), begin);
    EXPECT_TRUE(IsValidTime(begin) && begin < 2400) << begin;
    for (int number : {5, 7, 42}) {
        Outcome out = object->ExecuteProc(number, Variant(VariantArray{"x"}));
        EXPECT_TRUE(out.ok && out.result.IsNullOrEmpty()) << number;
    }
}

}  // namespace
}  // namespace humrs
