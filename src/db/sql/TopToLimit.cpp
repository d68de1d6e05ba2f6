// SELECT TOP n -> LIMIT n at the end of that select.
#include <map>

#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

void RewriteTopToLimit(Statement& s) {
    TokenList& t = s.tokens;
    t.CheckBalanced();
    std::vector<bool> drop;
    std::map<size_t, Tokens> before;
    for (size_t i = 0; i < t.size(); ++i) {
        if (!IsWord(t[i], "SELECT")) continue;
        size_t j = i + 1;
        if (t.At(j, "DISTINCT") || t.At(j, "ALL")) ++j;
        if (!t.At(j, "TOP")) continue;
        size_t countAt = j + 1, last = j + 1;
        if (t.Is(countAt, SqlTokenKind::LeftParen)) {
            last = t.Match(countAt);
            if (last != countAt + 2) s.Fail("TOP: the row count must be a number or a parameter");
            ++countAt;
        }
        if (!t.Is(countAt, SqlTokenKind::Number) && !t.Is(countAt, SqlTokenKind::Parameter))
            s.Fail("TOP: the row count must be a number or a parameter");
        if (t[countAt].kind == SqlTokenKind::Number && !IsWholeNumberText(t[countAt].text))
            s.Fail("TOP: the row count must be a whole number");
        if (t.At(last + 1, "PERCENT")) s.Fail("TOP ... PERCENT is not supported");
        if (t.At(last + 1, "WITH") && t.At(last + 2, "TIES")) s.Fail("TOP ... WITH TIES is not supported");
        // The select ends at the parenthesis that closes it or at the end of the text.
        size_t end = last + 1;
        while (end < t.size()) {
            const auto& tok = t[end];
            if (tok.kind == SqlTokenKind::LeftParen) {
                end = t.Match(end) + 1;
                continue;
            }
            if (tok.kind == SqlTokenKind::RightParen || tok.kind == SqlTokenKind::Semicolon) break;
            if (IsWord(tok, "UNION") || IsWord(tok, "EXCEPT") || IsWord(tok, "INTERSECT"))
                s.Fail("TOP in a compound select (UNION) is not supported");
            ++end;
        }
        drop.resize(t.size(), false);
        for (size_t k = j; k <= last; ++k) drop[k] = true;
        SqlToken count = t[countAt];
        count.space = " ";
        before[end].push_back(Raw("LIMIT"));
        before[end].push_back(std::move(count));
    }
    if (before.empty()) return;
    Tokens out;
    for (size_t k = 0; k <= t.size(); ++k) {
        auto it = before.find(k);
        if (it != before.end())
            for (auto& tok : it->second) out.push_back(tok);
        if (k < t.size() && !drop[k]) out.push_back(t[k]);
    }
    t.Replace(std::move(out));
}

}  // namespace humrs::sql
