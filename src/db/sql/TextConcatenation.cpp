// The dialect joins texts with +; both backends add numbers with it and join texts
// with ||. A + is a join when one side is a text literal that does not read as a
// number, or both sides are text (text columns, text functions, text literals).
#include <algorithm>
#include <set>

#include "db/sql/FromList.h"
#include "db/sql/Operands.h"
#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

namespace {

enum class Operand { Text, TextLiteral, Other };

Operand TextIf(ColumnType type) { return type == ColumnType::Text ? Operand::Text : Operand::Other; }

Operand OperandKind(Statement& s, size_t b, size_t e) {
    const TokenList& t = s.tokens;
    const auto& tok = t[b];
    if (b == e && tok.kind == SqlTokenKind::String) {
        const std::string& v = tok.value;
        bool numeric = !v.empty() && v.find_first_not_of("0123456789.+- ") == std::string::npos;
        return numeric ? Operand::Text : Operand::TextLiteral;
    }
    static const std::set<std::string> kTextFunctions = {"UPPER", "LOWER",     "LTRIM",   "RTRIM", "LEFT",
                                                         "RIGHT", "SUBSTRING", "REPLACE", "TRIM"};
    if (tok.kind == SqlTokenKind::Word && t.Is(b + 1, SqlTokenKind::LeftParen))
        return IsWordIn(tok, kTextFunctions) && t.Match(b + 1) == e ? Operand::Text : Operand::Other;
    if (!s.lookup || !IsName(t[e])) return Operand::Other;
    for (size_t k = b; k <= e; ++k)
        if (!IsName(t[k]) && t[k].kind != SqlTokenKind::Dot) return Operand::Other;
    const std::string* qualifier = e >= b + 2 ? &t[e - 2].value : nullptr;
    if (qualifier) {
        auto alias = s.aliases.find(UpperAscii(*qualifier));
        if (alias != s.aliases.end()) return TextIf(TypeOf(s, alias->second, t[e].value));
        for (const auto& table : s.tables)
            if (SameText(table, *qualifier)) return TextIf(TypeOf(s, table, t[e].value));
        return Operand::Other;
    }
    for (const auto& table : s.tables) {
        ColumnType type = TypeOf(s, table, t[e].value);
        if (type != ColumnType::Unknown) return TextIf(type);
    }
    return Operand::Other;
}

}  // namespace

void RewriteTextConcatenation(Statement& s) {
    TokenList& t = s.tokens;
    if (std::none_of(t.begin(), t.end(), [](const SqlToken& tok) { return IsOperator(tok, "+"); })) return;
    if (s.tables.empty()) CollectTables(s);
    std::vector<size_t> joins;
    for (size_t k = 1; k + 1 < t.size(); ++k) {
        if (!IsOperator(t[k], "+")) continue;
        auto left = PrimaryBefore(t, k - 1);
        auto right = PrimaryAfter(t, k + 1);
        if (!left || !right || right->first != k + 1) continue;
        Operand a = OperandKind(s, left->first, left->second);
        Operand b = OperandKind(s, right->first, right->second);
        bool literal = a == Operand::TextLiteral || b == Operand::TextLiteral;
        bool bothText = a != Operand::Other && b != Operand::Other;
        if (literal || bothText) joins.push_back(k);
    }
    for (size_t k : joins) {
        std::string space = t[k].space;
        t.Edit(k) = Raw("||", SqlTokenKind::Operator, std::move(space));
    }
}

}  // namespace humrs::sql
