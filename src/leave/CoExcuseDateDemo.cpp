// Demo scenes of the leave request by date: many persons in one bill, the bill's own
// rows checked against each other, and compensatory leave of a changed bill.
#include <tuple>

#include "leave/CoExcuseDate.h"

namespace humrs {

namespace {

constexpr const char* kExcuseDate = "QVXHumrs.ExcuseDate";

// A row of the bill, numbered as it is listed: a changed bill finds its rows again by number.
Json Row(int rowNo, const std::string& person, const std::string& category, int date, int beginTime, int endTime,
         double count) {
    return Json{{"RowNo", rowNo},         {"SerNo", rowNo},    {"PersonID", person},  {"ExcuseClsID", category},
                {"BeginDate", date},      {"BeginTime", beginTime}, {"EndDate", date}, {"EndTime", endTime},
                {"ExcuseCount", count}};
}

// A bill by date: its header and its rows.
Json Bill(const std::string& billNo, int billDate, Json rows) {
    return Json{{"datasets", Json::array({Json::array({Json{{"BillNo", billNo}, {"BillDate", billDate}}}),
                                          std::move(rows)})}};
}

void FivePersonsInOneBill(DemoContext& demo) {
    demo.Say("The workshop closes on the morning of 08-05 for a fire drill that five workers of D02 skip: "
             "the clerk enters their personal leave in one bill by date.");
    Json rows = Json::array();
    int serNo = 0;
    for (const char* person : {"E011", "E012", "E013", "E014", "E015"})
        rows.push_back(Row(++serNo, person, "L00", 20240805, 800, 1200, 4));
    demo.Save(kExcuseDate, Bill("RQ001", 20240801, std::move(rows)), true, "RQ001 five persons 08-05 08:00-12:00");
    demo.Show("stored rows",
              "Select BillNo, Flag, RowNo, SerNo, PersonID, BeginDate, BeginTime, EndTime, ExcuseCount, ExcuseDate "
              "From humExcuse Where BillNo = ? Order By RowNo",
              {Variant("RQ001")});
}

void OverlapInOneBillRefused(DemoContext& demo) {
    demo.Say("张伟 (E001) appears twice in a bill for 08-06, 09:00-11:00 and 10:00-12:00: the rows of one "
             "bill are checked against each other, and the bill is refused.");
    demo.Save(kExcuseDate,
              Bill("RQ002", 20240801,
                   Json::array({Row(1, "E001", "L00", 20240806, 900, 1100, 2),
                                Row(2, "E002", "L00", 20240806, 900, 1100, 2),
                                Row(3, "E001", "L09", 20240806, 1000, 1200, 1)})),
              false, "RQ002 E001 twice on 08-06");
    demo.Show("rows of RQ002", "Select Count(*) As Stored From humExcuse Where BillNo = ?", {Variant("RQ002")});
}

void CompensatoryLeaveOfAChangedBill(DemoContext& demo) {
    demo.Say("郭佳 (E016) worked 8 redeemable overtime hours on 07-20 and 4 on 07-22.");
    for (auto [bill, date, hours] : {std::tuple{"JB091", 20240720, 8.0}, std::tuple{"JB092", 20240722, 4.0}})
        demo.Db().Execute(
            "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, "
            "HolidayCount, RedeemType, UseableRedeemCount) Values (1, ?, 0, 'E016', ?, 800, 1700, ?, 1, ?)",
            {Variant(bill), Variant(date), Variant(hours), Variant(hours)});
    const char* freeHours =
        "Select BillNo, OverTimeDate, UseableRedeemCount From HumOverTime Where PersonID = ? Order By OverTimeDate";
    // The bill: her first leave on 08-12 from 08:00 for `hours`, then 2 hours on 08-13.
    auto bill = [](double hours, int endTime) {
        return Bill("RQ003", 20240810,
                    Json::array({Row(1, "E016", "L12", 20240812, 800, endTime, hours),
                                 Row(2, "E016", "L12", 20240813, 800, 1000, 2)}));
    };
    demo.Say("A bill by date gives her 4 hours of compensatory leave on 08-12 and 2 on 08-13.");
    demo.Save(kExcuseDate, bill(4, 1200), true, "RQ003 E016 4 + 2 hours of compensatory leave");
    demo.Show("free overtime hours", freeHours, {Variant("E016")});
    demo.Say("The first leave grows to 7 hours: the bill is changed, and her leave is allocated again, oldest "
             "overtime first. The second row is left as it was.");
    demo.Save(kExcuseDate, bill(7, 1600), true, "RQ003 changed: 7 + 2 hours");
    demo.Show("free overtime hours", freeHours, {Variant("E016")});
    demo.Say("Growing it to 11 hours would need more than the 12 she worked: refused, and nothing moves.");
    demo.Save(kExcuseDate, bill(11, 1700), false, "RQ003 changed: 11 + 2 hours");
    demo.Show("free overtime hours", freeHours, {Variant("E016")});
}

}  // namespace

std::vector<DemoScene> ExcuseDateDemo() {
    return {
        {"Leave by date: one bill for five persons", FivePersonsInOneBill},
        {"Leave by date: two overlapping rows of one person refused", OverlapInOneBillRefused},
        {"Leave by date: compensatory leave of a changed bill", CompensatoryLeaveOfAChangedBill},
    };
}

}  // namespace humrs
