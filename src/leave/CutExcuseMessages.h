#pragma once
// User messages of the leave cancellation.
#include "core/Message.h"

namespace humrs::msg {

inline constexpr Message kCutCountEmpty{"CutCountEmpty", "销假合计不可为空"};
inline constexpr Message kNoLeaveForCutSpan{"NoLeaveForCutSpan", "找不到符合销假期间的请假单"};
inline constexpr Message kLeaveAlreadyCut{"LeaveAlreadyCut", "此销假期间对应的请假单已销假"};
inline constexpr Message kCutCountOverLeave{"CutCountOverLeave", "销假合计不可大于请假合计"};

}  // namespace humrs::msg
