#pragma once
// Small tests on single tokens, shared by the passes.
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "core/Text.h"
#include "db/SqlTranslator.h"

namespace humrs::sql {

inline bool IsWord(const SqlToken& t, std::string_view word) {
    return t.kind == SqlTokenKind::Word && SameText(t.value, word);
}

// `words` are written in upper case.
inline bool IsWordIn(const SqlToken& t, const std::set<std::string>& words) {
    return t.kind == SqlTokenKind::Word && words.count(UpperAscii(t.value)) > 0;
}

inline bool IsName(const SqlToken& t) {
    return t.kind == SqlTokenKind::Word || t.kind == SqlTokenKind::QuotedName;
}

inline bool IsOperator(const SqlToken& t, std::string_view op) {
    return t.kind == SqlTokenKind::Operator && t.text == op;
}

// Digits only: a number written without a point or an exponent.
inline bool IsWholeNumberText(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A token made by a rewrite, written out exactly as `text`.
inline SqlToken Raw(std::string text, SqlTokenKind kind = SqlTokenKind::Word, std::string space = " ") {
    SqlToken t;
    t.kind = kind;
    t.text = text;
    t.value = std::move(text);
    t.space = std::move(space);
    t.verbatim = true;
    return t;
}

}  // namespace humrs::sql
