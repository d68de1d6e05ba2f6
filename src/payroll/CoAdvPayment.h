#pragma once
// Advance payments of a period: one row per person, the salary rows they generate and their bank split.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TAdvPayment. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& AdvPaymentClass();

}  // namespace humrs
