// The suite's outside objects as the business classes reach them: created by ProgID
// in any letter case, each procedure on data the test builds.
#include "support/Fixture.h"
#include "suite/Attendance.h"

namespace humrs {
namespace {

class SuiteObjectsTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddDepartment(*db, "D2", "财务部");
        AddDepartment(*db, "D1", "生产部");
        AddWorkClass(*db, {.classId = "DAY"});
        AddWorkClass(*db, {.classId = "NIGHT", .onDutyTime = 2000, .offDutyTime = 500, .restBeginTime = -1,
                           .restEndTime = -1});
        AddSchedule(*db, "S-DAY", FiveDayWeek("DAY"));
        AddPerson(*db, {.personId = "P1", .personName = "张三", .departId = "D1", .onJobDate = 20000310,
                        .jobSch = "S-DAY"});
        AddPerson(*db, {.personId = "P2", .departId = "D1", .onJobDate = 20050117, .leaveJobDate = 20050220});
        AddPerson(*db, {.personId = "P3", .departId = "D2", .onJobDate = 20000101, .leaveJobDate = 20041231});
    }

    Variant Proc(const std::string& progId, int procNo, const Variant& arg1, const Variant& arg2 = Variant()) {
        Outcome out = Object(progId)->ExecuteProc(procNo, arg1, arg2);
        EXPECT_TRUE(out.ok) << out.error;
        return out.result;
    }
    void Settings(const std::string& person, const std::string& extraColumns, const std::string& extraValues) {
        db->Execute("Insert Into humPersonSetMain (Flag, ID" + extraColumns + ") Values (1, '" + person + "'" +
                    extraValues + ")");
    }
    void Overtime(const std::string& billNo, const std::string& person, int date, int begin, int end, double a,
                  double b, double c, double holiday, int redeem = 0, double eliminated = 0) {
        db->Execute(
            "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
            "FieldBCount, FieldCCount, HolidayCount, RedeemType, NotIntoOverTimeValue) "
            "Values (1, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {Variant(billNo), Variant(person), Variant(date), Variant(begin), Variant(end), Variant(a), Variant(b),
             Variant(c), Variant(holiday), Variant(redeem), Variant(eliminated)});
    }
    double Eliminated(const std::string& billNo) {
        return CFloat(Value("Select NotIntoOverTimeValue From humOverTime Where BillNo = '" + billNo + "'"));
    }
};

double Field(const Variant& packet, const std::string& name, size_t row = 0) {
    Dataset ds = Dataset::FromPacket(packet);
    ds.MoveTo(row);
    return CFloat(ds[name]);
}

// ---- "QVXHumrs.Reset"

TEST_F(SuiteObjectsTest, ResetSeniorityIsCompletedYearsAtTheDate) {
    EXPECT_EQ(CInt(Proc("QVXHumrs.Reset", 3, VariantArray{Variant("P1"), Variant(20050309)})), 4);
    EXPECT_EQ(CInt(Proc("QVXHumrs.Reset", 3, VariantArray{Variant("P1"), Variant("20050310")})), 5);
    EXPECT_EQ(CInt(Proc("QVXHumrs.Reset", 3, VariantArray{Variant("P1"), Variant(19991231)})), 0);
    EXPECT_EQ(CInt(Proc("QVXHumrs.Reset", 3, VariantArray{Variant("P1"), Variant()})), 4);  // today: 2005/01/15
    EXPECT_EQ(CInt(Proc("QVXHumrs.Reset", 3, VariantArray{Variant("NOBODY"), Variant(20050309)})), 0);
}

