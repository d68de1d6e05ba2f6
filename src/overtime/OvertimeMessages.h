#pragma once
// User messages of the overtime classes (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

// Overtime records
inline constexpr Message kOvertimeTimesMissing{"OvertimeTimesMissing", "请填写加班的上下班时间"};
inline constexpr Message kOvertimeClassEmpty{"OvertimeClassEmpty", "加班班别不能为空"};
inline constexpr Message kOvertimeOffJob{"OvertimeOffJob", "加班日期不能小于到职日期大于离职日期"};
inline constexpr Message kOvertimeInClassWorkTime{"OvertimeInClassWorkTime", "加班时间不可设在此班别的上下班时间之间"};
inline constexpr Message kOvertimeConflict{"OvertimeConflict",
    "本单加班时间与以下资料有冲突: (%s)加班凭单号: %s  日期: %s  班别: %s  时间: %s - %s"};
inline constexpr Message kOvertimeLabelByPerson{"OvertimeLabelByPerson", "人员别"};
inline constexpr Message kOvertimeLabelByDate{"OvertimeLabelByDate", "日期别"};
inline constexpr Message kOvertimeLeaveConflict{"OvertimeLeaveConflict", "本单加班时间与以下请假单有冲突:请假单号：(%s) 请假人员：(%s)"};
inline constexpr Message kOvertimePersonOffJob{"OvertimePersonOffJob", "%s人员不在职"};
inline constexpr Message kOvertimePersonFirst{"OvertimePersonFirst", "请先确认人员编号"};
inline constexpr Message kOvertimePersonEmpty{"OvertimePersonEmpty", "加班人员不能为空"};
inline constexpr Message kOvertimeHoursNegative{"OvertimeHoursNegative", "%s人员的加班时数不可为负数"};

}  // namespace humrs::msg
