#include "suite/FieldLabels.h"

namespace humrs {

namespace {

const std::map<std::string, std::string>& SharedLabels() {
    static const std::map<std::string, std::string> labels = {
        {"Flag", "单据类型"},
        {"BillNo", "单据号"},
        {"BillDate", "单据日期"},
        {"RowNo", "行号"},
        {"SerNo", "序号"},
        {"PersonID", "人员编号"},
        {"PersonName", "姓名"},
        {"DepartID", "部门编号"},
        {"Memo", "备注"},
        {"BeginDate", "开始日期"},
        {"BeginTime", "开始时间"},
        {"EndDate", "结束日期"},
        {"EndTime", "结束时间"},
        {"ClassID", "班次"},
        {"ExcuseClsID", "请假类别"},
        {"ExcuseCls", "请假类别名称"},
        {"ExcuseCount", "请假数量"},
        {"ExcuseUnit", "请假单位"},
        {"UnitName", "单位"},
        {"SalaryItem", "薪资项目"},
        {"SalaryYearMonth", "薪资年月"},
        {"ChangeTimes", "变动次数"},
        {"Account", "账号"},
        {"AccountName", "户名"},
        {"AdjustDate", "调整日期"},
        {"PVoucherNO", "凭证号"},
        {"UserName", "操作员"},
    };
    return labels;
}

}  // namespace

std::map<std::string, std::string> WithSharedLabels(std::map<std::string, std::string> own) {
    for (const auto& [field, label] : SharedLabels()) own.emplace(field, label);
    return own;
}

}  // namespace humrs
