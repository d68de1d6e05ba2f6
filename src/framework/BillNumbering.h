#pragma once
// The numbering of new bills: one sequence per date, shared by every bill kind
// numbered by the same key column.
#include <string>

#include "db/Database.h"
#include "framework/ClassDescriptor.h"

namespace humrs {

// The next bill number for a date: the date text followed by a four-digit (or
// longer) sequence, one past the highest number of that date stored under the key
// column of `map` (BillNo when there is no map) in the map's tables and in the
// tables of every class of `registry` keyed by that column. Never a number that is
// stored. Raises InputError when no number of at most 40 characters is left.
std::string NextBillNumber(const ClassMap* map, const ClassRegistry& registry, Database& db,
                           const std::string& dateText);

}  // namespace humrs
