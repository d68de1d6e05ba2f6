#pragma once
// The leave request by date: a header and leave rows of many persons (humExcuse, Flag 2).
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TExcuseDate. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& ExcuseDateClass();

}  // namespace humrs
