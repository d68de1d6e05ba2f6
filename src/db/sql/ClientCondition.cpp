// A client's condition read by the statement lexer and a small grammar of boolean
// expressions over the statement's columns (see db/ClientCondition.h). Every token is
// either part of that grammar or the reason the condition is refused.
#include "db/ClientCondition.h"

#include <algorithm>
#include <string_view>

#include "core/Errors.h"
#include "core/Text.h"
#include "db/Database.h"
#include "db/sql/Words.h"

namespace humrs {

namespace {

using sql::IsName;
using sql::IsOperator;
using sql::IsWord;

// Parentheses, Not and signs deeper than this are not a period or a range: refused
// before they cost the parser its stack.
constexpr int kMaxDepth = 64;

// Functions a condition may call: Null handling of a column only.
constexpr std::string_view kHarmlessFunctions[] = {"IsNull"};

enum class Kind { Value, Bool };

class ConditionReader {
public:
    ConditionReader(const std::string& text, const ConditionScope& scope) : text_(text), scope_(scope) {
        try {
            tokens_ = TokenizeSql(text);
        } catch (const DatabaseError& e) {
            throw InputError(std::string("the condition is not readable: ") + e.what());
        }
    }

    void Check() {
        CutAtComment();
        if (tokens_.empty()) {
            if (comment_.empty()) throw InputError("the condition is empty");
            Refuse(0);
        }
        const Kind kind = Expression();
        if (pos_ < tokens_.size() || !comment_.empty()) Refuse(pos_);
        if (kind != Kind::Bool) Refuse(0);
    }

private:
    // Refuses the token at `at`; past the last token, the comment that follows it (or
    // else the last token, where the condition ended too soon).
    [[noreturn]] void Refuse(size_t at, const char* why = nullptr) const {
        if (at >= tokens_.size() && !comment_.empty())
            throw InputError("the condition is refused at \"" + comment_ + "\": a condition carries no comment");
        const std::string& token = tokens_[std::min(at, tokens_.size() - 1)].text;
        std::string message = "the condition is refused at \"" + token + "\"";
        message += why ? std::string(": ") + why
                       : ": a condition compares columns of the statement's tables with values and nothing more";
        throw InputError(message);
    }

    // The lexer folds comments into the blanks between tokens: whatever is not a blank
    // there is a comment. The condition is read up to the first one, which is refused
    // where the reading gets to it.
    void CutAtComment() {
        size_t end = 0;
        for (size_t i = 0; i <= tokens_.size(); ++i) {
            const size_t to = i < tokens_.size() ? tokens_[i].offset : text_.size();
            for (size_t k = end; k < to; ++k) {
                const char c = text_[k];
                if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') continue;
                comment_ = text_.substr(k, 2);
                tokens_.resize(i);
                return;
            }
            if (i < tokens_.size()) end = tokens_[i].offset + tokens_[i].text.size();
        }
    }

    bool AtWord(std::string_view word) const { return pos_ < tokens_.size() && IsWord(tokens_[pos_], word); }
    bool AtKind(SqlTokenKind kind) const { return pos_ < tokens_.size() && tokens_[pos_].kind == kind; }
    bool AtOperator(std::string_view op) const { return pos_ < tokens_.size() && IsOperator(tokens_[pos_], op); }
    void Expect(bool ok) const {
        if (!ok) Refuse(pos_);
    }
    // The token at `at` must be of the kind; else it is the one refused.
    void Want(Kind got, Kind wanted, size_t at) const {
        if (got != wanted) Refuse(at);
    }

    class Deeper {
    public:
        explicit Deeper(ConditionReader& r) : r_(r) {
            if (++r_.depth_ > kMaxDepth) r_.Refuse(r_.pos_, "the condition is nested too deeply");
        }
        ~Deeper() { --r_.depth_; }

    private:
        ConditionReader& r_;
    };

    // Operands that `joins` (at the token between two) puts together; with more than
    // one, each must be of `kind`.
    template <class Joins>
    Kind Joined(Kind (ConditionReader::*operand)(), Joins joins, Kind kind) {
        const size_t first = pos_;
        const Kind got = (this->*operand)();
        if (!joins()) return got;
        Want(got, kind, first);
        while (joins()) {
            ++pos_;
            Operand(operand, kind);
        }
        return kind;
    }
    // The operand at the current token, which must be of `kind`.
    void Operand(Kind (ConditionReader::*operand)(), Kind kind) {
        const size_t at = pos_;
        Want((this->*operand)(), kind, at);
    }

    // Or of Ands of (Not) predicates, the operands of And / Or boolean.
    Kind Expression() {
        return Joined(&ConditionReader::Conjunction, [this] { return AtWord("Or"); }, Kind::Bool);
    }
    Kind Conjunction() {
        return Joined(&ConditionReader::Negation, [this] { return AtWord("And"); }, Kind::Bool);
    }

    Kind Negation() {
        if (!AtWord("Not")) return Predicate();
        Deeper deeper(*this);
        ++pos_;
        Operand(&ConditionReader::Negation, Kind::Bool);
        return Kind::Bool;
    }

