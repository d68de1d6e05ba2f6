#include "framework/Bill.h"

#include <algorithm>
#include <cmath>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/AuditTrail.h"

namespace humrs {

// ---- the client's rows merged over the bill

namespace {

Variant CoerceInput(const FieldDef& f, const Variant& v, int datasetIndex) {
    auto bad = [&](const char* expected) {
        return InputError("field " + f.name + " of dataset " + std::to_string(datasetIndex) + " expects " +
                          expected + ", got " + v.Describe());
    };
    if (v.IsNullOrEmpty()) return Variant::Null();
    switch (f.type) {
        case FieldType::Text:
            if (v.IsString()) return v;
            if (v.IsNumeric() && v.Type() != VarType::Bool) return Variant(CStr(v));
            throw bad("text");
        case FieldType::Integer: {
            // Whole numbers of the tables are dates, times, counts and codes: anything
            // beyond 15 digits is a typing error, not a value to wrap around.
            constexpr double kLimit = 1e15;
            if (v.Type() == VarType::Int && std::fabs(static_cast<double>(v.AsInt())) < kLimit) return v;
            if (v.Type() == VarType::Bool) return Variant(v.AsBool() ? 1 : 0);
            if (v.Type() == VarType::Float && std::floor(v.AsFloat()) == v.AsFloat() && std::fabs(v.AsFloat()) < kLimit)
                return Variant(CInt(v));
            throw bad(v.IsNumeric() ? "a whole number below 10^15" : "a whole number");
        }
        case FieldType::Float:
            if ((v.Type() == VarType::Int || v.Type() == VarType::Float) && std::isfinite(CFloat(v)) &&
                std::fabs(CFloat(v)) < 1e15)
                return Variant(CFloat(v));
            throw bad(v.IsNumeric() ? "a number below 10^15" : "a number");
        case FieldType::Currency:
            // Amounts below 10^11 keep all four decimals on every backend (SQLite stores
            // money as a binary floating-point number): one limit, whatever the database.
            if ((v.Type() == VarType::Int || v.Type() == VarType::Float || v.Type() == VarType::Currency) &&
                std::fabs(CFloat(v)) < 1e11)
                return Variant(CCurr(v));
            throw bad(v.IsNumeric() ? "an amount below 10^11" : "an amount");
        case FieldType::Boolean:
            if (v.Type() == VarType::Bool) return v;
            if (v.Type() == VarType::Int && (v.AsInt() == 0 || v.AsInt() == 1)) return Variant(v.AsInt() == 1);
            throw bad("true or false");
        default: return v;
    }
}

}  // namespace

void TQVXComBase::MergeInput(int datasetIndex,
                             const std::vector<std::vector<std::pair<std::string, Variant>>>& rows) {
    Dataset& ds = GetDatasets(datasetIndex);
    const std::string where = "dataset " + std::to_string(datasetIndex) + " of " + progId_;
    const DatasetMap* dm = map_ && datasetIndex < static_cast<int>(map_->datasets.size())
                               ? &map_->datasets[datasetIndex]
                               : nullptr;
    // A bill is one header: a second row in dataset 0 would be stored unchecked.
    if (datasetIndex == 0 && rows.size() > 1)
        throw InputError(where + " holds one row, " + std::to_string(rows.size()) + " were given");
    std::vector<std::string> keys;
    if (dm) {
        keys = datasetIndex == 0 && !map_->keyColumn.empty() && dm->keyColumns.empty()
                   ? std::vector<std::string>{map_->keyColumn}
                   : dm->keyColumns;
    }
    // Check every name and value first, so nothing is half-applied.
    std::vector<std::vector<std::pair<int, Variant>>> typed;
    for (const auto& row : rows) {
        std::vector<std::pair<int, Variant>> t;
        for (const auto& [name, value] : row) {
            int fi = ds.FieldIndex(name);
            if (fi < 0) throw InputError("unknown field " + name + " in " + where);
            t.emplace_back(fi, CoerceInput(ds.Field(fi), value, datasetIndex));
        }
        typed.push_back(std::move(t));
    }
    auto given = [&](const std::vector<std::pair<int, Variant>>& t, const std::string& field) -> const Variant* {
        const int fi = ds.FieldIndex(field);
        for (const auto& [i, v] : t)
            if (i == fi && !v.IsNullOrEmpty()) return &v;
        return nullptr;
    };
    // Body rows given without a row number are numbered after the highest one.
    const bool numbered = dm && !dm->singleRow && ds.HasField("RowNo") &&
                          std::any_of(keys.begin(), keys.end(), [](const std::string& k) { return SameText(k, "RowNo"); });
    if (numbered) {
        int64_t highest = 0;
        for (ds.First(); !ds.Eof(); ds.Next()) highest = std::max(highest, CInt(ds["RowNo"]));
        for (const auto& t : typed)
            if (const Variant* v = given(t, "RowNo")) highest = std::max(highest, CInt(*v));
        for (auto& t : typed)
            if (!given(t, "RowNo")) t.emplace_back(ds.FieldIndex("RowNo"), Variant(++highest));
    }
    auto keyValue = [&](const std::vector<std::pair<int, Variant>>& t, const std::string& k) -> std::optional<Variant> {
        if (dm && dm->singleRow && SameText(k, "RowNo")) return Variant(0);
        if (dm && datasetIndex > 0 && !datasets_[0].IsEmpty())
            for (const auto& link : dm->link)
                if (SameText(link.first, k) && SameText(link.first, link.second)) {
                    datasets_[0].First();
                    if (datasets_[0].HasField(link.second)) return datasets_[0].FieldValue(link.second);
                }
        if (const Variant* v = given(t, k)) return *v;
        return std::nullopt;
    };
    std::vector<bool> matchedStored(ds.RecordCount(), false);
    std::vector<int> target(typed.size(), -1);
    std::vector<VariantArray> rowKeys(typed.size());
    std::string list;
    for (const auto& k : keys) list += (list.empty() ? "" : ";") + k;
    for (size_t r = 0; r < typed.size(); ++r) {
        if (keys.empty()) continue;
        // A key column the header fills in later is the same for every row.
        VariantArray values;
        bool complete = true;
        for (const auto& k : keys) {
            auto v = keyValue(typed[r], k);
            const bool fromHeader = dm && std::any_of(dm->link.begin(), dm->link.end(), [&](const auto& link) {
                return SameText(link.first, k) && SameText(link.second, k);
            });
            if (!v || v->IsNullOrEmpty()) {
                complete = false;
                if (!fromHeader) break;
                values.emplace_back();
            } else {
                values.push_back(*v);
            }
        }
        if (values.size() != keys.size()) continue;
        // Two input rows with one key would collide in the table.
        for (size_t q = 0; q < r; ++q) {
            if (rowKeys[q].size() != values.size()) continue;
            bool same = true;
            for (size_t i = 0; i < values.size() && same; ++i)
                same = values[i].IsString() || rowKeys[q][i].IsString() ? SameText(CStr(values[i]), CStr(rowKeys[q][i]))
                                                                       : values[i].SameValue(rowKeys[q][i]);
            if (same)
                throw InputError("rows " + std::to_string(q) + " and " + std::to_string(r) + " of " + where +
                                 " have the same key (" + list + ")");
        }
        rowKeys[r] = values;
        // Keys compare without regard to case, as the database does.
        if (complete && ds.Locate(list, values, true) && !matchedStored[ds.RecNo()]) {
            matchedStored[ds.RecNo()] = true;
            target[r] = static_cast<int>(ds.RecNo());
        }
    }
    // Stored rows the input leaves out are deleted (from the last, so positions hold).
    for (size_t i = matchedStored.size(); i-- > 0;) {
        if (matchedStored[i]) continue;
        ds.MoveTo(i);
        ds.Delete();
        for (auto& t : target)
            if (t > static_cast<int>(i)) --t;
    }
    for (size_t r = 0; r < typed.size(); ++r) {
        if (target[r] >= 0) {
            ds.MoveTo(static_cast<size_t>(target[r]));
            ds.Edit();
        } else {
            ds.Append();
            PrepareNewRow(datasetIndex);
        }
        for (const auto& [fi, v] : typed[r]) {
            // A stored row keeps its key as stored: a key typed in other letter case
            // finds the row, it does not rename it.
            const std::string& name = ds.Field(fi).name;
            if (target[r] >= 0 &&
                std::any_of(keys.begin(), keys.end(), [&](const std::string& k) { return SameText(k, name); }) &&
                SameText(CStr(v), CStr(ds.FieldValue(name))))
                continue;
            ds.SetFieldValue(name, v);
        }
        ds.Post();
    }
    ds.First();
}

// ---- the save

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

namespace {

// A save refused before it reaches its transaction (bad rows, the class's edit
// check) goes on the audit trail as any refused save does.
Outcome RefusedSave(TQVXComBase& object, const BillInput& bill, Outcome out) {
    RecordFailure(object.GetSession(), object.ProgID(), AuditOperation::Save, AuditKeyText(BillKey(object, bill)),
                  out);
    return out;
}

}  // namespace

Outcome SaveBill(TQVXComBase& object, const BillInput& bill) {
    using Kind = Outcome::Kind;
    if (object.DatasetCount() == 0)
        return RefusedSave(object, bill, FailureOutcome(Kind::BadInput, object.ProgID() + " keeps no bill to save"));
    if (bill.size() > static_cast<size_t>(object.DatasetCount()))
        return RefusedSave(object, bill,
                           FailureOutcome(Kind::BadInput, object.ProgID() + " has " +
                                                              std::to_string(object.DatasetCount()) +
                                                              " datasets, the bill gives " + std::to_string(bill.size())));
    if (bill.empty() || !bill[0] || bill[0]->empty())
        return RefusedSave(object, bill, FailureOutcome(Kind::BadInput, "dataset 0 (the bill header) has no row"));

    const Variant key = BillKey(object, bill);
    const bool keyed = !key.IsNullOrEmpty() && !Trim(CStr(key)).empty();
    if (keyed) {
        // A stored bill is taken up for a change as a client does, through the class's
        // edit check: a bill that may no longer be changed is refused before anything
        // is merged or written. A key that finds no bill makes a new bill.
        Outcome opened = object.Edit(key);
        if (!opened.ok && (object.IsStored() || opened.failure != Kind::BadInput)) return RefusedSave(object, bill, opened);
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
        return RefusedSave(object, bill, FailureOutcome(std::current_exception()));
    }
    return object.Save();
}

}  // namespace humrs
