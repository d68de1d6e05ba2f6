#pragma once
// One statement on its way through the passes: its text, its tokens, and what the
// passes learn about it (its kind, the tables it names, the column types they looked up).
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/SqlTranslator.h"
#include "db/sql/TokenList.h"

namespace humrs::sql {

struct Statement {
    Statement(std::string_view text, Backend backend, const SqlTranslator::ColumnTypeLookup& columnTypes)
        : sql(text), target(backend), lookup(columnTypes), tokens(text) {}

    // Throws DatabaseError carrying the original text.
    [[noreturn]] void Fail(const std::string& message) const {
        throw DatabaseError(message, std::string(sql));
    }
    bool pg() const { return target == Backend::PostgreSQL; }

    std::string_view sql;
    Backend target;
    const SqlTranslator::ColumnTypeLookup& lookup;  // may be empty: no column types known
    TokenList tokens;
    StatementKind kind = StatementKind::Other;
    int parameterCount = 0;  // the ? markers of the original text

    // Filled by CollectTables and only ever added to, so that a pass after a rewrite
    // still knows the tables named before it; the result gathers them afresh.
    std::vector<std::string> tables;
    std::map<std::string, std::string> aliases;  // upper-case alias -> table
    bool tablesComplete = true;

    bool usedColumnTypes = false;
    std::map<std::pair<std::string, std::string>, ColumnType> typeCache;  // upper-case table, column
};

}  // namespace humrs::sql
