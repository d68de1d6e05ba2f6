#pragma once
// Checks of a database file before SQLite opens it, and of its schema after, so that
// each way a file can be unusable is named as it is (a folder, a pipe, a missing
// permission, a newer schema) instead of failing later, or blocking, inside SQLite.
#include <string>

#include "db/Database.h"

namespace humrs {

enum class FileAccess { Read, Write };

// Throws DatabaseError when `path` cannot serve as a database file for `access`:
// anything but a regular file (a folder, a pipe, a device: opening a pipe would wait
// forever), a file without the permission, a folder where the journal files cannot
// be written. Returns whether the file exists; ":memory:" counts as existing.
bool CheckDatabaseFile(const std::string& path, FileAccess access);

// Throws DatabaseError when the database holds a schema newer than this program's
// (naming both versions), and when one of the `required` tables is missing (saying to
// run `humrs init`). A database without the version table is left to the caller.
void CheckSchemaVersion(Database& db, const std::string& path, const std::vector<TableDef>& required = {});

}  // namespace humrs
