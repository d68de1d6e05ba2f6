#pragma once
// Values of the SQLite backend as the component reads them: the column type a
// declared SQL type stands for, and one value of a result row as the variant its
// column's type asks for.
#include <sqlite3.h>

#include <string>

#include "core/Variant.h"
#include "db/Database.h"

namespace humrs::sqlite_values {

// The column type a declared SQL type stands for. Unknown for no declared type (an
// expression) and for types the schema does not use.
ColumnType TypeFromDeclared(const char* declared);

// The text (or blob) of a column of the current row, embedded NULs included.
std::string ColumnText(sqlite3_stmt* stmt, int col);

// The column type of a value as SQLite stored it.
ColumnType TypeFromStorage(int storage);

// One value of the current row as the variant its column's declared type asks for.
// Values of a kind the declared type cannot hold (SQLite keeps any value in any column)
// come back as they are stored.
Variant ReadValue(sqlite3_stmt* stmt, int col, ColumnType declared);

}  // namespace humrs::sqlite_values
