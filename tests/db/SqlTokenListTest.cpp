#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "db/sql/TokenList.h"
#include "db/sql/Words.h"

namespace humrs::sql {
namespace {

// Every parenthesis's partner, as a fresh list of the same tokens would give it.
void ExpectPartnersAsFresh(const TokenList& edited) {
    std::string text;
    for (const auto& tok : edited) text += " " + tok.text;
    const TokenList fresh(text);
    ASSERT_EQ(fresh.size(), edited.size()) << text;
    for (size_t i = 0; i < edited.size(); ++i)
        if (edited.Is(i, SqlTokenKind::LeftParen) || edited.Is(i, SqlTokenKind::RightParen))
            EXPECT_EQ(edited.Match(i), fresh.Match(i)) << text << " at " << i;
}

TEST(SqlTokenList, PartnersFollowEveryEdit) {
    struct Case {
        const char* sql;
        std::function<void(TokenList&)> edit;
    };
    const Case cases[] = {
        {"Select (a) From (b)",
         [](TokenList& t) {
             t.Insert(0, Raw("(", SqlTokenKind::LeftParen));
             t.Insert(t.size(), Raw(")", SqlTokenKind::RightParen));
         }},
        {"Select f((a), b) From T", [](TokenList& t) { t.Insert(2, Raw("CAST")); }},
        {"Select (a);",
         [](TokenList& t) {
             t.PopBack();
             t.Insert(1, Raw("(", SqlTokenKind::LeftParen));
             t.Insert(t.size(), Raw(")", SqlTokenKind::RightParen));
         }},
        {"Select (1) + (2)",
         [](TokenList& t) {
             t.Edit(2) = Raw("(", SqlTokenKind::LeftParen);
             t.Edit(6) = Raw(")", SqlTokenKind::RightParen);
         }},
        {"Select ((a)) From T",
         [](TokenList& t) {
             t.Replace({Raw("Select"), Raw("(", SqlTokenKind::LeftParen), Raw("b"),
                        Raw(")", SqlTokenKind::RightParen)});
         }},
    };
    for (const auto& c : cases) {
        TokenList t(c.sql);
        t.CheckBalanced();  // partners known before the edit
        c.edit(t);
        ExpectPartnersAsFresh(t);
    }
}

TEST(SqlTokenList, UnpairedParenthesesAreRefusedWhenFirstAsked) {
    for (const char* sql : {"Select (a", "Select a)", "Select )a(", "Select ((a)"}) {
        const TokenList t(sql);  // cutting the text alone does not refuse
        EXPECT_THROW(t.CheckBalanced(), DatabaseError) << sql;
    }
    TokenList t("Select (a)");
    t.Insert(1, Raw("(", SqlTokenKind::LeftParen));
    EXPECT_THROW(t.Match(1), DatabaseError);
}

}  // namespace
}  // namespace humrs::sql
