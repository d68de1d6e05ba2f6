// Saving a salary adjustment: the change number, the checks of the new terms and
// the rules on dates, in the order a clerk meets them.
#include "personnel/ChangeSalaryFixture.h"
#include "personnel/ChangeSalaryMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::Row;

class ChangeSalaryTest : public testing::ChangeSalaryFixture {};

// ---- the change number

TEST_F(ChangeSalaryTest, NewRowTakesTheHighestNumberPlusOneAndANumberedRowKeepsItsNumber) {
    StoreChange("OLD1", "P1", 1, 20030101);
    StoreChange("OLD3", "P1", 3, 20030301);
    ASSERT_TRUE(SaveChange("T1", {Change(1, "P1", 20050110, 3100)}).ok);
    EXPECT_EQ(ChangeTimesOf("T1"), 4);

    auto numbered = Change(1, "P2", 20050110, 3100);
    numbered.push_back({"ChangeTimes", Variant(7)});
    ASSERT_TRUE(SaveChange("T2", {numbered}).ok);
    EXPECT_EQ(ChangeTimesOf("T2"), 7);

    // Saved again, with a number sent by the client: the stored row keeps its own.
    auto again = Change(1, "P1", 20050111, 3200);
    again.push_back({"ChangeTimes", Variant(9)});
    ASSERT_TRUE(SaveChange("T1", {again}).ok);
    EXPECT_EQ(ChangeTimesOf("T1"), 4);
}

TEST_F(ChangeSalaryTest, TwoNewRowsOfOnePersonInOneBillTakeTwoNumbers) {
    Outcome out = SaveChange("T1", {Change(1, "P1", 20050101, 3100), Change(2, "P1", 20050110, 3200)});
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(ChangeTimesOf("T1", 1), 1);
    EXPECT_EQ(ChangeTimesOf("T1", 2), 2);
    EXPECT_DOUBLE_EQ(Base("P1"), 3200);  // only the latest is transferred
}

TEST_F(ChangeSalaryTest, OnlyThePersonsLatestAdjustmentMayBeChangedOrDeleted) {
    StoreChange("OLD", "P1", 3, 20030101);
    struct Case {
        int number, flag;
        const char* error;
    } cases[] = {{2, 1, "您只能修改人员P1的最近一次的薪资异动单"},
                 {2, 0, "您只能删除人员P1的最近一次的薪资异动单"},
                 {3, 1, ""},
                 {4, 0, ""}};
    for (const Case& c : cases)
        EXPECT_EQ(Proc(0, Variant(VariantArray{"P1", c.number, c.flag})).error, c.error) << c.number << "/" << c.flag;

    ASSERT_TRUE(SaveChange("T1", {Change(1, "P1", 20050110, 3100)}).ok);
    ASSERT_TRUE(SaveChange("T2", {Change(1, "P1", 20050112, 3200)}).ok);
    EXPECT_TRUE(Refused(SaveChange("T1", {Change(1, "P1", 20050110, 9999)}), msg::kSalaryChangeNotLatestEdit,
                        {Variant("P1")}));
    EXPECT_TRUE(Refused(Delete("T1"), msg::kSalaryChangeNotLatestDelete, {Variant("P1")}));
    EXPECT_DOUBLE_EQ(Base("P1"), 3200);
}

// ---- the new terms

TEST_F(ChangeSalaryTest, ChosenAmountsAndSalaryItemsMustBeComplete) {
    struct Case {
        const char* what;
        Row extra;
        std::vector<Row> items;
        const char* error;
    } cases[] = {
        {"bonus chosen without amount", {{"NoLeave", Variant(true)}, {"NNoLeave", Variant(0)}}, {},
         "人员P1选择全勤奖金时, 全勤奖金不能为零"},
        {"meal chosen without amount", {{"Meal", Variant(true)}, {"NMealSalary", Variant(0)}}, {},
         "人员P1选择伙食津贴时, 伙食津贴不能为零"},
        {"one item twice", {}, {Item(1, 1, "A1", 10), Item(1, 2, "a1", 20)}, "人员P1使用的相同的薪资项目A1"},
        {"an item of no amount", {}, {Item(1, 1, "A1", 10), Item(1, 2, "A2", 0)}, "人员P1使用的薪资项目A2的金额不能为0"},
        {"amounts not chosen may be 0", {{"NoLeave", Variant(false)}, {"Meal", Variant(false)}}, {}, ""},
    };
    for (const Case& c : cases) {
        Row row = Change(1, "P1", 20050110, 3100);
        row.insert(row.end(), c.extra.begin(), c.extra.end());
        EXPECT_EQ(SaveChange("T1", {row}, c.items).error, c.error) << c.what;
        if (*c.error) {
            EXPECT_DOUBLE_EQ(Base("P1"), 3000) << c.what;
        }
        Delete("T1");
    }
}

