// Demo scenes of the salary adjustment: a transfer on save, the daily job, the
// two-per-month rule and the undo of a deleted adjustment.
#include <string>
#include <utility>

#include "personnel/CoChangeSalary.h"

namespace humrs {

namespace {

constexpr const char* kChangeSalary = "QVXHumrs.ChangeSalary";

// A bill of one adjustment row (row 1) for one person, with its salary items.
Json Adjustment(const std::string& billNo, const std::string& person, int adjustDate, double baseSalary,
                double mealSalary, std::vector<std::pair<std::string, double>> items) {
    Json itemRows = Json::array();
    int rowNo = 0;
    for (auto& [item, amount] : items)
        itemRows.push_back({{"ParentRowNo", 1}, {"RowNo", ++rowNo}, {"SalaryItem", item}, {"Account", amount}});
    Json body = {{"RowNo", 1},
                 {"PersonID", person},
                 {"NAdjustDate", adjustDate},
                 {"NAdjustMode", 1},
                 {"NBaseSalary", baseSalary},
                 {"NoLeave", true},
                 {"NNoLeave", 200},
                 {"Meal", mealSalary != 0},
                 {"NMealSalary", mealSalary},
                 {"BillDate", adjustDate}};
    Json header = {{"BillNo", billNo}, {"BillDate", adjustDate}};
    Json datasets = Json::array();
    datasets.push_back(Json::array({std::move(header)}));
    datasets.push_back(Json::array({std::move(body)}));
    datasets.push_back(std::move(itemRows));
    return Json{{"datasets", std::move(datasets)}};
}

void ShowTerms(DemoContext& demo, const std::string& what) {
    demo.Show(what + ": settings",
              "Select ID, BaseSalary, NoLeave, NoLeaveSalary, Meal, MealSalary, AdjustDate From humPersonSetMain "
              "Where Flag = 1 And ID = ?",
              {Variant("E005")});
    demo.Show(what + ": salary items", "Select SalaryItem, Account From humPersonSetSub Where Flag = 1 And ID = ? "
                                       "Order By RowNo",
              {Variant("E005")});
}

void SalarySettingsSetUp(DemoContext& demo) {
    demo.Say("陈静 (E005) is paid 5000 a month with a 200 full-attendance bonus, a 300 meal allowance and a "
             "500 post allowance. Her settings were set up when she was hired, with their first snapshot.");
    Database& db = demo.Db();
    db.Execute("Insert Into humSalaryItem (SalaryID, SalaryName, Propertiy) Values ('S01', '岗位津贴', 0), "
               "('S02', '交通补贴', 0)");
    db.Execute(
        "Insert Into humPersonSetMain (Flag, ID, BaseSalary, NoLeave, NoLeaveSalary, Meal, MealSalary, AdjustDate, "
        "AdjustMode) Values (1, 'E005', 5000, 1, 200, 1, 300, 20200601, 1)");
    db.Execute("Insert Into humPersonSetSub (Flag, ID, SalaryItem, Account, RowNo) Values (1, 'E005', 'S01', 500, 1)");
    db.Execute(
        "Insert Into humHistSalaryBase (PersonID, BaseSalary, NoLeave, NoLeaveSalary, Meal, MealSalary, AdjustDate, "
        "AdjustMode, ChangeTimes) Values ('E005', 5000, 1, 200, 1, 300, 20200601, 1, 0)");
    db.Execute("Insert Into humHistSalaryItem (PersonID, SalaryItem, Account, ChangeTimes, RowNo) "
               "Values ('E005', 'S01', 500, 0, 1)");
}

void AdjustmentDueToday(DemoContext& demo) {
    SalarySettingsSetUp(demo);
    demo.Say("Her raise to 5500 from today, with a 100 travel allowance added, is transferred as it is saved.");
    demo.Save(kChangeSalary, Adjustment("TX001", "E005", 20240610, 5500, 300, {{"S01", 500}, {"S02", 100}}), true,
              "TX001 E005 5500 from 06-10");
    ShowTerms(demo, "after TX001");
    demo.Show("history", "Select PersonID, ChangeTimes, BaseSalary, AdjustDate From humHistSalaryBase "
                         "Where PersonID = ? Order By ChangeTimes",
              {Variant("E005")});
}

void AdjustmentDueNextMonth(DemoContext& demo) {
    demo.Say("A second raise to 6000 from 07-10 waits: saving it changes nothing yet.");
    demo.Save(kChangeSalary, Adjustment("TX002", "E005", 20240710, 6000, 300, {{"S01", 600}, {"S02", 100}}), true,
              "TX002 E005 6000 from 07-10");
    ShowTerms(demo, "after TX002 is saved");
    demo.Say("The daily job the installation schedules runs on 07-10 and transfers it.");
    demo.Proc(kChangeSalary, 1, Variant(VariantArray{Variant(""), Variant(20240710)}), Variant(),
              "transfer the adjustments due on 07-10");
    ShowTerms(demo, "after the job of 07-10");
}

void ThirdAdjustmentInAMonthRefused(DemoContext& demo) {
    demo.Say("A correction from 07-20 is her second adjustment in July and is accepted; a third one from 07-25 "
             "is refused.");
    demo.Save(kChangeSalary, Adjustment("TX003", "E005", 20240720, 6200, 300, {{"S01", 600}, {"S02", 100}}), true,
              "TX003 E005 6200 from 07-20");
    demo.Save(kChangeSalary, Adjustment("TX004", "E005", 20240725, 6300, 300, {{"S01", 600}}), false,
              "TX004 E005 6300 from 07-25");
}

void DeletingTheLatestRestores(DemoContext& demo) {
    demo.Say("The job of 07-20 transfers TX003. Deleting TX003 afterwards puts back the terms of TX002.");
    demo.Proc(kChangeSalary, 1, Variant(VariantArray{Variant("E005"), Variant(20240720)}), Variant(),
              "transfer E005's adjustments due on 07-20");
    ShowTerms(demo, "after the job of 07-20");
    demo.Say("TX002 is no longer her latest adjustment: it cannot be deleted.");
    demo.Delete(kChangeSalary, "TX002", false, "TX002");
    demo.Delete(kChangeSalary, "TX003", true, "TX003");
    ShowTerms(demo, "after TX003 is deleted");
}

}  // namespace

std::vector<DemoScene> ChangeSalaryDemo() {
    return {
        {"Salary adjustments: an adjustment due today is transferred on save", AdjustmentDueToday},
        {"Salary adjustments: the daily job transfers an adjustment when it falls due", AdjustmentDueNextMonth},
        {"Salary adjustments: at most two adjustments of a person in one month", ThirdAdjustmentInAMonthRefused},
        {"Salary adjustments: deleting the latest adjustment restores the previous terms", DeletingTheLatestRestores},
    };
}

}  // namespace humrs
