// Demo scenes of the leave category master.
#include "leave/CoExcuseCls.h"

namespace humrs {

namespace {

constexpr const char* kExcuseCls = "QVXHumrs.ExcuseCls";

// A bill of one row in dataset 0.
Json OneRow(Json row) { return Json{{"datasets", Json::array({Json::array({std::move(row)})})}}; }

void NewLeaveCategory(DemoContext& demo) {
    demo.Say("HR adds a leave for family weddings and funerals, counted in whole days.");
    demo.Save(kExcuseCls,
              OneRow({{"ExcuseClsID", "L20"},
                      {"ExcuseClsName", "婚丧假"},
                      {"ExcuseCls", 9},
                      {"UnitName", 0},
                      {"ExcuseUnit", 1}}),
              true, "L20 婚丧假");
    demo.Show(
        "stored",
        "Select ExcuseClsID, ExcuseClsName, UnitName, ExcuseUnit From humExcuseCls Where ExcuseClsID = ?",
        {Variant("L20")});
}

void LeaveUnitMustBePositive(DemoContext& demo) {
    demo.Say("A category without a leave unit cannot count any leave, so it is refused.");
    demo.Save(kExcuseCls,
              OneRow({{"ExcuseClsID", "L21"},
                      {"ExcuseClsName", "产检假"},
                      {"ExcuseCls", 9},
                      {"UnitName", 1},
                      {"ExcuseUnit", 0}}),
              false, "L21 产检假 with leave unit 0");
    demo.Show("stored", "Select ExcuseClsID From humExcuseCls Where ExcuseClsID = ?", {Variant("L21")});
}

void NoPayDeductionSettingsWithoutDeduction(DemoContext& demo) {
    demo.Say(
        "A category that deducts no pay keeps no deduction amounts: the 120 per month entered "
        "by mistake is stored as 0.");
    demo.Save(kExcuseCls,
              OneRow({{"ExcuseClsID", "L22"},
                      {"ExcuseClsName", "公假"},
                      {"ExcuseCls", 9},
                      {"UnitName", 1},
                      {"ExcuseUnit", 0.5},
                      {"CutPayment", false},
                      {"MonthTimes", 2},
                      {"MonthAccount", 120}}),
              true, "L22 公假 deducting no pay");
    demo.Show("stored", "Select CutPayment, MonthTimes, MonthAccount From humExcuseCls Where ExcuseClsID = ?",
              {Variant("L22")});
}

}  // namespace

std::vector<DemoScene> ExcuseClsDemo() {
    return {
        {"Leave categories: a new category", NewLeaveCategory},
        {"Leave categories: the leave unit must be positive", LeaveUnitMustBePositive},
        {"Leave categories: no deduction settings without pay deduction", NoPayDeductionSettingsWithoutDeduction},
    };
}

}  // namespace humrs