TEST_F(ChangeSalaryTest, RowsWithoutAPersonOrAnAdjustmentDateAreRefusedEvenOnImport) {
    session->mergeIn = true;
    EXPECT_TRUE(Refused(SaveChange("T1", {Change(1, "", 20050110, 3100)}), msg::kSalaryChangePersonEmpty));
    EXPECT_TRUE(Refused(SaveChange("T1", {Change(1, "P9", 20050110, 3100)}), msg::kSalaryChangePersonUnknown,
                        {Variant("P9")}));
    EXPECT_TRUE(
        Refused(SaveChange("T1", {Change(1, "P1", 0, 3100)}), msg::kAdjustDateEmpty, {Variant("P1")}));
    EXPECT_EQ(SaveChange("T1", {Change(1, "P1", 20050230, 3100)}).failure, Outcome::Kind::BadInput);
    EXPECT_EQ(Count("humChangeSalary"), 0);
}

// ---- dates

TEST_F(ChangeSalaryTest, AThirdAdjustmentInAMonthIsRefusedFromDay01ToDay31) {
    struct Case {
        int first, second, third;
        bool refused;
    } cases[] = {
        {20041201, 20041231, 20041231, true},
        {20050201, 20050228, 20050228, true},   // February: the range still ends at day 31
        {20041130, 20041201, 20041231, false},  // a neighbouring month does not count
        {20041201, 20050101, 20050101, false},
    };
    for (const Case& c : cases) {
        db->Execute("Delete From humChangeSalary");
        db->Execute("Delete From humHistSalaryBase Where ChangeTimes > 0");
        StoreChange("X1", "P1", 1, c.first);
        StoreChange("X2", "P1", 2, c.second);
        Outcome out = SaveChange("T1", {Change(1, "P1", c.third, 3100)});
        const std::string month = std::to_string(c.third / 100);
        EXPECT_EQ(out.error, c.refused ? "人员P1 在该调薪年月" + month + "已做了两笔薪资异动现已不能再做异动了" : "")
            << c.third;
    }
}

TEST_F(ChangeSalaryTest, RowsOfTheSameBillCountTowardsTheMonthAndAnImportSkipsTheRule) {
    Outcome out = SaveChange("T1", {Change(1, "P1", 20041201, 3100), Change(2, "P1", 20041210, 3200),
                                    Change(3, "P1", 20041220, 3300)});
    EXPECT_TRUE(Refused(out, msg::kTwoChangesInMonth, {Variant("P1"), Variant("200412")}));
    session->mergeIn = true;
    EXPECT_TRUE(SaveChange("T1", {Change(1, "P1", 20041201, 3100), Change(2, "P1", 20041210, 3200),
                                  Change(3, "P1", 20041220, 3300)})
                    .ok);
}

TEST_F(ChangeSalaryTest, AnAdjustmentMayNotPrecedeTheLatestOne) {
    // Without adjustments the terms' snapshot before the first one sets the bound.
    EXPECT_TRUE(Refused(SaveChange("T1", {Change(1, "P1", 20031231, 3100)}), msg::kAdjustDateBeforeLatest,
                        {Variant("P1")}));
    ASSERT_TRUE(SaveChange("T1", {Change(1, "P1", 20050110, 3100)}).ok);
    EXPECT_TRUE(Refused(SaveChange("T2", {Change(1, "P1", 20050109, 3200)}), msg::kAdjustDateBeforeLatest,
                        {Variant("P1")}));
    // The bill's own row does not bound itself when it is saved again.
    EXPECT_TRUE(SaveChange("T1", {Change(1, "P1", 20050105, 3100)}).ok);
}

}  // namespace
}  // namespace humrs
