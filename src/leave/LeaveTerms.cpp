#include "leave/LeaveTerms.h"

#include "core/Convert.h"
#include "utils/DateUtils.h"
#include "utils/TimeUtils.h"

namespace humrs {

CalendarDay DayOf(const Variant& v, const std::string& field) {
    const int64_t value = CInt(v);
    RequireDateOrZero(value, field);
    return CalendarDay(static_cast<int>(value));
}

TimeOfDay TimeOf(const Variant& v, const std::string& field) {
    const int64_t value = CInt(v);
    RequireTimeOrUnset(value, field);
    return TimeOfDay(static_cast<int>(value));
}

}  // namespace humrs
