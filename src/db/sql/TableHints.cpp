// Table hints of the dialect ("With (NoLock)" or a bare "(NoLock)"). SQLite locks whole
// databases and PostgreSQL locks rows on its own, so they are dropped.
#include <set>

#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

const std::set<std::string> kTableHints = {
    "NOLOCK", "READUNCOMMITTED", "UPDLOCK", "ROWLOCK",       "HOLDLOCK",       "TABLOCK",      "TABLOCKX",
    "XLOCK",  "READPAST",        "PAGLOCK", "READCOMMITTED", "REPEATABLEREAD", "SERIALIZABLE", "NOWAIT"};

// The index of the ")" closing the hint list that opens at `open`, or kNone.
size_t HintsEnd(const TokenList& t, size_t open) {
    size_t k = open + 1;
    bool any = false;
    while (k < t.size() && IsWordIn(t[k], kTableHints)) {
        any = true;
        ++k;
        if (t.Is(k, SqlTokenKind::Comma)) ++k;
    }
    return any && t.Is(k, SqlTokenKind::RightParen) ? k : kNone;
}

}  // namespace

void DropTableHints(Statement& s) {
    TokenList& t = s.tokens;
    Tokens out;
    bool dropped = false;
    for (size_t i = 0; i < t.size(); ++i) {
        size_t hintOpen = kNone;
        if (t.At(i, "WITH") && t.Is(i + 1, SqlTokenKind::LeftParen)) hintOpen = i + 1;
        if (t[i].kind == SqlTokenKind::LeftParen) hintOpen = i;
        size_t end = hintOpen != kNone ? HintsEnd(t, hintOpen) : kNone;
        if (end != kNone && !dropped) {
            // The first hint: copy what came before it, then go on copying.
            out.reserve(t.size());
            out.assign(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(i));
            dropped = true;
        }
        if (end != kNone) {
            i = end;
            continue;
        }
        if (dropped) out.push_back(t[i]);
    }
    if (!dropped) return;
    t.Replace(std::move(out));
    if (t.empty()) s.Fail("empty statement");
}

}  // namespace humrs::sql
