#pragma once
// The income tax summary of salary and allowances per person and period.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TIncomeTax. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& IncomeTaxClass();

}  // namespace humrs
