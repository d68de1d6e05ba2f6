#include "payroll/AdvPaymentSettings.h"

#include "framework/Settings.h"

namespace humrs {

AdvPaymentSettings AdvPaymentSettings::Read(TQVXComBase& object) {
    const ParamReader p(object);
    AdvPaymentSettings s;
    s.byPercent = p.Bool("HumAdvCaclWithRate", s.byPercent);
    s.payRate = p.Float("HumAdvCWithRPercent", s.payRate);
    return s;
}

}  // namespace humrs
