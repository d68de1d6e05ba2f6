// Demo scenes of the overtime category master.
#include "overtime/CoOverTimeCls.h"

namespace humrs {

namespace {

constexpr const char* kOvertimeCls = "QVXHumrs.OvertimeCls";

// A bill of one row in dataset 0.
Json OneRow(Json row) { return Json{{"datasets", Json::array({Json::array({std::move(row)})})}}; }

void CategoryWithMonthlyLimit(DemoContext& demo) {
    demo.Say("The production floor may be paid up to 36 overtime hours a month; hours above that go to salary "
             "item S11 (超时加班补贴).");
    demo.Save(kOvertimeCls,
              OneRow({{"OTClsID", "OT36"}, {"OTClsName", "生产加班"}, {"OverMonth", 36}, {"OverSalaryID", "S11"}}),
              true, "OT36 生产加班 36 hours a month");
    demo.Say("The office has no monthly limit, so it names no salary item.");
    demo.Save(kOvertimeCls, OneRow({{"OTClsID", "OT00"}, {"OTClsName", "行政加班"}, {"OverMonth", 0}}), true,
              "OT00 行政加班 without a limit");
    demo.Show("stored", "Select OTClsID, OTClsName, OverMonth, OverSalaryID From humOverTimeCls Order By OTClsID");
}

void LimitNeedsItsSalaryItem(DemoContext& demo) {
    demo.Say("A limit of 20 hours without a salary item would leave the hours above it unpaid: refused.");
    demo.Save(kOvertimeCls, OneRow({{"OTClsID", "OT20"}, {"OTClsName", "仓储加班"}, {"OverMonth", 20}}), false,
              "OT20 仓储加班 20 hours without a salary item");
    demo.Say("Nor may a category without a limit name one.");
    demo.Save(kOvertimeCls,
              OneRow({{"OTClsID", "OT20"}, {"OTClsName", "仓储加班"}, {"OverMonth", 0}, {"OverSalaryID", "S11"}}),
              false, "OT20 仓储加班 no limit, salary item S11");
}

}  // namespace

std::vector<DemoScene> OvertimeClsDemo() {
    return {
        {"Overtime categories: a category with a monthly limit", CategoryWithMonthlyLimit},
        {"Overtime categories: a limit and its salary item go together", LimitNeedsItsSalaryItem},
    };
}

}  // namespace humrs
