// Literals into bound parameters, so that statements differing only in their values
// share one text.
#include <cstdlib>
#include <set>

#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs {

std::optional<Variant> LiteralAsParameter(const SqlToken& tok) {
    if (tok.kind == SqlTokenKind::String) return Variant(tok.value);
    if (tok.kind != SqlTokenKind::Number) return std::nullopt;
    if (sql::IsWholeNumberText(tok.text)) {
        if (tok.text.size() > 18) return std::nullopt;  // beyond a whole number's range: left as written
        return Variant(static_cast<int64_t>(std::stoll(tok.text)));
    }
    char* end = nullptr;
    const double d = std::strtod(tok.text.c_str(), &end);
    if (!end || *end != '\0') return std::nullopt;  // a form the parameter could not carry as it is
    return Variant(d);
}

namespace sql {

// A literal stays where its value shapes the statement rather than feeding it: the
// select list (GROUP BY must repeat its expressions, and an unnamed column is named
// after its text), GROUP BY, ORDER BY (a number there is a column position), LIMIT and
// OFFSET, CASE (its branches take their type from their values), the defaults of
// ISNULL/IFNULL/COALESCE/NULLIF, and CAST/CONVERT (type lengths are part of the syntax).
std::vector<Variant> LiftLiterals(Statement& s, std::vector<size_t>& offsets) {
    static const std::set<std::string> kKeepInside = {"ISNULL", "IFNULL", "COALESCE",
                                                      "NULLIF", "CAST",   "CONVERT"};
    static const std::set<std::string> kKeptClauses = {"SELECT", "GROUP", "ORDER", "LIMIT", "OFFSET"};
    static const std::set<std::string> kClauseStarts = {
        "SELECT", "FROM",   "WHERE", "GROUP", "HAVING", "ORDER",     "LIMIT", "OFFSET",
        "SET",    "VALUES", "ON",    "UNION", "EXCEPT", "INTERSECT", "JOIN",  "INTO"};
    TokenList& t = s.tokens;
    std::vector<Variant> values;
    std::vector<std::string> clause(1, "");  // per parenthesis depth
    std::vector<bool> keptParen;             // per open parenthesis: a function whose literals stay
    int keptDepth = 0, caseDepth = 0;
    int next = s.parameterCount;
    for (size_t i = 0; i < t.size(); ++i) {
        const SqlToken& tok = t[i];
        if (tok.kind == SqlTokenKind::LeftParen) {
            const bool keep = i > 0 && t[i - 1].kind == SqlTokenKind::Word && IsWordIn(t[i - 1], kKeepInside);
            keptParen.push_back(keep);
            if (keep) ++keptDepth;
            clause.push_back(clause.back());
            continue;
        }
        if (tok.kind == SqlTokenKind::RightParen) {
            if (!keptParen.empty()) {
                if (keptParen.back()) --keptDepth;
                keptParen.pop_back();
            }
            if (clause.size() > 1) clause.pop_back();
            continue;
        }
        if (tok.kind == SqlTokenKind::Word && !tok.verbatim) {
            const std::string word = UpperAscii(tok.value);
            if (word == "CASE")
                ++caseDepth;
            else if (word == "END" && caseDepth > 0)
                --caseDepth;
            else if (kClauseStarts.count(word))
                clause.back() = word;
            continue;
        }
        if (tok.kind == SqlTokenKind::Word && tok.verbatim && IsWord(tok, "LIMIT")) {
            clause.back() = "LIMIT";
            continue;
        }
        if ((tok.kind != SqlTokenKind::Number && tok.kind != SqlTokenKind::String) || tok.verbatim) continue;
        if (keptDepth > 0 || caseDepth > 0 || kKeptClauses.count(clause.back())) continue;
        std::optional<Variant> value = LiteralAsParameter(tok);
        if (!value) continue;
        values.push_back(std::move(*value));
        offsets.push_back(tok.offset);
        SqlToken param;
        param.kind = SqlTokenKind::Parameter;
        param.text = "?";
        param.space = tok.space;
        param.offset = tok.offset;
        param.parameter = ++next;
        t.Edit(i) = std::move(param);
    }
    return values;
}

}  // namespace sql
}  // namespace humrs
