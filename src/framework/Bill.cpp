#include "framework/Bill.h"

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"

namespace humrs {

Variant BillKey(const TQVXComBase& object, const BillInput& bill) {
    const ClassMap* map = object.Map();
    if (!map || map->keyColumn.empty() || bill.empty() || !bill[0] || bill[0]->empty()) return Variant();
    for (const auto& [name, value] : bill[0]->front())
        if (SameText(name, map->keyColumn)) return value;
    return Variant();
}

Variant HeldKey(TQVXComBase& object) {
    const ClassMap* map = object.Map();
    if (!map || map->keyColumn.empty() || object.DatasetCount() == 0) return Variant();
    Dataset& head = object.GetDatasets(0);
    head.First();
    if (head.IsEmpty() || !head.HasField(map->keyColumn)) return Variant();
    return head.FieldValue(map->keyColumn);
}

Outcome SaveBill(TQVXComBase& object, const BillInput& bill) {
    using Kind = Outcome::Kind;
    if (object.DatasetCount() == 0) return FailureOutcome(Kind::BadInput, object.ProgID() + " keeps no bill to save");
    if (bill.size() > static_cast<size_t>(object.DatasetCount()))
        return FailureOutcome(Kind::BadInput, object.ProgID() + " has " + std::to_string(object.DatasetCount()) +
                                                  " datasets, the bill gives " + std::to_string(bill.size()));
    if (bill.empty() || !bill[0] || bill[0]->empty())
        return FailureOutcome(Kind::BadInput, "dataset 0 (the bill header) has no row");

    const Variant key = BillKey(object, bill);
    const bool keyed = !key.IsNullOrEmpty() && !Trim(CStr(key)).empty();
    if (keyed) {
        // A stored bill is taken up for a change as a client does, through the class's
        // edit check: a bill that may no longer be changed is refused before anything
        // is merged or written. A key that finds no bill makes a new bill.
        Outcome opened = object.Edit(key);
        if (!opened.ok && (object.IsStored() || opened.failure != Kind::BadInput)) return opened;
    } else {
        // No key: a new bill, whatever the object held before.
        object.Clear();
    }
    // A bad row in a later dataset leaves the earlier ones as they were.
    std::vector<Dataset> snapshot;
    for (int i = 0; i < object.DatasetCount(); ++i) snapshot.push_back(object.GetDatasets(i));
    try {
        for (size_t i = 0; i < bill.size(); ++i)
            if (bill[i]) object.MergeInput(static_cast<int>(i), *bill[i]);
    } catch (...) {
        for (int i = 0; i < static_cast<int>(snapshot.size()); ++i) object.GetDatasets(i) = snapshot[i];
        return FailureOutcome(std::current_exception());
    }
    return object.Save();
}

}  // namespace humrs
