#pragma once
// The suite's outside objects, as classes of the registry (not registered by this
// component), and the suite tables they own.
#include <vector>

#include "framework/ClassDescriptor.h"

namespace humrs {

std::vector<ClassDescriptor> SuiteObjectClasses();

}  // namespace humrs
