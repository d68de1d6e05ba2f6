// Saving a leave category: the unit must be positive, and the settings of a
// switched-off option are never stored.
#include "support/Fixture.h"
#include "leave/LeaveMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

class ExcuseClsTest : public testing::HumrsFixture {
protected:
    Outcome SaveCategory(testing::Row row) {
        row.insert(row.begin(), {"ExcuseClsID", Variant("C1")});
        row.push_back({"ExcuseClsName", Variant("事假")});
        return SaveBill("QVXHumrs.ExcuseCls", {{row}});
    }
    Variant Stored(const std::string& column) {
        return Value("Select " + column + " From humExcuseCls Where ExcuseClsID = 'C1'");
    }
};

TEST_F(ExcuseClsTest, NewCategoryStartsFromTheColumnDefaults) {
    auto cls = Object("QVXHumrs.ExcuseCls");
    ASSERT_TRUE(cls->AddNew().ok);
    Dataset& row = cls->GetDatasets(0);
    EXPECT_EQ(row["ExcuseClsID"].Type(), VarType::String);
    // A new category has no kind until one is chosen: an empty kind is no personal leave.
    EXPECT_TRUE(row["ExcuseCls"].IsNull());
    EXPECT_FALSE(CBool(row["CutPayment"]));
    EXPECT_EQ(row["NoLeaveAccount"].Type(), VarType::Currency);
}

TEST_F(ExcuseClsTest, UnitMustBeAboveZero) {
    for (double unit : {0.0, -1.0}) {
        Outcome out = SaveCategory({{"ExcuseUnit", unit}});
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(Refused(out, msg::kExcuseUnitNotPositive));
        EXPECT_EQ(Count("humExcuseCls"), 0);
    }
    EXPECT_TRUE(SaveCategory({{"ExcuseUnit", 0.5}}).ok);
    EXPECT_DOUBLE_EQ(CFloat(Stored("ExcuseUnit")), 0.5);
}

TEST_F(ExcuseClsTest, PayDeductionSettingsAreClearedWhileTheCategoryDeductsNoPay) {
    ASSERT_TRUE(SaveCategory({{"ExcuseUnit", 1}, {"CutPayment", false}, {"MonthAccount", 120}, {"YearTimes", 3}}).ok);
    EXPECT_DOUBLE_EQ(CFloat(Stored("MonthAccount")), 0);
    EXPECT_EQ(CInt(Stored("YearTimes")), 0);

    ASSERT_TRUE(SaveCategory({{"ExcuseUnit", 1}, {"CutPayment", true}, {"MonthAccount", 120}}).ok);
    EXPECT_DOUBLE_EQ(CFloat(Stored("MonthAccount")), 120);
}

TEST_F(ExcuseClsTest, FullAttendanceSettingsFollowTheirOwnSwitchOnly) {
    ASSERT_TRUE(SaveCategory({{"ExcuseUnit", 1},
                              {"CutPayment", false},
                              {"CutNoLeave", true},
                              {"NoLeaveType", 2},
                              {"CutType", 1},
                              {"NoLeaveTimes", 1.5},
                              {"NoLeaveAccount", 50}})
                    .ok);
    EXPECT_EQ(CInt(Stored("NoLeaveType")), 2);
    EXPECT_EQ(CInt(Stored("CutType")), 1);
    EXPECT_DOUBLE_EQ(CFloat(Stored("NoLeaveTimes")), 1.5);
    EXPECT_DOUBLE_EQ(CFloat(Stored("NoLeaveAccount")), 50);

    ASSERT_TRUE(SaveCategory({{"CutNoLeave", false}}).ok);
    EXPECT_EQ(CInt(Stored("NoLeaveType")), 0);
    EXPECT_DOUBLE_EQ(CFloat(Stored("NoLeaveAccount")), 0);
}

}  // namespace
}  // namespace humrs
