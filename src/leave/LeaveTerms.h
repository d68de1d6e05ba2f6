#pragma once
// The words the leave bills and the leave service share: the kinds of leave category
// that carry a rule of their own, and the day and time of day a leave begins or ends.
// A day and a time of day are types of their own, so that a routine given them in the
// wrong order does not compile.
#include <compare>
#include <cstdint>
#include <string>

#include "core/Variant.h"
#include "suite/Seed.h"

namespace humrs {

// Kinds of leave category (humExcuseCls.ExcuseCls) with a rule of their own; any other
// code is an ordinary category and passes through as it is stored.
enum class LeaveKind : int {
    Personal = leave_kind::kPersonal,
    Sick = leave_kind::kSick,
    Lateness = leave_kind::kLateness,
    SpecialAnnual = leave_kind::kSpecialAnnual,
    Compensatory = leave_kind::kCompensatory,
};

// The kind's code as it is stored, and as text for SQL and for stored values read as text.
constexpr int Code(LeaveKind kind) { return static_cast<int>(kind); }
inline std::string CodeText(LeaveKind kind) { return std::to_string(Code(kind)); }

// A calendar day as yyyymmdd; 0 is no day.
struct CalendarDay {
    int value;
    constexpr explicit CalendarDay(int yyyymmdd) : value(yyyymmdd) {}
    friend constexpr auto operator<=>(CalendarDay, CalendarDay) = default;
};

// A time of day as hhmm; -1 is no time entered.
struct TimeOfDay {
    int value;
    constexpr explicit TimeOfDay(int hhmm) : value(hhmm) {}
    friend constexpr auto operator<=>(TimeOfDay, TimeOfDay) = default;
};

// A day or time of a caller's argument or of a given row, read whole (a value past 32
// bits is not cut down to a day that happens to exist) and refused as bad input unless
// it is on the calendar (or 0, no day) or a time of day (or -1, none).
CalendarDay DayOf(const Variant& v, const std::string& field);
TimeOfDay TimeOf(const Variant& v, const std::string& field);

// A moment (day, time of day) as one ordered number.
constexpr int64_t MomentKey(int date, int time) { return static_cast<int64_t>(date) * 10000 + time; }

}  // namespace humrs
