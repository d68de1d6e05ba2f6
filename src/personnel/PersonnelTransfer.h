#pragma once
// What the salary adjustment and the insurance change share when they carry due
// changes into a person's salary settings.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/Message.h"
#include "core/Variant.h"

namespace humrs {

class Database;
class Dataset;
class TQVXComBase;

// The first column of the first row of a select with `values` bound to its `?` in
// order; Empty when it gives no row.
Variant SelectValue(Database& db, const std::string& sql, const std::vector<Variant>& values);

// The person has salary settings (a humPersonSetMain row with Flag 1). Settings are set
// up by the settings object only: a due change of a person without them is not
// transferred but stays due, with a notice naming the person, and the first transfer
// after the settings are set up carries it.
bool HasSalarySettings(TQVXComBase& object, const std::string& person);

// Runs `transferRow` for rows 0 .. count - 1 in that order. With `eachPersonAlone` (the
// daily job) the rows of one person, consecutive rows with the same `personOf`, run in a
// savepoint of their own: a refusal or a database failure takes back that person's rows
// and skips the rest of them, becomes the notice `failedNotice` (person, reason), and
// leaves every other person's transfer standing. Without it a failure goes to the
// caller and the whole operation rolls back.
void TransferRows(TQVXComBase& object, size_t count, const std::function<std::string(size_t)>& personOf,
                  const std::function<void(size_t)>& transferRow, bool eachPersonAlone, const Message& failedNotice);

// The daily job over every person with due rows: the rows of `table` that meet
// `due` are read a block of persons at a time, ordered by `orderBy`, and each block
// goes to `transfer` and is committed before the next is read (CommitBlock), so a save
// waits behind one block, not the whole run.
void TransferInBlocks(TQVXComBase& object, const std::string& table, const std::string& due,
                      const std::string& orderBy, const std::function<void(Dataset&)>& transfer);

}  // namespace humrs
