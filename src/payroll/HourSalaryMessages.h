#pragma once
// User messages of the hourly wage bill (placeholders %s, %d).
namespace humrs::msg {

// Save checks of the hourly rows
inline constexpr const char* kHourBeginTimeMissing = "请填写栏号%d的记录的上班开始时间";
inline constexpr const char* kHourEndTimeMissing = "请填写栏号%d的记录的上班结束时间";
inline constexpr const char* kHourConflict = "栏号%d的记录和单据编号为%s(开始时间:%d结束时间:%d)相冲突";

// Field lookups (and a row without a person)
inline constexpr const char* kHourPersonEmpty = "人员编号不能为空";
inline constexpr const char* kHourPersonFirst = "请先确认人员编号";
inline constexpr const char* kHourPersonOffJob = "%s人员不在职";

}  // namespace humrs::msg
