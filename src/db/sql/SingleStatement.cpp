// One statement per call.
#include <set>

#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

// Reserved words that start a statement of their own. Met outside parentheses after the
// start of a statement, they mean a second statement written without a semicolon.
const std::set<std::string> kStatementWords = {
    "DELETE",   "UPDATE", "INSERT",   "DROP",      "CREATE", "ALTER", "EXEC",    "EXECUTE",   "TRUNCATE",
    "DECLARE",  "MERGE",  "GRANT",    "REVOKE",    "DENY",   "USE",   "PRINT",   "BEGIN",     "COMMIT",
    "ROLLBACK", "SAVE",   "IF",       "WHILE",     "RETURN", "GOTO",  "WAITFOR", "BACKUP",    "RESTORE",
    "DBCC",     "KILL",   "SHUTDOWN", "RAISERROR", "OPEN",   "CLOSE", "FETCH",   "DEALLOCATE"};

constexpr const char* kSecondStatement = "a second statement is not allowed: one call runs one statement";

}  // namespace

void CheckSingleStatement(Statement& s) {
    TokenList& t = s.tokens;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != SqlTokenKind::Semicolon) continue;
        if (i + 1 < t.size()) s.Fail(kSecondStatement);
        t.PopBack();
        break;
    }
    if (t.empty()) s.Fail("empty statement");
    for (const auto& tok : t)
        if (tok.kind == SqlTokenKind::Parameter) ++s.parameterCount;
}

StatementKind KindOf(const TokenList& t) {
    const auto& first = t.front();
    if (IsWord(first, "SELECT") || IsWord(first, "WITH")) return StatementKind::Select;
    if (IsWord(first, "INSERT")) return StatementKind::Insert;
    if (IsWord(first, "UPDATE")) return StatementKind::Update;
    if (IsWord(first, "DELETE")) return StatementKind::Delete;
    return StatementKind::Other;
}

// The dialect does not need semicolons between statements, so "Select ... Delete T"
// is two statements. A statement word outside parentheses gives the second one away.
void CheckNoHiddenStatement(Statement& s) {
    const TokenList& t = s.tokens;
    if (IsWord(t.front(), "WITH")) return;
    bool selectAllowed = s.kind == StatementKind::Insert;
    int depth = 0;
    for (size_t i = 1; i < t.size(); ++i) {
        const auto& tok = t[i];
        if (tok.kind == SqlTokenKind::LeftParen) ++depth;
        if (tok.kind == SqlTokenKind::RightParen) --depth;
        if (depth != 0 || tok.kind != SqlTokenKind::Word) continue;
        bool qualified = t[i - 1].kind == SqlTokenKind::Dot || t.Is(i + 1, SqlTokenKind::Dot);
        bool call = t.Is(i + 1, SqlTokenKind::LeftParen);
        if (qualified || call) continue;
        if (IsWordIn(tok, kStatementWords)) s.Fail(kSecondStatement);
        if (IsWord(tok, "SELECT")) {
            const auto& prev = t[i - 1];
            if (IsWord(prev, "UNION") || IsWord(prev, "ALL") || IsWord(prev, "EXCEPT") ||
                IsWord(prev, "INTERSECT"))
                continue;
            if (selectAllowed) {
                selectAllowed = false;
                continue;
            }
            s.Fail(kSecondStatement);
        }
    }
}

}  // namespace humrs::sql
