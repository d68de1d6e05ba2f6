#pragma once
// What a database file holds, as text a test can compare before and after a run of
// the program: the proof that a refused or failed command wrote nothing.
#include <algorithm>
#include <string>
#include <vector>

#include "core/Convert.h"
#include "db/Database.h"
#include "framework/AuditTrail.h"
#include "hosting/ClassTable.h"

namespace humrs::testing {

// Every row of every table of the component and of humSchemaVersion in the SQLite
// file at `path`, one line a row, sorted. Of the audit trail only the entries of
// accepted operations count: a refusal is meant to leave its own entry. With `catalog`, also a line for every entry
// of the file's catalog (tables and indexes with their SQL).
inline std::vector<std::string> StoredRows(const std::string& path, bool catalog = false) {
    auto conn = OpenSQLite(path);
    std::vector<std::string> rows;
    if (catalog)
        for (const auto& row : conn->Query("Select type, name, sql From sqlite_master").rows)
            rows.push_back(CStr(row[0]) + " " + CStr(row[1]) + " " + CStr(row[2]));
    std::vector<std::string> tables = {"humSchemaVersion"};
    for (const TableDef& table : ComponentRegistry().Tables()) tables.push_back(table.name);
    for (const std::string& table : tables) {
        const std::string only = IsAuditTable(table) ? " Where Outcome = 'accepted'" : "";
        for (const auto& row : conn->Query("Select * From " + table + only).rows) {
            std::string line = table + ":";
            for (const Variant& v : row) line += " " + v.Describe();
            rows.push_back(line);
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace humrs::testing
