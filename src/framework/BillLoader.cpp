#include "framework/BillLoader.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

FieldType ToFieldType(ColumnType t) {
    switch (t) {
        case ColumnType::Text: return FieldType::Text;
        case ColumnType::Integer: return FieldType::Integer;
        case ColumnType::Float: return FieldType::Float;
        case ColumnType::Currency: return FieldType::Currency;
        case ColumnType::Boolean: return FieldType::Boolean;
        default: return FieldType::Unknown;
    }
}

Dataset DatasetFromResult(const ResultSet& rs) { return DatasetFromResult(ResultSet(rs)); }

Dataset DatasetFromResult(ResultSet&& rs) {
    std::vector<FieldDef> fields;
    fields.reserve(rs.columns.size());
    for (auto& c : rs.columns) fields.push_back({std::move(c.name), ToFieldType(c.type)});
    Dataset ds(std::move(fields));
    ds.LoadStored(std::move(rs.rows));
    ds.First();
    return ds;
}

std::vector<Dataset> EmptyDatasets(const ClassMap& map, Database& db) {
    std::vector<Dataset> datasets;
    for (const auto& dm : map.datasets) {
        std::vector<FieldDef> fields;
        for (const auto& c : db.FormColumns(dm.table)) fields.push_back({c.name, ToFieldType(c.type)});
        for (const auto& lf : dm.lookups) {
            FieldType type = FieldType::Unknown;
            for (const auto& c : db.FormColumns(lf.table))
                if (SameText(c.name, lf.field)) type = ToFieldType(c.type);
            fields.push_back({lf.field, type});
        }
        datasets.emplace_back(std::move(fields));
    }
    return datasets;
}

namespace {

// The rows of one dataset's table that match the conditions, with its looked-up
// fields joined in, in the dataset's order.
ResultSet SelectRows(Database& db, const DatasetMap& dm, const std::vector<std::pair<std::string, Variant>>& conds) {
    std::string sql = "Select A.*";
    std::string joins;
    for (size_t l = 0; l < dm.lookups.size(); ++l) {
        const LookupField& lf = dm.lookups[l];
        std::string alias = "L" + std::to_string(l);
        sql += ", " + alias + "." + lf.field + " As " + lf.field;
        joins += " Left Join " + lf.table + " " + alias + " On A." + lf.source + " = " + alias + "." + lf.key;
    }
    sql += " From " + dm.table + " A" + joins + " Where 1 = 1";
    std::vector<Variant> params;
    if (dm.flag) {
        sql += " And A.Flag = ?";
        params.emplace_back(*dm.flag);
    }
    for (const auto& [col, val] : conds) {
        sql += " And A." + col + " = ?";
        params.push_back(val);
    }
    if (!dm.orderBy.empty()) {
        std::string order;
        for (const auto& part : SplitString(dm.orderBy, ","))
            order += (order.empty() ? "A." : ", A.") + Trim(part);
        sql += " Order By " + order;
    }
    return db.Query(sql, params);
}

}  // namespace

bool LoadBill(const ClassMap& map, Database& db, const Variant& key, std::vector<Dataset>& datasets) {
    const DatasetMap& head = map.datasets[0];
    ResultSet rs = SelectRows(db, head, {{map.keyColumn, key}});
    datasets[0] = DatasetFromResult(rs);
    const bool stored = !rs.rows.empty();
    for (size_t i = 1; i < map.datasets.size() && stored; ++i) {
        const DatasetMap& dm = map.datasets[i];
        Dataset& parent = datasets[dm.parent < 0 ? 0 : dm.parent];
        std::vector<std::vector<Variant>> rows;
        std::vector<ResultColumn> cols;
        for (parent.First(); !parent.Eof(); parent.Next()) {
            std::vector<std::pair<std::string, Variant>> conds;
            for (const auto& [child, par] : dm.link) conds.emplace_back(child, parent.FieldValue(par));
            ResultSet part = SelectRows(db, dm, conds);
            cols = part.columns;
            for (auto& r : part.rows) rows.push_back(std::move(r));
            if (dm.parent <= 0) break;  // a header has one row
        }
        if (!cols.empty()) {
            ResultSet all;
            all.columns = cols;
            all.rows = std::move(rows);
            datasets[i] = DatasetFromResult(all);
        }
        parent.First();
    }
    return stored;
}

}  // namespace humrs
