#include "payroll/CoHumMonthSalaryQuery.h"

#include <functional>

#include "core/Convert.h"
#include "core/Text.h"
#include "payroll/MoneyColumns.h"
#include "suite/ProgIds.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {

constexpr int kMoneyType = 3;

// The statements of the sources, each completed with the person (Q), the month (M) or
// the salary period (P1, P2).
std::string HourRowsSql(const std::string& q, const std::string& m) {
    return " Select A.SerNo,A.BillNo,A.WorkDate,A.BeginTime,A.EndTime,A.NormalTimeNum,         "
           "A.NormalPrice,A.OverTimeNum,A.OverPrice,A.OtherAmount,         "
           "A.NormalTimeNum*A.NormalPrice+A.OverTimeNum*A.OverPrice+A.OtherAmount as TotalAmount  "
           "From HumHourSalarySub A  Inner Join HumHourSalaryMain B On A.BillNo=B.BillNo and A.Flag=B.Flag  "
           "where A.PersonID=" +
           q + "       and A.WorkDate/100=" + m + " Order By A.WorkDate";
}

std::string AllowanceRowsSql(const std::string& q, const std::string& m) {
    return " Select A.Flag,A.SerNo,A.BillNo,A.Amount,A.Price,A.Account,A.RealAccount,         "
           "A.Memo,A.SalaryItem,B.SalaryName,B.Propertiy,B.CaleType,B.MonthType  "
           "From HumSubsidyCut A  Left Join HumSalaryItem B On A.SalaryItem=B.SalaryID  where A.PersonID=" +
           q + "       and A.SalaryMonth=" + m + "       and A.SalaryType=1 and A.SalaryStaus<>1 ";
}

std::string OvertimeRowsSql(const std::string& q, const std::string& p1, const std::string& p2) {
    return " Select Flag,SerNo,BillNo,OverTimeClass,OverTimeDate,BeginTime,EndTime,         "
           "FieldACount,FieldBCount,FieldCCount,HolidayCount,         "
           "FieldACount+FieldBCount+FieldCCount+HolidayCount as TotalCount  From HumOverTime  where PersonID=" +
           q + "       and OverTimeDate Between " + p1 + " And " + p2 + "       and RedeemType = 0 " +
           " Order By OverTimeDate ";
}

std::string LeaveRowsSql(const std::string& q, const std::string& p1, const std::string& p2) {
    return " Select A.Flag,A.SerNo,A.BillNo,A.ExcuseClsID,B.ExcuseClsName,         "
           "A.BeginDate,A.BeginTime,A.EndDate,A.EndTime,         "
           "A.ExcuseUnit,A.UnitName,A.ExcuseCount,         "
           "A.IfCutExcuse,A.CutExcuseNo,A.CutExcuseCount,         "
           "A.ExcuseCount-A.CutExcuseCount as RealExcuseCount,         "
           "A.ExcuseCount as ExcuseCountAll, A.ExcuseCount as ExcuseAmountAll  "
           "From HumExcuse A  Left Join humExcuseCls B On A.ExcuseClsID = B.ExcuseClsID  where A.PersonID=" +
           q + " And Not(A.BeginDate > " + p2 + " Or " + "         A.EndDate < " + p1 + ")" +
           "       and A.Flag <> 3 " + " Order By A.ExcuseClsID,A.BeginDate ";
}

std::string PieceRowsSql(const std::string& q, const std::string& m) {
    return " Select A.SerNo,A.BillNo,A.ProcID,B.ProcName,A.ProdID,C.ProdName,C.Unit,         "
           "A.ProdDate,A.EligibleQty,A.EligiblePieceRate,         "
           "A.EligibleQty*A.EligiblePieceRate as EligibleAmount,         "
           "A.DamageQty,A.DamagePieceRate,         "
           "A.DamageQty*A.DamagePieceRate as DamageAmount,A.OtherCutPay,         "
           "A.EligibleQty*A.EligiblePieceRate-A.DamageQty*A.DamagePieceRate-A.OtherCutPay as RealPayAmount,A.Demo  "
           "From humOutPut A  Left Join humWorkProcMain B On A.ProcID = B.ProcID  "
           "Left Join comProduct C On A.ProdID = C.ProdID  where A.PersonID=" +
           q + "       and A.ProdDate/100=" + m + " Order By A.ProdDate ";
}

std::string AdvanceSalaryRowsSql(const std::string& q, const std::string& m) {
    return "Select A.BillNo,A.SalaryYearMonth,A.PayDay,A.PersonID,B.PersonName,A.DepartID, C.DepartName,"
           "A.BaseSalary,A.TaxOvertime,A.ClassSalary,A.MealSalary,A.MessSalary, A.OtherTaxSalary,A.ExcuseSalary,"
           "A.OtherDeduct,A.PieceWorkSalary,A.RealSalary,A.RealCash, A.RealBank,A.CashPaid,A.BankPaid,A.SalaryType,"
           "A.ParentRowNO,A.RowNo,(A.BaseSalary+A.TaxOvertime+A.ClassSalary+A.MealSalary+A.MessSalary+"
           "A.OtherTaxSalary) As SumTaxSalary, (A.ExcuseSalary+A.OtherDeduct) As SumDeduct From humSalaryMain A "
           "Left Join comPerson B On A.PersonID=B.PersonID Left Join comDepartment C On A.DepartID=C.DepartID "
           "Where A.Flag=2 And A.PersonID = " +
           q + "And A.SalaryYearMonth = " + m + " Order By A.PersonID";
}

