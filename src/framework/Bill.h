#pragma once
// The one way a client's bill is saved, for the command, the server library and the
// tests: the bill's key decides between a stored bill taken up for a change (through
// the class's edit check) and a new bill; the given rows are merged over it and the
// bill saved in one transaction.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/ComBase.h"

namespace humrs {

// A bill's rows as a client gives them: one list of rows per dataset, each row its
// (field name, value) pairs in the order given. A dataset given as nothing keeps
// its stored rows; datasets past the last given one do too.
using InputRow = std::vector<std::pair<std::string, Variant>>;
using InputDataset = std::vector<InputRow>;
using BillInput = std::vector<std::optional<InputDataset>>;

// The key of the bill the rows describe: the value of the class's key column in the
// first row of dataset 0; Empty when the rows leave it out (a new bill).
Variant BillKey(const TQVXComBase& object, const BillInput& bill);
// The key of the bill the object holds; Empty when it holds none.
Variant HeldKey(TQVXComBase& object);

// Saves the bill: a key that finds a stored bill opens it for a change with the
// class's edit check (a refusal ends the save), any other key or none starts a new
// bill; each given dataset is merged over it and the bill is saved. Bad rows end as
// a BadInput outcome with nothing written and the object as it was.
Outcome SaveBill(TQVXComBase& object, const BillInput& bill);

}  // namespace humrs
