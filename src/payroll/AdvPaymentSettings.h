#pragma once
// The system parameters of the advance payment bill, read together. Their keys, types
// and defaults are declared once in suite/SysParams.h; each is read when it is used.
#include "framework/Settings.h"

namespace humrs {

class TQVXComBase;

struct AdvPaymentSettings {
    // A new bill is computed as a percentage of salary.
    Setting<bool> byPercent;
    // The percentage a new percentage bill starts with (read only for such a bill).
    Setting<double> payRate;

    static AdvPaymentSettings Read(TQVXComBase& object);
};

}  // namespace humrs
