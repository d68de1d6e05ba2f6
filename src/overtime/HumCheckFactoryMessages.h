#pragma once
// User messages of the overtime reconciliation (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

inline constexpr Message kOverTimeAttendMismatchCount{"OverTimeAttendMismatchCount",
    "共有%d条记录所填加班资料与考勤资料不一致，请先调整后才能继续剔除！"};

}  // namespace humrs::msg
