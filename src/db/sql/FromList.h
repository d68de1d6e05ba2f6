#pragma once
// FROM lists: the tables and joins of a statement.
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/sql/Statement.h"

namespace humrs::sql {

struct FromItem {
    enum class Join { First, Comma, Inner, Outer, Cross };
    Join join = Join::First;
    size_t begin = 0, end = 0;          // the table reference with its alias
    size_t nameBegin = 0, nameEnd = 0;  // the (possibly dotted) table name; empty for a subquery
    std::string table;                  // last part of the name; empty for a subquery
    std::string alias;
    size_t onBegin = kNone, onEnd = kNone;  // join condition without the ON
};

// Index after a dotted name (db.owner.table) starting at k; the last part in `last`.
size_t SkipName(const TokenList& t, size_t k, std::string& last);

// The kind of join starting at k and the index after its JOIN word, or nothing when no
// join starts there. Throws for APPLY, which neither backend has.
std::optional<std::pair<FromItem::Join, size_t>> JoinAt(const Statement& s, size_t k);

// Parses the FROM list that starts at `k` (just after FROM). Returns nothing when the
// text does not read as one; `endOut` gets the index after it.
std::optional<std::vector<FromItem>> ParseFromList(const Statement& s, size_t k, size_t* endOut = nullptr);

// Adds the tables and aliases named anywhere in the statement to `s.tables` and
// `s.aliases`; a FROM list that does not read clears `s.tablesComplete`.
void CollectTables(Statement& s);

}  // namespace humrs::sql
