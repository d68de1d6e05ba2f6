#pragma once
// The monthly salary voucher of a person, its pay items and the split of its bank part.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TMonthSalary. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& MonthSalaryClass();

}  // namespace humrs
