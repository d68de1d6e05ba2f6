#pragma once
// The monthly overtime statistics against attendance.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of THumCheckFactory. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& HumCheckFactoryClass();

}  // namespace humrs
