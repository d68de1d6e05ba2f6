// Cutting a statement into tokens, and the shape of a statement (its text with the
// literals marked) that statements differing only in their values share.
#include <array>

#include "db/sql/TokenList.h"
#include "db/sql/Words.h"

namespace humrs {

namespace {

using sql::kNone;

// What each byte can be, looked up once: every statement a connection runs with
// literals in its text is cut up here.
enum : unsigned char { kSpaceByte = 1, kDigitByte = 2, kNameStartByte = 4, kNamePartByte = 8 };
constexpr std::array<unsigned char, 256> kByteClass = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        unsigned char kind = 0;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') kind |= kSpaceByte;
        if (c >= '0' && c <= '9') kind |= kDigitByte | kNamePartByte;
        // Letters beyond ASCII (names in the national language) are name characters too.
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '@' || c == '#' || c >= 0x80)
            kind |= kNameStartByte | kNamePartByte;
        if (c == '$') kind |= kNamePartByte;
        table[static_cast<size_t>(c)] = kind;
    }
    return table;
}();
bool IsDigit(unsigned char c) { return kByteClass[c] & kDigitByte; }
bool IsSpace(unsigned char c) { return kByteClass[c] & kSpaceByte; }
bool IsNameStart(unsigned char c) { return kByteClass[c] & kNameStartByte; }
bool IsNamePart(unsigned char c) { return kByteClass[c] & kNamePartByte; }

// Reads a delimited literal or name whose delimiter inside is written twice ('it''s',
// [a]]b], "a""b"). `pos` is at the opening delimiter; returns the index after the
// closing one, or kNone when the text ends first.
size_t ReadDelimited(std::string_view sql, size_t pos, char close, std::string& value) {
    size_t i = pos + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (i + 1 < sql.size() && sql[i + 1] == close) {
                value += close;
                i += 2;
                continue;
            }
            return i + 1;
        }
        value += sql[i++];
    }
    return kNone;
}

// Cuts a statement into tokens and hands each to `emit(kind, start, end, national,
// value)`: its place in the text, N'...' or not, and for texts and quoted names their
// content. `gap(start, end)` gets what lies between two tokens (blanks, comments).
template <class Emit, class Gap>
void LexSql(std::string_view sql, Emit&& emit, Gap&& gap) {
    int parameters = 0;
    size_t i = 0;
    const size_t n = sql.size();
    size_t gapStart = 0;
    SqlTokenKind lastKind = SqlTokenKind::Semicolon;
    bool any = false;
    std::string value;
    auto fail = [&](const std::string& message) { throw DatabaseError(message, std::string(sql)); };
    auto push = [&](SqlTokenKind kind, size_t start, size_t end, bool national = false) {
        gap(gapStart, start);
        emit(kind, start, end, national, value, kind == SqlTokenKind::Parameter ? ++parameters : 0);
        value.clear();
        gapStart = end;
        lastKind = kind;
        any = true;
    };
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(sql[i]);
        const char next = i + 1 < n ? sql[i + 1] : '\0';
        if (IsSpace(c)) {
            ++i;
        } else if (c == '-' && next == '-') {
            while (i < n && sql[i] != '\n') ++i;
        } else if (c == '/' && next == '*') {
            // Block comments nest in this dialect.
            int depth = 1;
            size_t j = i + 2;
            while (j < n && depth > 0) {
                if (sql[j] == '/' && j + 1 < n && sql[j + 1] == '*') {
                    ++depth;
                    j += 2;
                } else if (sql[j] == '*' && j + 1 < n && sql[j + 1] == '/') {
                    --depth;
                    j += 2;
                } else {
                    ++j;
                }
            }
            if (depth > 0) fail("unterminated comment");
            i = j;
        } else if (c == '\'' || ((c == 'N' || c == 'n') && next == '\'')) {
            const bool national = c != '\'';
            size_t end = ReadDelimited(sql, national ? i + 1 : i, '\'', value);
            if (end == kNone) fail("unterminated string literal");
            push(SqlTokenKind::String, i, end, national);
            i = end;
        } else if (c == '[' || c == '"') {
            size_t end = ReadDelimited(sql, i, c == '[' ? ']' : '"', value);
            if (end == kNone) fail(c == '[' ? "unterminated [name]" : "unterminated \"name\"");
            if (value.empty()) fail("empty quoted name");
            push(SqlTokenKind::QuotedName, i, end);
            i = end;
        } else if (IsDigit(c) || (c == '.' && IsDigit(static_cast<unsigned char>(next)) &&
                                  !(gapStart == i && any &&
                                    (lastKind == SqlTokenKind::Word || lastKind == SqlTokenKind::QuotedName ||
                                     lastKind == SqlTokenKind::RightParen)))) {
            // Digits end where the number ends: "20050101And" is 20050101 followed by And.
            size_t j = i;
            while (j < n && IsDigit(static_cast<unsigned char>(sql[j]))) ++j;
            if (c == '0' && j == i + 1 && j < n && (sql[j] == 'x' || sql[j] == 'X'))
                fail("binary literals (0x...) are not supported");
            if (j < n && sql[j] == '.') {
                ++j;
                while (j < n && IsDigit(static_cast<unsigned char>(sql[j]))) ++j;
            }
            if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
                size_t k = j + 1;
                if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
                if (k < n && IsDigit(static_cast<unsigned char>(sql[k]))) {
                    j = k;
                    while (j < n && IsDigit(static_cast<unsigned char>(sql[j]))) ++j;
                }
            }
            push(SqlTokenKind::Number, i, j);
            i = j;
        } else if (IsNameStart(c)) {
            size_t j = i + 1;
            while (j < n && IsNamePart(static_cast<unsigned char>(sql[j]))) ++j;
            push(SqlTokenKind::Word, i, j);
            i = j;
        } else if (c == '?') {
            push(SqlTokenKind::Parameter, i, i + 1);
            ++i;
        } else if (c == '(' || c == ')' || c == ',' || c == '.' || c == ';') {
            SqlTokenKind kind = c == '('   ? SqlTokenKind::LeftParen
                                : c == ')' ? SqlTokenKind::RightParen
                                : c == ',' ? SqlTokenKind::Comma
                                : c == '.' ? SqlTokenKind::Dot
                                           : SqlTokenKind::Semicolon;
            push(kind, i, i + 1);
            ++i;
        } else {
            static const char* const kTwo[] = {"<>", "<=", ">=", "!=", "!<", "!>"};
            size_t len = 0;
            for (const char* op : kTwo)
                if (c == op[0] && next == op[1]) len = 2;
            if (len == 0 &&
                std::string_view("=<>+-*/%&|^~").find(static_cast<char>(c)) != std::string_view::npos)
                len = 1;
            if (len == 0)
                fail(std::string("unexpected character '") + static_cast<char>(c) + "' at position " +
                     std::to_string(i));
            push(SqlTokenKind::Operator, i, i + len);
            i += len;
        }
    }
}

}  // namespace

