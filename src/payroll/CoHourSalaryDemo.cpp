// Demo scenes of the hourly wage bill: rows taken over from the attendance records,
// an overlapping row of another bill refused, and the records freed when the bill goes.
#include "payroll/CoHourSalary.h"

namespace humrs {

namespace {

constexpr const char* kHourSalary = "QVXHumrs.HourSalary";

// 何平 (E017) and 高峰 (E018) are paid by the hour; the attendance machine recorded
// their days of 06-03 and 06-04.
void HourlyStaff(DemoContext& demo) {
    Database& db = demo.Db();
    for (const char* person : {"E017", "E018"}) {
        if (db.QueryFirst("Select ID From humPersonSetMain Where Flag = 1 And ID = ?", {Variant(person)}))
            db.Execute("Update humPersonSetMain Set SalaryMode = 2 Where Flag = 1 And ID = ?", {Variant(person)});
        else
            db.Execute("Insert Into humPersonSetMain (Flag, ID, SalaryMode, BaseSalary) Values (1, ?, 2, 4200)",
                       {Variant(person)});
        for (int date : {20240603, 20240604})
            if (!db.QueryFirst("Select PersonID From humChkAttendMain Where PersonID = ? And CheckDate = ?",
                               {Variant(person), Variant(date)}))
                db.Execute("Insert Into humChkAttendMain (PersonID, CheckDate, ClassID, OnTime, OffTime) "
                           "Values (?, ?, 'D', 800, 1700)",
                           {Variant(person), Variant(date)});
    }
}

Json HourRow(const std::string& person, int serNo, int date, int begin, int end, double hours, bool takenOver) {
    return {{"SerNo", serNo},         {"PersonID", person}, {"WorkDate", date},         {"BeginTime", begin},
            {"EndTime", end},         {"NormalTimeNum", hours}, {"NormalPrice", 25.0}, {"bTranFrom", takenOver}};
}

Json HourBill(const std::string& billNo, Json rows) {
    Json header = Json::object();
    header["BillNo"] = billNo;
    header["BillDate"] = 20240605;
    Json datasets = Json::array();
    datasets.push_back(Json::array({std::move(header)}));
    datasets.push_back(std::move(rows));
    return Json{{"datasets", std::move(datasets)}};
}

void ShowAttendance(DemoContext& demo) {
    demo.Show("attendance records",
              "Select PersonID, CheckDate, HourTransfered, HourDetail, HasHourBill From humChkAttendMain "
              "Where PersonID In ('E017', 'E018') Order By PersonID, CheckDate");
}

void TakenOverFromAttendance(DemoContext& demo) {
    HourlyStaff(demo);
    demo.Say("The hourly-paid staff on the job in June between E001 and E099, as the client lists them.");
    demo.Proc(kHourSalary, 0, Variant(VariantArray{"E001", "E099", 20240601, 20240630, false}), Variant(),
              "hourly-paid persons");
    demo.Say("The wage clerk takes the attendance of 06-03 and 06-04 over into hourly wage bill XS001.");
    demo.Save(kHourSalary,
              HourBill("XS001", Json::array({HourRow("E017", 1, 20240603, 800, 1700, 8, true),
                                             HourRow("E017", 2, 20240604, 800, 1200, 4, true),
                                             HourRow("E018", 3, 20240603, 1300, 1700, 4, true)})),
              true, "XS001 three rows taken over from attendance");
    ShowAttendance(demo);
    demo.Show("hours in the attendance detail",
              "Select PersonID, DetailDate, HourWorkHours From humAttendDetail Where PersonID In ('E017', 'E018') "
              "Order By PersonID, DetailDate");
}

void OverlapRefused(DemoContext& demo) {
    demo.Say("A second bill books 何平 (E017) again on 06-04 from 11:00 to 15:00: it meets XS001's 08:00-12:00.");
    demo.Save(kHourSalary, HourBill("XS002", Json::array({HourRow("E017", 1, 20240604, 1100, 1500, 4, false)})),
              false, "XS002 E017 06-04 11:00-15:00");
    demo.Say("The afternoon from 13:00 does not meet it.");
    demo.Save(kHourSalary, HourBill("XS002", Json::array({HourRow("E017", 1, 20240604, 1300, 1700, 4, false)})),
              true, "XS002 E017 06-04 13:00-17:00");
}

void DeleteFreesAttendance(DemoContext& demo) {
    demo.Say("XS001 was made in error and is deleted: its attendance records are free again.");
    demo.Delete(kHourSalary, "XS001", true, "XS001");
    ShowAttendance(demo);
}

}  // namespace

std::vector<DemoScene> HourSalaryDemo() {
    return {
        {"Hourly wage: rows taken over from attendance", TakenOverFromAttendance},
        {"Hourly wage: an overlapping row of another bill refused", OverlapRefused},
        {"Hourly wage: deleting the bill frees the attendance records", DeleteFreesAttendance},
    };
}

}  // namespace humrs
