#pragma once
// Translation of the component's SQL (the SQL Server dialect the business classes
// write) into the dialect of the backend that runs it.
//
// The text is first cut into tokens by a real tokenizer (string literals, quoted
// names, numbers, comments), so that quotes, brackets and keywords glued to numbers
// ("20050101And") are never mistaken; the statement is then rewritten token by token
// and written out for the target. One call translates exactly one statement: a
// second statement after it is refused.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/Database.h"

namespace humrs {

enum class SqlTokenKind {
    Word,        // keyword or plain identifier
    QuotedName,  // [bracketed] or "quoted" identifier
    String,      // 'text' or N'text'
    Number,      // 12, 12.5, 1e3
    Parameter,   // ?
    Operator,    // = <> != < <= > >= !< !> + - * / % & | ^ ~
    LeftParen,
    RightParen,
    Comma,
    Dot,
    Semicolon,
};

struct SqlToken {
    SqlTokenKind kind = SqlTokenKind::Word;
    std::string text;   // as written in the statement
    std::string value;  // Word: the word; QuotedName: the bare name; String: the content
    std::string space;  // whitespace before the token; a comment counts as one space
    size_t offset = 0;  // position of the token in the statement
    int parameter = 0;  // Parameter: its number, counted from 1 in order of appearance
    bool national = false;  // String written N'...'
    bool verbatim = false;  // produced by a rewrite: written out exactly as `text`
};

// Cuts a statement into tokens. Comments and whitespace are folded into the `space`
// of the token that follows. Throws DatabaseError for an unterminated literal, name
// or comment and for a character that has no meaning in the dialect.
std::vector<SqlToken> TokenizeSql(std::string_view sql);

// The statement with each literal (number or quoted text) replaced by a mark of its
// kind, everything else kept as written: texts that differ only in their literals have
// the same shape. `literals` gets the literal tokens in order. Throws as TokenizeSql.
std::string StatementShape(std::string_view sql, std::vector<SqlToken>& literals);

// The value a literal token carries as a bound parameter, or nothing when a parameter
// could not carry it exactly (a whole number of more than 18 digits, say).
std::optional<Variant> LiteralAsParameter(const SqlToken& tok);

enum class StatementKind { Select, Insert, Update, Delete, Other };

struct TranslatedStatement {
    std::string sql;             // text for the target backend
    StatementKind kind = StatementKind::Other;
    int parameterCount = 0;      // number of ? markers in the original text
    bool usedColumnTypes = false;  // the text depends on the declared column types
    // Names as the statement spells them (PostgreSQL reports result columns in the
    // lower case it folds unquoted names to; these give them back their spelling).
    std::vector<std::string> names;
    // Tables the statement reads or writes (FROM lists, joins, the target of a write);
    // `tablesComplete` is false when a FROM list did not read as one, so the list may
    // miss some.
    std::vector<std::string> tables;
    bool tablesComplete = true;
    // Values of the literals moved out of the text into bound parameters, numbered
    // after the statement's own `?` markers (only when the translator lifts them).
    std::vector<Variant> lifted;
    std::vector<size_t> liftedOffsets;  // where each lifted literal stood in the original text
    // Set for a select of plain columns of one table by equalities with parameters.
    std::shared_ptr<const KeyRead> keyRead;
};

class SqlTranslator {
public:
    // Declared type of table.column, ColumnType::Unknown when there is no such column.
    // Used to keep SQL Server's division rules: only integer by integer truncates.
    using ColumnTypeLookup = std::function<ColumnType(std::string_view table, std::string_view column)>;

    explicit SqlTranslator(Backend target, ColumnTypeLookup columnTypes = nullptr);

    // After translation, move the statement's literals (numbers and quoted texts) into
    // bound parameters, so that statements differing only in their values share one
    // text. Literals whose place makes them part of the statement's shape stay: the
    // select list, GROUP BY, ORDER BY, LIMIT, anything inside CASE, ISNULL/COALESCE
    // and CAST/CONVERT.
    void SetLiftLiterals(bool lift) { liftLiterals_ = lift; }

    Backend Target() const { return target_; }

    // Translates one statement. Throws DatabaseError (carrying the original text) when
    // the text holds a second statement or a construct the target cannot express.
    TranslatedStatement Translate(std::string_view sql) const;
    std::string TranslateText(std::string_view sql) const { return Translate(sql).sql; }

private:
    Backend target_;
    ColumnTypeLookup columnTypes_;
    bool liftLiterals_ = false;
};

// The translations one connection made, found again without translating: a text
// without literals by the text itself, a text with literals by its shape
// (StatementShape) when its literals fit what the translation kept as written and
// lifted. Texts that differ only in the values of lifted literals so share one
// translation, and the backend one compiled statement for it.
class TranslationCache {
public:
    struct Entry {
        std::string key;        // the translated text, by which the backend keeps its statement
        StatementFacts facts;   // what the statement reads and writes
        // Per lifted parameter, in order, the literal of the text it carries.
        std::vector<size_t> liftedFrom;
        std::vector<std::pair<size_t, std::string>> kept;  // literals written into the statement
        size_t literalCount = 0;
    };

    // The entry that serves a text, or nullptr. `literals` gets the text's literals in
    // order and `shape` its shape, for Keep after a translation; `lifted`, when given,
    // the values of the literals the entry lifts.
    const Entry* Find(const std::string& sql, std::vector<SqlToken>& literals, std::string& shape,
                      std::vector<Variant>* lifted = nullptr) const;
    // Keeps the translation of a text that Find did not serve. Nullptr when the text's
    // lifted values cannot be traced back to its literals: it is translated each time.
    const Entry* Keep(const std::string& sql, std::string shape, const std::vector<SqlToken>& literals,
                      const TranslatedStatement& translated, StatementFacts facts);
    // After a change of the schema: a translation may have read declared column types.
    void Clear();

private:
    static constexpr size_t kMaxEntries = 2048;
    std::unordered_map<std::string, Entry> plans_;   // texts without literals
    std::unordered_map<std::string, Entry> shapes_;  // texts with literals, by their shape
};

// The facts a translation gives about its statement.
StatementFacts FactsOf(const TranslatedStatement& translated);

}  // namespace humrs
