#pragma once
// User messages of the overtime category master (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

inline constexpr Message kOverTimeClsHandlingIncomplete{"OverTimeClsHandlingIncomplete", "请将月加班超时的处理方式正确的填写完整"};

}  // namespace humrs::msg
