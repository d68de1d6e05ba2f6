#pragma once
// The overtime record by date: a header and overtime rows of many persons (humOverTime, Flag 3).
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TOvertimeDate. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& OvertimeDateClass();

}  // namespace humrs