std::string AdvanceBankRowsSql(const std::string& q, const std::string& m) {
    return "Select B.BillNo,B.MasterAccount,B.PayBankID,C.BankName,B.PayAccount,B.AccountName,B.BankMoneny,"
           "B.ParentRowNO,B.RowNo From  humAdvPaySub A Left Join  humSalaryBank B On A.BillNo = B.BillNo And "
           "A.RowNo = B.ParentRowNO And B.Flag = 2 Left Join comBank C On B.PayBankID=C.BankID Where A.PersonID = " +
           q + "And A.SalaryYearMonth = " + m;
}

// Numbers the rows 1, 2, 3 ... in the order read, whatever number they were stored with.
void Renumber(Dataset& rows, const std::function<void(Dataset&)>& eachRow = {}) {
    int serNo = 0;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        rows.SetFieldValue("SerNo", Variant(++serNo));
        if (eachRow) eachRow(rows);
        rows.Post();
    }
}

}  // namespace

VariantArray THumMonthSalaryQuery::BuildPayStatement(const std::string& person, int yearMonth) {
    namespace ps = pay_statement;
    VariantArray result(ps::kSize, Variant::Null());
    for (int i = ps::kVoucherBillNo; i <= ps::kPieceShortFall; ++i) result[i] = Variant(0);

    const std::string q = QuoteStr(person);
    const std::string m = std::to_string(yearMonth);

    // Overtime pay, piece-work bonus and shortfall, and the leave rates of the month.
    const suite::PayFigures figures = suite::MonthPayFigures(*this, person, yearMonth);
    double amounts[6] = {0, 0, 0, 0, 0, 0};
    Dataset pay = Dataset::FromPacket(figures.amounts);
    if (!pay.IsEmpty()) {
        pay.First();
        const char* fields[6] = {"FieldAAccount", "FieldBAccount", "FieldCAccount",
                                 "HolidayAccount", "PieceBonus",    "PieceShortFall"};
        for (int i = 0; i < 6; ++i) amounts[i] = RoundNumber(CCurr(pay[fields[i]]).ToDouble(), kMoneyType);
    }
    Dataset rates = Dataset::FromPacket(figures.leaveRates);

    const auto [periodFirst, periodLast] = suite::SalaryPeriod(*this, yearMonth);
    const std::string p1 = std::to_string(periodFirst), p2 = std::to_string(periodLast);

    double hourTotal = 0, additions = 0, deductions = 0, leaveDeduction = 0;
    double counts[4] = {0, 0, 0, 0};
    double eligible = 0, damage = 0, otherCut = 0;

    // Amounts the statements work out from money columns are read as money.
    Dataset hours = ReadAsMoney(OpenDataset(HourRowsSql(q, m), -1), {"TotalAmount"});
    Renumber(hours, [&](Dataset& r) { hourTotal += CFloat(r["TotalAmount"]); });

    Dataset allowances = OpenDataset(AllowanceRowsSql(q, m), -1);
    Renumber(allowances, [&](Dataset& r) {
        // An allowance whose item is not on file has no kind and counts in neither total.
        const Variant kind = r["Propertiy"];
        if (kind.IsNullOrEmpty()) return;
        if (CInt(kind) == 0) additions += CFloat(r["RealAccount"]);
        else if (CInt(kind) == 1) deductions += CFloat(r["RealAccount"]);
    });

    Dataset overtime = OpenDataset(OvertimeRowsSql(q, p1, p2), -1);
    Renumber(overtime, [&](Dataset& r) {
        const char* fields[4] = {"FieldACount", "FieldBCount", "FieldCCount", "HolidayCount"};
        for (int i = 0; i < 4; ++i) counts[i] += CFloat(r[fields[i]]);
    });

    Dataset leave = ReadAsMoney(OpenDataset(LeaveRowsSql(q, p1, p2), -1), {"ExcuseAmountAll"});
    Renumber(leave, [&](Dataset& r) {
        // The rate of the leave's kind: a day's deduction (Account) for the units of a
        // day (ExcuseCount). Kinds without a rate deduct nothing.
        const Variant kind(Trim(CStr(r["ExcuseClsID"])));
        if (!rates.IsEmpty() && rates.Locate("ExcuseID", {kind}, true)) {
            const double unitsPerDay = CFloat(rates["ExcuseCount"]);
            const Currency dayAccount = CCurr(rates["Account"]);
            r.SetFieldValue("ExcuseCountAll", Variant(unitsPerDay));
            r.SetFieldValue("ExcuseAmountAll", Variant(dayAccount));
            if (unitsPerDay != 0)
                leaveDeduction += CFloat(r["RealExcuseCount"]) * dayAccount.ToDouble() / unitsPerDay;
        } else {
            r.SetFieldValue("ExcuseCountAll", Variant(0.0));
            r.SetFieldValue("ExcuseAmountAll", Variant(Currency()));
        }
    });

    Dataset piece =
        ReadAsMoney(OpenDataset(PieceRowsSql(q, m), -1), {"EligibleAmount", "DamageAmount", "RealPayAmount"});
    Renumber(piece, [&](Dataset& r) {
        eligible += CFloat(r["EligibleAmount"]);
        damage += CFloat(r["DamageAmount"]);
        otherCut += CFloat(r["OtherCutPay"]);
    });

    Dataset advances = OpenDataset(prog_id::kAdvPayment, 1, "*", "PersonID = " + q + "And SalaryYearMonth = " + m,
                                   "PersonID");
    Renumber(advances);

    result[ps::kHourRows] = Variant(hours.Data());
    result[ps::kAllowanceRows] = Variant(allowances.Data());
    result[ps::kOvertimeRows] = Variant(overtime.Data());
    result[ps::kLeaveRows] = Variant(leave.Data());
    result[ps::kPieceRows] = Variant(piece.Data());
    result[ps::kAdvanceRows] = Variant(advances.Data());
    result[ps::kAdvanceSalaryRows] =
        ReadAsMoney(Variant(OpenDataset(AdvanceSalaryRowsSql(q, m), -1).Data()), {"SumTaxSalary", "SumDeduct"});
    result[ps::kAdvanceBankRows] = Variant(OpenDataset(AdvanceBankRowsSql(q, m), -1).Data());

    result[ps::kVoucherBillNo] = GetDBConn().DBSelectSQL(" Select BillNo From HumSalaryMain  where Flag = 1 And PersonID=" +
                                                          q + "       and SalaryYearMonth=" + m);
    // Every amount is money, rounded to the cent; the hours are returned as summed.
    auto money = [&](double amount) { return MoneyValue(RoundNumber(amount, kMoneyType)); };
    result[ps::kHourTotal] = money(hourTotal);
    result[ps::kAdditions] = money(additions);
    result[ps::kDeductions] = money(deductions);
    for (int i = 0; i < 4; ++i) {
        result[ps::kFieldACount + i] = Variant(counts[i]);
        result[ps::kFieldAAccount + i] = money(amounts[i]);
    }
    result[ps::kLeaveDeduction] = money(leaveDeduction);
    result[ps::kEligibleAmount] = money(eligible);
    result[ps::kDamageAmount] = money(damage);
    result[ps::kOtherCutPay] = money(otherCut);
    result[ps::kPieceBonus] = money(amounts[4]);
    result[ps::kPieceShortFall] = money(amounts[5]);
    return result;
}