TEST_F(SuiteObjectsTest, ResetPayFiguresPriceOvertimePieceWorkAndLeave) {
    Settings("P1", ", BaseSalary", ", 24000");  // 100 an hour, 800 a day
    SetParam(*db, "HumSpecialsDayHours", "8");
    Overtime("O1", "P1", 20050105, 1800, 2100, 2, 1, 1, 0, 0, 1.5);  // 1.5 eliminated: C, then B
    Overtime("O2", "P1", 20050115, 900, 1200, 0, 0, 0, 3);
    Overtime("O3", "P1", 20050120, 1800, 2000, 2, 0, 0, 0, 1);       // redeemed as leave
    Overtime("O4", "P1", 20050201, 1800, 2000, 2, 0, 0, 0);          // next period
    db->Execute(
        "Insert Into humOutPut (BillNo, RowNo, PersonID, ProdDate, EligibleQty, EligiblePieceRate, DamageQty, "
        "DamagePieceRate, OtherCutPay) Values ('W1', 1, 'P1', 20050110, 1000, 25.5, 10, 40, 100)");
    AddLeaveCategory(*db, {.excuseClsId = "SJ", .unitName = 1, .cutPayment = true});
    AddLeaveCategory(*db, {.excuseClsId = "TX", .unitName = 0});  // deducts nothing

    Variant r = Proc("QVXHumrs.Reset", 7, VariantArray{Variant("P1"), Variant("200501")}, Variant(""));
    EXPECT_DOUBLE_EQ(Field(r[0], "FieldAAccount"), 266);  // 2 h x 100 x 1.33
    EXPECT_DOUBLE_EQ(Field(r[0], "FieldBAccount"), 83.5);  // 0.5 h x 100 x 1.67
    EXPECT_DOUBLE_EQ(Field(r[0], "FieldCAccount"), 0);
    EXPECT_DOUBLE_EQ(Field(r[0], "HolidayAccount"), 600);
    EXPECT_DOUBLE_EQ(Field(r[0], "PieceBonus"), 1000);    // 25500 - 400 - 100 against 24000
    EXPECT_DOUBLE_EQ(Field(r[0], "PieceShortFall"), 0);
    EXPECT_DOUBLE_EQ(Field(r[1], "FieldBCount"), 0.5);

    Dataset rates = Dataset::FromPacket(r[2]);
    ASSERT_EQ(rates.RecordCount(), 1u);
    EXPECT_EQ(CStr(rates["ExcuseID"]), "SJ");
    EXPECT_DOUBLE_EQ(CFloat(rates["ExcuseCount"]), 8);
    EXPECT_DOUBLE_EQ(CFloat(rates["Account"]), 800);
}

TEST_F(SuiteObjectsTest, ResetLeaveLengthFollowsTheShift) {
    VariantArray arg{Variant("P1"), Variant("SJ"), Variant(20050114), Variant(20050117), Variant(1300),
                     Variant(1200), Variant("1"), Variant(true)};
    EXPECT_DOUBLE_EQ(CFloat(Proc("qvxHumrs.Reset", 9, arg)), 8);  // the weekend counts nothing
    arg[6] = Variant(0);
    EXPECT_DOUBLE_EQ(CFloat(Proc("qvxHumrs.Reset", 9, arg)), 1);
}

TEST_F(SuiteObjectsTest, ResetEmploymentInASalaryMonth) {
    EXPECT_TRUE(CBool(Proc("QVxHumrs.Reset", 11, Variant("P2"), Variant(200501))));   // hired on the 17th
    EXPECT_TRUE(CBool(Proc("QVxHumrs.Reset", 11, Variant("P2"), Variant(200502))));   // left on the 20th
    EXPECT_FALSE(CBool(Proc("QVxHumrs.Reset", 11, Variant("P2"), Variant(200412))));
    EXPECT_FALSE(CBool(Proc("QVxHumrs.Reset", 11, Variant("P2"), Variant(200503))));
    EXPECT_FALSE(CBool(Proc("QVxHumrs.Reset", 11, Variant("P2"), Variant(200513))));
}

