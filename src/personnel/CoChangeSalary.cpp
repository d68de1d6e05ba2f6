#include "personnel/CoChangeSalary.h"

namespace humrs {

const ClassDescriptor& ChangeSalaryClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TChangeSalary";
        d.coclass = "ChangeSalary";
        d.progId = "QVXHumrs.ChangeSalary";
        d.clsid = "{A0C2E7BE-EA80-4783-8532-8A199AF4CC76}";
        d.interfaceName = "IChangeSalary";
        d.iid = "{E9C14FBF-24F6-4BFA-8AE7-2C0C60E4A011}";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("humChangeSalaryMain"), BodyDataset("humChangeSalary"),
                      UnderRowDataset("humChangeSalarySub", "ParentRowNo", std::nullopt, 1)};
        d.tables.push_back({"humChangeSalaryMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        d.tables.push_back({"humChangeSalary",
                     {{"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"ChangeTimes", kInt},
                      {"NAdjustDate", kInt},
                      {"NAdjustMode", kInt},
                      {"NBaseSalary", kMoney},
                      {"NoLeave", kBool},
                      {"NNoLeave", kMoney},
                      {"Meal", kBool},
                      {"NMealSalary", kMoney},
                      // Rows are entered under the transfer method unless imported as old data.
                      {"IsNew", kBool, "1"},
                      {"IsTransfer", kBool},
                      {"BillDate", kInt}},
                     {"BillNo", "RowNo"}});
        d.tables.push_back({"humChangeSalarySub",
                     {{"BillNo", kText},
                      {"ParentRowNo", kInt},
                      {"SalaryItem", kText},
                      {"Account", kMoney},
                      {"RowNo", kInt}},
                     {"BillNo", "ParentRowNo", "RowNo"}});
        // Filled by "Insert Into humHistSalaryBase Select ID as PersonID, BaseSalary,
        // NoLeave, NoLeaveSalary, Meal, MealSalary, AdjustDate, AdjustMode, n As ChangeTimes".
        d.tables.push_back({"humHistSalaryBase",
                     {{"PersonID", kText},
                      {"BaseSalary", kMoney},
                      {"NoLeave", kBool},
                      {"NoLeaveSalary", kMoney},
                      {"Meal", kBool},
                      {"MealSalary", kMoney},
                      {"AdjustDate", kInt},
                      {"AdjustMode", kInt},
                      {"ChangeTimes", kInt}},
                     {"PersonID", "ChangeTimes"}});
        // Filled by "Insert Into humHistSalaryItem Select ID as PersonID, SalaryItem,
        // Account, n As ChangeTimes, RowNo".
        d.tables.push_back({"humHistSalaryItem",
                     {{"PersonID", kText},
                      {"SalaryItem", kText},
                      {"Account", kMoney},
                      {"ChangeTimes", kInt},
                      {"RowNo", kInt}},
                     {}});
        d.indexes.push_back(Index("humChangeSalary", {"PersonID", "ChangeTimes"}));
        d.indexes.push_back(Index("humChangeSalary", {"PersonID", "NAdjustDate"}));
        d.indexes.push_back(Index("humHistSalaryItem", {"PersonID", "ChangeTimes"}));
        return d;
    }();
    return d;
}

}  // namespace humrs
