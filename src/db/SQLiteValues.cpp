#include "db/SQLiteValues.h"

#include <cmath>
#include <map>
#include <string>

#include "core/Text.h"

namespace humrs::sqlite_values {

std::string ColumnText(sqlite3_stmt* stmt, int col) {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
    int n = sqlite3_column_bytes(stmt, col);
    return p ? std::string(p, static_cast<size_t>(n)) : std::string();
}

namespace {

// A stored REAL that holds a whole number comes back as an integer in an integer column.
Variant IntegerFromReal(double d) {
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e18) return Variant(static_cast<int64_t>(d));
    return Variant(d);
}

}  // namespace

// The column type a declared SQL type stands for. Unknown for no declared type (an
// expression) and for types the schema does not use.
ColumnType TypeFromDeclared(const char* declared) {
    if (!declared || !*declared) return ColumnType::Unknown;
    std::string decl = UpperAscii(declared);
    size_t end = 0;
    while (end < decl.size() && ((decl[end] >= 'A' && decl[end] <= 'Z') || decl[end] == '_')) ++end;
    std::string base = decl.substr(0, end);
    static const std::map<std::string, ColumnType> kTypes = {
        {"TEXT", ColumnType::Text},         {"VARCHAR", ColumnType::Text},   {"NVARCHAR", ColumnType::Text},
        {"CHAR", ColumnType::Text},         {"NCHAR", ColumnType::Text},     {"NTEXT", ColumnType::Text},
        {"CLOB", ColumnType::Text},         {"STRING", ColumnType::Text},    {"INT", ColumnType::Integer},
        {"INTEGER", ColumnType::Integer},   {"SMALLINT", ColumnType::Integer}, {"BIGINT", ColumnType::Integer},
        {"TINYINT", ColumnType::Integer},   {"FLOAT", ColumnType::Float},    {"REAL", ColumnType::Float},
        {"DOUBLE", ColumnType::Float},      {"NUMERIC", ColumnType::Float},  {"DECIMAL", ColumnType::Float},
        {"MONEY", ColumnType::Currency},    {"SMALLMONEY", ColumnType::Currency},
        {"CURRENCY", ColumnType::Currency}, {"BIT", ColumnType::Boolean},    {"BOOLEAN", ColumnType::Boolean},
        {"BOOL", ColumnType::Boolean}};
    auto it = kTypes.find(base);
    if (it != kTypes.end()) return it->second;
    // SQLite's own affinity rules for anything else.
    if (decl.find("INT") != std::string::npos) return ColumnType::Integer;
    if (decl.find("CHAR") != std::string::npos || decl.find("TEXT") != std::string::npos ||
        decl.find("CLOB") != std::string::npos)
        return ColumnType::Text;
    if (decl.find("REAL") != std::string::npos || decl.find("FLOA") != std::string::npos ||
        decl.find("DOUB") != std::string::npos)
        return ColumnType::Float;
    return ColumnType::Unknown;
}

ColumnType TypeFromStorage(int storage) {
    switch (storage) {
        case SQLITE_INTEGER: return ColumnType::Integer;
        case SQLITE_FLOAT: return ColumnType::Float;
        case SQLITE_TEXT:
        case SQLITE_BLOB: return ColumnType::Text;
        default: return ColumnType::Unknown;
    }
}

// One value of the current row as the variant its column's declared type asks for.
// Values of a kind the declared type cannot hold (SQLite keeps any value in any column)
// come back as they are stored.
Variant ReadValue(sqlite3_stmt* stmt, int col, ColumnType declared) {
    int storage = sqlite3_column_type(stmt, col);
    if (storage == SQLITE_NULL) return Variant::Null();
    bool numeric = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
    switch (declared) {
        case ColumnType::Text: return Variant(ColumnText(stmt, col));
        case ColumnType::Integer:
            if (storage == SQLITE_INTEGER) return Variant(static_cast<int64_t>(sqlite3_column_int64(stmt, col)));
            if (storage == SQLITE_FLOAT) return IntegerFromReal(sqlite3_column_double(stmt, col));
            break;
        case ColumnType::Float:
            if (numeric) return Variant(sqlite3_column_double(stmt, col));
            break;
        case ColumnType::Currency:
            if (storage == SQLITE_INTEGER)
                return Variant(Currency::FromInt(static_cast<int64_t>(sqlite3_column_int64(stmt, col))));
            if (storage == SQLITE_FLOAT) return Variant(Currency::FromDouble(sqlite3_column_double(stmt, col)));
            break;
        case ColumnType::Boolean:
            if (storage == SQLITE_INTEGER) return Variant(sqlite3_column_int64(stmt, col) != 0);
            if (storage == SQLITE_FLOAT) return Variant(sqlite3_column_double(stmt, col) != 0.0);
            break;
        case ColumnType::Unknown: break;
    }
    switch (storage) {
        case SQLITE_INTEGER: return Variant(static_cast<int64_t>(sqlite3_column_int64(stmt, col)));
        case SQLITE_FLOAT: return Variant(sqlite3_column_double(stmt, col));
        default: return Variant(ColumnText(stmt, col));
    }
}

}  // namespace humrs::sqlite_values
