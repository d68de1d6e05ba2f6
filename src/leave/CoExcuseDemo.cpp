// Demo scenes of the leave request: checks, entitlements and compensatory leave.
#include <tuple>

#include "leave/CoExcuse.h"

namespace humrs {

namespace {

// A bill of one row in dataset 0.
Json OneRow(Json row) { return Json{{"datasets", Json::array({Json::array({std::move(row)})})}}; }

constexpr const char* kExcuse = "QVXHumrs.Excuse";

Json LeaveBill(const std::string& billNo, const std::string& person, const std::string& category, int beginDate,
               int beginTime, int endDate, int endTime, double count) {
    return OneRow({{"BillNo", billNo},
                   {"PersonID", person},
                   {"ExcuseClsID", category},
                   {"BeginDate", beginDate},
                   {"BeginTime", beginTime},
                   {"EndDate", endDate},
                   {"EndTime", endTime},
                   {"ExcuseCount", count}});
}

void LeaveAccepted(DemoContext& demo) {
    demo.Say("张伟 (E001) asks for Tuesday morning off for a personal matter: 4 hours of personal leave.");
    demo.Save(kExcuse, LeaveBill("QJ001", "E001", "L00", 20240611, 800, 20240611, 1200, 4), true,
              "QJ001 E001 personal leave 06-11 08:00-12:00");
    demo.Show("stored",
              "Select BillNo, Flag, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndTime, ExcuseCount "
              "From humExcuse Where BillNo = ?",
              {Variant("QJ001")});
}

void LeaveOverlapRefused(DemoContext& demo) {
    demo.Say("He then files a wedding leave that overlaps the same morning: refused, naming the earlier bill.");
    demo.Save(kExcuse, LeaveBill("QJ002", "E001", "L09", 20240611, 1100, 20240611, 1700, 1), false,
              "QJ002 E001 wedding leave 06-11 11:00-17:00");
}

void LeaveOutsideEmployment(DemoContext& demo) {
    demo.Say("林雪 (E019) joined on 2024-01-02; a leave over the new year would start before she was hired.");
    demo.Save(kExcuse, LeaveBill("QJ003", "E019", "L09", 20231229, 800, 20240102, 1700, 2), false,
              "QJ003 E019 leave 2023-12-29 to 2024-01-02");
    demo.Say("罗刚 (E020) left on 2023-06-30: the field check on the person refuses him for any later leave.");
    demo.Check(kExcuse, 0, {Variant("PersonID")}, {Variant("E020"), Variant(20240611), Variant(20240611)},
               false, "E020 on 06-11");
}

void LatenessLeaveNotice(DemoContext& demo) {
    demo.Say("王芳 (E002) was held up for an hour; the day shift allows 30 minutes of lateness, "
             "so the leave is saved with a notice.");
    demo.Save(kExcuse, LeaveBill("QJ004", "E002", "L02", 20240612, 800, 20240612, 900, 60), true,
              "QJ004 E002 lateness leave 06-12 08:00-09:00");
}

// ---- Leave entitlements

void PersonalLeaveCap(DemoContext& demo) {
    demo.Say("Personal leave is capped at 112 hours a year. 李娜 (E003) asks for 120 hours at once: refused, "
             "with what is left of her year.");
    demo.Save(kExcuse, LeaveBill("QJ005", "E003", "L00", 20240701, 800, 20240719, 1700, 120), false,
              "QJ005 E003 120 hours of personal leave");
}

void SpecialLeaveBySeniority(DemoContext& demo) {
    demo.Say("Special annual leave follows years of service: 张伟 (E001, hired 2010-03) has 14 days a year.");
    demo.Proc(kExcuse, 6, Variant(VariantArray{"E001", 20240610, "", "", 1, 5}), Variant(),
              "E001 special leave left on 06-10");
    demo.Save(kExcuse, LeaveBill("QJ006", "E001", "L05", 20240617, 800, 20240618, 1700, 2), true,
              "QJ006 E001 two days of special leave");
    demo.Proc(kExcuse, 6, Variant(VariantArray{"E001", 20240610, "", "", 1, 5}), Variant(),
              "E001 special leave left after QJ006");
}

void SpecialLeaveCrossingYear(DemoContext& demo) {
    demo.Say("李娜 (E003) was hired in September, so her special-leave year ends on 08-31. "
             "A special leave from 08-30 to 09-02 would cross it: refused.");
    demo.Save(kExcuse, LeaveBill("QJ007", "E003", "L05", 20240830, 800, 20240902, 1700, 2), false,
              "QJ007 E003 special leave 08-30 to 09-02");
}

// ---- Compensatory leave

void CompensatoryLeave(DemoContext& demo) {
    demo.Say("赵敏 (E007) worked 8 redeemable overtime hours on 06-01 and 4 on 06-03.");
    for (auto [bill, date, hours] : {std::tuple{"JB081", 20240601, 8.0}, std::tuple{"JB082", 20240603, 4.0}})
        demo.Db().Execute(
            "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, "
            "HolidayCount, RedeemType, UseableRedeemCount) Values (1, ?, 0, 'E007', ?, 800, 1700, ?, 1, ?)",
            {Variant(bill), Variant(date), Variant(hours), Variant(hours)});
    demo.Say("She takes 6 hours of compensatory leave; the oldest overtime is used first.");
    demo.Save(kExcuse, LeaveBill("QJ008", "E007", "L12", 20240612, 2000, 20240613, 300, 6), true,
              "QJ008 E007 6 hours of compensatory leave");
    demo.Show("free overtime hours", "Select BillNo, OverTimeDate, UseableRedeemCount From HumOverTime "
                                     "Where PersonID = ? Order By OverTimeDate",
              {Variant("E007")});
    demo.Say("Another 8 hours would be more than the 6 she has left.");
    demo.Save(kExcuse, LeaveBill("QJ009", "E007", "L12", 20240614, 2000, 20240615, 500, 8), false,
              "QJ009 E007 8 more hours");
    demo.Say("She withdraws QJ008: its hours go back to the overtime.");
    demo.Delete(kExcuse, "QJ008", true, "QJ008");
    demo.Show("free overtime hours", "Select BillNo, OverTimeDate, UseableRedeemCount From HumOverTime "
                                     "Where PersonID = ? Order By OverTimeDate",
              {Variant("E007")});
}

}  // namespace

std::vector<DemoScene> ExcuseDemo() {
    return {
        {"Leave requests: a leave accepted", LeaveAccepted},
        {"Leave requests: overlapping leave refused", LeaveOverlapRefused},
        {"Leave requests: leave outside the employment refused", LeaveOutsideEmployment},
        {"Leave requests: lateness beyond the shift's allowance", LatenessLeaveNotice},
        {"Leave entitlements: the personal-leave cap", PersonalLeaveCap},
        {"Leave entitlements: special annual leave by seniority", SpecialLeaveBySeniority},
        {"Leave entitlements: special leave may not cross its leave year", SpecialLeaveCrossingYear},
        {"Compensatory leave against redeemable overtime", CompensatoryLeave},
    };
}

}  // namespace humrs
