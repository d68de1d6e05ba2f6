#pragma once
// The overtime record by person (one humOverTime row with Flag 1).
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TOvertime. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& OvertimeClass();

}  // namespace humrs
