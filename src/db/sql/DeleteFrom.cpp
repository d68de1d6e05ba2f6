// "Delete T Where ..." names the table without FROM.
#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

size_t CountTopLevelWord(const TokenList& t, size_t from, std::string_view word) {
    size_t count = 0;
    int depth = 0;
    for (size_t i = from; i < t.size(); ++i) {
        if (t[i].kind == SqlTokenKind::LeftParen) ++depth;
        if (t[i].kind == SqlTokenKind::RightParen) --depth;
        if (depth == 0 && IsWord(t[i], word)) ++count;
    }
    return count;
}

}  // namespace

void AddDeleteFrom(Statement& s) {
    TokenList& t = s.tokens;
    if (t.At(1, "TOP")) s.Fail("DELETE TOP is not supported");
    bool hasFrom = t.At(1, "FROM");
    size_t froms = CountTopLevelWord(t, 1, "FROM");
    if (froms > (hasFrom ? 1u : 0u)) s.Fail("DELETE with a FROM list (a join) is not supported");
    if (!hasFrom) t.Insert(1, Raw("FROM"));
}

}  // namespace humrs::sql