TEST_F(SuiteObjectsTest, ResetSalaryDueIsTheFixedPayForTheDaysOnTheJob) {
    Settings("P2", ", BaseSalary, Meal, MealSalary, NoLeave, NoLeaveSalary", ", 3100, 1, 310, 0, 500");
    db->Execute("Insert Into humSalaryItem (SalaryID, Propertiy) Values ('ADD', 0), ('CUT', 1)");
    db->Execute("Insert Into humPersonSetSub (Flag, ID, SalaryItem, Account, RowNo) Values (1, 'P2', 'ADD', 100, 1), "
                "(1, 'P2', 'CUT', 50, 2), (2, 'P2', 'ADD', 999, 1)");
    // 3460 a month; on the job 15 of January's 31 days, all of February's first 20 of 28.
    EXPECT_DOUBLE_EQ(CFloat(Proc("QVXHumrs.Reset", 20, Variant("P2"), Variant(200501))), 1674.19);
    EXPECT_DOUBLE_EQ(CFloat(Proc("QVXHumrs.Reset", 20, Variant("P2"), Variant(200502))), 2471.43);
    EXPECT_DOUBLE_EQ(CFloat(Proc("QVXHumrs.Reset", 20, Variant("P2"), Variant(200503))), 0);
    EXPECT_DOUBLE_EQ(CFloat(Proc("QVXHumrs.Reset", 20, Variant("P1"), Variant(200501))), 0);  // no settings
}

TEST_F(SuiteObjectsTest, ResetEliminatesTheLatestOvertimeAboveTheMonthlyLimit) {
    db->Execute("Insert Into humOverTimeCls (OTClsID, OverMonth) Values ('C10', 10), ('C0', 0)");
    Settings("P1", ", OverTime, OverTimeClass", ", 1, 'C10'");
    Settings("P2", ", OverTime, OverTimeClass", ", 1, 'C0'");
    Overtime("A1", "P1", 20050105, 1800, 2400, 6, 0, 0, 0);
    Overtime("A2", "P1", 20050120, 1800, 2400, 4, 1, 1, 0);
    Overtime("A3", "P1", 20050125, 1800, 2000, 2, 0, 0, 0, 1);      // redeemed: not paid overtime
    Overtime("A4", "P1", 20050205, 1800, 2400, 6, 0, 0, 0);         // another month
    Overtime("B1", "P2", 20050105, 1800, 2400, 20, 0, 0, 0, 0, 5);  // no limit: cleared

    EXPECT_TRUE(CBool(Proc("QVXHumrs.Reset", 34, Variant(200501))));
    EXPECT_DOUBLE_EQ(Eliminated("A2"), 2);
    EXPECT_DOUBLE_EQ(Eliminated("A1"), 0);
    EXPECT_DOUBLE_EQ(Eliminated("A3"), 0);
    EXPECT_DOUBLE_EQ(Eliminated("A4"), 0);
    EXPECT_DOUBLE_EQ(Eliminated("B1"), 0);

    db->Execute("Update humOverTimeCls Set OverMonth = 3 Where OTClsID = 'C10'");
    EXPECT_TRUE(CBool(Proc("QVXHumrs.Reset", 34, VariantArray{Variant("200501"), Variant("P1"), Variant("P1")})));
    EXPECT_DOUBLE_EQ(Eliminated("A2"), 6);
    EXPECT_DOUBLE_EQ(Eliminated("A1"), 3);
    EXPECT_FALSE(CBool(Proc("QVXHumrs.Reset", 34, Variant("nonsense"))));
}

TEST_F(SuiteObjectsTest, ResetSalaryPeriodIsTheMonthOrStartsOnTheConfiguredDay) {
    Variant p = Proc("QVXHumrs.Reset", 38, Variant("200501"), Variant(0));
    EXPECT_EQ(CInt(p[0]), 20050101);
    EXPECT_EQ(CInt(p[1]), 20050131);
    SetParam(*db, "HumSalaryBeginDay", "26");
    p = Proc("QVXHumrs.Reset", 38, Variant("200501"), Variant(0));
    EXPECT_EQ(CInt(p[0]), 20041226);
    EXPECT_EQ(CInt(p[1]), 20050125);
    p = Proc("QVXHumrs.Reset", 38, Variant("200500"), Variant(0));
    EXPECT_EQ(CInt(p[0]), 0);
}

// ---- "QVXHumrs.ClassCls"

