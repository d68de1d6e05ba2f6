#include "payroll/AdvPaymentSettings.h"

#include "suite/SysParams.h"

namespace humrs {

AdvPaymentSettings AdvPaymentSettings::Read(TQVXComBase& object) {
    const auto p = std::make_shared<const ParamReader>(object);
    return {.byPercent = {p, param::kAdvCaclWithRate}, .payRate = {p, param::kAdvCWithRPercent}};
}

}  // namespace humrs
