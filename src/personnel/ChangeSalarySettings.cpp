#include "personnel/ChangeSalarySettings.h"

#include "framework/ComBase.h"
#include "suite/SysParams.h"

namespace humrs {

ChangeSalarySettings ChangeSalarySettings::Read(TQVXComBase& object) {
    const auto p = object.Params();
    return {.payNoLeave = {p, param::kPayNoLeave}, .payMess = {p, param::kPayMess}};
}

}  // namespace humrs
