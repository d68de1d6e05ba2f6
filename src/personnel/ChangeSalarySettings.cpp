#include "personnel/ChangeSalarySettings.h"

#include "framework/Settings.h"

namespace humrs {

ChangeSalarySettings ChangeSalarySettings::Read(TQVXComBase& object) {
    const ParamReader p(object);
    ChangeSalarySettings s;
    s.payNoLeave = p.Int("HumPayNoLeave", s.payNoLeave);
    s.payMess = p.Int("HumPayMess", s.payMess);
    return s;
}

}  // namespace humrs
