#pragma once
// The system parameters of the leave rules, read together. Their keys, types and
// defaults are declared once in suite/SysParams.h; each is read when a rule uses it,
// so a bad stored value stops only the rules that need it.
#include <string>

#include "framework/Settings.h"

namespace humrs {

class TQVXComBase;

struct LeaveSettings {
    // The leave year of personal and sick leave starts in the month after this one.
    Setting<int> excuseBeginMonth;
    // The leave year of special annual leave: 0 from the hire month, 1 from a base
    // month (specialsBaseMonth), 2 from the hire anniversary.
    Setting<int> specialsCaleType;
    Setting<int> specialsBaseMonth;
    // With type 1, the seniority below which no special leave is granted.
    Setting<double> specialWorkAge;
    // Hours of a day, for special leave counted in hours or minutes.
    Setting<double> specialsDayHours;
    // Personal and sick leave capped per leave year, and the caps.
    Setting<bool> capPersonalLeave;
    Setting<double> personalLeaveCap;
    Setting<bool> capSickLeave;
    Setting<double> sickLeaveCap;
    // Months before a compensatory leave whose redeemable overtime it may use; 0 any.
    Setting<int> makeUpRestTerm;
    // Date display in messages: the short form when commonDateStyle is set, else the
    // year style, display style and separator (its first character).
    Setting<bool> commonDateStyle;
    Setting<int> yearStyle;
    Setting<int> dispStyle;
    std::string separator;

    static LeaveSettings Read(TQVXComBase& object);
};

}  // namespace humrs
