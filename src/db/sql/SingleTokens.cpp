// Rewrites of one token at a time.
#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

void RewriteSingleTokens(Statement& s) {
    TokenList& t = s.tokens;
    for (size_t i = 0; i < t.size(); ++i) {
        const SqlToken& tok = t[i];
        if (tok.kind == SqlTokenKind::Word && tok.value[0] == '@')
            s.Fail("variables are not supported: " + tok.value);
        if (tok.kind == SqlTokenKind::Operator) {
            if (tok.text == "^") s.Fail("the operator ^ is not supported");
            if (tok.text == "!<")
                t.Edit(i) = Raw(">=", SqlTokenKind::Operator, tok.space);
            else if (tok.text == "!>")
                t.Edit(i) = Raw("<=", SqlTokenKind::Operator, tok.space);
        }
        if (IsWord(tok, "ISNULL") && t.Is(i + 1, SqlTokenKind::LeftParen))
            t.Edit(i) = Raw(s.pg() ? "COALESCE" : "IFNULL", SqlTokenKind::Word, tok.space);
    }
}

}  // namespace humrs::sql
