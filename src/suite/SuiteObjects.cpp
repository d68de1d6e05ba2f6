// The suite's outside objects that the business classes reach by ProgID (compared
// without regard to case; suite/ProgIds.h spells each once), with their declared
// procedures (suite/SuiteCalls.h calls them) and the suite's tables they read:
// persons and departments, work classes and schedules, holidays and attendance,
// salary settings and items, piece work, parameters.
#include "suite/SuiteObjects.h"

#include "suite/CoChkAttend.h"
#include "suite/CoClassCls.h"
#include "suite/CoDepartment.h"
#include "suite/CoPerson.h"
#include "suite/CoPersonSetMain.h"
#include "suite/CoReset.h"
#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"

namespace humrs {

namespace {

template <class T>
ClassDescriptor SuiteObject(std::string progId, std::string className, std::string keyColumn) {
    ClassDescriptor d;
    d.registered = false;
    d.progId = std::move(progId);
    d.className = std::move(className);
    d.keyColumn = std::move(keyColumn);
    d.create = [] { return std::make_unique<T>(); };
    return d;
}

ClassDescriptor ResetObject() {
    using namespace column_types;
    ClassDescriptor d = SuiteObject<TReset>(prog_id::kReset, "TReset", "");
    d.role = roles::kPersonnel;
    d.procedures = ResetProcedures();
    d.tables.push_back({"humSalaryItem",
                 {{"SalaryID", kText},
                  {"SalaryName", kText},
                  {"Propertiy", kInt},  // 0 addition, otherwise deduction
                  {"CaleType", kInt},
                  {"MonthType", kInt}},
                 {"SalaryID"}});
    d.tables.push_back({"humWorkProcMain", {{"ProcID", kText}, {"ProcName", kText}}, {"ProcID"}});
    d.tables.push_back({"humOutPut",
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
    d.indexes.push_back(Index("humOutPut", {"PersonID", "ProdDate"}));
    return d;
}

ClassDescriptor ClassClsObject() {
    using namespace column_types;
    ClassDescriptor d = SuiteObject<TClassCls>(prog_id::kClassCls, "TClassCls", "ClassID");
    d.role = roles::kAttendance;
    d.procedures = ClassClsProcedures();
    d.datasets = {MasterDataset("humClass", "ClassID")};
    d.title = "班次";
    d.labels = WithSharedLabels({{"ClassID", "班次编号"},
                                 {"OnDutyTime", "上班时间"},
                                 {"OffDutyTime", "下班时间"},
                                 {"RestBeginTime", "休息开始"},
                                 {"RestEndTime", "休息结束"},
                                 {"LateTimeOver", "迟到容许"},
                                 {"OverTime", "加班起算时间"},
                                 {"OverTimeOver", "加班最短分钟"},
                                 {"OverTimeUnit", "加班计算单位"},
                                 {"AFieldEnd", "A段截止"},
                                 {"BFieldEnd", "B段截止"}});
    d.tables.push_back({"humClass",
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
    d.tables.push_back({"humJobSchedule", {{"SchID", kText}, {"SchName", kText}}, {"SchID"}});
    // WeekDay 0 is Sunday; an empty ClassID makes the day a rest day.
    d.tables.push_back({"humJobScheduleDay",
                 {{"SchID", kText}, {"WeekDay", kInt}, {"ClassID", kText}},
                 {"SchID", "WeekDay"}});
    // A person's class on one date, overriding the schedule; empty ClassID = rest day.
    d.tables.push_back({"humPersonClassDate",
                 {{"PersonID", kText}, {"WorkDate", kInt}, {"ClassID", kText}},
                 {"PersonID", "WorkDate"}});
    return d;
}

ClassDescriptor ChkAttendObject() {
    using namespace column_types;
    ClassDescriptor d = SuiteObject<TChkAttend>(prog_id::kChkAttend, "TChkAttend", "");
    d.role = roles::kAttendance;
    d.procedures = ChkAttendProcedures();
    d.tables.push_back({"HumHolidays",
                 {{"Flag", kInt},
                  {"HolidayDays", kText},   // month*100+day without leading zeros: "101"
                  {"lunarCalendar", kInt},  // 0 solar, 1 lunar day
                  {"HolidayName", kText}},
                 {"Flag", "HolidayDays", "lunarCalendar"}});
    d.tables.push_back({"humChkAttendMain",
                 {{"PersonID", kText},
                  {"CheckDate", kInt},
                  {"ClassID", kText},
                  {"OnTime", kInt},
                  {"OffTime", kInt},
                  {"HourTransfered", kBool},
                  {"HourDetail", kText},  // "1:" + BillNo + "#" + RowNo of the hourly wage row
                  {"HasHourBill", kBool}},
                 {"PersonID", "CheckDate"}});
    d.tables.push_back({"humAttendDetail",
                 {{"PersonID", kText},
                  {"DetailDate", kInt},
                  {"LeaveMinutes", kFloat},
                  {"OverTimeHours", kFloat},
                  {"HourWorkHours", kFloat}},
                 {"PersonID", "DetailDate"}});
    d.indexes.push_back(Index("HumHolidays", {"HolidayDays"}));
    return d;
}

ClassDescriptor PersonSetMainObject() {
    using namespace column_types;
    ClassDescriptor d = SuiteObject<TPersonSetMain>(prog_id::kPersonSetMain, "TPersonSetMain", "ID");
    d.role = roles::kPersonnel;
    d.procedures = PersonSetMainProcedures();
    // The person's current salary settings; the table exposes ID also as PersonID.
    d.datasets = {MasterDataset("humPersonSetMain", "ID", 1)};
    d.title = "人员薪资设定";
    d.labels = WithSharedLabels({{"ID", "人员编号"},
                                 {"SalaryMode", "计薪方式"},
                                 {"PaySalary", "发放薪资"},
                                 {"OverTime", "参加加班"},
                                 {"OverTimeClass", "加班类别"},
                                 {"Endowment", "养老保险"},
                                 {"Medicare", "医疗保险"},
                                 {"Idleness", "失业保险"},
                                 {"House", "工伤保险"},
                                 {"Damage", "住房公积金"},
                                 {"Procreate", "生育保险"},
                                 {"HealthDegree", "健保投保额"},
                                 {"LaborDegree", "劳保投保额"},
                                 {"PensionSalary", "劳退提缴工资"},
                                 {"HealthYeahMonth", "健保加保年月"},
                                 {"InsuranceDate", "劳保加保日期"},
                                 {"PensionDate", "劳退提缴日期"},
                                 {"PensionSystem", "退休金制度"},
                                 {"CancelHealthYearMonth", "健保退保年月"},
                                 {"CancelLaborDate", "劳保退保日期"},
                                 {"CancelPensionDate", "劳退停缴日期"}});
    d.tables.push_back({"humPersonSetMain",
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
    d.tables.push_back({"humPersonSetSub",
                 {{"Flag", kInt}, {"ID", kText}, {"SalaryItem", kText}, {"Account", kMoney}, {"RowNo", kInt}},
                 {}});
    d.tables.push_back({"humPersonSetAccount",
                 {{"Flag", kInt},
                  {"ID", kText},
                  {"RowNo", kInt},
                  {"PayBankID", kText},
                  {"PayAccount", kText},
                  {"AccountName", kText}},
                 {}});
    d.indexes.push_back(Index("humPersonSetMain", {"ID"}));
    d.indexes.push_back(Index("humPersonSetSub", {"ID", "Flag"}));
    d.indexes.push_back(Index("humPersonSetAccount", {"ID", "PayBankID"}));
    return d;
}

ClassDescriptor DepartmentObject() {
    using namespace column_types;
    ClassDescriptor d = SuiteObject<TDepartment>(prog_id::kDepartment, "TDepartment", "DepartID");
    d.role = roles::kPersonnel;
    d.procedures = DepartmentProcedures();
    d.datasets = {MasterDataset("comDepartment", "DepartID")};
    d.title = "部门";
    d.labels = WithSharedLabels({{"DepartName", "部门名称"}});
    d.tables.push_back({"comDepartment", {{"DepartID", kText}, {"DepartName", kText}}, {"DepartID"}});
    return d;
}

ClassDescriptor PersonObject() {
    using namespace column_types;
    ClassDescriptor d = SuiteObject<TPerson>(prog_id::kPerson, "TPerson", "PersonID");
    d.role = roles::kPersonnel;
    d.procedures = PersonProcedures();
    d.datasets = {MasterDataset("comPerson", "PersonID")};
    d.title = "人员";
    d.labels = WithSharedLabels({{"DepartID", "部门"},
                                 {"PosiID", "职位"},
                                 {"ProfTitle", "职称"},
                                 {"EngProfTitle", "英文职称"},
                                 {"OnJobDate", "到职日期"},
                                 {"LeaveJobDate", "离职日期"}});
    d.tables.push_back({"comPerson",
                 {{"PersonID", kText},
                  {"PersonName", kText},
                  {"DepartID", kText},
                  {"PosiID", kText},
                  {"ProfTitle", kText},
                  {"EngProfTitle", kText},
                  {"OnJobDate", kInt},      // hire date, 0 = not recorded
                  {"LeaveJobDate", kInt}},  // leaving date, 0 = still employed
                 {"PersonID"}});
    d.tables.back().rememberedInTransaction = true;
    d.tables.push_back({"comSysParam", {{"ParamKey", kText}, {"ParamValue", kText}}, {"ParamKey"}});
    d.tables.back().rememberedInTransaction = true;
    d.tables.push_back({"comBank", {{"BankID", kText}, {"BankName", kText}}, {"BankID"}});
    d.tables.push_back({"comProduct", {{"ProdID", kText}, {"ProdName", kText}, {"Unit", kText}}, {"ProdID"}});
    d.tables.push_back({"humPersonExtend",
                 {{"PersonID", kText},
                  {"WorkState", kInt},  // 0 not yet on the job ... 6 reinstated
                  {"JobSch", kText},    // work schedule (humJobSchedule.SchID)
                  {"NeedAttend", kBool},
                  {"FormalDate", kInt},
                  {"Probation", kInt},  // months of probation served
                  {"CardNo", kText}},
                 {"PersonID"}});
    d.indexes.push_back(Index("comPerson", {"DepartID"}));
    d.indexes.push_back(Index("humPersonExtend", {"CardNo"}));
    return d;
}

}  // namespace

std::vector<ClassDescriptor> SuiteObjectClasses() {
    return {ResetObject(), ClassClsObject(), ChkAttendObject(), PersonSetMainObject(), DepartmentObject(),
            PersonObject()};
}

}  // namespace humrs
