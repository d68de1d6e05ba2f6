// "Not (A.BeginDate > x Or A.EndDate < y)" becomes "(A.BeginDate <= x And A.EndDate
// >= y)": the same truth in every case, NULL included, but SQLite can then search an
// index by the ranges instead of reading every row of the person. Only a negated list
// of plain comparisons joined by Or is turned round. PostgreSQL's planner turns such
// negations round itself.
#include <algorithm>
#include <set>

#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

// Words that cannot stand as a column in a comparison.
const std::set<std::string> kOperandStops = {"NOT",    "AND",  "OR", "NULL", "IS",     "SELECT",
                                             "EXISTS", "CASE", "IN", "LIKE", "BETWEEN"};

std::string_view NegatedOperator(std::string_view op) {
    if (op == ">") return "<=";
    if (op == "<") return ">=";
    if (op == ">=") return "<";
    if (op == "<=") return ">";
    if (op == "=") return "<>";
    return "=";  // <> and !=
}

bool IsColumnWord(const TokenList& t, size_t k) {
    if (t.Is(k, SqlTokenKind::QuotedName)) return true;
    return t.Is(k, SqlTokenKind::Word) && !IsWordIn(t[k], kOperandStops);
}

// A column (maybe qualified), a number, a quoted text or a parameter starting at k:
// the index just after it, or kNone.
size_t PlainOperandEnd(const TokenList& t, size_t k) {
    if (t.Is(k, SqlTokenKind::Number) || t.Is(k, SqlTokenKind::String) || t.Is(k, SqlTokenKind::Parameter))
        return k + 1;
    if (!IsColumnWord(t, k)) return kNone;
    while (t.Is(k + 1, SqlTokenKind::Dot) && IsColumnWord(t, k + 2)) k += 2;
    return k + 1;
}

// From just inside a parenthesis: "operand op operand (Or operand op operand)*" and
// the closing parenthesis. Gives the closing parenthesis's index and the operators'
// indexes, or kNone when the parenthesis holds anything else.
size_t ComparisonsJoinedByOr(const TokenList& t, size_t k, std::vector<size_t>& operators) {
    static const std::set<std::string> kComparisons = {">", "<", ">=", "<=", "=", "<>", "!="};
    while (true) {
        k = PlainOperandEnd(t, k);
        if (k == kNone || !t.Is(k, SqlTokenKind::Operator) || !kComparisons.count(t[k].text)) return kNone;
        operators.push_back(k);
        k = PlainOperandEnd(t, k + 1);
        if (k == kNone) return kNone;
        if (t.Is(k, SqlTokenKind::RightParen)) return operators.size() > 1 ? k : kNone;
        if (!t.At(k, "OR")) return kNone;
        ++k;
    }
}

}  // namespace

void RewriteNegatedComparisons(Statement& s) {
    TokenList& t = s.tokens;
    bool any = false;
    for (size_t i = 0; i + 1 < t.size() && !any; ++i)
        any = t.At(i, "NOT") && t.Is(i + 1, SqlTokenKind::LeftParen);
    if (!any) return;
    Tokens out;
    out.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        std::vector<size_t> operators;
        size_t close = kNone;
        if (t.At(i, "NOT") && t.Is(i + 1, SqlTokenKind::LeftParen))
            close = ComparisonsJoinedByOr(t, i + 2, operators);
        if (close == kNone) {
            out.push_back(t[i]);
            continue;
        }
        out.push_back(Raw("(", SqlTokenKind::LeftParen, t[i].space));
        for (size_t k = i + 2; k < close; ++k) {
            if (std::find(operators.begin(), operators.end(), k) != operators.end())
                out.push_back(
                    Raw(std::string(NegatedOperator(t[k].text)), SqlTokenKind::Operator, t[k].space));
            else if (t.At(k, "OR"))
                out.push_back(Raw("AND", SqlTokenKind::Word, t[k].space));
            else
                out.push_back(t[k]);
        }
        out.push_back(t[close]);
        i = close;
    }
    t.Replace(std::move(out));
}

}  // namespace humrs::sql
