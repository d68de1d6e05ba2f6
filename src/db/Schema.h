#pragma once
// Tables as data: the classes declare theirs, and every backend generates its own
// DDL from them. Column order is part of a table's contract where statements fill
// it with "Insert Into X Select ...".
#include <string>
#include <vector>

#include "db/Database.h"

namespace humrs {

// Short names for column types in table declarations.
namespace column_types {
inline constexpr ColumnType kText = ColumnType::Text;
inline constexpr ColumnType kInt = ColumnType::Integer;
inline constexpr ColumnType kFloat = ColumnType::Float;
inline constexpr ColumnType kMoney = ColumnType::Currency;
inline constexpr ColumnType kBool = ColumnType::Boolean;
}  // namespace column_types

// A plain index named after its table and columns (ix_table_col1_col2).
IndexDef Index(const std::string& table, std::vector<std::string> columns);

// The version of the component's schema a database is brought to; raised whenever
// a table or column is added.
int SchemaVersion();

// The statements that build the given schema (and the version table) on an empty
// database of that backend: every table, then every index, each written so that it
// may run again harmlessly.
std::vector<std::string> SchemaDdl(const std::vector<TableDef>& tables, const std::vector<IndexDef>& indexes,
                                   Backend backend);
// One table's CREATE TABLE, one column's ALTER TABLE ... ADD COLUMN, one index's
// CREATE INDEX for a backend.
std::string CreateTableDdl(const TableDef& table, Backend backend);
std::string AddColumnDdl(const TableDef& table, const ColumnDef& column, Backend backend);
std::string CreateIndexDdl(const IndexDef& index, Backend backend);
// What makes a Null written into a column of the table its default, where the
// column declaration cannot say it (PostgreSQL: a trigger); empty for SQLite.
std::vector<std::string> NullToDefaultDdl(const TableDef& table, Backend backend);

// Creates every missing table, column and index of the given schema and records the
// schema version. Running it again on an up-to-date database changes nothing.
void CreateOrUpgradeSchema(Database& db, const std::vector<TableDef>& tables, const std::vector<IndexDef>& indexes);

}  // namespace humrs