    // A value, or a value compared: =, <>, Between, In (...), Like, Is Null.
    Kind Predicate() {
        const size_t first = pos_;
        const Kind left = Sum();
        if (pos_ >= tokens_.size()) return left;
        static constexpr std::string_view kComparisons[] = {"=", "<>", "!=", "<", "<=", ">", ">=", "!<", "!>"};
        bool compared = false;
        for (std::string_view op : kComparisons) compared = compared || AtOperator(op);
        const bool negated = !compared && AtWord("Not");
        const size_t word = negated ? pos_ + 1 : pos_;
        auto atWord = [&](std::string_view w) { return word < tokens_.size() && IsWord(tokens_[word], w); };
        if (!compared && !atWord("Is") && !atWord("Between") && !atWord("Like") && !atWord("In")) {
            Expect(!negated);
            return left;
        }
        Want(left, Kind::Value, first);
        pos_ = word + 1;
        if (compared || atWord("Like")) {
            Operand(&ConditionReader::Sum, Kind::Value);
        } else if (atWord("Is")) {
            Expect(!negated);
            if (AtWord("Not")) ++pos_;
            Expect(AtWord("Null"));
            ++pos_;
        } else if (atWord("Between")) {
            Operand(&ConditionReader::Sum, Kind::Value);
            Expect(AtWord("And"));
            ++pos_;
            Operand(&ConditionReader::Sum, Kind::Value);
        } else {
            LiteralList();
        }
        return Kind::Bool;
    }

    // "(" literal {"," literal} ")": never a subquery.
    void LiteralList() {
        Expect(AtKind(SqlTokenKind::LeftParen));
        ++pos_;
        for (;;) {
            if (AtOperator("-") || AtOperator("+")) ++pos_;
            Expect(AtKind(SqlTokenKind::Number) || AtKind(SqlTokenKind::String));
            ++pos_;
            if (AtKind(SqlTokenKind::RightParen)) break;
            Expect(AtKind(SqlTokenKind::Comma));
            ++pos_;
        }
        ++pos_;
    }

    Kind Sum() {
        return Joined(&ConditionReader::Product, [this] { return AtOperator("+") || AtOperator("-"); }, Kind::Value);
    }
    Kind Product() {
        return Joined(
            &ConditionReader::Signed, [this] { return AtOperator("*") || AtOperator("/") || AtOperator("%"); },
            Kind::Value);
    }

    Kind Signed() {
        if (!AtOperator("-") && !AtOperator("+")) return Primary();
        Deeper deeper(*this);
        ++pos_;
        Operand(&ConditionReader::Signed, Kind::Value);
        return Kind::Value;
    }

    Kind Primary() {
        Expect(pos_ < tokens_.size());
        const SqlToken& t = tokens_[pos_];
        switch (t.kind) {
            case SqlTokenKind::Number:
            case SqlTokenKind::String: ++pos_; return Kind::Value;
            case SqlTokenKind::LeftParen: {
                Deeper deeper(*this);
                ++pos_;
                const Kind inner = Expression();
                Expect(AtKind(SqlTokenKind::RightParen));
                ++pos_;
                return inner;
            }
            case SqlTokenKind::Word:
                if (IsWord(t, "Null")) {
                    ++pos_;
                    return Kind::Value;
                }
                if (pos_ + 1 < tokens_.size() && tokens_[pos_ + 1].kind == SqlTokenKind::LeftParen) return Call();
                return Column();
            case SqlTokenKind::QuotedName: return Column();
            default: Refuse(pos_);
        }
    }

    // A harmless function over values: IsNull(column, 0).
    Kind Call() {
        bool harmless = false;
        for (std::string_view name : kHarmlessFunctions) harmless = harmless || IsWord(tokens_[pos_], name);
        if (!harmless) Refuse(pos_, "a condition calls no function but IsNull");
        Deeper deeper(*this);
        pos_ += 2;
        for (;;) {
            Operand(&ConditionReader::Sum, Kind::Value);
            if (AtKind(SqlTokenKind::RightParen)) break;
            Expect(AtKind(SqlTokenKind::Comma));
            ++pos_;
        }
        ++pos_;
        return Kind::Value;
    }

    // A column of a table of the statement: alias.column, or a column name that one of
    // the tables has.
    Kind Column() {
        const size_t first = pos_;
        const SqlToken& name = tokens_[pos_++];
        if (name.kind == SqlTokenKind::Word && (name.value[0] == '@' || name.value[0] == '#')) Refuse(first);
        if (!AtKind(SqlTokenKind::Dot)) {
            for (const auto& table : scope_.tables)
                if (HasColumn(table, name.value)) return Kind::Value;
            Refuse(first, "no table of the statement has such a column");
        }
        ++pos_;
        const ConditionScope::Table* table = nullptr;
        for (const auto& t : scope_.tables)
            if (SameText(t.alias.empty() ? t.name : t.alias, name.value)) table = &t;
        if (!table) Refuse(first, "the statement reads no table by that name");
        Expect(pos_ < tokens_.size() && IsName(tokens_[pos_]));
        if (!HasColumn(*table, tokens_[pos_].value)) Refuse(pos_, "the table has no such column");
        ++pos_;
        return Kind::Value;
    }

    static bool HasColumn(const ConditionScope::Table& table, const std::string& column) {
        for (const std::string& c : table.columns)
            if (SameText(c, column)) return true;
        return false;
    }

    const std::string& text_;
    const ConditionScope& scope_;
    std::vector<SqlToken> tokens_;  // up to the first comment
    std::string comment_;           // its first two characters; empty when there is none
    size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace

ConditionScope ConditionScope::Of(Database& db, const std::vector<std::pair<std::string, std::string>>& tables) {
    ConditionScope scope;
    for (const auto& [alias, name] : tables) {
        Table& table = scope.tables.emplace_back();
        table.alias = alias;
        table.name = name;
        for (const ResultColumn& c : db.TableColumns(name)) table.columns.push_back(c.name);
    }
    return scope;
}

void CheckClientCondition(const std::string& text, const ConditionScope& scope) {
    ConditionReader(text, scope).Check();
}

}  // namespace humrs
