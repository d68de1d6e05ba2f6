#include "cli/Bill.h"

#include "core/Errors.h"
#include "core/Convert.h"
#include "core/Text.h"

namespace humrs::cli {

namespace {

Outcome BadInput(const std::string& message) {
    Outcome out;
    out.ok = false;
    out.failure = Outcome::Kind::BadInput;
    out.error = message;
    return out;
}

}  // namespace

int ExitCodeOf(const Outcome& outcome) {
    if (outcome.ok) return kAccepted;
    switch (outcome.failure) {
        case Outcome::Kind::Refused:
            return kRefused;
        case Outcome::Kind::BadInput:
            return kBadInput;
        case Outcome::Kind::DatabaseFailure:
        case Outcome::Kind::None:
            break;
    }
    return kDatabaseFailure;
}

Variant BillKey(const TQVXComBase& object, const std::vector<InputDataset>& datasets) {
    const ClassMap* map = object.Map();
    if (!map || map->keyColumn.empty() || datasets.empty() || datasets[0].empty()) return Variant();
    for (const auto& [name, value] : datasets[0][0])
        if (SameText(name, map->keyColumn)) return value;
    return Variant();
}

Outcome SaveBill(TQVXComBase& object, const std::vector<InputDataset>& datasets) {
    if (object.DatasetCount() == 0) return BadInput(object.ProgID() + " keeps no bill to save");
    if (datasets.size() > static_cast<size_t>(object.DatasetCount()))
        return BadInput(object.ProgID() + " has " + std::to_string(object.DatasetCount()) +
                        " datasets, the input gives " + std::to_string(datasets.size()));
    if (datasets.empty() || datasets[0].empty()) return BadInput("dataset 0 (the bill header) has no row");

    const Variant key = BillKey(object, datasets);
    if (!key.IsNullOrEmpty() && !CStr(key).empty()) {
        // A stored bill is taken up for a change as a client does, through the class's
        // edit check: a bill that may no longer be changed is refused before anything
        // is merged or written.
        Outcome opened = object.Edit(key);
        // A key that finds no bill is a new bill; any other failure ends the save.
        if (!opened.ok && (object.IsStored() || opened.failure != Outcome::Kind::BadInput)) return opened;
    }
    try {
        for (size_t i = 0; i < datasets.size(); ++i) object.MergeInput(static_cast<int>(i), datasets[i]);
    } catch (const InputError& e) {
        return BadInput(e.what());
    } catch (const UnknownFieldError& e) {
        return BadInput(e.what());
    }
    return object.Save();
}

}  // namespace humrs::cli
