#pragma once
// User messages of the overtime classes (placeholders %s, %d).
namespace humrs::msg {

// Overtime records
inline constexpr const char* kOvertimeTimesMissing = "请填写加班的上下班时间";
inline constexpr const char* kOvertimeClassEmpty = "加班班别不能为空";
inline constexpr const char* kOvertimeOffJob = "加班日期不能小于到职日期大于离职日期";
inline constexpr const char* kOvertimeInClassWorkTime = "加班时间不可设在此班别的上下班时间之间";
inline constexpr const char* kOvertimeConflict =
    "本单加班时间与以下资料有冲突: (%s)加班凭单号: %s  日期: %s  班别: %s  时间: %s - %s";
inline constexpr const char* kOvertimeLabelByPerson = "人员别";
inline constexpr const char* kOvertimeLabelByDate = "日期别";
inline constexpr const char* kOvertimeLeaveConflict = "本单加班时间与以下请假单有冲突:请假单号：(%s) 请假人员：(%s)";
inline constexpr const char* kOvertimePersonOffJob = "%s人员不在职";
inline constexpr const char* kOvertimePersonFirst = "请先确认人员编号";
inline constexpr const char* kOvertimePersonEmpty = "加班人员不能为空";
inline constexpr const char* kOvertimeHoursNegative = "%s人员的加班时数不可为负数";

}  // namespace humrs::msg
