// A refused bill says where the clerk must look: the dataset, the row as the rows were
// sent, and the field. Each case is a bill refused by one check, most of them on a row
// that is not the first.
#include <string>
#include <vector>

#include "leave/ExcuseDateMessages.h"
#include "leave/LeaveMessages.h"
#include "overtime/OvertimeMessages.h"
#include "payroll/MonthSalaryMessages.h"
#include "payroll/SubsidyCutDateMessages.h"
#include "personnel/ChangeInsuranceMessages.h"
#include "personnel/ChangePersonMessages.h"
#include "personnel/ChangeSalaryMessages.h"
#include "suite/AttendanceMessages.h"
#include "support/Fixture.h"
#include "support/Refusals.h"
#include "support/ShiftCompany.h"

namespace humrs {
namespace {

using testing::Row;

// 2005-01-10 is a Monday; P1 and P2 work the day shift, P2 since 2003-01-01.
constexpr int kMonday = 20050110;

Row Leave(const char* person, const char* category, int date, int beginTime, int endTime, double count) {
    return {{"PersonID", Variant(person)},  {"ExcuseClsID", Variant(category)}, {"BeginDate", Variant(date)},
            {"EndDate", Variant(date)},     {"BeginTime", Variant(beginTime)},  {"EndTime", Variant(endTime)},
            {"ExcuseCount", Variant(count)}};
}
Row Overtime(const char* person, int beginTime, int endTime, const char* cls = "DAY") {
    return {{"PersonID", Variant(person)},     {"OverTimeDate", Variant(kMonday)}, {"OverTimeClass", Variant(cls)},
            {"BeginTime", Variant(beginTime)}, {"EndTime", Variant(endTime)},      {"FieldACount", Variant(1.0)},
            {"TotalCount", Variant(1.0)}};
}
Row Head(const char* billNo) { return {{"BillNo", Variant(billNo)}, {"BillDate", Variant(kMonday)}}; }

class RefusalPlaceTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        testing::AddShiftCompany(*db);
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
        AddLeaveCategory(*db, {.excuseClsId = "PT", .excuseClsName = "婚假"});
        SetParam(*db, "AllowAffairLeaveYear", "1");
        SetParam(*db, "HumMaxPrivateExCount", "3");
        // P2's stored leave and overtime on Monday.
        db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, "
                    "EndDate, EndTime, ExcuseCount) Values (1, 'L1', 0, 'P2', 'PT', ?, 900, ?, 1100, 2)",
                    {Variant(kMonday), Variant(kMonday)});
        db->Execute("Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, OverTimeClass, BeginTime, "
                    "EndTime) Values (3, 'O1', 1, 'P2', ?, 'DAY', 1800, 2000)",
                    {Variant(kMonday)});
    }
};

