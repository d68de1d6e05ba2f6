#pragma once
// Insurance changes per person and insurance kind.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TChangeInsurance. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& ChangeInsuranceClass();

}  // namespace humrs
