// Demo scenes of the overtime record: its checks, the split of a span into paid
// segments, and compensatory leave taken against redeemable overtime.
#include "overtime/CoOvertime.h"

namespace humrs {

namespace {

constexpr const char* kOvertime = "QVXHumrs.Overtime";

// A bill of one row in dataset 0.
Json OneRow(Json row) { return Json{{"datasets", Json::array({Json::array({std::move(row)})})}}; }

Json OvertimeBill(const std::string& billNo, const std::string& person, int date, int beginTime, int endTime,
                  Json extra = Json::object()) {
    Json row = {{"BillNo", billNo},         {"PersonID", person},   {"OverTimeDate", date},
                {"OverTimeClass", "A"},     {"BeginTime", beginTime}, {"EndTime", endTime}};
    for (auto& [key, value] : extra.items()) row[key] = value;
    return OneRow(std::move(row));
}

// The request of procedure 0: class, begin, end, as holiday, manual, hours, day type, keep span.
Variant Segments(const std::string& cls, int begin, int end, bool asHoliday, int dayType) {
    return Variant(VariantArray{cls, std::to_string(begin), std::to_string(end), asHoliday, false, 0, dayType,
                                false});
}

void OvertimeAccepted(DemoContext& demo) {
    demo.Say("刘洋 (E004) stays after the day shift on Monday 06-10, from 18:00 to 20:00.");
    demo.Save(kOvertime, OvertimeBill("JB101", "E004", 20240610, 1800, 2000), true, "JB101 E004 06-10 18:00-20:00");
    demo.Show("stored", "Select BillNo, Flag, PersonID, OverTimeDate, OverTimeClass, BeginTime, EndTime "
                        "From humOverTime Where BillNo = ?",
              {Variant("JB101")});
}

void OvertimeInWorkingHours(DemoContext& demo) {
    demo.Say("The clerk picks the day shift as the class to check against, then enters 14:00 to 16:00 for "
             "陈静 (E005): that lies inside the shift's working hours.");
    auto object = demo.Create(kOvertime);
    demo.Proc(*object, 4, Variant("A"), Variant(), "check against class A");
    demo.Save(*object, OvertimeBill("JB102", "E005", 20240611, 1400, 1600), false, "JB102 E005 06-11 14:00-16:00");
    demo.Say("After the shift, 17:30 to 19:00, is accepted.");
    demo.Save(*object, OvertimeBill("JB102", "E005", 20240611, 1730, 1900), true, "JB102 E005 06-11 17:30-19:00");
}

void OvertimeOverlapRefused(DemoContext& demo) {
    demo.Say("A second bill for 刘洋 (E004) from 19:00 to 21:00 on 06-10 overlaps JB101: refused, naming it.");
    demo.Save(kOvertime, OvertimeBill("JB103", "E004", 20240610, 1900, 2100), false, "JB103 E004 06-10 19:00-21:00");
}

void OvertimeOnLunarHoliday(DemoContext& demo) {
    demo.Say("Mid-Autumn is kept on the 15th day of the 8th lunar month; in 2024 that is 09-17.");
    demo.Proc(kOvertime, 2, Variant(20240917), Variant(), "is 2024-09-17 a holiday");
    demo.Proc(kOvertime, 2, Variant(20240918), Variant(), "is 2024-09-18 a holiday");
    demo.Say("杨磊 (E006) works 09:00 to 12:00 that day; all of it is holiday overtime.");
    demo.Proc(kOvertime, 0, Segments("A", 900, 1200, true, 0), Variant(), "segments of 09:00-12:00 as holiday");
    demo.Save(kOvertime,
              OvertimeBill("JB104", "E006", 20240917, 900, 1200, {{"HolidayCount", 3}, {"TotalCount", 3}}), true,
              "JB104 E006 09-17 09:00-12:00");
}

void OvertimeOverLeave(DemoContext& demo) {
    demo.Say("周杰 (E009) has a leave request for the evening of 06-13 from 18:00 to 20:00.");
    demo.Db().Execute(
        "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, EndTime, "
        "ExcuseCount) Values (1, 'QJ191', 0, 'E009', 'L09', 20240613, 1800, 20240613, 2000, 0.25)");
    demo.Say("Overtime for him from 19:00 to 21:00 is saved, with a notice naming the leave.");
    demo.Save(kOvertime, OvertimeBill("JB105", "E009", 20240613, 1900, 2100), true, "JB105 E009 06-13 19:00-21:00");
}

// ---- Segments and posting

void OvertimeSegmentsScene(DemoContext& demo) {
    demo.Say("Under local type 1 the hours are split by length: class A pays the first 2 hours at rate A, up to "
             "4 at rate B, the rest at rate C. 18:00 to 23:00 is 5 hours.");
    demo.Proc(kOvertime, 0, Segments("A", 1800, 2300, false, 0), Variant(), "A/B/C of 18:00-23:00");
    demo.Say("17:00 to 20:00 loses the half hour before overtime starts at 17:30.");
    demo.Proc(kOvertime, 0, Segments("A", 1700, 2000, false, 0), Variant(), "A/B/C of 17:00-20:00");
    demo.Say("Under any other local type all hours go to one amount by the kind of day: a rest day here.");
    Session& session = demo.GetSession();
    const std::optional<int> localType = session.localType;
    session.localType = 0;
    demo.Proc(kOvertime, 0, Segments("A", 1800, 2300, false, 2), Variant(), "18:00-23:00 on a rest day");
    session.localType = localType;
}

Json CompLeave(const std::string& billNo, int date, int beginTime, int endTime, double count) {
    return OneRow({{"BillNo", billNo},
                   {"PersonID", "E011"},
                   {"ExcuseClsID", "L12"},
                   {"BeginDate", date},
                   {"BeginTime", beginTime},
                   {"EndDate", date},
                   {"EndTime", endTime},
                   {"ExcuseCount", count}});
}

void RedeemableOvertime(DemoContext& demo) {
    const char* free = "Select BillNo, OverTimeDate, TotalCount, UseableRedeemCount From humOverTime "
                       "Where PersonID = ? Order By OverTimeDate";
    demo.Say("徐明 (E011) works 18:00 to 21:00 on 06-10 and 06-11 and takes the hours as compensatory leave.");
    demo.Save(kOvertime,
              OvertimeBill("JB106", "E011", 20240610, 1800, 2100,
                           {{"FieldACount", 2}, {"FieldBCount", 1}, {"TotalCount", 3}, {"RedeemType", 1}}),
              true, "JB106 E011 06-10 18:00-21:00, redeemable");
    demo.Save(kOvertime,
              OvertimeBill("JB107", "E011", 20240611, 1800, 2100,
                           {{"FieldACount", 2}, {"FieldBCount", 1}, {"TotalCount", 3}, {"RedeemType", 1}}),
              true, "JB107 E011 06-11 18:00-21:00, redeemable");
    demo.Show("free overtime hours", free, {Variant("E011")});
    demo.Say("He takes 4 hours of compensatory leave on 06-14: the oldest overtime is used first.");
    demo.Save("QVXHumrs.Excuse", CompLeave("QJ102", 20240614, 800, 1200, 4), true, "QJ102 E011 4 hours");
    demo.Show("free overtime hours", free, {Variant("E011")});
    demo.Say("JB106 is withdrawn: the leave moves over to what is left of JB107.");
    demo.Delete(kOvertime, "JB106", true, "JB106");
    demo.Show("free overtime hours", free, {Variant("E011")});
}

}  // namespace

std::vector<DemoScene> OvertimeDemo() {
    return {
        {"Overtime: an overtime record accepted", OvertimeAccepted},
        {"Overtime: inside the class's working hours refused", OvertimeInWorkingHours},
        {"Overtime: overlapping overtime refused", OvertimeOverlapRefused},
        {"Overtime: a lunar holiday", OvertimeOnLunarHoliday},
        {"Overtime: a leave overlap is a notice", OvertimeOverLeave},
        {"Overtime: segments A, B, C and by kind of day", OvertimeSegmentsScene},
        {"Overtime: redeemable overtime and compensatory leave", RedeemableOvertime},
    };
}

}  // namespace humrs
