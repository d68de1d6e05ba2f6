#pragma once
// User messages of the leave cancellation.
namespace humrs::msg {

inline constexpr const char* kCutCountEmpty = "销假合计不可为空";
inline constexpr const char* kNoLeaveForCutSpan = "找不到符合销假期间的请假单";
inline constexpr const char* kLeaveAlreadyCut = "此销假期间对应的请假单已销假";
inline constexpr const char* kCutCountOverLeave = "销假合计不可大于请假合计";

}  // namespace humrs::msg
