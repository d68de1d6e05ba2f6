#pragma once
// A table as data: its columns in order, its key, and its indexes. The business
// classes declare theirs; every backend builds its DDL from them.
#include <string>
#include <vector>

namespace humrs {

// Column type as declared in the schema, used to give a value its variant type.
enum class ColumnType { Unknown, Text, Integer, Float, Currency, Boolean };

struct ColumnDef {
    std::string name;
    ColumnType type = ColumnType::Text;
    // Default for a row that leaves the column out: "" for text, 0 for numbers and
    // flags unless given here (written as an SQL literal, e.g. "'1'" or "-1").
    std::string defaultValue = {};
    // When set, the column is computed from the named column of the same row and is
    // never written (e.g. PersonID mirroring ID of the person settings).
    std::string generatedFrom = {};
    // Numbered by the database when a row leaves it out: one past the highest number
    // so far, however many transactions insert at once (one that rolls back leaves a
    // gap). Only for a whole-number column that is the table's whole primary key.
    bool serial = false;
};

struct TableDef {
    std::string name;
    std::vector<ColumnDef> columns;    // in table order (Insert ... Select relies on it)
    std::vector<std::string> primaryKey = {};  // may be empty
    // Reference data (settings, categories, persons) that one operation reads again and
    // again: within one transaction a read of it is answered from memory until the
    // transaction writes to the table.
    bool rememberedInTransaction = false;
};

struct IndexDef {
    std::string name;
    std::string table;
    std::vector<std::string> columns;
    bool unique = false;
};

}  // namespace humrs
