#include "payroll/AdvPaymentSettings.h"

#include "framework/ComBase.h"
#include "suite/SysParams.h"

namespace humrs {

AdvPaymentSettings AdvPaymentSettings::Read(TQVXComBase& object) {
    const auto p = object.Params();
    return {.byPercent = {p, param::kAdvCaclWithRate}, .payRate = {p, param::kAdvCWithRPercent}};
}

}  // namespace humrs
