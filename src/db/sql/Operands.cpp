#include "db/sql/Operands.h"

#include <set>

#include "db/sql/FromList.h"
#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

// Words before a parenthesis that are not function names.
const std::set<std::string> kNotFunction = {"AND",  "OR",   "NOT",   "IN",     "EXISTS", "WHEN",    "THEN",
                                            "ELSE", "ON",   "WHERE", "SELECT", "AS",     "BETWEEN", "IS",
                                            "LIKE", "FROM", "JOIN",  "SET",    "VALUES", "BY",      "HAVING",
                                            "CASE", "END",  "ALL",   "ANY",    "SOME",   "INTO",    "RETURN"};

// The END of the CASE at k (step 1), or the CASE of the END at k (step -1).
size_t MatchCase(const TokenList& t, size_t k, int step) {
    int depth = 0;
    for (size_t i = k; i < t.size(); i += step) {
        if (IsWord(t[i], "CASE")) depth += step;
        if (IsWord(t[i], "END")) depth -= step;
        if (depth == 0) return i;
        if (step < 0 && i == 0) break;
    }
    return kNone;
}

bool Fractional(ColumnType type) { return type == ColumnType::Float || type == ColumnType::Currency; }

// Whether a column reference (optionally qualified) names a column of a fractional type.
bool ColumnHasFraction(Statement& s, const std::string* qualifier, const std::string& column) {
    if (qualifier) {
        auto alias = s.aliases.find(UpperAscii(*qualifier));
        if (alias != s.aliases.end()) return Fractional(TypeOf(s, alias->second, column));
        for (const auto& table : s.tables)
            if (SameText(table, *qualifier)) return Fractional(TypeOf(s, table, column));
    }
    for (const auto& table : s.tables)
        if (Fractional(TypeOf(s, table, column))) return true;
    return false;
}

}  // namespace

std::optional<Range> PrimaryAfter(const TokenList& t, size_t k) {
    while (k < t.size() && (IsOperator(t[k], "-") || IsOperator(t[k], "+"))) ++k;
    if (k >= t.size()) return std::nullopt;
    const auto& tok = t[k];
    switch (tok.kind) {
        case SqlTokenKind::LeftParen:
            return std::make_pair(k, t.Match(k));
        case SqlTokenKind::Number:
        case SqlTokenKind::String:
        case SqlTokenKind::Parameter:
            return std::make_pair(k, k);
        case SqlTokenKind::Word:
            if (IsWord(tok, "CASE")) {
                size_t end = MatchCase(t, k, 1);
                if (end == kNone) return std::nullopt;
                return std::make_pair(k, end);
            }
            if (t.Is(k + 1, SqlTokenKind::LeftParen)) return std::make_pair(k, t.Match(k + 1));
            [[fallthrough]];
        case SqlTokenKind::QuotedName: {
            std::string last;
            size_t end = SkipName(t, k, last);
            return std::make_pair(k, end - 1);
        }
        default:
            return std::nullopt;
    }
}

std::optional<Range> PrimaryBefore(const TokenList& t, size_t e) {
    if (e >= t.size()) return std::nullopt;
    const auto& tok = t[e];
    switch (tok.kind) {
        case SqlTokenKind::RightParen: {
            size_t s = t.Match(e);
            if (s > 0 && t[s - 1].kind == SqlTokenKind::Word && !IsWordIn(t[s - 1], kNotFunction)) --s;
            return std::make_pair(s, e);
        }
        case SqlTokenKind::Number:
        case SqlTokenKind::String:
        case SqlTokenKind::Parameter:
            return std::make_pair(e, e);
        case SqlTokenKind::Word:
            if (IsWord(tok, "END")) {
                size_t s = MatchCase(t, e, -1);
                if (s == kNone) return std::nullopt;
                return std::make_pair(s, e);
            }
            [[fallthrough]];
        case SqlTokenKind::QuotedName: {
            size_t s = e;
            while (s >= 2 && t[s - 1].kind == SqlTokenKind::Dot && IsName(t[s - 2])) s -= 2;
            return std::make_pair(s, e);
        }
        default:
            return std::nullopt;
    }
}

ColumnType TypeOf(Statement& s, const std::string& table, const std::string& column) {
    auto key = std::make_pair(UpperAscii(table), UpperAscii(column));
    auto found = s.typeCache.find(key);
    if (found != s.typeCache.end()) return found->second;
    s.usedColumnTypes = true;
    ColumnType type = s.lookup(table, column);
    s.typeCache[key] = type;
    return type;
}

bool HasFraction(Statement& s, size_t b, size_t e) {
    const TokenList& t = s.tokens;
    for (size_t k = b; k <= e && k < t.size(); ++k) {
        const auto& tok = t[k];
        if (tok.kind == SqlTokenKind::Number && !IsWholeNumberText(tok.text)) return true;
        if (!IsName(tok)) continue;
        if (tok.kind == SqlTokenKind::Word && t.Is(k + 1, SqlTokenKind::LeftParen)) {
            size_t close = t.Match(k + 1);
            if (IsWord(tok, "COUNT")) {
                k = close;
                continue;
            }
            if (IsWord(tok, "CAST")) {
                // The type after the last AS decides.
                for (size_t a = close; a > k + 1; --a) {
                    if (!IsWord(t[a], "AS")) continue;
                    static const std::set<std::string> kFractionTypes = {
                        "FLOAT", "REAL", "DOUBLE", "DECIMAL", "NUMERIC", "MONEY", "SMALLMONEY"};
                    if (a + 1 < close && IsWordIn(t[a + 1], kFractionTypes)) return true;
                    break;
                }
                k = close;
                continue;
            }
            continue;  // other functions: their arguments decide
        }
        if (t.Is(k + 1, SqlTokenKind::Dot)) continue;  // a qualifier
        const std::string* qualifier = nullptr;
        if (k >= 2 && t[k - 1].kind == SqlTokenKind::Dot && IsName(t[k - 2])) qualifier = &t[k - 2].value;
        if (ColumnHasFraction(s, qualifier, tok.value)) return true;
    }
    return false;
}

bool HasWholeColumn(Statement& s, size_t b, size_t e) {
    const TokenList& t = s.tokens;
    for (size_t k = b; k <= e; ++k) {
        if (!IsName(t[k]) || t.Is(k + 1, SqlTokenKind::Dot) || t.Is(k + 1, SqlTokenKind::LeftParen)) continue;
        const std::string* qualifier = nullptr;
        if (k >= 2 && t[k - 1].kind == SqlTokenKind::Dot && IsName(t[k - 2])) qualifier = &t[k - 2].value;
        if (qualifier) {
            auto alias = s.aliases.find(UpperAscii(*qualifier));
            const std::string& table = alias != s.aliases.end() ? alias->second : *qualifier;
            if (TypeOf(s, table, t[k].value) == ColumnType::Integer) return true;
            continue;
        }
        for (const auto& table : s.tables)
            if (TypeOf(s, table, t[k].value) == ColumnType::Integer) return true;
    }
    return false;
}

}  // namespace humrs::sql
