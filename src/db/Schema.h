#pragma once
// The component's tables as data: every backend generates its own DDL from it.
#include <string>
#include <vector>

#include "db/Database.h"

namespace humrs {

struct ColumnDef {
    std::string name;
    ColumnType type = ColumnType::Text;
    // Default for a row that leaves the column out: "" for text, 0 for numbers and
    // flags unless given here (written as an SQL literal, e.g. "'1'" or "-1").
    std::string defaultValue;
    // When set, the column is computed from the named column of the same row and is
    // never written (e.g. PersonID mirroring ID of the person settings).
    std::string generatedFrom;
};

struct TableDef {
    std::string name;
    std::vector<ColumnDef> columns;    // in table order (Insert ... Select relies on it)
    std::vector<std::string> primaryKey;  // may be empty
};

struct IndexDef {
    std::string name;
    std::string table;
    std::vector<std::string> columns;
    bool unique = false;
};

const std::vector<TableDef>& SchemaTables();
const std::vector<IndexDef>& SchemaIndexes();
const TableDef* FindTable(const std::string& name);  // without regard to case
int SchemaVersion();

// The statements that build the whole schema on an empty database of that backend:
// every table, then every index, each written so that it may run again harmlessly.
std::vector<std::string> SchemaDdl(Backend backend);
// One table's CREATE TABLE, one column's ALTER TABLE ... ADD COLUMN, one index's
// CREATE INDEX for a backend.
std::string CreateTableDdl(const TableDef& table, Backend backend);
std::string AddColumnDdl(const TableDef& table, const ColumnDef& column, Backend backend);
std::string CreateIndexDdl(const IndexDef& index, Backend backend);
// What makes a Null written into a column of the table its default, where the
// column declaration cannot say it (PostgreSQL: a trigger); empty for SQLite.
std::vector<std::string> NullToDefaultDdl(const TableDef& table, Backend backend);

// Creates every missing table, column and index and records the schema version.
// Running it again on an up-to-date database changes nothing.
void CreateOrUpgradeSchema(Database& db);

}  // namespace humrs