TEST_F(RefusalPlaceTest, ARefusalPointsAtTheRowAndFieldItConcerns) {
    struct Case {
        const char* progId;
        std::vector<std::vector<Row>> bill;
        const Message& refusal;
        RefusalAt at;
    } cases[] = {
        {"QVXHumrs.ExcuseDate",
         {{Head("D1")}, {Leave("P1", "PT", kMonday, 1300, 1400, 1), Leave("P1", "PT", kMonday, 1400, 1500, 1),
                         Leave("P2", "PT", 20021231, 900, 1000, 1)}},
         msg::kPersonOffJobPartly, {1, 2, "PersonID"}},
        {"QVXHumrs.ExcuseDate",
         {{Head("D1")}, {Leave("P1", "PT", kMonday, 1300, 1400, 1), Leave("P1", "PT", kMonday, 1400, 1500, 0)}},
         msg::kByDateCountZero, {1, 1, "ExcuseCount"}},
        {"QVXHumrs.ExcuseDate",
         {{Head("D1")}, {Leave("P1", "PT", kMonday, 1300, 1400, 1), Leave("P1", "", kMonday, 1400, 1500, 1)}},
         msg::kByDateCategoryEmpty, {1, 1, "ExcuseClsID"}},
        {"QVXHumrs.ExcuseDate",
         {{Head("D1")}, {Leave("P1", "PT", kMonday, 1300, 1400, 1), Leave("P2", "PT", kMonday, 1000, 1200, 2)}},
         msg::kLeaveConflict, {1, 1, "BeginDate"}},
        {"QVXHumrs.ExcuseDate",
         {{Head("D1")}, {Leave("P1", "PT", kMonday, 1300, 1400, 1), Leave("P2", "PT", kMonday, 1300, 1400, 1),
                         Leave("P1", "SJ", kMonday, 1500, 1600, 5)}},
         msg::kPersonalLeaveOverCap, {1, 2, "ExcuseCount"}},
        {"QVXHumrs.Excuse", {{Leave("P1", "PT", kMonday, 1300, 1400, 0)}}, msg::kLeaveCountZero, {0, 0, "ExcuseCount"}},
        {"QVXHumrs.OvertimeDate",
         {{Head("T1")}, {Overtime("P1", 1800, 1900), Overtime("P1", 2000, 2100), Overtime("P2", 1900, 2000)}},
         msg::kOvertimeConflict, {1, 2, "BeginTime"}},
        {"QVXHumrs.OvertimeDate",
         {{Head("T1")}, {Overtime("P1", 1800, 1900), Overtime("P1", 2000, 2100, "")}},
         msg::kOvertimeClassEmpty, {1, 1, "OverTimeClass"}},
        {"QVXHumrs.HourSalary",
         {{Head("H1")},
          {{{"PersonID", Variant("P1")}, {"WorkDate", Variant(kMonday)}, {"BeginTime", Variant(1800)},
            {"EndTime", Variant(1900)}},
           {{"PersonID", Variant("P2")}, {"WorkDate", Variant(20021231)}, {"BeginTime", Variant(1800)},
            {"EndTime", Variant(1900)}}}},
         msg::kPersonNotOnJobAt, {1, 1, "PersonID"}},
        {"QVXHumrs.SubsidyCutDate",
         {{Head("S1")},
          {{{"PersonID", Variant("P1")}, {"SalaryType", Variant(1)}, {"SalaryMonth", Variant(200501)},
            {"Account", Variant(100.0)}},
           {{"PersonID", Variant("P2")}, {"SalaryType", Variant(1)}, {"SalaryMonth", Variant(200501)},
            {"Account", Variant(0.0)}}}},
         msg::kSubsidyDateAmountZero, {1, 1, "Account"}},
        {"QVXHumrs.ChangePerson",
         {{Head("C1")},
          {{{"PersonID", Variant("P1")}, {"BType", Variant(2)}, {"Type", Variant(3)}, {"ActiveDate", Variant(kMonday)}},
           {{"PersonID", Variant("P2")}, {"BType", Variant(2)}, {"Type", Variant(0)}, {"ActiveDate", Variant(kMonday)}}}},
         msg::kChangeTypeEmpty, {1, 1, "Type"}},
        {"QVXHumrs.ChangeSalary",
         {{Head("C2")},
          {{{"PersonID", Variant("P1")}, {"NAdjustDate", Variant(kMonday)}, {"NBaseSalary", Variant(5000.0)}}},
          {{{"ParentRowNo", Variant(1)}, {"SalaryItem", Variant("A")}, {"Account", Variant(10.0)}},
           {{"ParentRowNo", Variant(1)}, {"SalaryItem", Variant("B")}, {"Account", Variant(0.0)}}}},
         msg::kSalaryItemAmountZero, {2, 1, "Account"}},
        {"QVXHumrs.ChangeInsurance",
         {{Head("C3")},
          {{{"PersonID", Variant("P1")}, {"ChangeType", Variant(1)}, {"ChangeMoneny", Variant(900.0)},
            {"AdjustYearMonth", Variant(200501)}},
           {{"PersonID", Variant("P2")}, {"ChangeType", Variant(1)}, {"ChangeMoneny", Variant(0.0)},
            {"AdjustYearMonth", Variant(200501)}}}},
         msg::kInsuranceAmountZero, {1, 1, "ChangeMoneny"}},
        {"QVXHumrs.MonthSalary", {{{{"SalaryYearMonth", Variant(200412)}}}}, msg::kSalaryPersonEmpty,
         {0, 0, "PersonID"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.progId) + " " + std::string(c.refusal.id));
        const Outcome out = SaveBill(c.progId, c.bill);
        ASSERT_TRUE(testing::Refused(out, c.refusal));
        EXPECT_EQ(out.at.dataset, c.at.dataset);
        EXPECT_EQ(out.at.row, c.at.row);
        EXPECT_EQ(out.at.field, c.at.field);
    }
}

TEST_F(RefusalPlaceTest, AStoredBillSentBackCountsItsRowsAsSent) {
    ASSERT_TRUE(SaveBill("QVXHumrs.ExcuseDate", {{Head("D2")},
                                                 {Leave("P1", "PT", kMonday, 1300, 1400, 1),
                                                  Leave("P2", "PT", kMonday, 1300, 1400, 1)}})
                    .ok);
    // The rows as opened, with their row numbers, and a new third row.
    Row first = Leave("P1", "PT", kMonday, 1300, 1400, 1), second = Leave("P2", "PT", kMonday, 1300, 1400, 1);
    first.emplace_back("RowNo", Variant(1));
    second.emplace_back("RowNo", Variant(2));
    const Outcome out = SaveBill("QVXHumrs.ExcuseDate",
                                 {{Head("D2")}, {first, second, Leave("P1", "PT", kMonday, 1500, 1600, 0)}});
    ASSERT_TRUE(testing::Refused(out, msg::kByDateCountZero));
    EXPECT_EQ(out.at.row, 2);
    EXPECT_EQ(out.at.field, "ExcuseCount");
}

}  // namespace
}  // namespace humrs
