#include "db/sql/FromList.h"

#include <algorithm>
#include <set>

#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

// Words that end a FROM list or a join condition.
const std::set<std::string> kClauseWords = {"WHERE",     "GROUP",  "ORDER", "HAVING", "UNION", "EXCEPT",
                                            "INTERSECT", "OPTION", "LIMIT", "FOR",    "WINDOW"};

// Words that cannot be a table alias.
const std::set<std::string> kNotAlias = {
    "WHERE",  "GROUP", "ORDER",  "HAVING", "UNION", "EXCEPT", "INTERSECT", "OPTION",  "LIMIT", "FOR",
    "WINDOW", "ON",    "INNER",  "LEFT",   "RIGHT", "FULL",   "CROSS",     "JOIN",    "OUTER", "SET",
    "SELECT", "FROM",  "VALUES", "AND",    "OR",    "WITH",   "USING",     "NATURAL", "APPLY"};

bool EndsClause(const TokenList& t, size_t k) {
    if (k >= t.size()) return true;
    const auto& tok = t[k];
    return tok.kind == SqlTokenKind::RightParen || tok.kind == SqlTokenKind::Semicolon ||
           IsWordIn(tok, kClauseWords);
}

}  // namespace

size_t SkipName(const TokenList& t, size_t k, std::string& last) {
    last = t[k].value;
    ++k;
    while (t.Is(k, SqlTokenKind::Dot) && k + 1 < t.size() && IsName(t[k + 1])) {
        last = t[k + 1].value;
        k += 2;
    }
    return k;
}

std::optional<std::pair<FromItem::Join, size_t>> JoinAt(const Statement& s, size_t k) {
    const TokenList& t = s.tokens;
    if (t.At(k, "JOIN")) return std::make_pair(FromItem::Join::Inner, k + 1);
    if (t.At(k, "INNER") && t.At(k + 1, "JOIN")) return std::make_pair(FromItem::Join::Inner, k + 2);
    if (t.At(k, "CROSS") && t.At(k + 1, "JOIN")) return std::make_pair(FromItem::Join::Cross, k + 2);
    if ((t.At(k, "CROSS") || t.At(k, "OUTER")) && t.At(k + 1, "APPLY")) s.Fail("APPLY is not supported");
    if (t.At(k, "LEFT") || t.At(k, "RIGHT") || t.At(k, "FULL")) {
        size_t j = k + 1;
        if (t.At(j, "OUTER")) ++j;
        if (t.At(j, "JOIN")) return std::make_pair(FromItem::Join::Outer, j + 1);
    }
    return std::nullopt;
}

std::optional<std::vector<FromItem>> ParseFromList(const Statement& s, size_t k, size_t* endOut) {
    const TokenList& t = s.tokens;
    std::vector<FromItem> items;
    FromItem::Join join = FromItem::Join::First;
    while (true) {
        FromItem item;
        item.join = join;
        item.begin = k;
        if (t.Is(k, SqlTokenKind::LeftParen)) {
            k = t.Match(k) + 1;
        } else if (k < t.size() && IsName(t[k]) &&
                   !(t[k].kind == SqlTokenKind::Word && IsWordIn(t[k], kNotAlias))) {
            item.nameBegin = k;
            k = SkipName(t, k, item.table);
            item.nameEnd = k;
            if (t.Is(k, SqlTokenKind::LeftParen)) return std::nullopt;  // table-valued function
        } else {
            return std::nullopt;
        }
        if (t.At(k, "AS") && k + 1 < t.size() && IsName(t[k + 1])) {
            item.alias = t[k + 1].value;
            k += 2;
        } else if (k < t.size() && (t[k].kind == SqlTokenKind::QuotedName ||
                                    (t[k].kind == SqlTokenKind::Word && !IsWordIn(t[k], kNotAlias)))) {
            item.alias = t[k].value;
            ++k;
        }
        item.end = k;
        if (item.join == FromItem::Join::Inner || item.join == FromItem::Join::Outer) {
            if (!t.At(k, "ON")) return std::nullopt;
            item.onBegin = ++k;
            int depth = 0;
            while (k < t.size()) {
                if (t[k].kind == SqlTokenKind::LeftParen) ++depth;
                if (t[k].kind == SqlTokenKind::RightParen) {
                    if (depth == 0) break;
                    --depth;
                }
                if (depth == 0 && (EndsClause(t, k) || t[k].kind == SqlTokenKind::Comma || JoinAt(s, k)))
                    break;
                ++k;
            }
            item.onEnd = k;
        }
        items.push_back(std::move(item));
        if (EndsClause(t, k)) break;
        if (t.Is(k, SqlTokenKind::Comma)) {
            join = FromItem::Join::Comma;
            ++k;
            continue;
        }
        auto next = JoinAt(s, k);
        if (!next) break;
        join = next->first;
        k = next->second;
    }
    if (endOut) *endOut = k;
    return items;
}

void CollectTables(Statement& s) {
    const TokenList& t = s.tokens;
    auto addTable = [&](const std::string& table, const std::string& alias) {
        if (table.empty()) return;
        if (std::none_of(s.tables.begin(), s.tables.end(),
                         [&](const std::string& n) { return SameText(n, table); }))
            s.tables.push_back(table);
        if (!alias.empty()) s.aliases[UpperAscii(alias)] = table;
    };
    if ((s.kind == StatementKind::Update || s.kind == StatementKind::Insert) && t.size() > 2) {
        size_t at = s.kind == StatementKind::Insert ? 2 : 1;
        if (IsName(t[at])) {
            std::string name;
            SkipName(t, at, name);
            addTable(name, "");
        }
    }
    for (size_t k = 0; k < t.size(); ++k) {
        if (!t.At(k, "FROM")) continue;
        auto items = ParseFromList(s, k + 1);
        if (!items) {
            s.tablesComplete = false;
            continue;
        }
        for (const auto& it : *items) addTable(it.table, it.alias);
    }
}

}  // namespace humrs::sql
