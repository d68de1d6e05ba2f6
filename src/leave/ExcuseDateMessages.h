#pragma once
// User messages of the leave request by date that differ from those of the leave
// request by person (the shared ones are in LeaveMessages.h).
#include "core/Message.h"

namespace humrs::msg {

inline constexpr Message kByDateTimeNotEntered{"ByDateTimeNotEntered", "开始时间或结束时间不能为空"};
inline constexpr Message kByDateCountZero{"ByDateCountZero", "请假合计不可为零!"};
inline constexpr Message kByDateCountNegative{"ByDateCountNegative", "请假合计不可小于零!"};
inline constexpr Message kByDateCategoryEmpty{"ByDateCategoryEmpty", "请假类别不可为空"};
inline constexpr Message kByDateEndDateBeforeBegin{"ByDateEndDateBeforeBegin", "结束日期不能小于开始日期"};
inline constexpr Message kByDateRowHasCancellationEdit{"ByDateRowHasCancellationEdit", "第%d笔请假单已有销假，不允许修改"};
inline constexpr Message kByDateLateOverAllowance{"ByDateLateOverAllowance", "人员%s迟到时间已超过可请事假的时间"};

}  // namespace humrs::msg
