#include "db/sql/TokenList.h"

#include <string>

#include "db/sql/Words.h"

namespace humrs::sql {

TokenList::TokenList(std::string_view statement) : statement_(statement), tokens_(TokenizeSql(statement)) {}

bool TokenList::At(size_t i, std::string_view word) const {
    return i < tokens_.size() && IsWord(tokens_[i], word);
}

void TokenList::Insert(size_t at, SqlToken token) {
    matched_ = false;
    tokens_.insert(tokens_.begin() + static_cast<std::ptrdiff_t>(at), std::move(token));
}

void TokenList::PopBack() {
    matched_ = false;
    tokens_.pop_back();
}

void TokenList::MatchParens() const {
    match_.assign(tokens_.size(), kNone);
    std::vector<size_t> open;
    for (size_t i = 0; i < tokens_.size(); ++i) {
        if (tokens_[i].kind == SqlTokenKind::LeftParen) {
            open.push_back(i);
        } else if (tokens_[i].kind == SqlTokenKind::RightParen) {
            if (open.empty())
                throw DatabaseError("unbalanced parentheses: ')' without '('", std::string(statement_));
            match_[i] = open.back();
            match_[open.back()] = i;
            open.pop_back();
        }
    }
    if (!open.empty())
        throw DatabaseError("unbalanced parentheses: '(' without ')'", std::string(statement_));
    matched_ = true;
}

}  // namespace humrs::sql
