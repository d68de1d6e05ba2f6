// In the dialect only integer by integer truncates; money, decimal and float keep
// their fraction. SQLite truncates whenever both values are stored as integers, and it
// stores a whole number in a MONEY or DECIMAL column as an integer. So a division that
// involves a column declared with a fractional type gets its divisor cast to REAL.
// Integer columns need nothing: SQLite keeps whole numbers there as integers.
// PostgreSQL divides like the dialect.
#include <algorithm>
#include <map>

#include "db/sql/FromList.h"
#include "db/sql/Operands.h"
#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

void RewriteDivision(Statement& s) {
    if (!s.lookup) return;
    TokenList& t = s.tokens;
    if (std::none_of(t.begin(), t.end(), [](const SqlToken& tok) { return IsOperator(tok, "/"); })) return;
    CollectTables(s);
    std::map<size_t, int> opens, closes;
    for (size_t k = 0; k < t.size(); ++k) {
        if (!IsOperator(t[k], "/") || k == 0) continue;
        auto right = PrimaryAfter(t, k + 1);
        if (!right) continue;
        bool fractional = HasFraction(s, right->first, right->second);
        // The dividend is the run of factors joined by * / % before the operator.
        size_t e = k - 1;
        while (!fractional) {
            auto left = PrimaryBefore(t, e);
            if (!left) break;
            fractional = HasFraction(s, left->first, left->second);
            size_t b = left->first;
            if (b < 2 ||
                !(IsOperator(t[b - 1], "*") || IsOperator(t[b - 1], "/") || IsOperator(t[b - 1], "%")))
                break;
            e = b - 2;
        }
        if (!fractional) continue;
        ++opens[right->first];
        ++closes[right->second];
    }
    if (opens.empty()) return;
    Tokens out;
    for (size_t k = 0; k < t.size(); ++k) {
        SqlToken tok = t[k];
        auto o = opens.find(k);
        if (o != opens.end()) {
            for (int n = 0; n < o->second; ++n) {
                out.push_back(Raw("CAST", SqlTokenKind::Word, n == 0 ? tok.space : ""));
                out.push_back(Raw("(", SqlTokenKind::LeftParen, ""));
            }
            tok.space = "";
        }
        out.push_back(std::move(tok));
        auto c = closes.find(k);
        if (c != closes.end()) {
            for (int n = 0; n < c->second; ++n) {
                out.push_back(Raw("AS"));
                out.push_back(Raw("REAL"));
                out.push_back(Raw(")", SqlTokenKind::RightParen, ""));
            }
        }
    }
    t.Replace(std::move(out));
}

}  // namespace humrs::sql
