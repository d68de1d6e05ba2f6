// The DDL that builds the tables the classes declare, for each backend, and the
// upgrade of an existing database to them.
#include "db/Schema.h"

#include <algorithm>
#include <stdexcept>

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

namespace {

// The table that records which schema version a database has.
TableDef VersionTable() { return {"humSchemaVersion", {{"Version", ColumnType::Integer}}, {}}; }

// A table or column name in DDL. SQLite keeps the quoted spelling for the names of
// result columns; PostgreSQL folds unquoted names, which is what the statements of
// the classes, written unquoted in mixed case, need there.
std::string Quoted(const std::string& name, Backend backend) {
    return backend == Backend::PostgreSQL ? name : "\"" + name + "\"";
}

std::string QuotedList(const std::vector<std::string>& names, Backend backend) {
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty()) out += ", ";
        out += Quoted(name, backend);
    }
    return out;
}

std::string DefaultLiteral(const ColumnDef& column) {
    if (!column.defaultValue.empty()) return column.defaultValue;
    return column.type == ColumnType::Text ? "''" : "0";
}

// The declared type names read back into ColumnType by the database layer
// (INTEGER, FLOAT, MONEY, BIT, TEXT), so they must stay exactly these for SQLite.
std::string TypeName(ColumnType type, Backend backend) {
    const bool pg = backend == Backend::PostgreSQL;
    switch (type) {
        case ColumnType::Integer:
            return pg ? "BIGINT" : "INTEGER";
        case ColumnType::Float:
            return pg ? "DOUBLE PRECISION" : "FLOAT";
        case ColumnType::Currency:
            return pg ? "NUMERIC(19,4)" : "MONEY";
        // Flags are compared with 1 and 0 in the statements, so they stay numbers.
        case ColumnType::Boolean:
            return pg ? "SMALLINT" : "BIT";
        case ColumnType::Text:
        case ColumnType::Unknown:
            break;
    }
    return pg ? "CITEXT" : "TEXT";
}

std::string ColumnDdl(const ColumnDef& column, Backend backend) {
    std::string out = Quoted(column.name, backend) + " " + TypeName(column.type, backend);
    const bool text = column.type == ColumnType::Text || column.type == ColumnType::Unknown;
    if (backend == Backend::SQLite && text) out += " COLLATE NOCASE";
    if (!column.generatedFrom.empty()) {
        out += " GENERATED ALWAYS AS (" + Quoted(column.generatedFrom, backend) + ")";
        out += backend == Backend::SQLite ? " VIRTUAL" : " STORED";
        return out;
    }
    out += " DEFAULT " + DefaultLiteral(column);
    // A Null written into a column becomes its default, so that sums and differences
    // over stored rows never turn Null (on PostgreSQL the table's trigger of
    // NullToDefaultDdl writes the default before the constraint is checked); a column
    // whose default is NULL keeps a Null.
    if (!SameText(column.defaultValue, "NULL"))
        out += backend == Backend::SQLite ? " NOT NULL ON CONFLICT REPLACE" : " NOT NULL";
    return out;
}

bool HasColumn(const std::vector<ResultColumn>& columns, const std::string& name) {
    return std::any_of(columns.begin(), columns.end(),
                       [&](const ResultColumn& c) { return SameText(c.name, name); });
}

// A generated column is not always listed among a table's declared columns, so its
// presence is asked of the table itself.
// The savepoint keeps the upgrade's transaction usable after the failed select (a
// failed statement ends a PostgreSQL transaction otherwise).
bool GeneratedColumnExists(Database& db, const TableDef& table, const ColumnDef& column) {
    db.Savepoint("humrs_probe");
    try {
        // Bare names: SQLite reads a quoted name that matches no column as a string.
        db.Query("Select " + column.name + " From " + table.name + " Where 1 = 0");
        db.ReleaseSavepoint("humrs_probe");
        return true;
    } catch (const DatabaseError&) {
        db.RollbackToSavepoint("humrs_probe");
        db.ReleaseSavepoint("humrs_probe");
        return false;
    }
}

// What a backend needs before the first table: case-blind text on PostgreSQL.
std::vector<std::string> SchemaPrelude(Backend backend) {
    if (backend == Backend::PostgreSQL) return {"CREATE EXTENSION IF NOT EXISTS citext"};
    return {};
}