std::vector<SqlToken> TokenizeSql(std::string_view sql) {
    std::vector<SqlToken> out;
    out.reserve(sql.size() / 4 + 8);  // a token and its blank take about five characters
    std::string space;
    LexSql(
        sql,
        [&](SqlTokenKind kind, size_t start, size_t end, bool national, const std::string& value,
            int parameter) {
            SqlToken& t = out.emplace_back();
            t.kind = kind;
            t.text = std::string(sql.substr(start, end - start));
            t.value = kind == SqlTokenKind::String || kind == SqlTokenKind::QuotedName ? value : t.text;
            t.offset = start;
            t.space = std::move(space);
            t.national = national;
            t.parameter = parameter;
            space.clear();
        },
        // Blanks as written; a comment counts as one blank.
        [&](size_t start, size_t end) {
            for (size_t k = start; k < end;) {
                const unsigned char c = static_cast<unsigned char>(sql[k]);
                if (IsSpace(c)) {
                    space += static_cast<char>(c);
                    ++k;
                    continue;
                }
                if (c == '-') {
                    while (k < end && sql[k] != '\n') ++k;
                } else {
                    int depth = 1;
                    k += 2;
                    while (k < end && depth > 0) {
                        if (sql[k] == '/' && k + 1 < end && sql[k + 1] == '*')
                            depth++, k += 2;
                        else if (sql[k] == '*' && k + 1 < end && sql[k + 1] == '/')
                            depth--, k += 2;
                        else
                            ++k;
                    }
                }
                if (space.empty() || !IsSpace(static_cast<unsigned char>(space.back()))) space += ' ';
            }
        });
    return out;
}

std::string StatementShape(std::string_view sql, std::vector<SqlToken>& literals) {
    // The text between the literals is kept byte for byte, each literal becomes a NUL
    // (which no statement holds) and a mark of its kind: two texts of the same shape
    // cut into the same tokens but for the literals' values.
    std::string shape;
    shape.reserve(sql.size() + 16);
    size_t kept = 0;
    LexSql(
        sql,
        [&](SqlTokenKind kind, size_t start, size_t end, bool national, const std::string& value, int) {
            if (kind != SqlTokenKind::Number && kind != SqlTokenKind::String) return;
            SqlToken& t = literals.emplace_back();
            t.kind = kind;
            t.text = std::string(sql.substr(start, end - start));
            t.value = kind == SqlTokenKind::String ? value : t.text;
            t.offset = start;
            t.national = national;
            shape.append(sql.substr(kept, start - kept));
            shape += '\0';
            // The kind of a number (whole or not) is part of the shape: the
            // translation of a division depends on it.
            if (kind == SqlTokenKind::String)
                shape += national ? 'N' : 'S';
            else
                shape += sql::IsWholeNumberText(t.text) ? 'I' : 'F';
            kept = end;
        },
        [](size_t, size_t) {});
    shape.append(sql.substr(kept));
    return shape;
}
}  // namespace humrs
