#pragma once
// Salary adjustments, numbered per person and transferred into the salary settings when due.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TChangeSalary. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& ChangeSalaryClass();

}  // namespace humrs
