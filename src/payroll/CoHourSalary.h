#pragma once
// Hourly wage records and the attendance records they take over.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of THourSalary. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& HourSalaryClass();

}  // namespace humrs
