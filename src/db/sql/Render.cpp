// The tokens written out for the backend.
#include <set>

#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

// Plain names in the component's dialect that SQLite reserves: written quoted.
const std::set<std::string> kSQLiteReserved = {"AUTOINCREMENT", "GLOB",    "INDEXED", "ISNULL",   "LIMIT",
                                               "NATURAL",       "NOTHING", "NOTNULL", "RETURNING"};

// Plain names in the component's dialect that PostgreSQL reserves: written quoted, in
// the lower case PostgreSQL folds the unquoted names of the schema to.
const std::set<std::string> kPostgresReserved = {
    "ANALYSE",  "ANALYZE",   "ARRAY",          "ASYMMETRIC", "BOTH",      "CONCURRENTLY",
    "DO",       "FREEZE",    "ILIKE",          "ISNULL",     "LATERAL",   "LEADING",
    "LIMIT",    "LOCALTIME", "LOCALTIMESTAMP", "NOTNULL",    "OFFSET",    "ONLY",
    "OVERLAPS", "PLACING",   "RETURNING",      "SIMILAR",    "SYMMETRIC", "TABLESAMPLE",
    "TRAILING", "VARIADIC",  "VERBOSE",        "WINDOW",     "COLLATION"};

// The text between two quote marks, a quote mark inside it doubled.
std::string Enclose(std::string_view text, char quote) {
    std::string r(1, quote);
    for (char c : text) {
        if (c == quote) r += quote;
        r += c;
    }
    return r + quote;
}

std::string QuoteName(std::string_view name) { return Enclose(name, '"'); }

std::string QuoteString(std::string_view value) { return Enclose(value, '\''); }

// A name written quoted. PostgreSQL folds the schema's unquoted names to lower case,
// so a quoted name is folded the same way to find them.
std::string QuotedName(const Statement& s, std::string_view name) {
    return QuoteName(s.pg() ? LowerAscii(name) : name);
}

std::string RenderToken(const Statement& s, const SqlToken& tok) {
    if (tok.verbatim) return tok.text;
    switch (tok.kind) {
        case SqlTokenKind::Word: {
            bool odd = tok.value.find_first_of(s.pg() ? "@#$" : "@#") != std::string::npos;
            const auto& reserved = s.pg() ? kPostgresReserved : kSQLiteReserved;
            if (odd || (s.kind != StatementKind::Other && IsWordIn(tok, reserved)))
                return QuotedName(s, tok.value);
            return tok.text;
        }
        case SqlTokenKind::QuotedName:
            return QuotedName(s, tok.value);
        case SqlTokenKind::String:
            return QuoteString(tok.value);
        case SqlTokenKind::Parameter:
            return (s.pg() ? "$" : "?") + std::to_string(tok.parameter);
        default:
            return tok.text;
    }
}

bool Wordish(SqlTokenKind kind) {
    return kind == SqlTokenKind::Word || kind == SqlTokenKind::QuotedName || kind == SqlTokenKind::String ||
           kind == SqlTokenKind::Number || kind == SqlTokenKind::Parameter;
}

}  // namespace

std::string Render(const Statement& s) {
    std::string out;
    bool prevWordish = false;
    for (size_t i = 0; i < s.tokens.size(); ++i) {
        const auto& tok = s.tokens[i];
        std::string text = RenderToken(s, tok);
        std::string space = i == 0 ? std::string() : tok.space;
        bool wordish = Wordish(tok.kind);
        if (space.empty() && !out.empty()) {
            char last = out.back();
            bool glue = (prevWordish && wordish) || (last == '-' && text[0] == '-') ||
                        (last == '/' && text[0] == '*') || (last == '*' && text[0] == '/');
            if (glue) space = " ";
        }
        out += space;
        out += text;
        prevWordish = wordish;
    }
    return out;
}

}  // namespace humrs::sql