TEST_F(SuiteObjectsTest, ClassClsGivesOnAndOffDutyTimesAndLooksUpByClass) {
    Variant t = Proc("QvxHumrs.ClassCls", 0, Variant("NIGHT"));
    EXPECT_EQ(CInt(t[0]), 2000);
    EXPECT_EQ(CInt(t[1]), 500);
    t = Proc("QvxHumrs.ClassCls", 0, Variant(""));  // a rest day's class
    EXPECT_EQ(CInt(t[0]), 0);
    EXPECT_EQ(CInt(t[1]), 0);

    auto cls = Object("QVXHumrs.ClassCls");
    EXPECT_EQ(CInt(cls->DBSelectValue("QvxHumrs.ClassCls", 0, "OffDutyTime", Variant("DAY"))), 1700);
    ASSERT_TRUE(cls->Open(Variant("DAY")).ok);
    EXPECT_EQ(CInt(cls->GetDatasets(0)["RestBeginTime"]), 1200);
}

// ---- "QvxHumrs.ChkAttend"

TEST_F(SuiteObjectsTest, ChkAttendListsOvertimeNotCoveredByAttendance) {
    Overtime("O1", "P1", 20050110, 1800, 2000, 2, 0, 0, 0);  // covered
    Overtime("O2", "P1", 20050111, 1800, 2000, 2, 0, 0, 0);  // clocked out at 19:00
    Overtime("O3", "P1", 20050112, 1800, 2000, 2, 0, 0, 0);  // no record
    Overtime("O4", "P2", 20050213, 1800, 2000, 2, 0, 0, 0);  // another month
    db->Execute("Insert Into humChkAttendMain (PersonID, CheckDate, OnTime, OffTime) Values "
                "('P1', 20050110, 800, 2030), ('P1', 20050111, 800, 1900)");
    const std::string text = CStr(Proc("QvxHumrs.ChkAttend", 11, Variant(200501)));
    EXPECT_EQ(text,
              "P1人员2005/01/11加班18:00-20:00不在考勤时间08:00-19:00内,"
              "P1人员2005/01/12加班18:00-20:00无考勤记录");
    EXPECT_EQ(CStr(Proc("QvxHumrs.ChkAttend", 11, VariantArray{Variant(200501), Variant("P2"), Variant("P9")})), "");

    // Attendance clocked across midnight covers overtime across midnight.
    Overtime("N1", "P3", 20041220, 2200, 200, 4, 0, 0, 0);
    db->Execute("Insert Into humChkAttendMain (PersonID, CheckDate, OnTime, OffTime) Values ('P3', 20041220, 2000, 700)");
    EXPECT_EQ(CStr(Proc("QvxHumrs.ChkAttend", 11, Variant(200412))), "");
}

TEST_F(SuiteObjectsTest, ChkAttendTakesBackTheMonthsEliminations) {
    Overtime("O1", "P1", 20050110, 1800, 2000, 2, 0, 0, 0, 0, 1);
    Overtime("O2", "P2", 20050118, 1800, 2000, 2, 0, 0, 0, 0, 1);
    Overtime("O3", "P1", 20050210, 1800, 2000, 2, 0, 0, 0, 0, 1);
    Proc("QvxHumrs.ChkAttend", 10, VariantArray{Variant(200501), Variant("P1"), Variant("P1")});
    EXPECT_DOUBLE_EQ(Eliminated("O1"), 0);
    EXPECT_DOUBLE_EQ(Eliminated("O2"), 1);
    EXPECT_DOUBLE_EQ(Eliminated("O3"), 1);
}

// ---- "QVXHumrs.PersonSetMain", "QvxComm.Department", "QvxComm.Person"

TEST_F(SuiteObjectsTest, PersonSetMainGivesTheSalaryModeAndTheSettingsRow) {
    Settings("P1", ", SalaryMode", ", 2");
    db->Execute("Insert Into humPersonSetMain (Flag, ID, SalaryMode) Values (2, 'P2', 2)");  // not settings
    EXPECT_EQ(CInt(Proc("QVXHumrs.PersonSetMain", 0, Variant("P1"))), 2);
    EXPECT_EQ(CInt(Proc("QVXHumrs.PersonSetMain", 0, Variant("P2"))), 0);
    Dataset row = Dataset::FromPacket(Proc("QVXHumrs.PersonSetMain", 1, Variant("P1")));
    ASSERT_EQ(row.RecordCount(), 1u);
    EXPECT_EQ(CStr(row["PersonID"]), "P1");
    EXPECT_EQ(Dataset::FromPacket(Proc("QVXHumrs.PersonSetMain", 1, Variant("P2"))).RecordCount(), 0u);
}

