#pragma once
// A person's monthly pay statement assembled from every payroll source.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of THumMonthSalaryQuery. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& HumMonthSalaryQueryClass();

}  // namespace humrs
