#pragma once
// An allowance or deduction of one person (HumSubsidyCut, Flag 1).
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TSubsidyCut. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& SubsidyCutClass();

}  // namespace humrs
