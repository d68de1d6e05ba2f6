#include "personnel/ChangeSalarySettings.h"

#include "suite/SysParams.h"

namespace humrs {

ChangeSalarySettings ChangeSalarySettings::Read(TQVXComBase& object) {
    const auto p = std::make_shared<const ParamReader>(object);
    return {.payNoLeave = {p, param::kPayNoLeave}, .payMess = {p, param::kPayMess}};
}

}  // namespace humrs
