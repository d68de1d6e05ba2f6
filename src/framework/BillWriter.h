#pragma once
// Writing a bill: the values the table map fixes on its rows, the rows under body
// rows kept with their parents, and the changes of every dataset written to its table.
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/TableDef.h"
#include "framework/ClassDescriptor.h"
#include "framework/Dataset.h"

namespace humrs {

// Fills the current (new) row of a dataset as the table would store it: the column
// defaults of `table` (none when it is null), then the Flag of the bill kind and
// RowNo 0 of a one-row bill.
void PrepareNewRow(const DatasetMap& dm, const TableDef* table, Dataset& ds);
// Fills the values the table map fixes on every row: the Flag of the bill kind, row
// number 0 of a single-row bill, the header's link values on body rows, and the
// looked-up fields of changed rows. Every cursor ends on the first row.
void FixMappedValues(const ClassMap& map, std::vector<Dataset>& datasets, Database& db);
// Rows under body rows follow their parent row: a child of a deleted (or re-keyed)
// row is deleted with it; a child whose parent is nowhere raises InputError naming
// the row (`progId` names the class). Child and parent cursors end on the first row.
void ReconcileChildRows(const ClassMap& map, std::vector<Dataset>& datasets, const std::string& progId);
// Writes every dataset's changes to its table: deletes from the lowest level up,
// then inserts and updates from the header down. Bound parameters only; a new row's
// empty fields are left to the column defaults. The writes may be held back to go with
// the transaction's next statement (Database::ExecuteLater): a failure of one is
// raised by that statement or by the commit.
void WriteDatasets(const ClassMap& map, const std::vector<Dataset>& datasets, Database& db);

}  // namespace humrs
