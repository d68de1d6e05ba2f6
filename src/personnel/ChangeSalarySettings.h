#pragma once
// The system parameters of the salary adjustment, read together. Their keys, types
// and defaults are declared once in suite/SysParams.h; each is read when it is used.
#include "framework/Settings.h"

namespace humrs {

class TQVXComBase;

struct ChangeSalarySettings {
    // 0 keeps the full-attendance bonus in the person's salary settings; any other
    // value pays it elsewhere, so a transferred adjustment writes the bonus and its
    // choice as 0.
    Setting<int> payNoLeave;
    // The same for the meal allowance.
    Setting<int> payMess;

    static ChangeSalarySettings Read(TQVXComBase& object);
};

}  // namespace humrs