// ------------------------------------------------------------------ the class

namespace {

std::vector<ProcedureDef> PayStatementProcedures() {
    using A = ArgType;
    std::vector<ProcedureDef> p;
    // The month goes into the statements as digits: it is taken as a whole number
    // and must name a calendar month, so no text of the caller reaches the SQL.
    p.push_back({1, "BuildPayStatement", ArgShape::Array, {{"PersonID", A::Text}, {"SalaryMonth", A::Int}},
                 Routine<THumMonthSalaryQuery>([](THumMonthSalaryQuery& o, const ProcArgs& a) -> Variant {
                     const int month = a.Int(1);
                     if (month < 100001 || month > 999912 || GetMaxDay(month) <= 0)
                         throw InputError("SalaryMonth " + a.Text(1) + " is not a year-month (yyyymm)");
                     return Variant(o.BuildPayStatement(a.Text(0), month));
                 })});
    MarkReading(p, {1});
    return p;
}

}  // namespace

const ClassDescriptor& HumMonthSalaryQueryClass() {
    static const ClassDescriptor d = [] {
        ClassDescriptor d;
        d.className = "THumMonthSalaryQuery";
        d.coclass = "HumMonthSalaryQuery";
        d.progId = "QVXHumrs.HumMonthSalaryQuery";
        d.role = roles::kPayroll;
        d.clsid = "{A33CBECD-D169-4DD4-9693-2EE36E0FCBEB}";
        d.interfaceName = "IHumMonthSalaryQuery";
        d.iid = "{541A0E8E-15D8-4229-B74B-C233996A4FD2}";
        d.description = "HumMonthSalaryQuery Object";
        d.keyColumn = "";
        d.title = "工资条查询";
        d.create = [] { return std::make_unique<THumMonthSalaryQuery>(); };
        d.procedures = PayStatementProcedures();
        d.demo = HumMonthSalaryQueryDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
