#pragma once
// The overtime category master.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TOverTimeCls. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& OvertimeClsClass();

}  // namespace humrs
