// In the dialect the sum and the average of whole numbers are whole numbers (the
// average truncated), so dividing them truncates too. PostgreSQL gives decimals for
// both, SQLite a real for the average.
#include <algorithm>
#include <map>

#include "db/sql/FromList.h"
#include "db/sql/Operands.h"
#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

void RewriteWholeAggregates(Statement& s) {
    if (!s.lookup) return;
    TokenList& t = s.tokens;
    if (std::none_of(t.begin(), t.end(),
                     [](const SqlToken& tok) { return IsWord(tok, "SUM") || IsWord(tok, "AVG"); }))
        return;
    const bool pg = s.pg();
    CollectTables(s);
    std::map<size_t, bool> wrap;  // index of the aggregate's name -> it is an average
    for (size_t k = 0; k + 1 < t.size(); ++k) {
        bool aggregate = IsWord(t[k], "AVG") || (pg && IsWord(t[k], "SUM"));
        if (!aggregate || !t.Is(k + 1, SqlTokenKind::LeftParen)) continue;
        size_t close = t.Match(k + 1);
        if (close <= k + 2 || t.At(close + 1, "OVER")) continue;  // a window aggregate keeps its form
        if (HasFraction(s, k + 2, close - 1) || !HasWholeColumn(s, k + 2, close - 1)) continue;
        wrap[k] = IsWord(t[k], "AVG");
    }
    if (wrap.empty()) return;
    std::map<size_t, bool> closes;  // index of the aggregate's ")" -> it is an average
    for (const auto& [k, average] : wrap) closes[t.Match(k + 1)] = average;
    Tokens out;
    for (size_t k = 0; k < t.size(); ++k) {
        SqlToken tok = t[k];
        auto w = wrap.find(k);
        if (w != wrap.end()) {
            out.push_back(Raw("CAST", SqlTokenKind::Word, tok.space));
            out.push_back(Raw("(", SqlTokenKind::LeftParen, ""));
            if (w->second && pg) {
                out.push_back(Raw("TRUNC", SqlTokenKind::Word, ""));
                out.push_back(Raw("(", SqlTokenKind::LeftParen, ""));
            }
            tok.space = "";
        }
        out.push_back(std::move(tok));
        auto c = closes.find(k);
        if (c != closes.end()) {
            // SQLite's cast of a real to an integer truncates; PostgreSQL's rounds.
            if (c->second && pg) out.push_back(Raw(")", SqlTokenKind::RightParen, ""));
            out.push_back(Raw("AS"));
            out.push_back(Raw(pg ? "BIGINT" : "INTEGER"));
            out.push_back(Raw(")", SqlTokenKind::RightParen, ""));
        }
    }
    t.Replace(std::move(out));
}

}  // namespace humrs::sql
