// The demo's story, scene by scene. A business class adds its scenes here, in the
// order a user would meet them: each scene says what it is about, saves bills through
// the context, and says whether it means to show an accepted or a refused save.
#include "cli/Demo.h"

namespace humrs::cli {

namespace {

constexpr const char* kExcuseCls = "QVXHumrs.ExcuseCls";

// A bill of one row in dataset 0.
Json OneRow(Json row) { return Json{{"datasets", Json::array({Json::array({std::move(row)})})}}; }

// ---- The company

void TheCompany(DemoContext& demo) {
    demo.Say(
        "A small factory: an office and a production floor, a day shift and a night shift, "
        "one category for each kind of leave rule.");
    demo.Show("persons", "Select Count(*) As Persons From comPerson");
    demo.Show("left the company",
              "Select PersonID, PersonName, LeaveJobDate From comPerson Where LeaveJobDate > 0");
    demo.Show("shifts",
              "Select ClassID, ClassName, OnDutyTime, OffDutyTime, RestBeginTime, RestEndTime From humClass");
    demo.Show("leave categories",
              "Select ExcuseClsID, ExcuseClsName, ExcuseCls From humExcuseCls Order By ExcuseCls");
}

// ---- Leave categories

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

const std::vector<Scene>& DemoScenes() {
    static const std::vector<Scene> scenes = {
        {"The company", TheCompany},
        {"Leave categories: a new category", NewLeaveCategory},
        {"Leave categories: the leave unit must be positive", LeaveUnitMustBePositive},
        {"Leave categories: no deduction settings without pay deduction",
         NoPayDeductionSettingsWithoutDeduction},
    };
    return scenes;
}

}  // namespace humrs::cli