void UpgradeSchema(Database& db, const std::vector<TableDef>& tables, const std::vector<IndexDef>& indexes) {
    // A database of a newer schema is left alone: its tables are not this program's to
    // change, and its version is never lowered.
    if (!db.TableColumns("humSchemaVersion").empty()) {
        const auto stored = db.QueryFirst("Select Max(Version) From humSchemaVersion");
        if (stored && !(*stored)[0].IsNullOrEmpty() && CInt((*stored)[0]) > SchemaVersion())
            throw DatabaseError("the database has schema version " + CStr((*stored)[0]) + ", newer than version " +
                                std::to_string(SchemaVersion()) + " that this program knows");
    }
    for (const std::string& statement : SchemaPrelude(db.Kind())) db.Execute(statement);
    std::vector<TableDef> all = tables;
    all.push_back(VersionTable());
    for (const TableDef& table : all) {
        const std::vector<ResultColumn> existing = db.TableColumns(table.name);
        bool changed = existing.empty();
        if (existing.empty()) {
            db.Execute(CreateTableDdl(table, db.Kind()));
        } else {
            for (const ColumnDef& column : table.columns) {
                if (HasColumn(existing, column.name)) continue;
                if (!column.generatedFrom.empty() && GeneratedColumnExists(db, table, column)) continue;
                db.Execute(AddColumnDdl(table, column, db.Kind()));
                changed = true;
            }
        }
        if (changed)
            for (const std::string& statement : NullToDefaultDdl(table, db.Kind())) db.Execute(statement);
    }
    for (const IndexDef& index : indexes) db.Execute(CreateIndexDdl(index, db.Kind()));

    const auto version = db.QueryFirst("Select Count(*), Max(Version) From humSchemaVersion");
    const bool hasRow = version && CInt((*version)[0]) > 0;
    if (!hasRow) {
        db.Execute("Insert Into humSchemaVersion (Version) Values (?)", {Variant(SchemaVersion())});
    } else if (CInt((*version)[1]) < SchemaVersion()) {
        db.Execute("Update humSchemaVersion Set Version = ?", {Variant(SchemaVersion())});
    }
}

}  // namespace

IndexDef Index(const std::string& table, std::vector<std::string> columns) {
    IndexDef index{"ix_" + table, table, std::move(columns)};
    for (const std::string& column : index.columns) index.name += "_" + column;
    return index;
}

int SchemaVersion() { return 1; }

std::string CreateTableDdl(const TableDef& table, Backend backend) {
    std::string out = "CREATE TABLE IF NOT EXISTS " + Quoted(table.name, backend) + " (";
    for (size_t i = 0; i < table.columns.size(); ++i) {
        if (i > 0) out += ", ";
        out += ColumnDdl(table.columns[i], backend);
    }
    if (!table.primaryKey.empty()) out += ", PRIMARY KEY (" + QuotedList(table.primaryKey, backend) + ")";
    return out + ")";
}

std::string AddColumnDdl(const TableDef& table, const ColumnDef& column, Backend backend) {
    return "ALTER TABLE " + Quoted(table.name, backend) + " ADD COLUMN " + ColumnDdl(column, backend);
}

std::string CreateIndexDdl(const IndexDef& index, Backend backend) {
    return std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX IF NOT EXISTS " +
           Quoted(index.name, backend) + " ON " + Quoted(index.table, backend) + " (" +
           QuotedList(index.columns, backend) + ")";
}

std::vector<std::string> NullToDefaultDdl(const TableDef& table, Backend backend) {
    if (backend != Backend::PostgreSQL) return {};
    const std::string function = table.name + "_null_to_default";
    std::string body = "BEGIN ";
    for (const ColumnDef& column : table.columns) {
        if (!column.generatedFrom.empty()) continue;
        std::string fallback;
        for (char c : DefaultLiteral(column)) fallback += c == '\'' ? std::string("''") : std::string(1, c);
        body += "NEW." + column.name + " := COALESCE(NEW." + column.name + ", " + fallback + "); ";
    }
    body += "RETURN NEW; END";
    return {"CREATE OR REPLACE FUNCTION " + function + "() RETURNS trigger LANGUAGE plpgsql AS '" + body + "'",
            "CREATE OR REPLACE TRIGGER " + function + " BEFORE INSERT OR UPDATE ON " + table.name +
                " FOR EACH ROW EXECUTE FUNCTION " + function + "()"};
}

std::vector<std::string> SchemaDdl(const std::vector<TableDef>& tables, const std::vector<IndexDef>& indexes,
                                   Backend backend) {
    std::vector<std::string> out = SchemaPrelude(backend);
    std::vector<TableDef> all = tables;
    all.push_back(VersionTable());
    for (const TableDef& table : all) {
        out.push_back(CreateTableDdl(table, backend));
        for (std::string& statement : NullToDefaultDdl(table, backend)) out.push_back(std::move(statement));
    }
    for (const IndexDef& index : indexes) out.push_back(CreateIndexDdl(index, backend));
    return out;
}

void CreateOrUpgradeSchema(Database& db, const std::vector<TableDef>& tables, const std::vector<IndexDef>& indexes) {
    db.KnowTables(tables);
    // One transaction: a failed upgrade leaves the database as it was.
    const bool own = !db.InTransaction();
    if (own) db.BeginWrite();
    try {
        UpgradeSchema(db, tables, indexes);
    } catch (...) {
        if (own) db.Rollback();
        throw;
    }
    if (own) db.Commit();
}

}  // namespace humrs
