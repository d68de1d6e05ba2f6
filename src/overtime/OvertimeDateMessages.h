#pragma once
// User messages of the overtime record by date (placeholders %s, %d); the checks it
// shares with the overtime record by person use OvertimeMessages.h.
namespace humrs::msg {

inline constexpr const char* kOvertimeDateSegmentsNotTotal = "加班时段的合计必须与加班合计相等";
inline constexpr const char* kOvertimeDateTotalZero = "加班合计不可为零";
inline constexpr const char* kOvertimeDateOffJob = "%s人员的加班日期不能小于到职日期大于离职日期";
inline constexpr const char* kOvertimeDateLeaveConflict =
    "本单第(%d)笔加班时间与以下请假单有冲突:请假单号：(%s) 请假人员：(%s)";

}  // namespace humrs::msg
