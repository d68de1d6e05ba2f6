#pragma once
// User messages of the overtime category master (placeholders %s, %d).
namespace humrs::msg {

inline constexpr const char* kOverTimeClsHandlingIncomplete = "请将月加班超时的处理方式正确的填写完整";

}  // namespace humrs::msg
