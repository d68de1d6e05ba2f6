#pragma once
// Values of the PostgreSQL backend as they travel as text: a result's column types and
// values as the variants the component reads, a parameter's text, and the type a
// literal lifted into a parameter is sent with.
#include <libpq-fe.h>

#include <string>
#include <string_view>

#include "core/Variant.h"
#include "db/Database.h"
#include "db/SqlTranslator.h"

namespace humrs::pg_values {

// Type ids of the server's built-in types that come back as numbers.
constexpr Oid kBoolOid = 16, kInt8Oid = 20, kInt2Oid = 21, kInt4Oid = 23, kFloat4Oid = 700, kFloat8Oid = 701,
              kNumericOid = 1700;
// The type modifier of NUMERIC(19,4), the schema's money columns.
constexpr int kMoneyTypmod = ((19 << 16) | 4) + 4;
constexpr Oid kUnknownOid = 0;  // left to the server: the type of what the value meets

// Exact money from the server's decimal text: at most four decimals, the fifth
// rounded half away from zero.
Currency CurrencyFromText(const char* text);
// A decimal number; a whole one comes back as an integer.
Variant NumberFromText(const char* text);
// The column type of a result column of server type `type`; `fromTable` when the
// column is a table's own (a SMALLINT flag) rather than an expression's.
ColumnType TypeOfResult(Oid type, int typmod, bool fromTable);
// One value of a result as the variant its column type asks for.
Variant ReadValue(const PGresult* res, int row, int col, ColumnType type);
// The type a column declaration stands for, as format_type() writes it.
ColumnType TypeFromDeclared(const std::string& declared);
// A parameter value as text; false (sent as null) for Null and Empty. DatabaseError
// for an array or a data packet.
bool ParameterText(const Variant& v, std::string& out);

// A literal lifted into a parameter: its text as written and the type the server
// gives the literal (a text takes the type of what it meets).
struct LiftedValue {
    std::string text;
    Oid type = kUnknownOid;
};
// The type of a number literal: integer or bigint when whole and in range, else numeric.
Oid NumberType(std::string_view text, bool whole);
LiftedValue LiftedFromLiteral(const SqlToken& tok);

}  // namespace humrs::pg_values
