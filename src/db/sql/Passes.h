#pragma once
// The checks and rewrites a statement goes through, one file each. Which statement
// kinds and backends each applies to, and their order, is the table in
// SqlTranslator.cpp; a pass may assume what its row there says.
#include <memory>
#include <vector>

#include "db/sql/Statement.h"

namespace humrs::sql {

// Drops a closing semicolon and counts the ? markers; refuses a second statement or
// an empty text. Runs before the kind is known.
void CheckSingleStatement(Statement& s);
StatementKind KindOf(const TokenList& t);

// A statement word outside parentheses: a second statement written without a semicolon.
void CheckNoHiddenStatement(Statement& s);
// Refuses variables and ^; turns !< !> and ISNULL( into what the backends have.
void RewriteSingleTokens(Statement& s);
// Drops table hints ("With (NoLock)").
void DropTableHints(Statement& s);
// "Delete T" -> "Delete FROM T".
void AddDeleteFrom(Statement& s);
// "Insert T" -> "Insert INTO T".
void AddInsertInto(Statement& s);
// UPDATE ... SET ... FROM in the form SQLite reads.
void RewriteUpdateFrom(Statement& s);
// "Not (a > x Or b < y)" -> "(a <= x And b >= y)".
void RewriteNegatedComparisons(Statement& s);
// SELECT TOP n -> LIMIT n.
void RewriteTopToLimit(Statement& s);
// A divisor cast to REAL where the division involves a fractional column.
void RewriteDivision(Statement& s);
// Sum and Avg of whole numbers kept whole.
void RewriteWholeAggregates(Statement& s);
// + between texts -> ||.
void RewriteTextConcatenation(Statement& s);

// Turns the statement's literals into parameters numbered after its own; returns their
// values, and their places in the original text in `offsets`.
std::vector<Variant> LiftLiterals(Statement& s, std::vector<size_t>& offsets);

// For a select of plain columns of one table by equalities of its columns with
// parameters (after lifting), which columns it reads and compares; else nullptr.
std::shared_ptr<const KeyRead> FindKeyRead(const Statement& s);

// The statement written out for its backend.
std::string Render(const Statement& s);

}  // namespace humrs::sql
