#include "framework/BillWriter.h"

#include <algorithm>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"

namespace humrs {

namespace {

// The value a column holds when a new row leaves it out.
Variant ColumnDefault(const ColumnDef& column) {
    const std::string& d = column.defaultValue;
    if (SameText(d, "NULL")) return Variant::Null();
    switch (column.type) {
        case ColumnType::Text:
            return Variant(d.size() >= 2 && d.front() == '\'' ? d.substr(1, d.size() - 2) : d);
        case ColumnType::Integer: return Variant(d.empty() ? 0 : CInt(Variant(d)));
        case ColumnType::Float: return Variant(d.empty() ? 0.0 : CFloat(Variant(d)));
        case ColumnType::Currency: return Variant(CCurr(Variant(d)));
        case ColumnType::Boolean: return Variant(CBool(Variant(d)));
        default: return Variant::Null();
    }
}

}  // namespace

void PrepareNewRow(const DatasetMap& dm, const TableDef* table, Dataset& ds) {
    // A new row starts from the column defaults, as the table would store it.
    if (table)
        for (const ColumnDef& column : table->columns)
            if (const int field = ds.FieldIndex(column.name); column.generatedFrom.empty() && field >= 0)
                ds.SetFieldValueAt(field, ColumnDefault(column));
    if (dm.flag && ds.HasField("Flag")) ds.SetFieldValue("Flag", *dm.flag);
    if (dm.singleRow && ds.HasField("RowNo")) ds.SetFieldValue("RowNo", 0);
}

void FixMappedValues(const ClassMap& map, std::vector<Dataset>& datasets, Database& db) {
    for (size_t i = 0; i < map.datasets.size() && i < datasets.size(); ++i) {
        const DatasetMap& dm = map.datasets[i];
        Dataset& ds = datasets[i];
        // values coming from the header (directly, or through the parent's own link)
        std::vector<std::pair<std::string, Variant>> fromHeader;
        if (i > 0 && !datasets[0].IsEmpty()) {
            datasets[0].First();
            for (const auto& [child, par] : dm.link) {
                std::string headerCol;
                if (dm.parent <= 0) {
                    headerCol = par;
                } else {
                    for (const auto& [pc, pp] : map.datasets[dm.parent].link)
                        if (SameText(pc, par)) headerCol = pp;
                }
                if (!headerCol.empty() && datasets[0].HasField(headerCol))
                    fromHeader.emplace_back(child, datasets[0].FieldValue(headerCol));
            }
        }
        for (ds.First(); !ds.Eof(); ds.Next()) {
            auto setIfDifferent = [&](const std::string& f, const Variant& v) {
                if (ds.HasField(f) && !ds.FieldValue(f).SameValue(v)) ds.SetFieldValue(f, v);
            };
            if (dm.flag) setIfDifferent("Flag", *dm.flag);
            if (dm.singleRow) setIfDifferent("RowNo", 0);
            for (const auto& [col, val] : fromHeader) setIfDifferent(col, val);
            // Looked-up fields follow the key they are looked up by.
            if (ds.RowStatus() != UpdateStatus::Unmodified || ds.GetState() != Dataset::State::Browse) {
                for (const auto& lf : dm.lookups) {
                    if (!ds.HasField(lf.field) || !ds.HasField(lf.source)) continue;
                    auto row = db.QueryFirst("Select " + lf.field + " From " + lf.table + " Where " + lf.key + " = ?",
                                             {ds.FieldValue(lf.source)});
                    setIfDifferent(lf.field, row ? (*row)[0] : Variant::Null());
                }
            }
            ds.Post();
        }
        ds.First();
    }
}

void ReconcileChildRows(const ClassMap& map, std::vector<Dataset>& datasets, const std::string& progId) {
    auto sameValue = [](const Variant& a, const Variant& b) {
        return a.IsString() || b.IsString() ? SameText(CStr(a), CStr(b)) : a.SameValue(b);
    };
    for (size_t i = 0; i < map.datasets.size() && i < datasets.size(); ++i) {
        const DatasetMap& dm = map.datasets[i];
        if (dm.parent < 1 || dm.parent >= static_cast<int>(datasets.size()) || dm.link.empty()) continue;
        Dataset& parent = datasets[dm.parent];
        Dataset& child = datasets[i];
        std::vector<std::vector<Variant>> live, gone;
        for (parent.First(); !parent.Eof(); parent.Next()) {
            std::vector<Variant> values;
            for (const auto& link : dm.link) values.push_back(parent.FieldValue(link.second));
            live.push_back(std::move(values));
        }
        DeltaDataset deleted(std::move(*parent.Delta()));
        for (deleted.First(); !deleted.Eof(); deleted.Next()) {
            if (deleted.Status() != UpdateStatus::Deleted && deleted.Status() != UpdateStatus::Modified) continue;
            std::vector<Variant> values;
            for (const auto& link : dm.link) values.push_back(deleted.OldValue(link.second));
            gone.push_back(std::move(values));
        }
        auto found = [&](const std::vector<std::vector<Variant>>& rows, const std::vector<Variant>& key) {
            return std::any_of(rows.begin(), rows.end(), [&](const std::vector<Variant>& r) {
                for (size_t k = 0; k < key.size(); ++k)
                    if (!sameValue(r[k], key[k])) return false;
                return true;
            });
        };
        size_t row = 0;
        while (row < child.RecordCount()) {
            child.MoveTo(row);
            std::vector<Variant> key;
            std::string text;
            for (const auto& link : dm.link) {
                key.push_back(child.FieldValue(link.first));
                text += (text.empty() ? "" : ", ") + link.first + " " + CStr(key.back());
            }
            if (found(live, key)) {
                ++row;
            } else if (found(gone, key)) {
                child.Delete();
            } else {
                throw InputError("row " + std::to_string(row) + " of dataset " + std::to_string(i) + " of " + progId +
                                 " (" + text + ") belongs to no row of dataset " + std::to_string(dm.parent));
            }
        }
        child.First();
        parent.First();
    }
}

void WriteDatasets(const ClassMap& map, const std::vector<Dataset>& datasets, Database& db) {
    const size_t n = std::min(map.datasets.size(), datasets.size());
    auto keyWhere = [&](const DatasetMap& dm, const DeltaDataset& d, std::vector<Variant>& params) {
        std::string where = " Where 1 = 1";
        if (dm.flag) {
            where += " And Flag = ?";
            params.emplace_back(*dm.flag);
        }
        for (const auto& k : dm.keyColumns) {
            where += " And " + k + " = ?";
            params.push_back(d.OldValue(k));
        }
        return where;
    };
    std::vector<DeltaDataset> deltas;
    for (size_t i = 0; i < n; ++i) deltas.emplace_back(std::move(*datasets[i].Delta()));
    // Deletes from the lowest level up.
    for (size_t i = n; i-- > 0;) {
        const DatasetMap& dm = map.datasets[i];
        DeltaDataset& d = deltas[i];
        for (d.First(); !d.Eof(); d.Next()) {
            if (d.Status() != UpdateStatus::Deleted) continue;
            std::vector<Variant> params;
            std::string sql = "Delete From " + dm.table + keyWhere(dm, d, params);
            db.ExecuteLater(sql, params);
        }
    }
    // Inserts and updates from the header down.
    for (size_t i = 0; i < n; ++i) {
        const DatasetMap& dm = map.datasets[i];
        DeltaDataset& d = deltas[i];
        const auto& fields = d.Packet().fields;
        // Which fields are columns of the table, looked up once per dataset.
        const std::vector<ResultColumn> tableCols = db.TableColumns(dm.table);
        std::vector<size_t> columns;
        for (size_t f = 0; f < fields.size(); ++f)
            if (std::any_of(tableCols.begin(), tableCols.end(),
                            [&](const ResultColumn& c) { return SameText(c.name, fields[f].name); }))
                columns.push_back(f);
        for (d.First(); !d.Eof(); d.Next()) {
            if (d.Status() == UpdateStatus::Inserted) {
                std::string cols, marks;
                std::vector<Variant> params;
                for (size_t f : columns) {
                    const Variant& v = d.NewValueAt(f);
                    if (v.IsNullOrEmpty()) continue;  // the column default applies
                    if (!cols.empty()) cols += ", ";
                    cols += fields[f].name;
                    marks += marks.empty() ? "?" : ", ?";
                    params.push_back(v);
                }
                if (cols.empty()) continue;
                db.ExecuteLater("Insert Into " + dm.table + " (" + cols + ") Values (" + marks + ")", params);
            } else if (d.Status() == UpdateStatus::Modified) {
                std::string sets;
                std::vector<Variant> params;
                // A modified row's new values are Empty where the field did not change.
                for (size_t f : columns) {
                    const Variant& v = d.NewValueAt(f);
                    if (v.IsEmpty()) continue;
                    if (!sets.empty()) sets += ", ";
                    sets += fields[f].name + " = ?";
                    params.push_back(v);
                }
                if (sets.empty()) continue;
                std::string where = keyWhere(dm, d, params);
                db.ExecuteLater("Update " + dm.table + " Set " + sets + where, params);
            }
        }
    }
}

}  // namespace humrs
