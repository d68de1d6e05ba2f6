#pragma once
// User messages of the attendance utilities (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

inline constexpr Message kPersonNotOnJobAt{"PersonNotOnJobAt", "%s人员在%s不在职"};
inline constexpr Message kOverTimeNoAttendRecord{"OverTimeNoAttendRecord", "%s人员%s加班%s-%s无考勤记录"};
inline constexpr Message kOverTimeOutsideAttend{"OverTimeOutsideAttend", "%s人员%s加班%s-%s不在考勤时间%s-%s内"};

}  // namespace humrs::msg
