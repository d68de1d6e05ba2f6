#pragma once
// Saving a bill given as rows, the way the command and the demo both do it: the
// stored bill with the same key is opened for a change, the input merged over it,
// then saved.
#include <string>
#include <vector>

#include "framework/Json.h"
#include "framework/ComBase.h"

namespace humrs::cli {

// The process exit codes, one per way an operation ends.
enum ExitCode : int { kAccepted = 0, kRefused = 1, kBadInput = 2, kDatabaseFailure = 3 };

int ExitCodeOf(const Outcome& outcome);

// The key of the bill the rows describe: the value of the class's key column in the
// first row of dataset 0; Empty when the rows leave it out (a new bill).
Variant BillKey(const TQVXComBase& object, const std::vector<InputDataset>& datasets);

// Opens the stored bill with the rows' key for a change, with the class's edit check
// (a refusal ends the save; a key that finds none makes a new bill), merges each
// given dataset over it (a dataset the input leaves out stays as stored), and saves.
// Bad rows end as a BadInput outcome before anything is written.
Outcome SaveBill(TQVXComBase& object, const std::vector<InputDataset>& datasets);

}  // namespace humrs::cli
