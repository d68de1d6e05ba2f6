#pragma once
// The monthly pay statement as a person reads it: each payroll source as a table of
// its rows, then the totals.
#include <string>

#include "core/Variant.h"

namespace humrs::cli {

// The text of a statement (the 26-element result of the pay statement query).
std::string PayStatementText(const Variant& statement);

}  // namespace humrs::cli
