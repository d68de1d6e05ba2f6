#pragma once
// User messages of the overtime record by date (placeholders %s, %d); the checks it
// shares with the overtime record by person use OvertimeMessages.h.
#include "core/Message.h"

namespace humrs::msg {

inline constexpr Message kOvertimeDateSegmentsNotTotal{"OvertimeDateSegmentsNotTotal", "加班时段的合计必须与加班合计相等"};
inline constexpr Message kOvertimeDateTotalZero{"OvertimeDateTotalZero", "加班合计不可为零"};
inline constexpr Message kOvertimeDateOffJob{"OvertimeDateOffJob", "%s人员的加班日期不能小于到职日期大于离职日期"};
inline constexpr Message kOvertimeDateLeaveConflict{"OvertimeDateLeaveConflict",
    "本单第(%d)笔加班时间与以下请假单有冲突:请假单号：(%s) 请假人员：(%s)"};

}  // namespace humrs::msg
