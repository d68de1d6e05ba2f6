#pragma once
// User messages of the leave classes (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

// Leave categories
inline constexpr Message kExcuseUnitNotPositive{"ExcuseUnitNotPositive", "计假单位不可小于等于0"};

// Leave requests
inline constexpr Message kLeaveHasCancellationEdit{"LeaveHasCancellationEdit", "此请假单已有销假，不允许修改"};
inline constexpr Message kLeaveHasCancellationDelete{"LeaveHasCancellationDelete", "此请假单已有销假，不允许删除!"};
inline constexpr Message kLeaveCountZero{"LeaveCountZero", "请假合计不可为零"};
inline constexpr Message kLeaveCountNegative{"LeaveCountNegative", "请假合计不可小于零"};
inline constexpr Message kLeaveCategoryEmpty{"LeaveCategoryEmpty", "请假类别不能为空"};
inline constexpr Message kLeavePersonEmpty{"LeavePersonEmpty", "请假人员不能为空"};
inline constexpr Message kPersonOffJobPartly{"PersonOffJobPartly", "%s人员在请假期间内有不在职时段"};
inline constexpr Message kPersonOffJob{"PersonOffJob", "%s人员在请假期间内不在职"};
inline constexpr Message kLateOverAllowance{"LateOverAllowance", "迟到时间已超过可请事假的时间"};
inline constexpr Message kEndDateBeforeBegin{"EndDateBeforeBegin", "结束日期不能小于起始日期"};
inline constexpr Message kEndTimeBeforeBegin{"EndTimeBeforeBegin", "结束时间不能小于开始时间"};
inline constexpr Message kLeaveConflict{"LeaveConflict",
    "本单请假时间与以下资料有冲突: (%s)请假凭单号: %s  假别: %s  时间: %s %s - %s %s"};
inline constexpr Message kLabelByPerson{"LabelByPerson", "人员别"};
inline constexpr Message kLabelByDate{"LabelByDate", "日期别"};

// Cancellation marks of an imported leave row
inline constexpr Message kCutNoEmpty{"CutNoEmpty", "已销假的请假单,销假单号不可为空"};
inline constexpr Message kCutCountOutOfRange{"CutCountOutOfRange", "销假数量不可小于零,也不可大于请假合计"};

// Leave entitlements
inline constexpr Message kPersonalLeaveOverCap{"PersonalLeaveOverCap", "事假请假数量已超过%s人员年度应有的请假数量%s"};
inline constexpr Message kSickLeaveOverCap{"SickLeaveOverCap", "病假请假数量已超过%s人员年度应有的请假数量%s"};
inline constexpr Message kSpecialLeaveOverCap{"SpecialLeaveOverCap", "特休请假数量已超过%s人员年资应有的请假数量%s"};
inline constexpr Message kSpecialLeaveCrossesYear{"SpecialLeaveCrossesYear", "%s人员请特休假,但特休假不可跨越假别年度"};

// Compensatory leave
inline constexpr Message kCompLeaveOverBalance{"CompLeaveOverBalance",
    "请假开始日期%s, %s人员补休请假数量已超过其补休期限内(%s)拥有的请假数量%s"};

}  // namespace humrs::msg
