// Demo scenes of the overtime reconciliation: the monthly statistics against the
// categories' limits, the attendance check before elimination, and the elimination.
#include "overtime/CoHumCheckFactory.h"
#include "suite/DemoCompany.h"

#include "core/Convert.h"

namespace humrs {

namespace {

constexpr const char* kHumCheckFactory = "QVXHumrs.HumCheckFactory";

// Inserts the row unless the key finds one.
void InsertIfMissing(Database& db, const std::string& countSql, const std::vector<Variant>& key,
                     const std::string& insertSql, const std::vector<Variant>& values) {
    auto row = db.QueryFirst(countSql, key);
    if (!row || CInt((*row)[0]) == 0) db.Execute(insertSql, values);
}

struct OvertimeRow {
    int flag;  // 1 by person, 3 by date
    const char* billNo;
    int rowNo;
    const char* person;
    int date;
    int begin, end;
    double a, b, c, holiday;
    int redeemType;  // 1: taken as compensatory leave
};

// May 2024 on the production floor: 徐明 (E011) and 孙丽 (E012) in category OT36,
// 胡斌 (E015) in OT00, all three in overtime pay.
void BusyMay(DemoContext& demo) {
    Database& db = demo.Db();
    InsertIfMissing(db, "Select Count(*) From humOverTimeCls Where OTClsID = ?", {Variant("OT36")},
                    "Insert Into humOverTimeCls (OTClsID, OTClsName, OverMonth, OverSalaryID) Values (?, ?, ?, ?)",
                    {Variant("OT36"), Variant("生产加班"), Variant(36), Variant("S11")});
    InsertIfMissing(db, "Select Count(*) From humOverTimeCls Where OTClsID = ?", {Variant("OT00")},
                    "Insert Into humOverTimeCls (OTClsID, OTClsName, OverMonth, OverSalaryID) Values (?, ?, ?, ?)",
                    {Variant("OT00"), Variant("行政加班"), Variant(0), Variant("")});
    for (auto [person, category] : {std::pair{"E011", "OT36"}, {"E012", "OT36"}, {"E015", "OT00"}}) {
        InsertIfMissing(db, "Select Count(*) From humPersonSetMain Where Flag = 1 And ID = ?", {Variant(person)},
                        "Insert Into humPersonSetMain (Flag, ID) Values (1, ?)", {Variant(person)});
        db.Execute("Update humPersonSetMain Set OverTime = 1, OverTimeClass = ? Where Flag = 1 And ID = ?",
                   {Variant(category), Variant(person)});
    }
    static const OvertimeRow rows[] = {
        {1, "JB501", 0, "E011", 20240501, 900, 1500, 0, 0, 0, 5, 0},  // Labour Day
        {1, "JB502", 0, "E011", 20240506, 1800, 2200, 2, 2, 0, 0, 0},
        {1, "JB503", 0, "E011", 20240508, 1800, 2300, 2, 2, 1, 0, 0},
        {3, "JD501", 1, "E011", 20240513, 1800, 2200, 2, 2, 0, 0, 0},
        {3, "JD501", 2, "E012", 20240513, 1800, 2000, 2, 0, 0, 0, 0},
        {3, "JD502", 1, "E011", 20240518, 800, 1700, 2, 2, 4, 0, 0},
        {1, "JB504", 0, "E011", 20240520, 1800, 2200, 2, 2, 0, 0, 1},
        {1, "JB505", 0, "E012", 20240522, 1800, 2100, 2, 1, 0, 0, 0},
        {3, "JD503", 1, "E011", 20240525, 800, 1700, 2, 2, 4, 0, 0},
        {1, "JB506", 0, "E011", 20240527, 1800, 2300, 2, 2, 1, 0, 0},
        {1, "JB507", 0, "E015", 20240515, 1800, 2300, 2, 2, 1, 0, 0},
        {1, "JB508", 0, "E015", 20240516, 1800, 2300, 2, 2, 1, 0, 0},
        {1, "JB509", 0, "E011", 20240529, 1800, 2300, 2, 2, 1, 0, 0},
    };
    for (const OvertimeRow& r : rows) {
        const double total = r.a + r.b + r.c + r.holiday;
        InsertIfMissing(
            db, "Select Count(*) From humOverTime Where Flag = ? And BillNo = ? And RowNo = ?",
            {Variant(r.flag), Variant(r.billNo), Variant(r.rowNo)},
            "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, OverTimeClass, BeginTime, EndTime, "
            "FieldACount, FieldBCount, FieldCCount, HolidayCount, TotalCount, RedeemType, UseableRedeemCount, "
            "NotIntoOverTimeValue) Values (?, ?, ?, ?, ?, 'A', ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)",
            {Variant(r.flag), Variant(r.billNo), Variant(r.rowNo), Variant(r.person), Variant(r.date),
             Variant(r.begin), Variant(r.end), Variant(r.a), Variant(r.b), Variant(r.c), Variant(r.holiday),
             Variant(total), Variant(r.redeemType), Variant(r.redeemType == 1 ? total : 0.0)});
    }
    // E011's 05-20 hours may be taken as compensatory leave: his leave is allocated
    // over his overtime again, oldest first, as a saved bill would have it.
    ReallocateCompensatoryLeave(demo, "E011");
}

Outcome MayStatistics(DemoContext& demo) {
    return demo.Proc(kHumCheckFactory, 1, Variant("B.OverTimeDate>=20240501"), Variant("B.OverTimeDate<=20240531"),
                     "statistics of May 2024");
}

void BusyMonthStatistics(DemoContext& demo) {
    BusyMay(demo);
    demo.Say("May 2024 was busy. 徐明 (E011) and 孙丽 (E012) may be paid 36 overtime hours a month (OT36); "
             "胡斌 (E015) is under OT00, which sets no limit. Their hours come from bills by person and by date.");
    demo.Proc(kHumCheckFactory, 0, Variant(), Variant(), "range of the stored overtime");
    demo.Say("The statistics add up each person's paid hours of the month in one row. E011's 4 hours of 05-20 "
             "were taken as compensatory leave and do not count; E015 is not listed, his category has no limit.");
    MayStatistics(demo);
}

void AttendanceMismatchReport(DemoContext& demo) {
    BusyMay(demo);
    demo.Say("Before hours are eliminated, the overtime must agree with attendance. E011 has no attendance "
             "record for 05-29, and E012 clocked out at 20:30 on 05-22 although her overtime ran to 21:00.");
    Database& db = demo.Db();
    const struct {
        const char* person;
        int date, on, off;
    } clocked[] = {
        {"E011", 20240501, 845, 1510},  {"E011", 20240506, 755, 2205}, {"E011", 20240508, 750, 2310},
        {"E011", 20240513, 758, 2203},  {"E012", 20240513, 752, 2004}, {"E011", 20240518, 745, 1705},
        {"E011", 20240520, 756, 2210},  {"E012", 20240522, 755, 2030}, {"E011", 20240525, 748, 1702},
        {"E011", 20240527, 759, 2302},  {"E015", 20240515, 750, 2305}, {"E015", 20240516, 751, 2301},
    };
    for (const auto& c : clocked)
        InsertIfMissing(db, "Select Count(*) From humChkAttendMain Where PersonID = ? And CheckDate = ?",
                        {Variant(c.person), Variant(c.date)},
                        "Insert Into humChkAttendMain (PersonID, CheckDate, OnTime, OffTime) Values (?, ?, ?, ?)",
                        {Variant(c.person), Variant(c.date), Variant(c.on), Variant(c.off)});
    demo.Proc(kHumCheckFactory, 3, Variant(202405), Variant(), "does May 2024 agree with attendance");

    demo.Say("The clerk enters E011's record of 05-29 and corrects E012's clock-out; now they agree, and the "
             "hours above 36 are eliminated, the latest first.");
    InsertIfMissing(db, "Select Count(*) From humChkAttendMain Where PersonID = ? And CheckDate = ?",
                    {Variant("E011"), Variant(20240529)},
                    "Insert Into humChkAttendMain (PersonID, CheckDate, OnTime, OffTime) Values (?, ?, ?, ?)",
                    {Variant("E011"), Variant(20240529), Variant(757), Variant(2304)});
    db.Execute("Update humChkAttendMain Set OffTime = 2105 Where PersonID = 'E012' And CheckDate = 20240522");
    demo.Proc(kHumCheckFactory, 3, Variant(202405), Variant(), "does May 2024 agree with attendance");
    demo.Proc(kHumCheckFactory, 4, Variant(202405), Variant(), "eliminate May 2024 above the limits");
    MayStatistics(demo);
    demo.Say("Taking the eliminations back leaves every hour paid again.");
    demo.Proc(kHumCheckFactory, 2, Variant(202405), Variant(), "take back May 2024's eliminations");
    MayStatistics(demo);
}

}  // namespace

std::vector<DemoScene> HumCheckFactoryDemo() {
    return {
        {"Overtime reconciliation: the monthly statistics of a busy month", BusyMonthStatistics},
        {"Overtime reconciliation: a mismatch report, then the elimination", AttendanceMismatchReport},
    };
}

}  // namespace humrs
