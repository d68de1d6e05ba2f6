#pragma once
// User messages of the leave request by date that differ from those of the leave
// request by person (the shared ones are in LeaveMessages.h).
namespace humrs::msg {

inline constexpr const char* kByDateTimeNotEntered = "开始时间或结束时间不能为空";
inline constexpr const char* kByDateCountZero = "请假合计不可为零!";
inline constexpr const char* kByDateCountNegative = "请假合计不可小于零!";
inline constexpr const char* kByDateCategoryEmpty = "请假类别不可为空";
inline constexpr const char* kByDateEndDateBeforeBegin = "结束日期不能小于开始日期";
inline constexpr const char* kByDateRowHasCancellationEdit = "第%d笔请假单已有销假，不允许修改";
inline constexpr const char* kByDateLateOverAllowance = "人员%s迟到时间已超过可请事假的时间";

}  // namespace humrs::msg
