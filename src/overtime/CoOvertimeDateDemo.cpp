// Demo scenes of the overtime record by date: a team's overtime on one bill, totals
// that follow the hours, and a row that meets overtime already recorded by person.
#include "overtime/CoOvertimeDate.h"

namespace humrs {

namespace {

constexpr const char* kByDate = "QVXHumrs.OvertimeDate";

// A row of the bill: its span on the class A, the hours A, B and holiday, and the total.
Json Line(int serNo, const std::string& person, int date, int beginTime, int endTime, double a, double b,
          double total) {
    return {{"SerNo", serNo},      {"PersonID", person},       {"OverTimeDate", date},
            {"OverTimeClass", "A"}, {"BeginTime", beginTime},  {"EndTime", endTime},
            {"FieldACount", a},    {"FieldBCount", b},         {"TotalCount", total}};
}

Json ByDateBill(const std::string& billNo, int billDate, Json rows) {
    Json header = {{"BillNo", billNo}, {"BillDate", billDate}};
    return Json{{"datasets", Json::array({Json::array({std::move(header)}), std::move(rows)})}};
}

void TeamOvertime(DemoContext& demo) {
    demo.Say("The administration team stays on Monday 07-01 to close the half year: 张伟 (E001) and 王芳 (E002) "
             "from 18:00 to 21:00, 李娜 (E003) from 18:00 to 20:00. One bill by date carries all three.");
    demo.Proc("QVXHumrs.Overtime", 0,
              Variant(VariantArray{"A", "1800", "2100", false, false, 0, 0, false}), Variant(),
              "segments of 18:00-21:00 on class A");
    demo.Save(kByDate,
              ByDateBill("JD201", 20240701,
                         Json::array({Line(1, "E001", 20240701, 1800, 2100, 2, 1, 3),
                                      Line(2, "E002", 20240701, 1800, 2100, 2, 1, 3),
                                      Line(3, "E003", 20240701, 1800, 2000, 2, 0, 2)})),
              true, "JD201 07-01, three rows");
    demo.Show("stored rows", "Select BillNo, RowNo, Flag, BillDate, PersonID, OverTimeDate, BeginTime, EndTime, "
                             "TotalCount From humOverTime Where BillNo = ? Order By RowNo",
              {Variant("JD201")});
    demo.Show("attendance details", "Select PersonID, DetailDate, OverTimeHours From humAttendDetail "
                                    "Where DetailDate = ? Order By PersonID",
              {Variant(20240701)});
}

void TotalFromTheHours(DemoContext& demo) {
    demo.Say("On 07-02 刘洋 (E004) is entered with 2 hours at rate A and 1 at rate B and no total: the bill adds "
             "up the hours of each row into its total itself.");
    Json row = Line(1, "E004", 20240702, 1800, 2100, 2, 1, 0);
    row.erase("TotalCount");
    demo.Save(kByDate, ByDateBill("JD202", 20240702, Json::array({row})), true, "JD202 E004 2 + 1 hours, no total");
    demo.Say("A total typed in by hand gives way to the sum of the hours as well: 2.5 becomes 3.");
    demo.Save(kByDate, ByDateBill("JD202", 20240702, Json::array({Line(1, "E004", 20240702, 1800, 2100, 2, 1, 2.5)})),
              true, "JD202 E004 2 + 1 hours against 2.5");
    demo.Show("stored row", "Select BillNo, PersonID, FieldACount, FieldBCount, TotalCount From humOverTime "
                            "Where BillNo = ?",
              {Variant("JD202")});
}

void OverlapWithOvertimeByPerson(DemoContext& demo) {
    demo.Say("陈静 (E005) already has an overtime record of her own for 07-03, 18:00 to 20:00.");
    Json record = {{"BillNo", "JB201"},    {"PersonID", "E005"},  {"OverTimeDate", 20240703},
                   {"OverTimeClass", "A"},  {"BeginTime", 1800},   {"EndTime", 2000},
                   {"FieldACount", 2},      {"TotalCount", 2}};
    demo.Save("QVXHumrs.Overtime", Json{{"datasets", Json::array({Json::array({std::move(record)})})}},
              true, "JB201 E005 07-03 18:00-20:00");
    demo.Say("A bill by date that puts her down again from 19:00 to 21:00 is refused, naming the record by person.");
    demo.Save(kByDate, ByDateBill("JD203", 20240703, Json::array({Line(1, "E005", 20240703, 1900, 2100, 2, 0, 2)})),
              false, "JD203 E005 07-03 19:00-21:00");
}

}  // namespace

std::vector<DemoScene> OvertimeDateDemo() {
    return {
        {"Overtime by date: one bill for a team", TeamOvertime},
        {"Overtime by date: the total is the sum of the hours", TotalFromTheHours},
        {"Overtime by date: a row over overtime recorded by person refused", OverlapWithOvertimeByPerson},
    };
}

}  // namespace humrs
