// Whether a select reads plain columns of one table by equalities on its columns
// alone, so that the database layer may answer it from a row it read before.
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

// A column written bare or after the table's name or alias: "[X.]Name". Moves `i`
// past it and gives the column's name, or nothing.
std::optional<std::string> Column(const TokenList& t, size_t& i, const std::string& qualifier) {
    if (!t.Is(i, SqlTokenKind::Word) || t[i].verbatim) return std::nullopt;
    if (t.Is(i + 1, SqlTokenKind::Dot)) {
        if (!qualifier.empty() && !SameText(t[i].value, qualifier)) return std::nullopt;
        i += 2;
        if (!t.Is(i, SqlTokenKind::Word) || t[i].verbatim) return std::nullopt;
    }
    return t[i++].value;
}

}  // namespace

std::shared_ptr<const KeyRead> FindKeyRead(const Statement& s) {
    static const std::set<std::string> kNotAColumn = {"DISTINCT", "ALL", "TOP", "FROM", "WHERE", "AND", "OR", "NOT"};
    const TokenList& t = s.tokens;
    if (s.kind != StatementKind::Select || !t.At(0, "SELECT")) return nullptr;
    // The table first: the columns' qualifiers are checked against it.
    size_t from = 1;
    while (from < t.size() && !(t.At(from, "FROM"))) ++from;
    if (from + 1 >= t.size() || !t.Is(from + 1, SqlTokenKind::Word) || t[from + 1].verbatim) return nullptr;
    auto read = std::make_shared<KeyRead>();
    read->table = t[from + 1].value;
    size_t where = from + 2;
    std::string alias;
    if (t.Is(where, SqlTokenKind::Word) && !t.At(where, "WHERE")) alias = t[where++].value;
    if (!t.At(where, "WHERE")) return nullptr;
    const std::string& qualifier = alias.empty() ? read->table : alias;

    for (size_t i = 1; i < from;) {
        if (IsWordIn(t[i], kNotAColumn)) return nullptr;
        std::optional<std::string> column = Column(t, i, qualifier);
        if (!column) return nullptr;
        read->columns.push_back(std::move(*column));
        if (i == from) break;
        if (!t.Is(i, SqlTokenKind::Comma)) return nullptr;
        ++i;
    }
    for (size_t i = where + 1;;) {
        std::optional<std::string> column = Column(t, i, qualifier);
        if (!column || i >= t.size() || !IsOperator(t[i], "=") || !t.Is(i + 1, SqlTokenKind::Parameter))
            return nullptr;
        read->keys.emplace_back(std::move(*column), t[i + 1].parameter);
        i += 2;
        if (i == t.size()) break;
        if (!t.At(i, "AND")) return nullptr;
        ++i;
    }
    if (read->columns.empty()) return nullptr;
    return read;
}

}  // namespace humrs::sql
