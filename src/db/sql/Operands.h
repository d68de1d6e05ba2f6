#pragma once
// Operands of an arithmetic operator and the declared types of the columns in them,
// for the passes that keep the dialect's arithmetic (division, whole-number
// aggregates, joining texts with +).
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "db/sql/Statement.h"

namespace humrs::sql {

using Range = std::pair<size_t, size_t>;  // first and last token, inclusive

// The operand that starts at k (after unary signs) / ends at e, or nothing.
std::optional<Range> PrimaryAfter(const TokenList& t, size_t k);
std::optional<Range> PrimaryBefore(const TokenList& t, size_t e);

// Declared type of table.column, asked of the lookup once per statement.
// REQUIRES: s.lookup is set.
ColumnType TypeOf(Statement& s, const std::string& table, const std::string& column);

// Whether the tokens [b, e] hold a value of a fractional type (a number with a point,
// a cast to a fractional type, a float or money column).
bool HasFraction(Statement& s, size_t b, size_t e);

// Whether the tokens [b, e] name a column of a whole-number type.
bool HasWholeColumn(Statement& s, size_t b, size_t e);

}  // namespace humrs::sql
