#pragma once
// The system parameters of the leave rules, read together, each with its type and
// default in one place. A stored value of another type is an error naming the key.
#include <string>

namespace humrs {

class TQVXComBase;

struct LeaveSettings {
    // "HumExcuseBeginMonth": the leave year of personal and sick leave starts in the
    // month after this one (0: January). Default 0.
    int excuseBeginMonth = 0;
    // "HumSpecialsCaleType": the leave year of special annual leave: 0 from the hire
    // month, 1 from a base month, 2 from the hire anniversary. Default 0.
    int specialsCaleType = 0;
    // "HumSpecialsBaseMonth": with type 1, the year starts in the month after this one.
    int specialsBaseMonth = 0;
    // "HumSpecialWorkAge": with type 1, the seniority below which no special leave is
    // granted. Default 0.
    double specialWorkAge = 0;
    // "HumSpecialsDayHours": hours of a day, for special leave counted in hours or
    // minutes. Default 0.
    double specialsDayHours = 0;
    // "AllowAffairLeaveYear" / "HumMaxPrivateExCount": personal leave is capped per
    // leave year at this quantity. Default off, 0.
    bool capPersonalLeave = false;
    double personalLeaveCap = 0;
    // "AllowSickLeaveYear" / "AllowSickLeaveMuchYear": sick leave is capped per leave
    // year at this quantity (under local type 1). Default off, 0.
    bool capSickLeave = false;
    double sickLeaveCap = 0;
    // "HumMakeUpRestTerm": months before a compensatory leave whose redeemable
    // overtime it may use; 0 any. Default 0.
    int makeUpRestTerm = 0;
    // Date display in messages: "HumCommDateStyle" (the short form when set),
    // "HumYearStyle", "HumDispStyle", "HumSeparatorChar" (its first character).
    bool commonDateStyle = false;
    int yearStyle = 0;
    int dispStyle = 0;
    std::string separator;

    static LeaveSettings Read(TQVXComBase& object);
};

}  // namespace humrs
