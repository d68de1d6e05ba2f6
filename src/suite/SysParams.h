#pragma once
// The suite's system parameters (comSysParam) that this component reads: each key
// once, with the type it is read as and the value an unset key reads as. The classes'
// settings structs and the suite's objects read them only through these declarations.
#include <string_view>

#include "framework/Settings.h"

namespace humrs::param {

// ---- The leave year and the yearly caps of leave.
// First month of the leave year of personal and sick leave, counted from 0 (January).
inline constexpr Param<int> kExcuseBeginMonth{"HumExcuseBeginMonth", 0};
// How the year of special annual leave is placed: 0 from the month of hire, 1 from a
// fixed month, 2 from the hire anniversary.
inline constexpr Param<int> kSpecialsCaleType{"HumSpecialsCaleType", 0};
// The fixed month of type 1, counted from 0.
inline constexpr Param<int> kSpecialsBaseMonth{"HumSpecialsBaseMonth", 0};
// With type 1: the seniority below which no special leave is granted.
inline constexpr Param<double> kSpecialWorkAge{"HumSpecialWorkAge", 0};
// Hours of a working day: special-leave days in hours or minutes, and the suite's
// daily and hourly pay figures.
inline constexpr Param<double> kSpecialsDayHours{"HumSpecialsDayHours", 0};
// Personal leave is capped per leave year, at this quantity.
inline constexpr Param<bool> kAllowAffairLeaveYear{"AllowAffairLeaveYear", false};
inline constexpr Param<double> kMaxPrivateExCount{"HumMaxPrivateExCount", 0};
// Sick leave is capped per leave year (under local type 1), at this quantity.
inline constexpr Param<bool> kAllowSickLeaveYear{"AllowSickLeaveYear", false};
inline constexpr Param<double> kAllowSickLeaveMuchYear{"AllowSickLeaveMuchYear", 0};

// ---- Compensatory leave.
// Months before a compensatory leave whose redeemable overtime it may use; 0 any.
inline constexpr Param<int> kMakeUpRestTerm{"HumMakeUpRestTerm", 0};

// ---- Dates shown in the leave messages.
// Set: the short form yyyy/mm/dd; otherwise the form of the three below.
inline constexpr Param<bool> kCommDateStyle{"HumCommDateStyle", false};
inline constexpr Param<int> kYearStyle{"HumYearStyle", 0};
inline constexpr Param<int> kDispStyle{"HumDispStyle", 0};
inline constexpr Param<std::string_view> kSeparatorChar{"HumSeparatorChar", ""};

// ---- The advance payment.
// A new bill is computed as a percentage of salary, and the percentage it starts with.
inline constexpr Param<bool> kAdvCaclWithRate{"HumAdvCaclWithRate", false};
inline constexpr Param<double> kAdvCWithRPercent{"HumAdvCWithRPercent", 0};

// ---- The salary adjustment.
// 0 keeps the full-attendance bonus (the meal allowance) in the person's salary
// settings; any other value pays it elsewhere.
inline constexpr Param<int> kPayNoLeave{"HumPayNoLeave", 0};
inline constexpr Param<int> kPayMess{"HumPayMess", 0};

// ---- The suite's salary figures ("QVXHumrs.Reset").
// Day of the month a salary period starts on, 1 to 28 (1: the calendar month).
inline constexpr Param<int> kSalaryBeginDay{"HumSalaryBeginDay", 1};
// Days of a salary month, for the daily wage.
inline constexpr Param<double> kMonthWorkDays{"HumMonthWorkDays", 30};
// Hours of a salary month, for the hourly rate; 0: the days of a month times the
// hours of a working day.
inline constexpr Param<double> kMonthWorkHours{"HumMonthWorkHours", 0};
// Pay factors of overtime segments A, B and C and of holiday overtime.
inline constexpr Param<double> kOverRateA{"HumOverRateA", 1.33};
inline constexpr Param<double> kOverRateB{"HumOverRateB", 1.67};
inline constexpr Param<double> kOverRateC{"HumOverRateC", 2};
inline constexpr Param<double> kHolidayRate{"HumHolidayRate", 2};

}  // namespace humrs::param
