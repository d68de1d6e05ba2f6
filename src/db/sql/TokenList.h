#pragma once
// The tokens of one statement while the passes rewrite it. Each parenthesis knows its
// partner; the partners are worked out when first asked for and forgotten on any edit,
// so a pass that only reads pays for them once and a pass that edits never sees stale
// ones.
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "db/SqlTranslator.h"

namespace humrs::sql {

using Tokens = std::vector<SqlToken>;
constexpr size_t kNone = static_cast<size_t>(-1);

class TokenList {
public:
    // Cuts `statement` into tokens; throws as TokenizeSql. The text must outlive the list.
    explicit TokenList(std::string_view statement);

    size_t size() const { return tokens_.size(); }
    bool empty() const { return tokens_.empty(); }
    const SqlToken& operator[](size_t i) const { return tokens_[i]; }
    const SqlToken& front() const { return tokens_.front(); }
    Tokens::const_iterator begin() const { return tokens_.begin(); }
    Tokens::const_iterator end() const { return tokens_.end(); }

    // Whether token i exists and is the word (any case) / of the kind.
    bool At(size_t i, std::string_view word) const;
    bool Is(size_t i, SqlTokenKind kind) const { return i < tokens_.size() && tokens_[i].kind == kind; }

    // The index of the partner of the parenthesis at i.
    // REQUIRES: token i is a parenthesis. Throws DatabaseError when the parentheses of
    // the statement do not pair up.
    size_t Match(size_t i) const {
        if (!matched_) MatchParens();
        return match_[i];
    }
    // Throws now, as Match would, when the parentheses do not pair up.
    void CheckBalanced() const {
        if (!matched_) MatchParens();
    }

    // Edits; each drops the partners.
    SqlToken& Edit(size_t i) {
        matched_ = false;
        return tokens_[i];
    }
    void Insert(size_t at, SqlToken token);
    void PopBack();
    void Replace(Tokens tokens) {
        matched_ = false;
        tokens_ = std::move(tokens);
    }

private:
    void MatchParens() const;

    std::string_view statement_;
    Tokens tokens_;
    mutable std::vector<size_t> match_;
    mutable bool matched_ = false;
};

}  // namespace humrs::sql