TEST_F(SuiteObjectsTest, DepartmentGivesNamesAndTheRangeOfDepartments) {
    EXPECT_EQ(CStr(Proc("QvxComm.Department", 0, Variant("D1"))), "生产部");
    EXPECT_EQ(CStr(Proc("QvxComm.Department", 0, Variant("D9"))), "");
    Variant range = Proc("QvxComm.Department", 1, Variant());
    EXPECT_EQ(CStr(range[0]), "D1");
    EXPECT_EQ(CStr(range[1]), "D2");
}

TEST_F(SuiteObjectsTest, PersonGivesNamesTheRangeOnTheJobAndEmployment) {
    EXPECT_EQ(CStr(Proc("QvxComm.Person", 0, Variant("P1"))), "张三");
    Variant range = Proc("QvxComm.Person", 1, Variant(20050116));  // P2 not yet, P3 gone
    EXPECT_EQ(CStr(range[0]), "P1");
    EXPECT_EQ(CStr(range[1]), "P1");
    range = Proc("QvxComm.Person", 1, Variant(19990101));
    EXPECT_EQ(CStr(range[0]), "");
    EXPECT_EQ(CStr(range[1]), "");
    EXPECT_TRUE(CBool(Proc("QvxComm.Person", 2, VariantArray{Variant("P2"), Variant(20050220)})));
    EXPECT_FALSE(CBool(Proc("QvxComm.Person", 2, VariantArray{Variant("P2"), Variant(20050101), Variant(20050131)})));
    EXPECT_TRUE(CBool(
        Proc("QvxComm.Person", 2, VariantArray{Variant("P2"), Variant(20050101), Variant(20050131), Variant(false)})));
}

// ---- Arguments that do not fit a procedure's declaration

TEST_F(SuiteObjectsTest, ProceduresRefuseArgumentsThatDoNotFitTheirDeclarationAsBadInput) {
    const struct {
        const char* what;
        const char* progId;
        int procNo;
        Variant arg1, arg2;
        const char* named;  // the argument the refusal names
    } cases[] = {
        {"leave length without its array", "QVXHumrs.Reset", 9, Variant("P1"), Variant(), "array"},
        {"leave length with a unit that is no number", "QVXHumrs.Reset", 9,
         Variant(VariantArray{Variant("P1"), Variant("SJ"), Variant(20050114), Variant(20050117), Variant(800),
                              Variant(1200), Variant("hours")}),
         Variant(), "Unit"},
        {"seniority without a person", "QVXHumrs.Reset", 3, Variant(VariantArray{Variant(), Variant(20050309)}),
         Variant(), "PersonID"},
        {"seniority at a date that is no number", "QVXHumrs.Reset", 3,
         Variant(VariantArray{Variant("P1"), Variant("9 March")}), Variant(), "Date"},
        {"employment in a month given as an array", "QVXHumrs.Reset", 11,
         Variant(VariantArray{Variant("P2"), Variant(200501)}), Variant(), "PersonID"},
        {"salary due for a month that is no number", "QVXHumrs.Reset", 20, Variant("P2"), Variant("January"),
         "SalaryYearMonth"},
        {"salary period of a month that is no number", "QVXHumrs.Reset", 38, Variant("nonsense"), Variant(0),
         "SalaryYearMonth"},
        {"duty times of a list of classes", "QVXHumrs.ClassCls", 0,
         Variant(VariantArray{Variant(VariantArray{Variant("DAY")})}), Variant(), "ClassID"},
        {"employment without a begin date", "QvxComm.Person", 2, Variant(VariantArray{Variant("P2")}), Variant(),
         "BeginDate"},
        {"persons on the job at a date that is no number", "QvxComm.Person", 1, Variant("today"), Variant(), "Date"},
        {"salary mode without a person", "QVXHumrs.PersonSetMain", 0, Variant::Null(), Variant(), "array"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome out = Object(c.progId)->ExecuteProc(c.procNo, c.arg1, c.arg2);
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.failure, Outcome::Kind::BadInput);
        EXPECT_NE(out.error.find(c.named), std::string::npos) << out.error;
    }
}

}  // namespace
}  // namespace humrs
