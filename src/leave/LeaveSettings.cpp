#include "leave/LeaveSettings.h"

#include "framework/Settings.h"

namespace humrs {

LeaveSettings LeaveSettings::Read(TQVXComBase& object) {
    const ParamReader p(object);
    LeaveSettings s;
    s.excuseBeginMonth = p.Int("HumExcuseBeginMonth", s.excuseBeginMonth);
    s.specialsCaleType = p.Int("HumSpecialsCaleType", s.specialsCaleType);
    s.specialsBaseMonth = p.Int("HumSpecialsBaseMonth", s.specialsBaseMonth);
    s.specialWorkAge = p.Float("HumSpecialWorkAge", s.specialWorkAge);
    s.specialsDayHours = p.Float("HumSpecialsDayHours", s.specialsDayHours);
    s.capPersonalLeave = p.Bool("AllowAffairLeaveYear", s.capPersonalLeave);
    s.personalLeaveCap = p.Float("HumMaxPrivateExCount", s.personalLeaveCap);
    s.capSickLeave = p.Bool("AllowSickLeaveYear", s.capSickLeave);
    s.sickLeaveCap = p.Float("AllowSickLeaveMuchYear", s.sickLeaveCap);
    s.makeUpRestTerm = p.Int("HumMakeUpRestTerm", s.makeUpRestTerm);
    s.commonDateStyle = p.Bool("HumCommDateStyle", s.commonDateStyle);
    s.yearStyle = p.Int("HumYearStyle", s.yearStyle);
    s.dispStyle = p.Int("HumDispStyle", s.dispStyle);
    s.separator = p.Text("HumSeparatorChar", s.separator);
    return s;
}

}  // namespace humrs
