#pragma once
// How the framework stores each business object's datasets: per ProgID, the table of
// every dataset, its key, the Flag value its rows carry, and how body rows hang from
// their header. One table for the whole component (TableMap.cpp).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace humrs {

// A field of a dataset that is not stored in its table but looked up from another
// table by a column of the row (the category kind of a leave row, say). The framework
// fills it when the bill is opened and refreshes it before a save.
struct LookupField {
    std::string field;   // name in the dataset, e.g. "ExcuseCls"
    std::string table;   // table it comes from, e.g. "humExcuseCls"
    std::string key;     // key column of that table, e.g. "ExcuseClsID"
    std::string source;  // column of the row holding the key, e.g. "ExcuseClsID"
};

struct DatasetMap {
    std::string table;                     // stored table, e.g. "humExcuse"
    std::vector<std::string> keyColumns;   // row identity within the table, without Flag
                                           // e.g. {"BillNo","RowNo"}, {"ExcuseClsID"}
    std::optional<int> flag;               // value of column Flag on every row of this dataset
    bool singleRow = false;                // a one-row bill: RowNo is fixed to 0
    int parent = -1;                       // index of the dataset these rows hang from
    // (column of this dataset, column of the parent dataset) pairs that link a row to
    // its parent row; the framework copies the parent's values onto new rows.
    std::vector<std::pair<std::string, std::string>> link;
    std::string orderBy;                   // column list the rows are read in, e.g. "RowNo"
    std::vector<LookupField> lookups = {};  // looked-up fields carried on every row
};

struct ClassMap {
    std::string progId;                    // e.g. "QVXHumrs.Excuse"
    // Column of dataset 0 that the client's key addresses ("BillNo", "ExcuseClsID").
    std::string keyColumn;
    std::vector<DatasetMap> datasets;
};

// The map of a ProgID, compared without regard to case; nullptr when unknown.
const ClassMap* FindClassMap(std::string_view progId);
const std::vector<ClassMap>& AllClassMaps();

}  // namespace humrs
