#include "suite/FieldLabels.h"

namespace humrs {

namespace {

const std::map<std::string, std::string>& SharedLabels() {
    static const std::map<std::string, std::string> labels = {
        // A bill's identity and its people.
        {"Flag", "单据类型"},
        {"BillNo", "单据号"},
        {"BillDate", "单据日期"},
        {"RowNo", "行号"},
        {"SerNo", "序号"},
        {"ParentRowNO", "所属行号"},
        {"ParentRowNo", "所属行号"},
        {"PersonID", "人员编号"},
        {"PersonName", "姓名"},
        {"DepartID", "部门编号"},
        {"Memo", "备注"},
        {"UserName", "操作员"},
        // Spans of time and shifts.
        {"BeginDate", "开始日期"},
        {"BeginTime", "开始时间"},
        {"EndDate", "结束日期"},
        {"EndTime", "结束时间"},
        {"WorkDate", "工作日期"},
        {"ClassID", "班次"},
        {"ClassName", "班次名称"},
        // Leave rows (by person and by date) and leave categories.
        {"ExcuseClsID", "请假类别"},
        {"ExcuseClsName", "类别名称"},
        {"ExcuseCls", "请假性质"},  // the category's kind, which picks its rules
        {"ExcuseCount", "请假数量"},
        {"ExcuseUnit", "计假单位"},
        {"UnitName", "计量单位"},  // 0 days, 1 hours, 2 minutes
        {"IfCutExcuse", "已销假"},
        {"CutExcuseNo", "销假单号"},
        {"CutExcuseCount", "销假数量"},
        {"RedeemOldExcuseCount", "调休原数量"},
        {"ExcuseDate", "登记日期"},
        // Overtime rows (by person and by date) and the voucher's overtime.
        {"OverTimeDate", "加班日期"},
        {"OverTimeClass", "加班班次"},
        {"FieldACount", "A段时数"},
        {"FieldBCount", "B段时数"},
        {"FieldCCount", "C段时数"},
        {"HolidayCount", "假日时数"},
        {"TotalCount", "合计时数"},
        {"RedeemType", "可调休"},
        {"UseableRedeemCount", "可调休时数"},
        {"NotIntoOverTimeValue", "不计加班时数"},
        // Allowance and deduction rows (a bill per person and a bill by date).
        {"SalaryType", "发放方式"},  // 1 cash, 0 bank, 2 both
        {"PayType", "付款方式"},
        {"IncomTaxRate", "扣税率"},
        {"Amount", "数量"},
        {"Price", "单价"},
        {"RealAccount", "实发金额"},
        {"DeductAccount", "扣税金额"},
        {"SalaryDate", "发放日期"},
        {"SalaryStaus", "发放状态"},
        // Salary vouchers (the monthly voucher and the rows of advance payments).
        {"SalaryItem", "薪资项目"},
        {"SalaryYearMonth", "薪资年月"},
        {"SalaryMonth", "薪资月份"},
        {"PayDay", "发薪日期"},
        {"BaseSalary", "基本工资"},
        {"TaxOvertime", "加班费"},
        {"MealSalary", "伙食津贴"},
        {"MessSalary", "膳食补助"},
        {"NoLeaveSalary", "全勤奖金"},
        {"ClassSalary", "班别津贴"},
        {"OtherTaxSalary", "其他应税收入"},
        {"ExcuseSalary", "请假扣款"},
        {"OtherDeductSalary", "其他应税扣款"},
        {"OtherDeduct", "其他扣款"},
        {"PieceWorkSalary", "计件工资"},
        {"IncomeTax", "所得税"},
        {"RealSalary", "实发工资"},
        {"RealCash", "实发现金"},
        {"RealBank", "实发银行"},
        {"HealthTax", "健保费"},
        {"LaborTax", "劳保费"},
        {"Account", "金额"},
        {"CashRate", "现金比例"},
        {"CashPaid", "现金已发"},
        {"BankPaid", "银行已发"},
        {"PIsTran", "已发放"},
        {"PVoucherNO", "凭证号"},
        // Banks.
        {"PSalaryBank", "工资银行"},
        {"PAccountNumber", "银行账号"},
        {"MasterAccount", "主账户"},
        {"PayBankID", "开户银行"},
        {"PayAccount", "银行账号"},
        {"AccountName", "户名"},
        {"BankMoneny", "银行金额"},
        // Personnel changes and salary settings.
        {"ChangeTimes", "变动次数"},
        {"AdjustDate", "调整日期"},
        {"AdjustYearMonth", "调整年月"},
        {"AdjustMode", "调整方式"},
        {"IsTransfer", "已转入"},
        {"EmployerPensionRate", "单位提缴率"},
        {"NoLeave", "享全勤奖"},
        {"Meal", "享伙食津贴"},
    };
    return labels;
}

}  // namespace

std::map<std::string, std::string> WithSharedLabels(std::map<std::string, std::string> own) {
    for (const auto& [field, label] : SharedLabels()) own.emplace(field, label);
    return own;
}

}  // namespace humrs
