#pragma once
// A condition text that a client hands to a procedure (a period of salary months, a
// range of overtime dates) is data for a where clause, never a piece of SQL of its own.
// It is accepted only as a boolean expression over the columns of the tables of the
// statement it is joined into: comparisons, And / Or / Not, Between, In with a list of
// literals, Like, Is [Not] Null, literals, arithmetic on columns and literals,
// parentheses and IsNull(). Anything else (a subquery, Union, a comment, any other
// function, a second statement, a name of a table the statement does not read,
// Group By / Order By) is refused before the statement is built.
#include <string>
#include <utility>
#include <vector>

namespace humrs {

class Database;

// The tables of the statement a condition is joined into, as the condition may name
// them: by alias where the statement gives one, else by the table's own name.
struct ConditionScope {
    struct Table {
        std::string alias;                 // empty: the table is named by `name`
        std::string name;
        std::vector<std::string> columns;  // the table's columns, any case
    };
    std::vector<Table> tables;

    // The scope of a statement over (alias, table) pairs, with each table's columns as
    // the database declares them. A table the database lacks has no columns, so no
    // name can be read from it.
    static ConditionScope Of(Database& db, const std::vector<std::pair<std::string, std::string>>& tables);
};

// Throws InputError naming the first token refused (or the reason for an empty text or
// one nested too deeply) unless `text` is a condition the scope allows.
// The caller decides whether a blank condition is allowed at all: here it is refused.
void CheckClientCondition(const std::string& text, const ConditionScope& scope);

}  // namespace humrs
