#include "payroll/CoIncomeTax.h"

#include "db/ClientCondition.h"
#include "payroll/MoneyColumns.h"
#include "suite/Attendance.h"

namespace humrs {

namespace {

// Every occurrence of `from` in `text` replaced by `to`, matching case exactly.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

Variant TIncomeTax::PersonRangeOnWork(int beginDate, int endDate) {
    const std::string persons = GetPersonIDOnWork(Db(), static_cast<QVXDate>(beginDate),
                                                  static_cast<QVXDate>(endDate), false, false, true, false);
    if (persons.empty()) return Variant();
    return GetMinMaxValue("comPerson", 0, "PersonID", "PersonID in (" + persons + ")");
}

Variant TIncomeTax::BuildIncomeTaxSets(bool payDates, const std::string& condition) {
    // The condition bounds the period and nothing else: before anything is read, it is
    // checked against the tables of each statement it is joined into.
    CheckClientCondition(condition, ConditionScope::Of(Db(), {{"", "humSalaryMain"}}));
    // Allowances fall into the period by their pay date, or by the month of their bill
    // date when the period is given in salary months.
    const std::string allowanceCondition = payDates
                                               ? ReplaceAll(condition, "PayDay", "A.SalaryDate")
                                               : ReplaceAll(condition, "SalaryYearMonth", "A.BillDate / 100");
    CheckClientCondition(allowanceCondition,
                         ConditionScope::Of(Db(), {{"A", "HumSubsidyCut"}, {"B", "humSalaryItem"}}));
    // The salary part: the taxable pay and the tax withheld over the monthly vouchers.
    // The sums are money, read at four decimals whatever the backend adds them in.
    const Variant salary = OpenDatasetV(
        "Select PersonID, Min(SalaryYearMonth) as SalaryYearMonthBegin, Max(SalaryYearMonth) as "
        "SalaryYearMonthEnd, "
        "IsNull(Sum(BaseSalary+TaxOvertime+MealSalary+NoLeaveSalary+ClassSalary+OtherTaxSalary-ExcuseSalary-"
        "OtherDeductSalary + PieceWorkSalary),0) As TaxSalary, "
        "IsNull(Sum(IncomeTax),0) As IncomeTax From humSalaryMain where Flag = 1 And " +
            condition + " Group by PersonID " + " Order By PersonID ",
        -1);
    // The allowance part: rows paid out on their own, of items taxed with the salary,
    // additions counted up and deductions down, from both entry forms of the bill.
    const Variant allowances = OpenDatasetV(
        " Select PersonID, IsNull(Sum((Case B.Propertiy When 0 Then 1 Else -1 end) * A.Account), 0) as "
        "TotalSidySalary,  IsNull(Sum(A.DeductAccount), 0) as TotalDeductAccount  From HumSubsidyCut A  "
        "Inner Join "
        "humSalaryItem B On A.SalaryItem = B.SalaryID  Where ( A.SalaryType = 0 ) and ( B.CaleType = 0 ) "
        "And " +
            allowanceCondition + " Group by PersonID " + " Order By PersonID ",
        -1);
    return Variant(VariantArray{ReadAsMoney(salary, {"TaxSalary", "IncomeTax"}),
                                ReadAsMoney(allowances, {"TotalSidySalary", "TotalDeductAccount"})});
}

// ------------------------------------------------------------------ the class

namespace {

std::vector<ProcedureDef> IncomeTaxProcedures() {
    using A = ArgType;
    std::vector<ProcedureDef> p;
    p.push_back({0,
                 "PersonRangeOnWork",
                 ArgShape::Array,
                 {{"BeginDate", A::Int}, {"EndDate", A::Int}},
                 Routine<TIncomeTax>([](TIncomeTax& o, const ProcArgs& a) -> Variant {
                     return o.PersonRangeOnWork(a.Int(0), a.Int(1));
                 })});
    // Mode 0: the condition bounds SalaryYearMonth; any other: it bounds PayDay.
    p.push_back({1,
                 "BuildIncomeTaxSets",
                 ArgShape::Pair,
                 {{"Mode", A::Int}, {"Condition", A::Text}},
                 Routine<TIncomeTax>([](TIncomeTax& o, const ProcArgs& a) -> Variant {
                     return o.BuildIncomeTaxSets(a.Int(0) != 0, a.Text(1));
                 })});
    MarkReading(p, {0, 1});
    return p;
}

}  // namespace

const ClassDescriptor& IncomeTaxClass() {
    static const ClassDescriptor d = [] {
        ClassDescriptor d;
        d.className = "TIncomeTax";
        d.coclass = "IncomeTax";
        d.progId = "QVXHumrs.IncomeTax";
        d.role = roles::kPayroll;
        d.clsid = "{3CEEA322-76FF-4245-93AC-65969B389834}";
        d.interfaceName = "IIncomeTax";
        d.iid = "{456FF105-4C1A-400B-A43D-802F987A7CBD}";
        d.gridBase = true;
        d.description = "IncomeTax Object";
        d.keyColumn = "";
        d.title = "所得税汇总";
        d.create = [] { return std::make_unique<TIncomeTax>(); };
        d.procedures = IncomeTaxProcedures();
        d.demo = IncomeTaxDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
