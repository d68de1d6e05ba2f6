#pragma once
// Reading a bill: the datasets of a class's table map, empty or filled from its
// tables, and datasets made from query results.
#include <vector>

#include "db/Database.h"
#include "framework/ClassDescriptor.h"
#include "framework/Dataset.h"

namespace humrs {

FieldType ToFieldType(ColumnType t);
// The rows of a result as stored (unmodified) rows, the cursor on the first one.
Dataset DatasetFromResult(const ResultSet& rs);
Dataset DatasetFromResult(ResultSet&& rs);  // the result's names and rows moved, not copied
// One empty dataset per dataset of the map: the table's columns, then the
// looked-up fields.
std::vector<Dataset> EmptyDatasets(const ClassMap& map, Database& db);
// Fills `datasets` (as EmptyDatasets gives them) with the bill whose key column
// holds `key`: the header, then each dataset's rows under the rows of its parent, in
// the dataset's order, with the looked-up fields joined in. Datasets past the header
// stay empty when no header row is stored. Every cursor ends on the first row.
// Returns whether the header row is stored.
bool LoadBill(const ClassMap& map, Database& db, const Variant& key, std::vector<Dataset>& datasets);

}  // namespace humrs
