#pragma once
// The leave cancellation: marks the leave row its span lies in with the cancelled quantity.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TCutExcuse. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& CutExcuseClass();

}  // namespace humrs
