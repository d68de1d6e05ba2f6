#pragma once
// User messages of the leave classes (placeholders %s, %d).
namespace humrs::msg {

// Leave categories
inline constexpr const char* kExcuseUnitNotPositive = "计假单位不可小于等于0";

// Leave requests
inline constexpr const char* kLeaveHasCancellationEdit = "此请假单已有销假，不允许修改";
inline constexpr const char* kLeaveHasCancellationDelete = "此请假单已有销假，不允许删除!";
inline constexpr const char* kLeaveCountZero = "请假合计不可为零";
inline constexpr const char* kLeaveCountNegative = "请假合计不可小于零";
inline constexpr const char* kLeaveCategoryEmpty = "请假类别不能为空";
inline constexpr const char* kLeavePersonEmpty = "请假人员不能为空";
inline constexpr const char* kPersonOffJobPartly = "%s人员在请假期间内有不在职时段";
inline constexpr const char* kPersonOffJob = "%s人员在请假期间内不在职";
inline constexpr const char* kLateOverAllowance = "迟到时间已超过可请事假的时间";
inline constexpr const char* kEndDateBeforeBegin = "结束日期不能小于起始日期";
inline constexpr const char* kEndTimeBeforeBegin = "结束时间不能小于开始时间";
inline constexpr const char* kLeaveConflict =
    "本单请假时间与以下资料有冲突: (%s)请假凭单号: %s  假别: %s  时间: %s %s - %s %s";
inline constexpr const char* kLabelByPerson = "人员别";
inline constexpr const char* kLabelByDate = "日期别";

// Cancellation marks of an imported leave row
inline constexpr const char* kCutNoEmpty = "已销假的请假单,销假单号不可为空";
inline constexpr const char* kCutCountOutOfRange = "销假数量不可小于零,也不可大于请假合计";

// Leave entitlements
inline constexpr const char* kPersonalLeaveOverCap = "事假请假数量已超过%s人员年度应有的请假数量%s";
inline constexpr const char* kSickLeaveOverCap = "病假请假数量已超过%s人员年度应有的请假数量%s";
inline constexpr const char* kSpecialLeaveOverCap = "特休请假数量已超过%s人员年资应有的请假数量%s";
inline constexpr const char* kSpecialLeaveCrossesYear = "%s人员请特休假,但特休假不可跨越假别年度";

// Compensatory leave
inline constexpr const char* kCompLeaveOverBalance =
    "请假开始日期%s, %s人员补休请假数量已超过其补休期限内(%s)拥有的请假数量%s";

}  // namespace humrs::msg
