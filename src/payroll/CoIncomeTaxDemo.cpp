// Demo scene of the income tax summary: the first quarter of the demo company, its
// salary and its allowances printed as the two tables the statement merges.
#include "core/Convert.h"
#include "payroll/CoIncomeTax.h"

namespace humrs {

namespace {

constexpr const char* kIncomeTax = "QVXHumrs.IncomeTax";

// Salary vouchers of the quarter and allowances paid out on their own in it.
void PrepareQuarter(DemoContext& demo) {
    Database& db = demo.Db();
    if (db.QueryFirst("Select BillNo From humSalaryMain Where BillNo = 'GZ2401E001'")) return;
    if (!db.QueryFirst("Select SalaryID From humSalaryItem Where SalaryID = 'T01'"))
        db.Execute(
            "Insert Into humSalaryItem (SalaryID, SalaryName, Propertiy, CaleType, MonthType) Values "
            "('T01', '交通补贴', 0, 0, 0), ('T02', '违纪扣款', 1, 0, 0), ('T03', '免税误餐补助', 0, 1, 0)");
    const struct {
        const char* person;
        double base;
        double tax;
    } paid[] = {{"E001", 6800, 126}, {"E002", 5200, 36}, {"E006", 7500, 195}};
    for (const auto& p : paid)
        for (int month = 1; month <= 3; ++month) {
            const int yearMonth = 202400 + month;
            db.Execute(
                "Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID, SalaryYearMonth, "
                "PayDay, BaseSalary, TaxOvertime, MealSalary, NoLeaveSalary, ClassSalary, OtherTaxSalary, "
                "ExcuseSalary, OtherDeductSalary, PieceWorkSalary, IncomeTax) "
                "Values (1, ?, 0, 0, ?, ?, ?, ?, 300, 200, 100, 0, 0, 50, 0, 0, ?)",
                {Variant("GZ" + std::to_string(yearMonth % 10000) + p.person), Variant(p.person),
                 Variant(yearMonth), Variant(yearMonth * 100 + 10), Variant(p.base), Variant(p.tax)});
        }
    db.Execute(
        "Insert Into HumSubsidyCut (Flag, BillNo, RowNo, BillDate, PersonID, SalaryItem, SalaryType, "
        "PayType, "
        "Account, DeductAccount, SalaryDate) Values "
        "(1, 'JT2401', 0, 20240125, 'E002', 'T01', 0, 1, 400, 20, 20240128), "
        "(1, 'KK2402', 0, 20240220, 'E002', 'T02', 0, 1, 150, 0, 20240226), "
        "(1, 'WC2403', 0, 20240315, 'E002', 'T03', 0, 1, 600, 0, 20240318), "
        "(1, 'JT2403', 0, 20240328, 'E010', 'T01', 0, 1, 300, 15, 20240402)");
}

// A result set as a small table, one line a row.
void PrintTable(DemoContext& demo, const std::string& title, const Variant& packet) {
    Dataset rows = Dataset::FromPacket(packet);
    std::string text = title + ":\n     ";
    for (const auto& field : rows.Fields()) text += " " + field.name;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        text += "\n     ";
        for (const auto& field : rows.Fields()) text += " " + CStr(rows[field.name]);
    }
    if (rows.IsEmpty()) text += "\n      (no row)";
    demo.Say(text);
}

void QuarterSummary(DemoContext& demo) {
    PrepareQuarter(demo);
    demo.Say("The persons on the job in the first quarter of 2024, as the range the statement is run over.");
    demo.Proc(kIncomeTax, 0, Variant(VariantArray{20240101, 20240331}), Variant(),
              "2024-01-01 to 2024-03-31");
    demo.Say(
        "The summary by salary month 2024-01 to 2024-03: allowances count by the month of their bill date. "
        "王芳's transport allowance adds 400, her fine deducts 150, the tax-free meal aid is left out; "
        "吴霞 (E010) has an allowance but no voucher.");
    const Outcome months = demo.Proc(kIncomeTax, 1, Variant(0),
                                     Variant("SalaryYearMonth >= 202401 And SalaryYearMonth <= 202403"),
                                     "salary months 202401 to 202403");
    if (months.ok && months.result.ArrayLength() == 2) {
        PrintTable(demo, "salary", months.result.AsArray()[0]);
        PrintTable(demo, "allowances", months.result.AsArray()[1]);
    }
    demo.Say("The same quarter by pay date: 吴霞's allowance, paid on 04-02, falls out of it.");
    const Outcome days = demo.Proc(kIncomeTax, 1, Variant(1), Variant("PayDay Between 20240101 And 20240331"),
                                   "pay dates 2024-01-01 to 2024-03-31");
    if (days.ok && days.result.ArrayLength() == 2) {
        PrintTable(demo, "salary", days.result.AsArray()[0]);
        PrintTable(demo, "allowances", days.result.AsArray()[1]);
    }
}

}  // namespace

std::vector<DemoScene> IncomeTaxDemo() {
    return {
        {"Income tax: the summary of a quarter", QuarterSummary},
    };
}

}  // namespace humrs
