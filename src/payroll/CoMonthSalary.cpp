#include "payroll/CoMonthSalary.h"

namespace humrs {

const ClassDescriptor& MonthSalaryClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TMonthSalary";
        d.coclass = "MonthSalary";
        d.progId = "QVXHumrs.MonthSalary";
        d.clsid = "{64E804D1-8BB2-43B2-8631-2E3FEA62C437}";
        d.interfaceName = "IMonthSalary";
        d.iid = "{8EE7EAFE-E82A-4AB4-A3CF-E361BB71FEA5}";
        d.keyColumn = "BillNo";
        d.datasets = {SingleRowDataset("humSalaryMain", 1), BodyDataset("humSalarySub", 1), BodyDataset("humSalaryExcuse", 1),
                      BodyDataset("humSalaryOverTime", 1), UnderRowDataset("humSalaryBank", "ParentRowNO", 1, 0)};
        // payments (ParentRowNO = the advance row).
        d.tables.push_back({"humSalarySub",
                            {{"Flag", kInt}, {"BillNo", kText}, {"RowNo", kInt}, {"SalaryItem", kText}, {"Account", kMoney}},
                            {"Flag", "BillNo", "RowNo"}});
        d.tables.push_back({"humSalaryMain",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"ParentRowNO", kInt},
                      {"RowNo", kInt},
                      {"BillDate", kInt},
                      {"PersonID", kText},
                      {"DepartID", kText},
                      {"SalaryYearMonth", kInt},
                      {"PayDay", kInt},
                      {"SalaryType", kInt},
                      {"BaseSalary", kMoney},
                      {"TaxOvertime", kMoney},
                      {"MealSalary", kMoney},
                      {"MessSalary", kMoney},
                      {"NoLeaveSalary", kMoney},
                      {"ClassSalary", kMoney},
                      {"OtherTaxSalary", kMoney},
                      {"ExcuseSalary", kMoney},
                      {"OtherDeductSalary", kMoney},
                      {"OtherDeduct", kMoney},
                      {"PieceWorkSalary", kMoney},
                      {"IncomeTax", kMoney},
                      {"RealSalary", kMoney},
                      {"RealCash", kMoney},
                      {"RealBank", kMoney},
                      {"HealthTax", kFloat},
                      {"LaborTax", kFloat},
                      {"CashPaid", kBool},
                      {"BankPaid", kBool},
                      {"PVoucherNO", kText},
                      {"Memo", kText}},
                     {"Flag", "BillNo", "ParentRowNO", "RowNo"}});
        d.tables.push_back({"humSalaryExcuse",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"ExcuseClsID", kText},
                      {"ExcuseCount", kFloat},
                      {"Account", kMoney}},
                     {"Flag", "BillNo", "RowNo"}});
        d.tables.push_back({"humSalaryOverTime",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"FieldACount", kMoney},
                      {"FieldBCount", kMoney},
                      {"FieldCCount", kMoney},
                      {"HolidayCount", kMoney},
                      {"FieldAAccount", kMoney},
                      {"FieldBAccount", kMoney},
                      {"FieldCAccount", kMoney},
                      {"HolidayAccount", kMoney}},
                     {"Flag", "BillNo", "RowNo"}});
        // Bank split: Flag 1 of a voucher (ParentRowNO 0), 2 of an advance payment row.
        d.tables.push_back({"humSalaryBank",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"ParentRowNO", kInt},
                      {"RowNo", kInt},
                      {"MasterAccount", kBool},
                      {"PayBankID", kText},
                      {"PayAccount", kText},
                      {"AccountName", kText},
                      {"BankMoneny", kMoney}},
                     {"Flag", "BillNo", "ParentRowNO", "RowNo"}});
        d.tables.push_back({"humFamily",
                     {{"Flag", kInt},
                      {"PersonID", kText},
                      {"Name", kText},  // empty: the employee's own row
                      {"SalaryMonth", kInt},
                      {"InsuAccount", kMoney},
                      {"LaborAccount", kMoney}},
                     {}});
        d.indexes.push_back(Index("humSalaryMain", {"PersonID", "SalaryYearMonth"}));
        d.indexes.push_back(Index("humFamily", {"PersonID", "SalaryMonth"}));
        return d;
    }();
    return d;
}

}  // namespace humrs
