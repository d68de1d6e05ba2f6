// Conversions the business classes lean on when they read rows and build SQL.
#include <gtest/gtest.h>

#include "core/Format.h"
#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {
namespace {

TEST(ConvertTest, NullAndEmptyReadAsNothing) {
    for (const Variant& v : {Variant(), Variant::Null()}) {
        EXPECT_EQ(CStr(v), "");
        EXPECT_EQ(CInt(v), 0);
        EXPECT_EQ(CFloat(v), 0.0);
        EXPECT_FALSE(CBool(v));
        EXPECT_EQ(CCurr(v), Currency());
    }
}

TEST(ConvertTest, TextReadsAsNumberOrBoolean) {
    EXPECT_EQ(CInt(Variant(" 42 ")), 42);
    EXPECT_DOUBLE_EQ(CFloat(Variant("2.5")), 2.5);
    EXPECT_EQ(CInt(Variant("abc")), 0);
    EXPECT_TRUE(CBool(Variant("1")));
    EXPECT_TRUE(CBool(Variant("true")));
    EXPECT_TRUE(CBool(Variant("True")));
    EXPECT_FALSE(CBool(Variant("0")));
    EXPECT_FALSE(CBool(Variant("")));
}

TEST(ConvertTest, QuoteStrDoublesEmbeddedQuotes) {
    EXPECT_EQ(QuoteStr("O'Brien"), "'O''Brien'");
    EXPECT_EQ(QuoteStr(""), "''");
}

TEST(ConvertTest, RoundValueRoundsHalvesAwayFromZeroDespiteBinaryError) {
    EXPECT_DOUBLE_EQ(RoundValue(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(RoundValue(-2.5, 0), -3.0);
    EXPECT_DOUBLE_EQ(RoundValue(3.00004, 4), 3.0);
    EXPECT_DOUBLE_EQ(RoundValue(3.0001, 4), 3.0001);
    // the tolerance stays below any real digit for large amounts too
    EXPECT_DOUBLE_EQ(RoundValue(100000.00499, 2), 100000.0);
    EXPECT_DOUBLE_EQ(RoundValue(10000.00004, 4), 10000.0);
}

TEST(ConvertTest, DecimalTextIsShortestGeneralForm) {
    EXPECT_EQ(DecimalText(3), "3");
    EXPECT_EQ(DecimalText(2.5), "2.5");
    EXPECT_EQ(DecimalText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(DecimalText(8 - 2.2), "5.8");
    EXPECT_EQ(DecimalText(-0.0), "0");
}

TEST(ConvertTest, SplitAndMergeAreInverse) {
    auto parts = SplitString("P1,P2,,P3", ",");
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[2], "");
    EXPECT_EQ(MergeStrings(parts, ","), "P1,P2,,P3");
    EXPECT_TRUE(SplitString("", ",").empty());
}

TEST(ConvertTest, FormatNumLenAndRightCountCharacters) {
    EXPECT_EQ(FormatNumLen(7, 4), "0007");
    EXPECT_EQ(FormatNumLen(12345, 3), "12345");
    EXPECT_EQ(Right("200502", 2), "02");
    EXPECT_EQ(Right("请假单", 2), "假单");
}

TEST(ConvertTest, CurrencyKeepsFourDecimalsAndTruncates) {
    Currency a = Currency::FromDouble(10.12345);  // rounds on the way in
    EXPECT_EQ(a.ToString(), "10.1235");
    Currency third = Currency::FromInt(1) / Currency::FromInt(3);
    EXPECT_EQ(third.ToString(), "0.3333");
    EXPECT_EQ((third * Currency::FromInt(3)).ToString(), "0.9999");
    EXPECT_EQ((Currency::FromDouble(0.1) + Currency::FromDouble(0.2)).ToString(), "0.3");
}

TEST(FormatMessageTest, FillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatMessage("%s人员在请假期间内不在职", {Variant("P1")}), "P1人员在请假期间内不在职");
    EXPECT_EQ(FormatMessage("%d of %s, 100%%", {Variant(3), Variant("x")}), "3 of x, 100%");
    EXPECT_EQ(FormatMessage("%s-%s", {Variant("a")}), "a-");
}

}  // namespace
}  // namespace humrs
