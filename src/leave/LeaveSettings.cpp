#include "leave/LeaveSettings.h"

#include "framework/ComBase.h"
#include "suite/SysParams.h"

namespace humrs {

LeaveSettings LeaveSettings::Read(TQVXComBase& object) {
    const auto p = object.Params();
    return {
        .excuseBeginMonth = {p, param::kExcuseBeginMonth},
        .specialsCaleType = {p, param::kSpecialsCaleType},
        .specialsBaseMonth = {p, param::kSpecialsBaseMonth},
        .specialWorkAge = {p, param::kSpecialWorkAge},
        .specialsDayHours = {p, param::kSpecialsDayHours},
        .capPersonalLeave = {p, param::kAllowAffairLeaveYear},
        .personalLeaveCap = {p, param::kMaxPrivateExCount},
        .capSickLeave = {p, param::kAllowSickLeaveYear},
        .sickLeaveCap = {p, param::kAllowSickLeaveMuchYear},
        .makeUpRestTerm = {p, param::kMakeUpRestTerm},
        .commonDateStyle = {p, param::kCommDateStyle},
        .yearStyle = {p, param::kYearStyle},
        .dispStyle = {p, param::kDispStyle},
        .separator = p->Get(param::kSeparatorChar),
    };
}

}  // namespace humrs
