#pragma once
// User messages of the attendance utilities (placeholders %s, %d).
namespace humrs::msg {

inline constexpr const char* kPersonNotOnJobAt = "%s人员在%s不在职";
inline constexpr const char* kOverTimeNoAttendRecord = "%s人员%s加班%s-%s无考勤记录";
inline constexpr const char* kOverTimeOutsideAttend = "%s人员%s加班%s-%s不在考勤时间%s-%s内";

}  // namespace humrs::msg
