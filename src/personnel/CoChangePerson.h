#pragma once
// Personnel changes: probation, becoming formal, transfer, resignation, leave without pay, reinstatement.
#include "framework/ClassDescriptor.h"

namespace humrs {

// Identity, storage and tables of TChangePerson. Its rules are not built yet: the
// descriptor offers no creator, so the class is registered but cannot be created.
const ClassDescriptor& ChangePersonClass();

}  // namespace humrs
