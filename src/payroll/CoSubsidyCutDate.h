#pragma once
// Allowances and deductions by salary item: a header in OstrelHeader and rows in HumSubsidyCut (Flag 4).
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TSubsidyCutDate. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& SubsidyCutDateClass();

}  // namespace humrs
