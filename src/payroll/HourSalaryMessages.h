#pragma once
// User messages of the hourly wage bill (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

// Save checks of the hourly rows
inline constexpr Message kHourBeginTimeMissing{"HourBeginTimeMissing", "请填写栏号%d的记录的上班开始时间"};
inline constexpr Message kHourEndTimeMissing{"HourEndTimeMissing", "请填写栏号%d的记录的上班结束时间"};
inline constexpr Message kHourConflict{"HourConflict", "栏号%d的记录和单据编号为%s(开始时间:%d结束时间:%d)相冲突"};

// Field lookups (and a row without a person)
inline constexpr Message kHourPersonEmpty{"HourPersonEmpty", "人员编号不能为空"};
inline constexpr Message kHourPersonFirst{"HourPersonFirst", "请先确认人员编号"};
inline constexpr Message kHourPersonOffJob{"HourPersonOffJob", "%s人员不在职"};

}  // namespace humrs::msg
