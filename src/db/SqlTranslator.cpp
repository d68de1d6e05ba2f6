#include "db/SqlTranslator.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace humrs {

namespace {

using Tokens = std::vector<SqlToken>;
constexpr size_t kNone = static_cast<size_t>(-1);

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
// Letters beyond ASCII (names in the national language) are name characters too.
bool IsNameStart(unsigned char c) { return IsAlpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80; }
bool IsNamePart(unsigned char c) { return IsNameStart(c) || IsDigit(c) || c == '$'; }

std::string Upper(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

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

bool IsWord(const SqlToken& t, std::string_view word) {
    return t.kind == SqlTokenKind::Word && IEquals(t.value, word);
}

bool IsWordIn(const SqlToken& t, const std::set<std::string>& words) {
    return t.kind == SqlTokenKind::Word && words.count(Upper(t.value)) > 0;
}

bool IsName(const SqlToken& t) {
    return t.kind == SqlTokenKind::Word || t.kind == SqlTokenKind::QuotedName;
}

bool IsOperator(const SqlToken& t, std::string_view op) {
    return t.kind == SqlTokenKind::Operator && t.text == op;
}

SqlToken Raw(std::string text, SqlTokenKind kind = SqlTokenKind::Word, std::string space = " ") {
    SqlToken t;
    t.kind = kind;
    t.text = text;
    t.value = std::move(text);
    t.space = std::move(space);
    t.verbatim = true;
    return t;
}

// Words that end a FROM list or a join condition.
const std::set<std::string> kClauseWords = {
    "WHERE", "GROUP", "ORDER", "HAVING", "UNION", "EXCEPT", "INTERSECT", "OPTION", "LIMIT", "FOR", "WINDOW"};

// Words that cannot stand as a column in a comparison.
const std::set<std::string> kOperandStops = {"NOT", "AND", "OR", "NULL", "IS", "SELECT", "EXISTS", "CASE",
                                             "IN", "LIKE", "BETWEEN"};

// Words that cannot be a table alias.
const std::set<std::string> kNotAlias = {
    "WHERE", "GROUP", "ORDER", "HAVING", "UNION", "EXCEPT", "INTERSECT", "OPTION", "LIMIT", "FOR",
    "WINDOW", "ON", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "JOIN", "OUTER", "SET", "SELECT",
    "FROM", "VALUES", "AND", "OR", "WITH", "USING", "NATURAL", "APPLY"};

// Reserved words that start a statement of their own. Met outside parentheses after the
// start of a statement, they mean a second statement written without a semicolon.
const std::set<std::string> kStatementWords = {
    "DELETE", "UPDATE", "INSERT", "DROP", "CREATE", "ALTER", "EXEC", "EXECUTE", "TRUNCATE",
    "DECLARE", "MERGE", "GRANT", "REVOKE", "DENY", "USE", "PRINT", "BEGIN", "COMMIT", "ROLLBACK",
    "SAVE", "IF", "WHILE", "RETURN", "GOTO", "WAITFOR", "BACKUP", "RESTORE", "DBCC", "KILL",
    "SHUTDOWN", "RAISERROR", "OPEN", "CLOSE", "FETCH", "DEALLOCATE"};

// Table hints of the dialect; SQLite locks whole databases, so they are dropped.
const std::set<std::string> kTableHints = {
    "NOLOCK", "READUNCOMMITTED", "UPDLOCK", "ROWLOCK", "HOLDLOCK", "TABLOCK", "TABLOCKX", "XLOCK",
    "READPAST", "PAGLOCK", "READCOMMITTED", "REPEATABLEREAD", "SERIALIZABLE", "NOWAIT"};

// Plain names in the component's dialect that SQLite reserves: written quoted.
const std::set<std::string> kSQLiteReserved = {
    "AUTOINCREMENT", "GLOB", "INDEXED", "ISNULL", "LIMIT", "NATURAL", "NOTHING", "NOTNULL", "RETURNING"};

// Plain names in the component's dialect that PostgreSQL reserves: written quoted, in
// the lower case PostgreSQL folds the unquoted names of the schema to.
const std::set<std::string> kPostgresReserved = {
    "ANALYSE", "ANALYZE", "ARRAY", "ASYMMETRIC", "BOTH", "CONCURRENTLY", "DO", "FREEZE", "ILIKE",
    "ISNULL", "LATERAL", "LEADING", "LIMIT", "LOCALTIME", "LOCALTIMESTAMP", "NOTNULL", "OFFSET",
    "ONLY", "OVERLAPS", "PLACING", "RETURNING", "SIMILAR", "SYMMETRIC", "TABLESAMPLE", "TRAILING",
    "VARIADIC", "VERBOSE", "WINDOW", "COLLATION"};

std::string LowerAscii(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

// Words before a parenthesis that are not function names.
const std::set<std::string> kNotFunction = {
    "AND", "OR", "NOT", "IN", "EXISTS", "WHEN", "THEN", "ELSE", "ON", "WHERE", "SELECT", "AS",
    "BETWEEN", "IS", "LIKE", "FROM", "JOIN", "SET", "VALUES", "BY", "HAVING", "CASE", "END", "ALL",
    "ANY", "SOME", "INTO", "RETURN"};

std::string QuoteName(std::string_view name) {
    std::string r = "\"";
    for (char c : name) {
        if (c == '"') r += '"';
        r += c;
    }
    return r + "\"";
}

std::string QuoteString(std::string_view value) {
    std::string r = "'";
    for (char c : value) {
        if (c == '\'') r += '\'';
        r += c;
    }
    return r + "'";
}

struct FromItem {
    enum class Join { First, Comma, Inner, Outer, Cross };
    Join join = Join::First;
    size_t begin = 0, end = 0;          // the table reference with its alias
    size_t nameBegin = 0, nameEnd = 0;  // the (possibly dotted) table name; empty for a subquery
    std::string table;                  // last part of the name; empty for a subquery
    std::string alias;
    size_t onBegin = kNone, onEnd = kNone;  // join condition without the ON
};

// One translation: the original text, its tokens and the rewrites applied in turn.
class Translation {
public:
    Translation(std::string_view sql, Backend target, const SqlTranslator::ColumnTypeLookup& lookup, bool lift)
        : sql_(sql), target_(target), lookup_(lookup), lift_(lift) {}

    TranslatedStatement Run() {
        t_ = TokenizeSql(sql_);
        CheckSingleStatement();
        kind_ = KindOf();
        CheckNoHiddenStatement();
        RewriteTokens();
        if (kind_ == StatementKind::Delete) RewriteDelete();
        if (kind_ == StatementKind::Insert) RewriteInsert();
        if (kind_ == StatementKind::Update) RewriteUpdate();
        if (kind_ != StatementKind::Other) {
            // PostgreSQL's planner turns such negations round itself; SQLite's does not.
            if (target_ == Backend::SQLite) RewriteNegatedComparisons();
            RewriteTop();
            // PostgreSQL divides like the dialect: only integer by integer truncates.
            if (target_ == Backend::SQLite) RewriteDivision();
            RewriteWholeAggregates();
            RewriteTextConcatenation();
        }
        TranslatedStatement r;
        if (kind_ != StatementKind::Other) {
            match_ = MatchParens();
            tables_.clear();
            aliases_.clear();
            tablesComplete_ = true;
            CollectTables();
            r.tables = tables_;
            r.tablesComplete = tablesComplete_;
            if (lift_) {
                r.lifted = LiftLiterals();
                r.liftedOffsets = std::move(liftedOffsets_);
            }
        } else {
            r.tablesComplete = false;
        }
        r.sql = Render();
        r.kind = kind_;
        r.parameterCount = parameterCount_;
        r.usedColumnTypes = usedColumnTypes_;
        for (const auto& tok : t_)
            if ((tok.kind == SqlTokenKind::Word || tok.kind == SqlTokenKind::QuotedName) && !tok.verbatim)
                r.names.push_back(tok.value);
        return r;
    }

private:
    [[noreturn]] void Fail(const std::string& message) const {
        throw DatabaseError(message, std::string(sql_));
    }

    bool At(size_t i, std::string_view word) const { return i < t_.size() && IsWord(t_[i], word); }
    bool Is(size_t i, SqlTokenKind kind) const { return i < t_.size() && t_[i].kind == kind; }

    // For each parenthesis the index of its partner.
    std::vector<size_t> MatchParens() const {
        std::vector<size_t> match(t_.size(), kNone), open;
        for (size_t i = 0; i < t_.size(); ++i) {
            if (t_[i].kind == SqlTokenKind::LeftParen) {
                open.push_back(i);
            } else if (t_[i].kind == SqlTokenKind::RightParen) {
                if (open.empty()) Fail("unbalanced parentheses: ')' without '('");
                match[i] = open.back();
                match[open.back()] = i;
                open.pop_back();
            }
        }
        if (!open.empty()) Fail("unbalanced parentheses: '(' without ')'");
        return match;
    }

    // ---- one statement per call -------------------------------------------------

    void CheckSingleStatement() {
        for (size_t i = 0; i < t_.size(); ++i) {
            if (t_[i].kind != SqlTokenKind::Semicolon) continue;
            if (i + 1 < t_.size())
                Fail("a second statement is not allowed: one call runs one statement");
            t_.pop_back();
            break;
        }
        if (t_.empty()) Fail("empty statement");
        for (const auto& tok : t_) {
            if (tok.kind == SqlTokenKind::Parameter) ++parameterCount_;
        }
    }

    StatementKind KindOf() const {
        const auto& first = t_.front();
        if (IsWord(first, "SELECT") || IsWord(first, "WITH")) return StatementKind::Select;
        if (IsWord(first, "INSERT")) return StatementKind::Insert;
        if (IsWord(first, "UPDATE")) return StatementKind::Update;
        if (IsWord(first, "DELETE")) return StatementKind::Delete;
        return StatementKind::Other;
    }

    // The dialect does not need semicolons between statements, so "Select ... Delete T"
    // is two statements. A statement word outside parentheses gives the second one away.
    void CheckNoHiddenStatement() const {
        if (kind_ == StatementKind::Other || IsWord(t_.front(), "WITH")) return;
        bool selectAllowed = kind_ == StatementKind::Insert;
        int depth = 0;
        for (size_t i = 1; i < t_.size(); ++i) {
            const auto& tok = t_[i];
            if (tok.kind == SqlTokenKind::LeftParen) ++depth;
            if (tok.kind == SqlTokenKind::RightParen) --depth;
            if (depth != 0 || tok.kind != SqlTokenKind::Word) continue;
            bool qualified = t_[i - 1].kind == SqlTokenKind::Dot || Is(i + 1, SqlTokenKind::Dot);
            bool call = Is(i + 1, SqlTokenKind::LeftParen);
            if (qualified || call) continue;
            if (IsWordIn(tok, kStatementWords))
                Fail("a second statement is not allowed: one call runs one statement");
            if (IsWord(tok, "SELECT")) {
                const auto& prev = t_[i - 1];
                if (IsWord(prev, "UNION") || IsWord(prev, "ALL") || IsWord(prev, "EXCEPT") ||
                    IsWord(prev, "INTERSECT"))
                    continue;
                if (selectAllowed) {
                    selectAllowed = false;
                    continue;
                }
                Fail("a second statement is not allowed: one call runs one statement");
            }
        }
    }

    // ---- rewrites that look at one token or a short run of them -------------------

    void RewriteTokens() {
        Tokens out;
        out.reserve(t_.size());
        for (size_t i = 0; i < t_.size(); ++i) {
            SqlToken tok = t_[i];
            if (tok.kind == SqlTokenKind::Word && (tok.value[0] == '@'))
                Fail("variables are not supported: " + tok.value);
            if (tok.kind == SqlTokenKind::Operator) {
                if (tok.text == "^") Fail("the operator ^ is not supported");
                if (tok.text == "!<") tok = Raw(">=", SqlTokenKind::Operator, tok.space);
                else if (tok.text == "!>") tok = Raw("<=", SqlTokenKind::Operator, tok.space);
            }
            if (IsWord(tok, "ISNULL") && Is(i + 1, SqlTokenKind::LeftParen)) {
                tok = Raw(target_ == Backend::PostgreSQL ? "COALESCE" : "IFNULL", SqlTokenKind::Word, tok.space);
            }
            if (kind_ != StatementKind::Other) {
                // Table hints: "With (NoLock)" or a bare "(NoLock)".
                size_t hintOpen = kNone;
                if (IsWord(tok, "WITH") && Is(i + 1, SqlTokenKind::LeftParen)) hintOpen = i + 1;
                if (tok.kind == SqlTokenKind::LeftParen) hintOpen = i;
                if (hintOpen != kNone) {
                    size_t k = hintOpen + 1;
                    bool any = false;
                    while (k < t_.size() && IsWordIn(t_[k], kTableHints)) {
                        any = true;
                        ++k;
                        if (Is(k, SqlTokenKind::Comma)) ++k;
                    }
                    if (any && Is(k, SqlTokenKind::RightParen)) {
                        i = k;
                        continue;
                    }
                }
            }
            out.push_back(std::move(tok));
        }
        t_ = std::move(out);
        if (t_.empty()) Fail("empty statement");
    }

    // ---- negated comparisons ---------------------------------------------------------

    // "Not (A.BeginDate > x Or A.EndDate < y)" becomes "(A.BeginDate <= x And A.EndDate
    // >= y)": the same truth in every case, NULL included, but SQLite can then search an
    // index by the ranges instead of reading every row of the person. Only a negated list
    // of plain comparisons joined by Or is turned round.
    void RewriteNegatedComparisons() {
        bool any = false;
        for (size_t i = 0; i + 1 < t_.size() && !any; ++i) any = At(i, "NOT") && Is(i + 1, SqlTokenKind::LeftParen);
        if (!any) return;
        Tokens out;
        out.reserve(t_.size());
        for (size_t i = 0; i < t_.size(); ++i) {
            std::vector<size_t> operators;
            size_t close = kNone;
            if (At(i, "NOT") && Is(i + 1, SqlTokenKind::LeftParen)) close = ComparisonsJoinedByOr(i + 2, operators);
            if (close == kNone) {
                out.push_back(t_[i]);
                continue;
            }
            out.push_back(Raw("(", SqlTokenKind::LeftParen, t_[i].space));
            for (size_t k = i + 2; k < close; ++k) {
                if (std::find(operators.begin(), operators.end(), k) != operators.end())
                    out.push_back(Raw(std::string(NegatedOperator(t_[k].text)), SqlTokenKind::Operator, t_[k].space));
                else if (At(k, "OR"))
                    out.push_back(Raw("AND", SqlTokenKind::Word, t_[k].space));
                else
                    out.push_back(t_[k]);
            }
            out.push_back(t_[close]);
            i = close;
        }
        t_ = std::move(out);
    }

    static std::string_view NegatedOperator(std::string_view op) {
        if (op == ">") return "<=";
        if (op == "<") return ">=";
        if (op == ">=") return "<";
        if (op == "<=") return ">";
        if (op == "=") return "<>";
        return "=";  // <> and !=
    }

    // From just inside a parenthesis: "operand op operand (Or operand op operand)*" and
    // the closing parenthesis. Gives the closing parenthesis's index and the operators'
    // indexes, or kNone when the parenthesis holds anything else.
    size_t ComparisonsJoinedByOr(size_t k, std::vector<size_t>& operators) const {
        static const std::set<std::string> kComparisons = {">", "<", ">=", "<=", "=", "<>", "!="};
        while (true) {
            k = PlainOperandEnd(k);
            if (k == kNone || !Is(k, SqlTokenKind::Operator) || !kComparisons.count(t_[k].text)) return kNone;
            operators.push_back(k);
            k = PlainOperandEnd(k + 1);
            if (k == kNone) return kNone;
            if (Is(k, SqlTokenKind::RightParen)) return operators.size() > 1 ? k : kNone;
            if (!At(k, "OR")) return kNone;
            ++k;
        }
    }

    // A column (maybe qualified), a number, a quoted text or a parameter starting at k:
    // the index just after it, or kNone.
    size_t PlainOperandEnd(size_t k) const {
        if (Is(k, SqlTokenKind::Number) || Is(k, SqlTokenKind::String) || Is(k, SqlTokenKind::Parameter)) return k + 1;
        if (!IsColumnWord(k)) return kNone;
        while (Is(k + 1, SqlTokenKind::Dot) && IsColumnWord(k + 2)) k += 2;
        return k + 1;
    }

    bool IsColumnWord(size_t k) const {
        if (Is(k, SqlTokenKind::QuotedName)) return true;
        return Is(k, SqlTokenKind::Word) && !IsWordIn(t_[k], kOperandStops);
    }

    // ---- DELETE and INSERT --------------------------------------------------------

    size_t CountTopLevelWord(size_t from, std::string_view word) const {
        size_t count = 0;
        int depth = 0;
        for (size_t i = from; i < t_.size(); ++i) {
            if (t_[i].kind == SqlTokenKind::LeftParen) ++depth;
            if (t_[i].kind == SqlTokenKind::RightParen) --depth;
            if (depth == 0 && IsWord(t_[i], word)) ++count;
        }
        return count;
    }

    // "Delete T Where ..." names the table without FROM.
    void RewriteDelete() {
        if (At(1, "TOP")) Fail("DELETE TOP is not supported");
        bool hasFrom = At(1, "FROM");
        size_t froms = CountTopLevelWord(1, "FROM");
        if (froms > (hasFrom ? 1u : 0u)) Fail("DELETE with a FROM list (a join) is not supported");
        if (!hasFrom) t_.insert(t_.begin() + 1, Raw("FROM"));
    }

    // "Insert T ..." names the table without INTO.
    void RewriteInsert() {
        if (At(1, "TOP")) Fail("INSERT TOP is not supported");
        if (!At(1, "INTO")) t_.insert(t_.begin() + 1, Raw("INTO"));
    }

    // ---- FROM lists -----------------------------------------------------------------

    bool EndsClause(size_t k) const {
        if (k >= t_.size()) return true;
        const auto& tok = t_[k];
        return tok.kind == SqlTokenKind::RightParen || tok.kind == SqlTokenKind::Semicolon ||
               IsWordIn(tok, kClauseWords);
    }

    // Returns the kind of join starting at k and the index after its JOIN word, or
    // nothing when no join starts there.
    std::optional<std::pair<FromItem::Join, size_t>> JoinAt(size_t k) const {
        if (At(k, "JOIN")) return std::make_pair(FromItem::Join::Inner, k + 1);
        if (At(k, "INNER") && At(k + 1, "JOIN")) return std::make_pair(FromItem::Join::Inner, k + 2);
        if (At(k, "CROSS") && At(k + 1, "JOIN")) return std::make_pair(FromItem::Join::Cross, k + 2);
        if ((At(k, "CROSS") || At(k, "OUTER")) && At(k + 1, "APPLY")) Fail("APPLY is not supported");
        if (At(k, "LEFT") || At(k, "RIGHT") || At(k, "FULL")) {
            size_t j = k + 1;
            if (At(j, "OUTER")) ++j;
            if (At(j, "JOIN")) return std::make_pair(FromItem::Join::Outer, j + 1);
        }
        return std::nullopt;
    }

    // Index after a dotted name (db.owner.table) starting at k; the last part in `last`.
    size_t SkipName(size_t k, std::string& last) const {
        last = t_[k].value;
        ++k;
        while (Is(k, SqlTokenKind::Dot) && k + 1 < t_.size() && IsName(t_[k + 1])) {
            last = t_[k + 1].value;
            k += 2;
        }
        return k;
    }

    // Parses the FROM list that starts at `k` (just after FROM). Returns nothing when the
    // text does not read as one.
    std::optional<std::vector<FromItem>> ParseFromList(size_t k, const std::vector<size_t>& match,
                                                       size_t* endOut = nullptr) const {
        std::vector<FromItem> items;
        FromItem::Join join = FromItem::Join::First;
        while (true) {
            FromItem item;
            item.join = join;
            item.begin = k;
            if (Is(k, SqlTokenKind::LeftParen)) {
                k = match[k] + 1;
            } else if (k < t_.size() && IsName(t_[k]) &&
                       !(t_[k].kind == SqlTokenKind::Word && IsWordIn(t_[k], kNotAlias))) {
                item.nameBegin = k;
                k = SkipName(k, item.table);
                item.nameEnd = k;
                if (Is(k, SqlTokenKind::LeftParen)) return std::nullopt;  // table-valued function
            } else {
                return std::nullopt;
            }
            if (At(k, "AS") && k + 1 < t_.size() && IsName(t_[k + 1])) {
                item.alias = t_[k + 1].value;
                k += 2;
            } else if (k < t_.size() &&
                       (t_[k].kind == SqlTokenKind::QuotedName ||
                        (t_[k].kind == SqlTokenKind::Word && !IsWordIn(t_[k], kNotAlias)))) {
                item.alias = t_[k].value;
                ++k;
            }
            item.end = k;
            if (item.join == FromItem::Join::Inner || item.join == FromItem::Join::Outer) {
                if (!At(k, "ON")) return std::nullopt;
                item.onBegin = ++k;
                int depth = 0;
                while (k < t_.size()) {
                    if (t_[k].kind == SqlTokenKind::LeftParen) ++depth;
                    if (t_[k].kind == SqlTokenKind::RightParen) {
                        if (depth == 0) break;
                        --depth;
                    }
                    if (depth == 0 && (EndsClause(k) || t_[k].kind == SqlTokenKind::Comma || JoinAt(k)))
                        break;
                    ++k;
                }
                item.onEnd = k;
            }
            items.push_back(std::move(item));
            if (EndsClause(k)) break;
            if (Is(k, SqlTokenKind::Comma)) {
                join = FromItem::Join::Comma;
                ++k;
                continue;
            }
            auto next = JoinAt(k);
            if (!next) break;
            join = next->first;
            k = next->second;
        }
        if (endOut) *endOut = k;
        return items;
    }

    // ---- UPDATE ... SET ... FROM ------------------------------------------------------

    // SQLite's UPDATE ... FROM has the same shape as the dialect's, with the target
    // table kept apart from the FROM list; three differences are bridged here:
    // a SET column may not be qualified; when the FROM list names the target itself
    // (usually to give it an alias) the dialect means the same rows, which SQLite
    // would join a second time, so that table moves into the UPDATE clause and inner
    // join conditions move into WHERE.
    void RewriteUpdate() {
        if (At(1, "TOP")) Fail("UPDATE TOP is not supported");
        if (t_.size() < 2 || !IsName(t_[1])) return;
        std::string target;
        size_t set = SkipName(1, target);
        if (!At(set, "SET")) return;
        auto match = MatchParens();

        size_t from = kNone, where = kNone, tail = t_.size();
        for (size_t k = set + 1; k < t_.size(); ++k) {
            if (t_[k].kind == SqlTokenKind::LeftParen) {
                k = match[k];
                continue;
            }
            if (At(k, "FROM") && from == kNone && where == kNone) from = k;
            if (At(k, "WHERE") && where == kNone) where = k;
            if (At(k, "OPTION")) {
                tail = k;
                break;
            }
        }
        size_t setEnd = from != kNone ? from : (where != kNone ? where : tail);

        std::vector<FromItem> items;
        if (from != kNone) {
            size_t fromEnd = kNone;
            auto parsed = ParseFromList(from + 1, match, &fromEnd);
            if (!parsed || fromEnd != (where != kNone ? where : tail))
                Fail("UPDATE: the FROM list cannot be read");
            items = std::move(*parsed);
        }
        size_t hit = kNone;
        for (size_t idx = 0; idx < items.size(); ++idx) {
            const auto& it = items[idx];
            // A single reference to the target, with or without an alias, is the target.
            bool same = (!it.table.empty() && IEquals(it.table, target)) ||
                        (!it.alias.empty() && IEquals(it.alias, target));
            if (!same) continue;
            if (hit != kNone) Fail("UPDATE: the target table appears twice in the FROM list");
            hit = idx;
        }
        std::string alias = hit != kNone ? items[hit].alias : std::string();

        // SET columns: drop a qualifier naming the target.
        std::vector<bool> drop(t_.size(), false);
        for (size_t k = set + 1; k < setEnd; ++k) {
            bool startsAssignment = k == set + 1 || t_[k - 1].kind == SqlTokenKind::Comma;
            if (t_[k].kind == SqlTokenKind::LeftParen) {
                k = match[k];
                continue;
            }
            if (!startsAssignment || !IsName(t_[k]) || !Is(k + 1, SqlTokenKind::Dot)) continue;
            if (IEquals(t_[k].value, target) || (!alias.empty() && IEquals(t_[k].value, alias))) {
                drop[k] = drop[k + 1] = true;
                if (k + 2 < t_.size()) t_[k + 2].space = t_[k].space;
            }
        }

        if (hit == kNone) {
            Tokens out;
            for (size_t k = 0; k < t_.size(); ++k)
                if (!drop[k]) out.push_back(t_[k]);
            t_ = std::move(out);
            return;
        }
        const FromItem& self = items[hit];
        if (hit != 0 || self.table.empty())
            Fail("UPDATE: the target table must come first in the FROM list");
        for (size_t idx = 1; idx < items.size(); ++idx) {
            auto j = items[idx].join;
            if (j != FromItem::Join::Comma && j != FromItem::Join::Inner && j != FromItem::Join::Cross)
                Fail("UPDATE: an outer join with the target table is not supported");
        }

        Tokens out;
        out.push_back(t_[0]);
        for (size_t k = self.nameBegin; k < self.nameEnd; ++k) out.push_back(t_[k]);
        out[1].space = " ";
        if (!alias.empty()) {
            out.push_back(Raw("AS"));
            SqlToken a = t_[self.end - 1];
            a.space = " ";
            out.push_back(a);
        }
        for (size_t k = set; k < setEnd; ++k)
            if (!drop[k]) out.push_back(t_[k]);
        std::vector<std::pair<size_t, size_t>> conditions;
        for (size_t idx = 1; idx < items.size(); ++idx) {
            out.push_back(Raw(idx == 1 ? "FROM" : ",", idx == 1 ? SqlTokenKind::Word : SqlTokenKind::Comma,
                              idx == 1 ? " " : ""));
            for (size_t k = items[idx].begin; k < items[idx].end; ++k) {
                SqlToken tok = t_[k];
                if (k == items[idx].begin) tok.space = " ";
                out.push_back(std::move(tok));
            }
            if (items[idx].onBegin != kNone) conditions.emplace_back(items[idx].onBegin, items[idx].onEnd);
        }
        if (where != kNone) conditions.emplace_back(where + 1, tail);
        for (size_t c = 0; c < conditions.size(); ++c) {
            out.push_back(Raw(c == 0 ? "WHERE" : "AND"));
            bool wrap = conditions.size() > 1;
            if (wrap) out.push_back(Raw("(", SqlTokenKind::LeftParen));
            for (size_t k = conditions[c].first; k < conditions[c].second; ++k) {
                SqlToken tok = t_[k];
                if (k == conditions[c].first) tok.space = wrap ? "" : " ";
                out.push_back(std::move(tok));
            }
            if (wrap) out.push_back(Raw(")", SqlTokenKind::RightParen, ""));
        }
        for (size_t k = tail; k < t_.size(); ++k) out.push_back(t_[k]);
        t_ = std::move(out);
    }

    // ---- TOP n -> LIMIT n -------------------------------------------------------------

    void RewriteTop() {
        auto match = MatchParens();
        std::vector<bool> drop(t_.size(), false);
        std::map<size_t, Tokens> before;
        for (size_t i = 0; i < t_.size(); ++i) {
            if (!IsWord(t_[i], "SELECT")) continue;
            size_t j = i + 1;
            if (At(j, "DISTINCT") || At(j, "ALL")) ++j;
            if (!At(j, "TOP")) continue;
            size_t countAt = j + 1, last = j + 1;
            if (Is(countAt, SqlTokenKind::LeftParen)) {
                last = match[countAt];
                if (last != countAt + 2) Fail("TOP: the row count must be a number or a parameter");
                ++countAt;
            }
            if (!Is(countAt, SqlTokenKind::Number) && !Is(countAt, SqlTokenKind::Parameter))
                Fail("TOP: the row count must be a number or a parameter");
            if (t_[countAt].kind == SqlTokenKind::Number &&
                t_[countAt].text.find_first_not_of("0123456789") != std::string::npos)
                Fail("TOP: the row count must be a whole number");
            if (At(last + 1, "PERCENT")) Fail("TOP ... PERCENT is not supported");
            if (At(last + 1, "WITH") && At(last + 2, "TIES")) Fail("TOP ... WITH TIES is not supported");
            // The select ends at the parenthesis that closes it or at the end of the text.
            size_t end = last + 1;
            while (end < t_.size()) {
                const auto& tok = t_[end];
                if (tok.kind == SqlTokenKind::LeftParen) {
                    end = match[end] + 1;
                    continue;
                }
                if (tok.kind == SqlTokenKind::RightParen || tok.kind == SqlTokenKind::Semicolon) break;
                if (IsWord(tok, "UNION") || IsWord(tok, "EXCEPT") || IsWord(tok, "INTERSECT"))
                    Fail("TOP in a compound select (UNION) is not supported");
                ++end;
            }
            for (size_t k = j; k <= last; ++k) drop[k] = true;
            SqlToken count = t_[countAt];
            count.space = " ";
            before[end].push_back(Raw("LIMIT"));
            before[end].push_back(std::move(count));
        }
        if (before.empty()) return;
        Tokens out;
        for (size_t k = 0; k <= t_.size(); ++k) {
            auto it = before.find(k);
            if (it != before.end())
                for (auto& tok : it->second) out.push_back(tok);
            if (k < t_.size() && !drop[k]) out.push_back(t_[k]);
        }
        t_ = std::move(out);
    }

    // ---- division ----------------------------------------------------------------------

    // In the dialect only integer by integer truncates; money, decimal and float keep
    // their fraction. SQLite truncates whenever both values are stored as integers, and
    // it stores a whole number in a MONEY or DECIMAL column as an integer. So a division
    // that involves a column declared with a fractional type gets its divisor cast to
    // REAL. Integer columns need nothing: SQLite keeps whole numbers there as integers.
    void RewriteDivision() {
        if (!lookup_) return;
        bool any = std::any_of(t_.begin(), t_.end(), [](const SqlToken& t) { return IsOperator(t, "/"); });
        if (!any) return;
        match_ = MatchParens();
        CollectTables();
        std::map<size_t, int> opens, closes;
        for (size_t k = 0; k < t_.size(); ++k) {
            if (!IsOperator(t_[k], "/") || k == 0) continue;
            auto right = PrimaryAfter(k + 1);
            if (!right) continue;
            bool fractional = HasFraction(right->first, right->second);
            // The dividend is the run of factors joined by * / % before the operator.
            size_t e = k - 1;
            while (!fractional) {
                auto left = PrimaryBefore(e);
                if (!left) break;
                fractional = HasFraction(left->first, left->second);
                size_t s = left->first;
                if (s < 2 || !(IsOperator(t_[s - 1], "*") || IsOperator(t_[s - 1], "/") ||
                               IsOperator(t_[s - 1], "%")))
                    break;
                e = s - 2;
            }
            if (!fractional) continue;
            ++opens[right->first];
            ++closes[right->second];
        }
        if (opens.empty()) return;
        Tokens out;
        for (size_t k = 0; k < t_.size(); ++k) {
            SqlToken tok = t_[k];
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
        t_ = std::move(out);
    }

    // ---- Sum and Avg of whole numbers ------------------------------------------------

    // In the dialect the sum and the average of whole numbers are whole numbers (the
    // average truncated), so dividing them truncates too. PostgreSQL gives decimals for
    // both, SQLite a real for the average.
    void RewriteWholeAggregates() {
        if (!lookup_) return;
        bool any = std::any_of(t_.begin(), t_.end(), [](const SqlToken& t) {
            return (IsWord(t, "SUM") || IsWord(t, "AVG"));
        });
        if (!any) return;
        match_ = MatchParens();
        CollectTables();
        std::map<size_t, bool> wrap;  // index of the aggregate's name -> it is an average
        for (size_t k = 0; k + 1 < t_.size(); ++k) {
            bool aggregate = IsWord(t_[k], "AVG") || (pg() && IsWord(t_[k], "SUM"));
            if (!aggregate || !Is(k + 1, SqlTokenKind::LeftParen)) continue;
            size_t close = match_[k + 1];
            if (close <= k + 2 || At(close + 1, "OVER")) continue;  // a window aggregate keeps its form
            if (HasFraction(k + 2, close - 1) || !HasWholeColumn(k + 2, close - 1)) continue;
            wrap[k] = IsWord(t_[k], "AVG");
        }
        if (wrap.empty()) return;
        std::map<size_t, bool> closes;  // index of the aggregate's ")" -> it is an average
        for (const auto& [k, average] : wrap) closes[match_[k + 1]] = average;
        Tokens out;
        for (size_t k = 0; k < t_.size(); ++k) {
            SqlToken tok = t_[k];
            auto w = wrap.find(k);
            if (w != wrap.end()) {
                out.push_back(Raw("CAST", SqlTokenKind::Word, tok.space));
                out.push_back(Raw("(", SqlTokenKind::LeftParen, ""));
                if (w->second && pg()) {
                    out.push_back(Raw("TRUNC", SqlTokenKind::Word, ""));
                    out.push_back(Raw("(", SqlTokenKind::LeftParen, ""));
                }
                tok.space = "";
            }
            out.push_back(std::move(tok));
            auto c = closes.find(k);
            if (c != closes.end()) {
                // SQLite's cast of a real to an integer truncates; PostgreSQL's rounds.
                if (c->second && pg()) out.push_back(Raw(")", SqlTokenKind::RightParen, ""));
                out.push_back(Raw("AS"));
                out.push_back(Raw(pg() ? "BIGINT" : "INTEGER"));
                out.push_back(Raw(")", SqlTokenKind::RightParen, ""));
            }
        }
        t_ = std::move(out);
    }

    // Whether the tokens [b, e] name a column of a whole-number type.
    bool HasWholeColumn(size_t b, size_t e) {
        for (size_t k = b; k <= e; ++k) {
            if (!IsName(t_[k]) || Is(k + 1, SqlTokenKind::Dot) || Is(k + 1, SqlTokenKind::LeftParen)) continue;
            const std::string* qualifier = nullptr;
            if (k >= 2 && t_[k - 1].kind == SqlTokenKind::Dot && IsName(t_[k - 2])) qualifier = &t_[k - 2].value;
            if (qualifier) {
                auto alias = aliases_.find(Upper(*qualifier));
                const std::string& table = alias != aliases_.end() ? alias->second : *qualifier;
                if (TypeOf(table, t_[k].value) == ColumnType::Integer) return true;
                continue;
            }
            for (const auto& table : tables_)
                if (TypeOf(table, t_[k].value) == ColumnType::Integer) return true;
        }
        return false;
    }

    // ---- + between texts -> || --------------------------------------------------------

    // The dialect joins texts with +; both backends add numbers with it and join texts
    // with ||. A + is a join when one side is a text literal that does not read as a
    // number, or both sides are text (text columns, text functions, text literals).
    enum class Operand { Text, TextLiteral, Other };

    Operand OperandKind(size_t b, size_t e) {
        const auto& tok = t_[b];
        if (b == e && tok.kind == SqlTokenKind::String) {
            const std::string& v = tok.value;
            bool numeric = !v.empty() && v.find_first_not_of("0123456789.+- ") == std::string::npos;
            return numeric ? Operand::Text : Operand::TextLiteral;
        }
        static const std::set<std::string> kTextFunctions = {"UPPER", "LOWER", "LTRIM", "RTRIM", "LEFT", "RIGHT",
                                                             "SUBSTRING", "REPLACE", "TRIM"};
        if (tok.kind == SqlTokenKind::Word && Is(b + 1, SqlTokenKind::LeftParen))
            return IsWordIn(tok, kTextFunctions) && match_[b + 1] == e ? Operand::Text : Operand::Other;
        if (!lookup_ || !IsName(t_[e])) return Operand::Other;
        for (size_t k = b; k <= e; ++k)
            if (!IsName(t_[k]) && t_[k].kind != SqlTokenKind::Dot) return Operand::Other;
        const std::string* qualifier = e >= b + 2 ? &t_[e - 2].value : nullptr;
        if (qualifier) {
            auto alias = aliases_.find(Upper(*qualifier));
            if (alias != aliases_.end()) return TypeOf(alias->second, t_[e].value) == ColumnType::Text ? Operand::Text : Operand::Other;
            for (const auto& table : tables_)
                if (IEquals(table, *qualifier))
                    return TypeOf(table, t_[e].value) == ColumnType::Text ? Operand::Text : Operand::Other;
            return Operand::Other;
        }
        for (const auto& table : tables_) {
            ColumnType type = TypeOf(table, t_[e].value);
            if (type != ColumnType::Unknown) return type == ColumnType::Text ? Operand::Text : Operand::Other;
        }
        return Operand::Other;
    }

    void RewriteTextConcatenation() {
        bool any = std::any_of(t_.begin(), t_.end(), [](const SqlToken& t) { return IsOperator(t, "+"); });
        if (!any) return;
        match_ = MatchParens();
        if (tables_.empty()) CollectTables();
        std::vector<size_t> joins;
        for (size_t k = 1; k + 1 < t_.size(); ++k) {
            if (!IsOperator(t_[k], "+")) continue;
            auto left = PrimaryBefore(k - 1);
            auto right = PrimaryAfter(k + 1);
            if (!left || !right || right->first != k + 1) continue;
            Operand a = OperandKind(left->first, left->second);
            Operand b = OperandKind(right->first, right->second);
            bool literal = a == Operand::TextLiteral || b == Operand::TextLiteral;
            bool bothText = a != Operand::Other && b != Operand::Other;
            if (literal || bothText) joins.push_back(k);
        }
        for (size_t k : joins) t_[k] = Raw("||", SqlTokenKind::Operator, t_[k].space);
    }

    // Tables and aliases named anywhere in the statement.
    void CollectTables() {
        auto addTable = [&](const std::string& table, const std::string& alias) {
            if (table.empty()) return;
            if (std::none_of(tables_.begin(), tables_.end(), [&](const std::string& t) { return IEquals(t, table); }))
                tables_.push_back(table);
            if (!alias.empty()) aliases_[Upper(alias)] = table;
        };
        if ((kind_ == StatementKind::Update || kind_ == StatementKind::Insert) && t_.size() > 2) {
            size_t at = kind_ == StatementKind::Insert ? 2 : 1;
            if (IsName(t_[at])) {
                std::string name;
                SkipName(at, name);
                addTable(name, "");
            }
        }
        for (size_t k = 0; k < t_.size(); ++k) {
            if (!At(k, "FROM")) continue;
            auto items = ParseFromList(k + 1, match_);
            if (!items) {
                tablesComplete_ = false;
                continue;
            }
            for (const auto& it : *items) addTable(it.table, it.alias);
        }
    }

    ColumnType TypeOf(const std::string& table, const std::string& column) {
        auto key = std::make_pair(Upper(table), Upper(column));
        auto found = typeCache_.find(key);
        if (found != typeCache_.end()) return found->second;
        usedColumnTypes_ = true;
        ColumnType type = lookup_(table, column);
        typeCache_[key] = type;
        return type;
    }

    static bool Fractional(ColumnType type) { return type == ColumnType::Float || type == ColumnType::Currency; }

    // Whether a column reference (optionally qualified) names a column of a fractional type.
    bool ColumnHasFraction(const std::string* qualifier, const std::string& column) {
        if (qualifier) {
            auto alias = aliases_.find(Upper(*qualifier));
            if (alias != aliases_.end()) return Fractional(TypeOf(alias->second, column));
            for (const auto& table : tables_)
                if (IEquals(table, *qualifier)) return Fractional(TypeOf(table, column));
        }
        for (const auto& table : tables_)
            if (Fractional(TypeOf(table, column))) return true;
        return false;
    }

    // Whether the tokens [b, e] (inclusive) hold a value of a fractional type.
    bool HasFraction(size_t b, size_t e) {
        for (size_t k = b; k <= e && k < t_.size(); ++k) {
            const auto& tok = t_[k];
            if (tok.kind == SqlTokenKind::Number && tok.text.find_first_not_of("0123456789") != std::string::npos)
                return true;
            if (!IsName(tok)) continue;
            if (tok.kind == SqlTokenKind::Word && Is(k + 1, SqlTokenKind::LeftParen)) {
                size_t close = match_[k + 1];
                if (IsWord(tok, "COUNT")) {
                    k = close;
                    continue;
                }
                if (IsWord(tok, "CAST")) {
                    // The type after the last AS decides.
                    for (size_t a = close; a > k + 1; --a) {
                        if (!IsWord(t_[a], "AS")) continue;
                        static const std::set<std::string> kFractionTypes = {
                            "FLOAT", "REAL", "DOUBLE", "DECIMAL", "NUMERIC", "MONEY", "SMALLMONEY"};
                        if (a + 1 < close && IsWordIn(t_[a + 1], kFractionTypes)) return true;
                        break;
                    }
                    k = close;
                    continue;
                }
                continue;  // other functions: their arguments decide
            }
            if (Is(k + 1, SqlTokenKind::Dot)) continue;  // a qualifier
            const std::string* qualifier = nullptr;
            if (k >= 2 && t_[k - 1].kind == SqlTokenKind::Dot && IsName(t_[k - 2])) qualifier = &t_[k - 2].value;
            if (ColumnHasFraction(qualifier, tok.value)) return true;
        }
        return false;
    }

    size_t MatchCase(size_t k, int step) const {
        int depth = 0;
        for (size_t i = k; i < t_.size(); i += step) {
            if (IsWord(t_[i], "CASE")) depth += step;
            if (IsWord(t_[i], "END")) depth -= step;
            if (depth == 0) return i;
            if (step < 0 && i == 0) break;
        }
        return kNone;
    }

    // The operand that starts at k (after unary signs), as an inclusive range.
    std::optional<std::pair<size_t, size_t>> PrimaryAfter(size_t k) const {
        while (k < t_.size() && (IsOperator(t_[k], "-") || IsOperator(t_[k], "+"))) ++k;
        if (k >= t_.size()) return std::nullopt;
        const auto& tok = t_[k];
        switch (tok.kind) {
            case SqlTokenKind::LeftParen: return std::make_pair(k, match_[k]);
            case SqlTokenKind::Number:
            case SqlTokenKind::String:
            case SqlTokenKind::Parameter: return std::make_pair(k, k);
            case SqlTokenKind::Word:
                if (IsWord(tok, "CASE")) {
                    size_t end = MatchCase(k, 1);
                    if (end == kNone) return std::nullopt;
                    return std::make_pair(k, end);
                }
                if (Is(k + 1, SqlTokenKind::LeftParen)) return std::make_pair(k, match_[k + 1]);
                [[fallthrough]];
            case SqlTokenKind::QuotedName: {
                std::string last;
                size_t end = SkipName(k, last);
                return std::make_pair(k, end - 1);
            }
            default: return std::nullopt;
        }
    }

    // The operand that ends at e, as an inclusive range.
    std::optional<std::pair<size_t, size_t>> PrimaryBefore(size_t e) const {
        if (e >= t_.size()) return std::nullopt;
        const auto& tok = t_[e];
        switch (tok.kind) {
            case SqlTokenKind::RightParen: {
                size_t s = match_[e];
                if (s > 0 && t_[s - 1].kind == SqlTokenKind::Word && !IsWordIn(t_[s - 1], kNotFunction)) --s;
                return std::make_pair(s, e);
            }
            case SqlTokenKind::Number:
            case SqlTokenKind::String:
            case SqlTokenKind::Parameter: return std::make_pair(e, e);
            case SqlTokenKind::Word:
                if (IsWord(tok, "END")) {
                    size_t s = MatchCase(e, -1);
                    if (s == kNone) return std::nullopt;
                    return std::make_pair(s, e);
                }
                [[fallthrough]];
            case SqlTokenKind::QuotedName: {
                size_t s = e;
                while (s >= 2 && t_[s - 1].kind == SqlTokenKind::Dot && IsName(t_[s - 2])) s -= 2;
                return std::make_pair(s, e);
            }
            default: return std::nullopt;
        }
    }

    // ---- literals into parameters ---------------------------------------------------

    // Turns the literals of the statement into parameters numbered after its own, and
    // returns their values. A literal stays where its value shapes the statement rather
    // than feeding it: the select list (GROUP BY must repeat its expressions, and an
    // unnamed column is named after its text), GROUP BY, ORDER BY (a number there is a
    // column position), LIMIT and OFFSET, CASE (its branches take their type from their
    // values), the defaults of ISNULL/IFNULL/COALESCE/NULLIF, and CAST/CONVERT (type
    // lengths are part of the syntax).
    std::vector<Variant> LiftLiterals() {
        static const std::set<std::string> kKeepInside = {"ISNULL", "IFNULL", "COALESCE", "NULLIF", "CAST",
                                                          "CONVERT"};
        static const std::set<std::string> kKeptClauses = {"SELECT", "GROUP", "ORDER", "LIMIT", "OFFSET"};
        static const std::set<std::string> kClauseStarts = {"SELECT", "FROM",   "WHERE", "GROUP", "HAVING", "ORDER",
                                                            "LIMIT",  "OFFSET", "SET",   "VALUES", "ON",    "UNION",
                                                            "EXCEPT", "INTERSECT", "JOIN", "INTO"};
        std::vector<Variant> values;
        std::vector<std::string> clause(1, "");  // per parenthesis depth
        std::vector<bool> keptParen;            // per open parenthesis: a function whose literals stay
        int keptDepth = 0, caseDepth = 0;
        int next = parameterCount_;
        for (size_t i = 0; i < t_.size(); ++i) {
            SqlToken& tok = t_[i];
            if (tok.kind == SqlTokenKind::LeftParen) {
                const bool keep = i > 0 && t_[i - 1].kind == SqlTokenKind::Word && IsWordIn(t_[i - 1], kKeepInside);
                keptParen.push_back(keep);
                if (keep) ++keptDepth;
                clause.push_back(clause.back());
                continue;
            }
            if (tok.kind == SqlTokenKind::RightParen) {
                if (!keptParen.empty()) {
                    if (keptParen.back()) --keptDepth;
                    keptParen.pop_back();
                }
                if (clause.size() > 1) clause.pop_back();
                continue;
            }
            if (tok.kind == SqlTokenKind::Word && !tok.verbatim) {
                const std::string word = Upper(tok.value);
                if (word == "CASE") ++caseDepth;
                else if (word == "END" && caseDepth > 0) --caseDepth;
                else if (kClauseStarts.count(word)) clause.back() = word;
                continue;
            }
            if (tok.kind == SqlTokenKind::Word && tok.verbatim && IsWord(tok, "LIMIT")) {
                clause.back() = "LIMIT";
                continue;
            }
            if ((tok.kind != SqlTokenKind::Number && tok.kind != SqlTokenKind::String) || tok.verbatim) continue;
            if (keptDepth > 0 || caseDepth > 0 || kKeptClauses.count(clause.back())) continue;
            std::optional<Variant> value = LiteralAsParameter(tok);
            if (!value) continue;
            values.push_back(std::move(*value));
            liftedOffsets_.push_back(tok.offset);
            SqlToken param;
            param.kind = SqlTokenKind::Parameter;
            param.text = "?";
            param.space = tok.space;
            param.offset = tok.offset;
            param.parameter = ++next;
            tok = std::move(param);
        }
        return values;
    }

    // ---- output --------------------------------------------------------------------

    static bool Wordish(SqlTokenKind kind) {
        return kind == SqlTokenKind::Word || kind == SqlTokenKind::QuotedName || kind == SqlTokenKind::String ||
               kind == SqlTokenKind::Number || kind == SqlTokenKind::Parameter;
    }

    std::string RenderToken(const SqlToken& tok) const {
        if (tok.verbatim) return tok.text;
        switch (tok.kind) {
            case SqlTokenKind::Word: {
                bool odd = tok.value.find_first_of(pg() ? "@#$" : "@#") != std::string::npos;
                const auto& reserved = pg() ? kPostgresReserved : kSQLiteReserved;
                if (odd || (kind_ != StatementKind::Other && IsWordIn(tok, reserved))) return QuotedName(tok.value);
                return tok.text;
            }
            case SqlTokenKind::QuotedName: return QuotedName(tok.value);
            case SqlTokenKind::String: return QuoteString(tok.value);
            case SqlTokenKind::Parameter: return (pg() ? "$" : "?") + std::to_string(tok.parameter);
            default: return tok.text;
        }
    }

    bool pg() const { return target_ == Backend::PostgreSQL; }

    // A name written quoted. PostgreSQL folds the schema's unquoted names to lower case,
    // so a quoted name is folded the same way to find them.
    std::string QuotedName(std::string_view name) const { return QuoteName(pg() ? LowerAscii(name) : name); }

    std::string Render() const {
        std::string out;
        bool prevWordish = false;
        for (size_t i = 0; i < t_.size(); ++i) {
            const auto& tok = t_[i];
            std::string text = RenderToken(tok);
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

    std::string_view sql_;
    Backend target_;
    const SqlTranslator::ColumnTypeLookup& lookup_;
    Tokens t_;
    StatementKind kind_ = StatementKind::Other;
    int parameterCount_ = 0;
    bool usedColumnTypes_ = false;
    bool lift_ = false;
    std::vector<size_t> liftedOffsets_;
    bool tablesComplete_ = true;
    std::vector<size_t> match_;
    std::vector<std::string> tables_;
    std::map<std::string, std::string> aliases_;
    std::map<std::pair<std::string, std::string>, ColumnType> typeCache_;
};

}  // namespace

std::optional<Variant> LiteralAsParameter(const SqlToken& tok) {
    if (tok.kind == SqlTokenKind::String) return Variant(tok.value);
    if (tok.kind != SqlTokenKind::Number) return std::nullopt;
    if (tok.text.find_first_not_of("0123456789") == std::string::npos) {
        if (tok.text.size() > 18) return std::nullopt;  // beyond a whole number's range: left as written
        return Variant(static_cast<int64_t>(std::stoll(tok.text)));
    }
    char* end = nullptr;
    const double d = std::strtod(tok.text.c_str(), &end);
    if (!end || *end != '\0') return std::nullopt;  // a form the parameter could not carry as it is
    return Variant(d);
}

namespace {

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
            SqlTokenKind kind = c == '(' ? SqlTokenKind::LeftParen
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
            if (len == 0 && std::string_view("=<>+-*/%&|^~").find(static_cast<char>(c)) != std::string_view::npos)
                len = 1;
            if (len == 0) fail(std::string("unexpected character '") + static_cast<char>(c) + "' at position " +
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
        [&](SqlTokenKind kind, size_t start, size_t end, bool national, const std::string& value, int parameter) {
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
                        if (sql[k] == '/' && k + 1 < end && sql[k + 1] == '*') depth++, k += 2;
                        else if (sql[k] == '*' && k + 1 < end && sql[k + 1] == '/') depth--, k += 2;
                        else ++k;
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
            if (kind == SqlTokenKind::String) shape += national ? 'N' : 'S';
            else shape += t.text.find_first_not_of("0123456789") == std::string::npos ? 'I' : 'F';
            kept = end;
        },
        [](size_t, size_t) {});
    shape.append(sql.substr(kept));
    return shape;
}

SqlTranslator::SqlTranslator(Backend target, ColumnTypeLookup columnTypes)
    : target_(target), columnTypes_(std::move(columnTypes)) {}

TranslatedStatement SqlTranslator::Translate(std::string_view sql) const {
    Translation translation(sql, target_, columnTypes_, liftLiterals_);
    return translation.Run();
}

}  // namespace humrs
