// SQLite's UPDATE ... FROM has the same shape as the dialect's, with the target table
// kept apart from the FROM list; three differences are bridged here: a SET column may
// not be qualified; when the FROM list names the target itself (usually to give it an
// alias) the dialect means the same rows, which SQLite would join a second time, so
// that table moves into the UPDATE clause and inner join conditions move into WHERE.
#include "db/sql/FromList.h"
#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

void RewriteUpdateFrom(Statement& s) {
    TokenList& t = s.tokens;
    if (t.At(1, "TOP")) s.Fail("UPDATE TOP is not supported");
    if (t.size() < 2 || !IsName(t[1])) return;
    std::string target;
    size_t set = SkipName(t, 1, target);
    if (!t.At(set, "SET")) return;
    t.CheckBalanced();

    size_t from = kNone, where = kNone, tail = t.size();
    for (size_t k = set + 1; k < t.size(); ++k) {
        if (t[k].kind == SqlTokenKind::LeftParen) {
            k = t.Match(k);
            continue;
        }
        if (t.At(k, "FROM") && from == kNone && where == kNone) from = k;
        if (t.At(k, "WHERE") && where == kNone) where = k;
        if (t.At(k, "OPTION")) {
            tail = k;
            break;
        }
    }
    size_t setEnd = from != kNone ? from : (where != kNone ? where : tail);

    std::vector<FromItem> items;
    if (from != kNone) {
        size_t fromEnd = kNone;
        auto parsed = ParseFromList(s, from + 1, &fromEnd);
        if (!parsed || fromEnd != (where != kNone ? where : tail))
            s.Fail("UPDATE: the FROM list cannot be read");
        items = std::move(*parsed);
    }
    size_t hit = kNone;
    for (size_t idx = 0; idx < items.size(); ++idx) {
        const auto& it = items[idx];
        // A single reference to the target, with or without an alias, is the target.
        bool same = (!it.table.empty() && SameText(it.table, target)) ||
                    (!it.alias.empty() && SameText(it.alias, target));
        if (!same) continue;
        if (hit != kNone) s.Fail("UPDATE: the target table appears twice in the FROM list");
        hit = idx;
    }
    std::string alias = hit != kNone ? items[hit].alias : std::string();

    // SET columns: drop a qualifier naming the target.
    std::vector<bool> drop(t.size(), false);
    for (size_t k = set + 1; k < setEnd; ++k) {
        bool startsAssignment = k == set + 1 || t[k - 1].kind == SqlTokenKind::Comma;
        if (t[k].kind == SqlTokenKind::LeftParen) {
            k = t.Match(k);
            continue;
        }
        if (!startsAssignment || !IsName(t[k]) || !t.Is(k + 1, SqlTokenKind::Dot)) continue;
        if (SameText(t[k].value, target) || (!alias.empty() && SameText(t[k].value, alias))) {
            drop[k] = drop[k + 1] = true;
            // Only a blank changes: the parentheses keep their places.
            if (k + 2 < t.size()) {
                std::string space = t[k].space;
                t.Edit(k + 2).space = std::move(space);
            }
        }
    }

    if (hit == kNone) {
        Tokens out;
        for (size_t k = 0; k < t.size(); ++k)
            if (!drop[k]) out.push_back(t[k]);
        t.Replace(std::move(out));
        return;
    }
    const FromItem& self = items[hit];
    if (hit != 0 || self.table.empty()) s.Fail("UPDATE: the target table must come first in the FROM list");
    for (size_t idx = 1; idx < items.size(); ++idx) {
        auto j = items[idx].join;
        if (j != FromItem::Join::Comma && j != FromItem::Join::Inner && j != FromItem::Join::Cross)
            s.Fail("UPDATE: an outer join with the target table is not supported");
    }

    Tokens out;
    out.push_back(t[0]);
    for (size_t k = self.nameBegin; k < self.nameEnd; ++k) out.push_back(t[k]);
    out[1].space = " ";
    if (!alias.empty()) {
        out.push_back(Raw("AS"));
        SqlToken a = t[self.end - 1];
        a.space = " ";
        out.push_back(a);
    }
    for (size_t k = set; k < setEnd; ++k)
        if (!drop[k]) out.push_back(t[k]);
    std::vector<std::pair<size_t, size_t>> conditions;
    for (size_t idx = 1; idx < items.size(); ++idx) {
        out.push_back(Raw(idx == 1 ? "FROM" : ",", idx == 1 ? SqlTokenKind::Word : SqlTokenKind::Comma,
                          idx == 1 ? " " : ""));
        for (size_t k = items[idx].begin; k < items[idx].end; ++k) {
            SqlToken tok = t[k];
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
            SqlToken tok = t[k];
            if (k == conditions[c].first) tok.space = wrap ? "" : " ";
            out.push_back(std::move(tok));
        }
        if (wrap) out.push_back(Raw(")", SqlTokenKind::RightParen, ""));
    }
    for (size_t k = tail; k < t.size(); ++k) out.push_back(t[k]);
    t.Replace(std::move(out));
}

}  // namespace humrs::sql
