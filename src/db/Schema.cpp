// The tables of the HR component and of the suite data it reads, and the DDL that
// builds them. Column order is part of the contract for the tables that statements
// fill with "Insert Into X Select ..." (humPersonSetSub, humHistSalaryBase,
// humHistSalaryItem); elsewhere the order only follows the bill's layout.
#include "db/Schema.h"

#include <algorithm>
#include <stdexcept>

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

namespace {

constexpr ColumnType kText = ColumnType::Text;
constexpr ColumnType kInt = ColumnType::Integer;
constexpr ColumnType kFloat = ColumnType::Float;
constexpr ColumnType kMoney = ColumnType::Currency;
constexpr ColumnType kBool = ColumnType::Boolean;

std::vector<TableDef> BuildTables() {
    std::vector<TableDef> t;

    // ---- Suite master data.
    t.push_back({"comPerson",
                 {{"PersonID", kText},
                  {"PersonName", kText},
                  {"DepartID", kText},
                  {"PosiID", kText},
                  {"ProfTitle", kText},
                  {"EngProfTitle", kText},
                  {"OnJobDate", kInt},      // hire date, 0 = not recorded
                  {"LeaveJobDate", kInt}},  // leaving date, 0 = still employed
                 {"PersonID"}});
    t.push_back({"comDepartment", {{"DepartID", kText}, {"DepartName", kText}}, {"DepartID"}});
    t.push_back({"comBank", {{"BankID", kText}, {"BankName", kText}}, {"BankID"}});
    t.push_back({"comProduct", {{"ProdID", kText}, {"ProdName", kText}, {"Unit", kText}}, {"ProdID"}});
    t.push_back({"comSysParam", {{"ParamKey", kText}, {"ParamValue", kText}}, {"ParamKey"}});

    // ---- Person's HR extension, work classes and schedules.
    t.push_back({"humPersonExtend",
                 {{"PersonID", kText},
                  {"WorkState", kInt},  // 0 not yet on the job ... 6 reinstated
                  {"JobSch", kText},    // work schedule (humJobSchedule.SchID)
                  {"NeedAttend", kBool},
                  {"FormalDate", kInt},
                  {"Probation", kInt},  // months of probation served
                  {"CardNo", kText}},
                 {"PersonID"}});
    t.push_back({"humClass",
                 {{"ClassID", kText},
                  {"ClassName", kText},
                  {"OnDutyTime", kInt},
                  {"OffDutyTime", kInt},
                  {"RestBeginTime", kInt, "-1"},  // -1: the class has no break
                  {"RestEndTime", kInt, "-1"},
                  {"LateTimeOver", kInt},
                  {"OverTime", kInt},  // hhmm from which overtime after work counts
                  {"OverTimeOver", kInt},
                  {"OverTimeUnit", kInt},
                  {"AFieldEnd", kMoney},
                  {"BFieldEnd", kMoney}},
                 {"ClassID"}});
    t.push_back({"humJobSchedule", {{"SchID", kText}, {"SchName", kText}}, {"SchID"}});
    // WeekDay 0 is Sunday; an empty ClassID makes the day a rest day.
    t.push_back({"humJobScheduleDay",
                 {{"SchID", kText}, {"WeekDay", kInt}, {"ClassID", kText}},
                 {"SchID", "WeekDay"}});
    // A person's class on one date, overriding the schedule; empty ClassID = rest day.
    t.push_back({"humPersonClassDate",
                 {{"PersonID", kText}, {"WorkDate", kInt}, {"ClassID", kText}},
                 {"PersonID", "WorkDate"}});
    t.push_back({"HumHolidays",
                 {{"Flag", kInt},
                  {"HolidayDays", kText},   // month*100+day without leading zeros: "101"
                  {"lunarCalendar", kInt},  // 0 solar, 1 lunar day
                  {"HolidayName", kText}},
                 {"Flag", "HolidayDays", "lunarCalendar"}});

    // ---- Attendance.
    t.push_back({"humChkAttendMain",
                 {{"PersonID", kText},
                  {"CheckDate", kInt},
                  {"ClassID", kText},
                  {"OnTime", kInt},
                  {"OffTime", kInt},
                  {"HourTransfered", kBool},
                  {"HourDetail", kText},  // "1:" + BillNo + "#" + RowNo of the hourly wage row
                  {"HasHourBill", kBool}},
                 {"PersonID", "CheckDate"}});
    t.push_back({"humAttendDetail",
                 {{"PersonID", kText},
                  {"DetailDate", kInt},
                  {"LeaveMinutes", kFloat},
                  {"OverTimeHours", kFloat},
                  {"HourWorkHours", kFloat}},
                 {"PersonID", "DetailDate"}});

    // ---- Leave.
    t.push_back({"humExcuseCls",
                 {{"ExcuseClsID", kText},
                  {"ExcuseClsName", kText},
                  {"ExcuseCls", kInt},
                  {"UnitName", kInt},  // 0 days, 1 hours, 2 minutes
                  {"ExcuseUnit", kFloat},
                  {"CutPayment", kBool},
                  {"MonthTimes", kInt},
                  {"MonthAccount", kFloat},
                  {"YearTimes", kInt},
                  {"YearAccount", kFloat},
                  {"CutNoLeave", kBool},
                  {"NoLeaveType", kInt},
                  {"CutType", kInt},
                  {"NoLeaveTimes", kFloat},
                  {"NoLeaveAccount", kMoney}},
                 {"ExcuseClsID"}});
    t.push_back({"humSpecials", {{"Longevity", kInt}, {"SpecNumber", kFloat}}, {"Longevity"}});
    // Leave rows of both leave bills: Flag 1 by person (RowNo 0), 2 by date.
    t.push_back({"humExcuse",
                 {{"Flag", kInt},
                  {"BillNo", kText},
                  {"RowNo", kInt},
                  {"SerNo", kInt},
                  {"PersonID", kText},
                  {"ExcuseClsID", kText},
                  {"BeginDate", kInt},
                  {"BeginTime", kInt},
                  {"EndDate", kInt},
                  {"EndTime", kInt},
                  {"ExcuseCount", kFloat},
                  {"ExcuseUnit", kFloat},
                  {"UnitName", kInt},
                  {"IfCutExcuse", kBool},
                  {"CutExcuseNo", kText},
                  {"CutExcuseCount", kFloat},
                  {"RedeemOldExcuseCount", kFloat},
                  {"ExcuseDate", kInt},
                  {"Memo", kText}},
                 {"Flag", "BillNo", "RowNo"}});
    t.push_back({"humExcuseDateMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
    t.push_back({"humCutExcuse",
                 {{"BillNo", kText},
                  {"BillDate", kInt},
                  {"PersonID", kText},
                  {"BeginDate", kInt},
                  {"BeginTime", kInt},
                  {"EndDate", kInt},
                  {"EndTime", kInt},
                  {"ExcuseClsID", kText},
                  {"ExcuseUnit", kFloat},
                  {"UnitName", kInt},
                  {"ExcuseCount", kMoney},  // quantity given back, in the leave row's unit
                  {"Memo", kText}},
                 {"BillNo"}});

    // ---- Overtime.
    // Flag 1 by person (RowNo 0), 3 by date.
    t.push_back({"humOverTime",
                 {{"Flag", kInt},
                  {"BillNo", kText},
                  {"RowNo", kInt},
                  {"BillDate", kInt},
                  {"SerNo", kInt},
                  {"PersonID", kText},
                  {"OverTimeDate", kInt},
                  {"OverTimeClass", kText},
                  {"BeginTime", kInt},
                  {"EndTime", kInt},
                  {"FieldACount", kMoney},
                  {"FieldBCount", kMoney},
                  {"FieldCCount", kMoney},
                  {"HolidayCount", kMoney},
                  {"TotalCount", kMoney},
                  {"RedeemType", kInt},
                  {"UseableRedeemCount", kMoney},
                  {"NotIntoOverTimeValue", kMoney},
                  {"Memo", kText}},
                 {"Flag", "BillNo", "RowNo"}});
    t.push_back(
        {"humOverTimeDateMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
    t.push_back({"humOverTimeCls",
                 {{"OTClsID", kText}, {"OTClsName", kText}, {"OverMonth", kFloat}, {"OverSalaryID", kText}},
                 {"OTClsID"}});

    // ---- Salary settings of a person (Flag 1, ID = PersonID).
    t.push_back({"humPersonSetMain",
                 {{"Flag", kInt},
                  {"ID", kText},
                  {"PersonID", kText, "", "ID"},  // what the settings object exposes
                  {"SalaryMode", kInt},           // 2 paid by the hour
                  {"PaySalary", kBool},
                  {"CashRate", kFloat},
                  {"OverTime", kInt},  // 1 takes part in overtime pay
                  {"OverTimeClass", kText},
                  {"BaseSalary", kMoney},
                  {"NoLeave", kBool},
                  {"NoLeaveSalary", kMoney},
                  {"Meal", kBool},
                  {"MealSalary", kMoney},
                  {"AdjustDate", kInt},
                  {"AdjustMode", kInt},
                  {"Endowment", kMoney},
                  {"Medicare", kMoney},
                  {"Idleness", kMoney},
                  {"House", kMoney},
                  {"Damage", kMoney},
                  {"Procreate", kMoney},
                  {"HealthDegree", kMoney},
                  {"LaborDegree", kMoney},
                  {"PensionSalary", kMoney},
                  {"HealthYeahMonth", kInt},
                  {"InsuranceDate", kInt},
                  {"PensionDate", kInt},
                  {"PensionSystem", kInt},
                  {"CancelHealthYearMonth", kInt},
                  {"CancelLaborDate", kInt},
                  {"CancelPensionDate", kInt},
                  {"EmployerPensionRate", kFloat}},
                 {"Flag", "ID"}});
    // Filled by "Insert Into humPersonSetSub Select 1 As Flag, <person> as ID,
    // SalaryItem, Account, RowNo ...": exactly these columns in this order.
    t.push_back({"humPersonSetSub",
                 {{"Flag", kInt}, {"ID", kText}, {"SalaryItem", kText}, {"Account", kMoney}, {"RowNo", kInt}},
                 {}});
    t.push_back({"humPersonSetAccount",
                 {{"Flag", kInt},
                  {"ID", kText},
                  {"RowNo", kInt},
                  {"PayBankID", kText},
                  {"PayAccount", kText},
                  {"AccountName", kText}},
                 {}});
    t.push_back({"humSalaryItem",
                 {{"SalaryID", kText},
                  {"SalaryName", kText},
                  {"Propertiy", kInt},  // 0 addition, otherwise deduction
                  {"CaleType", kInt},
                  {"MonthType", kInt}},
                 {"SalaryID"}});

    // ---- Allowances and deductions: Flag 1 by person (RowNo 0), 4 by salary item.
    // SalaryType 0: paid on its own on SalaryDate by PayType (1 cash, 0 bank, 2 both);
    // otherwise settled in the salary of SalaryMonth.
    t.push_back({"HumSubsidyCut",
                 {
                     {"Flag", kInt},          {"BillNo", kText},         {"RowNo", kInt},
                     {"SerNo", kInt},         {"BillDate", kInt},        {"PersonID", kText},
                     {"SalaryItem", kText},   {"SalaryType", kInt},      {"PayType", kInt},
                     {"PSalaryBank", kText},  {"PAccountNumber", kText}, {"IncomTaxRate", kFloat},
                     {"Amount", kFloat},      {"Price", kMoney},         {"Account", kMoney},
                     {"RealAccount", kMoney}, {"DeductAccount", kMoney}, {"SalaryMonth", kInt},
                     {"SalaryDate", kInt},    {"SalaryStaus", kInt},     {"CashPaid", kBool},
                     {"BankPaid", kBool},     {"PVoucherNO", kText},     {"Memo", kText},
                 },
                 {"Flag", "BillNo", "RowNo"}});
    t.push_back({"OstrelHeader",
                 {{"Flag", kInt},
                  {"BillNo", kText},
                  {"BillDate", kInt},
                  {"SalaryItem", kText},
                  {"PIsTran", kBool},
                  {"PVoucherNO", kText},
                  {"Memo", kText}},
                 {"Flag", "BillNo"}});

    // ---- Salary: Flag 1 monthly vouchers (RowNo 0), 2 rows generated from advance
    // payments (ParentRowNO = the advance row).
    t.push_back({"humSalaryMain",
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
    // Pay items, leave deductions and overtime pay of a monthly voucher.
    t.push_back(
        {"humSalarySub",
         {{"Flag", kInt}, {"BillNo", kText}, {"RowNo", kInt}, {"SalaryItem", kText}, {"Account", kMoney}},
         {"Flag", "BillNo", "RowNo"}});
    t.push_back({"humSalaryExcuse",
                 {{"Flag", kInt},
                  {"BillNo", kText},
                  {"RowNo", kInt},
                  {"ExcuseClsID", kText},
                  {"ExcuseCount", kFloat},
                  {"Account", kMoney}},
                 {"Flag", "BillNo", "RowNo"}});
    t.push_back({"humSalaryOverTime",
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
    t.push_back({"humSalaryBank",
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
    t.push_back({"humFamily",
                 {{"Flag", kInt},
                  {"PersonID", kText},
                  {"Name", kText},  // empty: the employee's own row
                  {"SalaryMonth", kInt},
                  {"InsuAccount", kMoney},
                  {"LaborAccount", kMoney}},
                 {}});

    // ---- Advance payments.
    t.push_back({"humAdvPayMain",
                 {{"BillNo", kText},
                  {"BillDate", kInt},
                  {"SalaryYearMonth", kInt},
                  {"PayDay", kInt},
                  {"EndDate", kInt},
                  {"PeriodCount", kInt},
                  {"CaclByPercent", kBool},
                  {"PayRate", kMoney},
                  {"PIsTran", kBool},
                  {"Memo", kText}},
                 {"BillNo"}});
    t.push_back({"humAdvPaySub",
                 {{"BillNo", kText},
                  {"RowNo", kInt},
                  {"SerNo", kInt},
                  {"PersonID", kText},
                  {"RealSalary", kFloat},
                  {"SalaryType", kInt},  // 1 cash, 0 bank, 2 both
                  {"PSalaryBank", kText},
                  {"PAccountNumber", kText},
                  {"BankAmount", kMoney},
                  {"SalaryStatus", kInt},
                  {"CashRate", kFloat},
                  {"CashPaid", kBool},
                  {"BankPaid", kBool},
                  {"SalaryYearMonth", kInt},
                  {"PayDay", kInt},
                  {"PeriodCount", kInt},
                  {"CaclByPercent", kBool}},
                 {"BillNo", "RowNo"}});

    // ---- Hourly wage (Flag 1).
    t.push_back({"HumHourSalaryMain",
                 {{"Flag", kInt},
                  {"BillNo", kText},
                  {"BillDate", kInt},
                  {"CondBPersonID", kText},
                  {"CondEPersonID", kText},
                  {"CondBWorkTime", kText},
                  {"CondEWorkTime", kText},
                  {"CondBRestTime", kText},
                  {"CondERestTime", kText},
                  {"Memo", kText}},
                 {"Flag", "BillNo"}});
    t.push_back({"HumHourSalarySub",
                 {{"Flag", kInt},
                  {"BillNo", kText},
                  {"RowNo", kInt},
                  {"SerNo", kInt},
                  {"PersonID", kText},
                  {"WorkDate", kInt},
                  {"ClassID", kText},
                  {"BeginTime", kInt},
                  {"EndTime", kInt},
                  {"NormalTimeNum", kFloat},
                  {"NormalPrice", kMoney},
                  {"OverTimeNum", kFloat},
                  {"OverPrice", kMoney},
                  {"OtherAmount", kMoney},
                  {"bTranFrom", kBool}},
                 {"Flag", "BillNo", "RowNo"}});

    // ---- Piece work.
    t.push_back({"humWorkProcMain", {{"ProcID", kText}, {"ProcName", kText}}, {"ProcID"}});
    t.push_back({"humOutPut",
                 {{"BillNo", kText},
                  {"RowNo", kInt},
                  {"SerNo", kInt},
                  {"PersonID", kText},
                  {"ProcID", kText},
                  {"ProdID", kText},
                  {"ProdDate", kInt},
                  {"EligibleQty", kFloat},
                  {"EligiblePieceRate", kMoney},
                  {"DamageQty", kFloat},
                  {"DamagePieceRate", kMoney},
                  {"OtherCutPay", kMoney},
                  {"Demo", kText}},
                 {"BillNo", "RowNo"}});

    // ---- Personnel changes.
    t.push_back(
        {"humChangePersonMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
    t.push_back({"humChangePerson",
                 {{"BillNo", kText},
                  {"RowNo", kInt},
                  {"SerNo", kInt},
                  {"PersonID", kText},
                  {"ChangeTimes", kInt},
                  {"ActiveDate", kInt},
                  {"Type", kInt},   // change requested
                  {"BType", kInt},  // work state before the change
                  {"LeaveMonths", kInt},
                  {"ChangeDepart", kText},
                  {"ChangePosition", kText},
                  {"ChineseTitle", kText},
                  {"EngTitle", kText},
                  {"BChangeDepart", kText},
                  {"BChangePosition", kText},
                  {"BChineseTitle", kText},
                  {"BEngTitle", kText}},
                 {"BillNo", "RowNo"}});

    // ---- Salary adjustments.
    t.push_back(
        {"humChangeSalaryMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
    t.push_back({"humChangeSalary",
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
    t.push_back({"humChangeSalarySub",
                 {{"BillNo", kText},
                  {"ParentRowNo", kInt},
                  {"SalaryItem", kText},
                  {"Account", kMoney},
                  {"RowNo", kInt}},
                 {"BillNo", "ParentRowNo", "RowNo"}});
    // Filled by "Insert Into humHistSalaryBase Select ID as PersonID, BaseSalary,
    // NoLeave, NoLeaveSalary, Meal, MealSalary, AdjustDate, AdjustMode, n As ChangeTimes".
    t.push_back({"humHistSalaryBase",
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
    t.push_back({"humHistSalaryItem",
                 {{"PersonID", kText},
                  {"SalaryItem", kText},
                  {"Account", kMoney},
                  {"ChangeTimes", kInt},
                  {"RowNo", kInt}},
                 {}});

    // ---- Insurance changes.
    t.push_back(
        {"humChangeInsuranceMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
    t.push_back({"humChangeInsurance",
                 {{"BillNo", kText},
                  {"RowNo", kInt},
                  {"SerNo", kInt},
                  {"PersonID", kText},
                  {"InsurKind", kInt},
                  {"ChangeType", kInt},
                  {"ChangeMoneny", kMoney},
                  {"AdjustDate", kInt},
                  {"AdjustYearMonth", kInt},
                  {"ChangeTimes", kInt},
                  {"EmployerPensionRate", kFloat},
                  {"IsTransfer", kBool}},
                 {"BillNo", "RowNo"}});
    t.push_back({"humHistInsurance",
                 {{"PersonID", kText},
                  {"InsurKind", kInt},
                  {"ChangeType", kInt},
                  {"ChangeMoneny", kMoney},
                  {"AdjustDate", kInt},
                  {"AdjustYearMonth", kInt},
                  {"ChangeTimes", kInt},
                  {"EmployerPensionRate", kFloat}},
                 {"PersonID", "InsurKind", "ChangeTimes"}});

    t.push_back({"humSchemaVersion", {{"Version", kInt}}, {}});
    return t;
}

std::vector<IndexDef> BuildIndexes() {
    std::vector<IndexDef> ix = {
        {"", "comPerson", {"DepartID"}},
        {"", "humPersonExtend", {"CardNo"}},
        {"", "HumHolidays", {"HolidayDays"}},
        {"", "humExcuseCls", {"ExcuseCls"}},
        {"", "humExcuse", {"PersonID", "BeginDate"}},
        {"", "humExcuse", {"BillNo", "RowNo"}},
        {"", "humExcuse", {"CutExcuseNo"}},
        {"", "humOverTime", {"PersonID", "OverTimeDate"}},
        {"", "humOverTime", {"BillNo", "RowNo"}},
        {"", "humOverTime", {"OverTimeDate"}},
        {"", "humPersonSetMain", {"ID"}},
        {"", "humPersonSetSub", {"ID", "Flag"}},
        {"", "humPersonSetAccount", {"ID", "PayBankID"}},
        {"", "HumSubsidyCut", {"PersonID", "SalaryMonth"}},
        {"", "HumSubsidyCut", {"BillNo"}},
        {"", "humSalaryMain", {"PersonID", "SalaryYearMonth"}},
        {"", "humFamily", {"PersonID", "SalaryMonth"}},
        {"", "humAdvPayMain", {"SalaryYearMonth", "PeriodCount"}},
        {"", "humAdvPaySub", {"PersonID", "SalaryYearMonth"}},
        {"", "HumHourSalarySub", {"PersonID", "WorkDate"}},
        {"", "humOutPut", {"PersonID", "ProdDate"}},
        {"", "humChangePerson", {"PersonID", "ChangeTimes"}},
        {"", "humChangeSalary", {"PersonID", "ChangeTimes"}},
        {"", "humChangeSalary", {"PersonID", "NAdjustDate"}},
        {"", "humHistSalaryItem", {"PersonID", "ChangeTimes"}},
        {"", "humChangeInsurance", {"PersonID", "InsurKind", "ChangeTimes"}},
    };
    for (IndexDef& index : ix) {
        index.name = "ix_" + index.table;
        for (const std::string& column : index.columns) index.name += "_" + column;
    }
    return ix;
}

// A table or column name in DDL. SQLite keeps the quoted spelling for the names of
// result columns; PostgreSQL folds unquoted names, which is what the statements of
// the classes, written unquoted in mixed case, need there.
std::string Quoted(const std::string& name, Backend backend) {
    return backend == Backend::PostgreSQL ? name : "\"" + name + "\"";
}

std::string QuotedList(const std::vector<std::string>& names, Backend backend) {
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty()) out += ", ";
        out += Quoted(name, backend);
    }
    return out;
}

std::string DefaultLiteral(const ColumnDef& column) {
    if (!column.defaultValue.empty()) return column.defaultValue;
    return column.type == ColumnType::Text ? "''" : "0";
}

// The declared type names read back into ColumnType by the database layer
// (INTEGER, FLOAT, MONEY, BIT, TEXT), so they must stay exactly these for SQLite.
std::string TypeName(ColumnType type, Backend backend) {
    const bool pg = backend == Backend::PostgreSQL;
    switch (type) {
        case ColumnType::Integer:
            return pg ? "BIGINT" : "INTEGER";
        case ColumnType::Float:
            return pg ? "DOUBLE PRECISION" : "FLOAT";
        case ColumnType::Currency:
            return pg ? "NUMERIC(19,4)" : "MONEY";
        // Flags are compared with 1 and 0 in the statements, so they stay numbers.
        case ColumnType::Boolean:
            return pg ? "SMALLINT" : "BIT";
        case ColumnType::Text:
        case ColumnType::Unknown:
            break;
    }
    return pg ? "CITEXT" : "TEXT";
}

std::string ColumnDdl(const ColumnDef& column, Backend backend) {
    std::string out = Quoted(column.name, backend) + " " + TypeName(column.type, backend);
    const bool text = column.type == ColumnType::Text || column.type == ColumnType::Unknown;
    if (backend == Backend::SQLite && text) out += " COLLATE NOCASE";
    if (!column.generatedFrom.empty()) {
        out += " GENERATED ALWAYS AS (" + Quoted(column.generatedFrom, backend) + ")";
        out += backend == Backend::SQLite ? " VIRTUAL" : " STORED";
        return out;
    }
    out += " DEFAULT " + DefaultLiteral(column);
    // A Null written into a column becomes its default, so that sums and differences
    // over stored rows never turn Null.
    if (backend == Backend::SQLite) out += " NOT NULL ON CONFLICT REPLACE";
    return out;
}

bool HasColumn(const std::vector<ResultColumn>& columns, const std::string& name) {
    return std::any_of(columns.begin(), columns.end(),
                       [&](const ResultColumn& c) { return SameText(c.name, name); });
}

// A generated column is not always listed among a table's declared columns, so its
// presence is asked of the table itself.
bool GeneratedColumnExists(Database& db, const TableDef& table, const ColumnDef& column) {
    try {
        // Bare names: SQLite reads a quoted name that matches no column as a string.
        db.Query("Select " + column.name + " From " + table.name + " Where 1 = 0");
        return true;
    } catch (const DatabaseError&) {
        return false;
    }
}

// What a backend needs before the first table: case-blind text on PostgreSQL.
std::vector<std::string> SchemaPrelude(Backend backend) {
    if (backend == Backend::PostgreSQL) return {"CREATE EXTENSION IF NOT EXISTS citext"};
    return {};
}

void UpgradeSchema(Database& db) {
    // A database of a newer schema is left alone: its tables are not this program's to
    // change, and its version is never lowered.
    if (!db.TableColumns("humSchemaVersion").empty()) {
        const auto stored = db.QueryFirst("Select Max(Version) From humSchemaVersion");
        if (stored && !(*stored)[0].IsNullOrEmpty() && CInt((*stored)[0]) > SchemaVersion())
            throw DatabaseError("the database has schema version " + CStr((*stored)[0]) + ", newer than version " +
                                std::to_string(SchemaVersion()) + " that this program knows");
    }
    for (const std::string& statement : SchemaPrelude(db.Kind())) db.Execute(statement);
    for (const TableDef& table : SchemaTables()) {
        const std::vector<ResultColumn> existing = db.TableColumns(table.name);
        if (existing.empty()) {
            db.Execute(CreateTableDdl(table, db.Kind()));
            continue;
        }
        for (const ColumnDef& column : table.columns) {
            if (HasColumn(existing, column.name)) continue;
            if (!column.generatedFrom.empty() && GeneratedColumnExists(db, table, column)) continue;
            db.Execute(AddColumnDdl(table, column, db.Kind()));
        }
    }
    for (const IndexDef& index : SchemaIndexes()) db.Execute(CreateIndexDdl(index, db.Kind()));

    const auto version = db.QueryFirst("Select Count(*), Max(Version) From humSchemaVersion");
    const bool hasRow = version && CInt((*version)[0]) > 0;
    if (!hasRow) {
        db.Execute("Insert Into humSchemaVersion (Version) Values (?)", {Variant(SchemaVersion())});
    } else if (CInt((*version)[1]) < SchemaVersion()) {
        db.Execute("Update humSchemaVersion Set Version = ?", {Variant(SchemaVersion())});
    }
}

}  // namespace

const std::vector<TableDef>& SchemaTables() {
    static const std::vector<TableDef> tables = BuildTables();
    return tables;
}

const std::vector<IndexDef>& SchemaIndexes() {
    static const std::vector<IndexDef> indexes = BuildIndexes();
    return indexes;
}

const TableDef* FindTable(const std::string& name) {
    for (const TableDef& table : SchemaTables())
        if (SameText(table.name, name)) return &table;
    return nullptr;
}

int SchemaVersion() { return 1; }

std::string CreateTableDdl(const TableDef& table, Backend backend) {
    std::string out = "CREATE TABLE IF NOT EXISTS " + Quoted(table.name, backend) + " (";
    for (size_t i = 0; i < table.columns.size(); ++i) {
        if (i > 0) out += ", ";
        out += ColumnDdl(table.columns[i], backend);
    }
    if (!table.primaryKey.empty()) out += ", PRIMARY KEY (" + QuotedList(table.primaryKey, backend) + ")";
    return out + ")";
}

std::string AddColumnDdl(const TableDef& table, const ColumnDef& column, Backend backend) {
    return "ALTER TABLE " + Quoted(table.name, backend) + " ADD COLUMN " + ColumnDdl(column, backend);
}

std::string CreateIndexDdl(const IndexDef& index, Backend backend) {
    return std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX IF NOT EXISTS " +
           Quoted(index.name, backend) + " ON " + Quoted(index.table, backend) + " (" +
           QuotedList(index.columns, backend) + ")";
}

std::vector<std::string> SchemaDdl(Backend backend) {
    std::vector<std::string> out = SchemaPrelude(backend);
    for (const TableDef& table : SchemaTables()) out.push_back(CreateTableDdl(table, backend));
    for (const IndexDef& index : SchemaIndexes()) out.push_back(CreateIndexDdl(index, backend));
    return out;
}

void CreateOrUpgradeSchema(Database& db) {
    // One transaction: a failed upgrade leaves the database as it was.
    const bool own = !db.InTransaction();
    if (own) db.BeginWrite();
    try {
        UpgradeSchema(db);
    } catch (...) {
        if (own) db.Rollback();
        throw;
    }
    if (own) db.Commit();
}

}  // namespace humrs
