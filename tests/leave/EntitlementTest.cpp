// Leave years and yearly entitlements: where the leave year lies, how much of the
// personal, sick and special leave is left, and how a leave crossing into the next
// leave year is checked against both years.
#include "leave/CoExcuse.h"
#include "leave/LeaveFixture.h"
#include "leave/LeaveMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

class EntitlementTest : public testing::LeaveFixture {
protected:
    std::unique_ptr<TExcuse> Service() { return ObjectAs<TExcuse>("QVXHumrs.Excuse"); }
};

// ---- the leave year

TEST_F(EntitlementTest, PersonalLeaveYearStartsInTheConfiguredMonth) {
    SetParam(*db, "HumExcuseBeginMonth", "3");  // April
    auto leave = Service();
    EXPECT_EQ(leave->GetLeaveYearRange(LeaveKind::Personal, CalendarDay(20050215), "P1"), std::make_pair(20040401, 20050331));
    EXPECT_EQ(leave->GetLeaveYearRange(LeaveKind::Sick, CalendarDay(20050401), "P1"), std::make_pair(20050401, 20060331));
    Outcome start = Proc(3, Variant(VariantArray{2, "200502", "P1"}));
    ASSERT_TRUE(start.ok);
    EXPECT_EQ(CStr(start.result[0]), "200404");
    EXPECT_EQ(CStr(start.result[1]), "200502");
}

TEST_F(EntitlementTest, UnsetBeginMonthMeansTheCalendarYear) {
    EXPECT_EQ(Service()->GetLeaveYearRange(LeaveKind::Personal, CalendarDay(20050215), "P1"), std::make_pair(20050101, 20051231));
}

TEST_F(EntitlementTest, SpecialLeaveYearRunsFromHireAnniversary) {
    SetParam(*db, "HumSpecialsCaleType", "2");  // P1 was hired 20000310
    auto leave = Service();
    EXPECT_EQ(leave->GetLeaveYearRange(LeaveKind::SpecialAnnual, CalendarDay(20050309), "P1"), std::make_pair(20040310, 20050309));
    EXPECT_EQ(leave->GetLeaveYearRange(LeaveKind::SpecialAnnual, CalendarDay(20050310), "P1"), std::make_pair(20050310, 20060309));
}

TEST_F(EntitlementTest, SpecialLeaveYearFromHireMonthOrAFixedMonth) {
    auto leave = Service();
    EXPECT_EQ(leave->GetLeaveYearRange(LeaveKind::SpecialAnnual, CalendarDay(20050215), "P1"), std::make_pair(20040301, 20050228));
    SetParam(*db, "HumSpecialsCaleType", "1");
    SetParam(*db, "HumSpecialsBaseMonth", "6");  // July
    EXPECT_EQ(leave->GetLeaveYearRange(LeaveKind::SpecialAnnual, CalendarDay(20050715), "P1"), std::make_pair(20050701, 20060630));
    Outcome start = Proc(3, Variant(VariantArray{1, "200503", "P1"}));
    EXPECT_EQ(CStr(start.result[0]), "200407");
}

TEST_F(EntitlementTest, SpecialLeaveWithoutHireDateCountsAsCrossingTheYear) {
    AddPerson(*db, {.personId = "P0", .onJobDate = 0, .jobSch = "S-DAY"});
    EXPECT_EQ(Service()->GetLeaveYearRange(LeaveKind::SpecialAnnual, CalendarDay(20050110), "P0"), std::make_pair(0, 0));
    AddSpecialLeave(*db, 0, 5);
    Outcome out = SaveLeave(Leave("L1", "P0", "TX", 20050110, 800, 20050110, 1700, 1));
    // P0 is not employed either; the quota comes first.
    EXPECT_TRUE(Refused(out, msg::kSpecialLeaveCrossesYear, {Variant("P0")}));
}

// ---- personal and sick leave caps

TEST_F(EntitlementTest, PersonalLeaveIsUncappedUntilSwitchedOn) {
    SetParam(*db, "HumMaxPrivateExCount", "3");
    EXPECT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050111, 1700, 16)).ok);
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P1", 20050110, "", "", 1, 0})).result), -1);
}

TEST_F(EntitlementTest, PersonalLeaveCapComparesAtFourDecimals) {
    SetParam(*db, "AllowAffairLeaveYear", "True");
    SetParam(*db, "HumMaxPrivateExCount", "3");
    EXPECT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3.00004)).ok);
    Outcome out = SaveLeave(Leave("L2", "P1", "SJ", 20050111, 800, 20050111, 1200, 3.0001));
    EXPECT_TRUE(Refused(out, msg::kPersonalLeaveOverCap, {Variant("P1"), Variant("0")}));
}

TEST_F(EntitlementTest, UsedLeaveOfOtherBillsReducesWhatIsLeftButTheBillItselfDoesNot) {
    SetParam(*db, "AllowAffairLeaveYear", "1");
    SetParam(*db, "HumMaxPrivateExCount", "3");
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1000, 2)).ok);
    EXPECT_TRUE(Refused(SaveLeave(Leave("L2", "P1", "SJ", 20050111, 800, 20050111, 1000, 1.5)),
                        msg::kPersonalLeaveOverCap, {Variant("P1"), Variant("1")}));
    // Saving L1 again with 3 hours: its own 2 hours are not counted as used.
    EXPECT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3)).ok);
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P1", 20050301, "", "", 1, 0})).result), 0);
    // Leave of the previous leave year does not count.
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P1", 20040301, "", "", 1, 0})).result), 3);
}

TEST_F(EntitlementTest, CapOfZeroRefusesAnyLeave) {
    SetParam(*db, "AllowAffairLeaveYear", "1");
    EXPECT_TRUE(Refused(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 900, 1)),
                        msg::kPersonalLeaveOverCap, {Variant("P1"), Variant("0")}));
}

TEST_F(EntitlementTest, SickLeaveIsCappedOnlyUnderLocalTypeOne) {
    SetParam(*db, "AllowSickLeaveYear", "1");
    SetParam(*db, "AllowSickLeaveMuchYear", "2");
    EXPECT_TRUE(SaveLeave(Leave("L1", "P1", "BJ", 20050110, 800, 20050110, 1200, 3)).ok);
    session->localType = 1;
    EXPECT_TRUE(Refused(SaveLeave(Leave("L2", "P1", "BJ", 20050111, 800, 20050111, 1200, 3)),
                        msg::kSickLeaveOverCap, {Variant("P1"), Variant("0")}));
}

TEST_F(EntitlementTest, CategoryWithoutAKindIsRefused) {
    EXPECT_TRUE(Refused(SaveLeave(Leave("L1", "P1", "NOSUCH", 20050110, 800, 20050110, 1200, 3)),
                        msg::kLeaveCategoryEmpty));
}

// ---- crossing into the next leave year

TEST_F(EntitlementTest, LeaveCrossingTheYearIsCheckedAgainstEachYearsRemainder) {
    SetParam(*db, "AllowAffairLeaveYear", "1");
    SetParam(*db, "HumMaxPrivateExCount", "10");
    // 2005 has 10 hours left, 2004 only 2: Thursday 20041230 08:00 to Monday 20050103
    // 12:00 takes 16 hours in 2004 and 3 in 2005.
    ASSERT_TRUE(SaveLeave(Leave("L0", "P1", "SJ", 20040105, 800, 20040105, 1700, 8)).ok);
    Outcome out = SaveLeave(Leave("L1", "P1", "SJ", 20041230, 800, 20050103, 1200, 19));
    EXPECT_TRUE(Refused(out, msg::kPersonalLeaveOverCap, {Variant("P1"), Variant("10")}));
    // Friday 15:00-17:00 uses the 2 hours left of 2004, Monday morning 4 of 2005.
    EXPECT_TRUE(SaveLeave(Leave("L2", "P1", "SJ", 20041231, 1500, 20050103, 1200, 5)).ok);
}

TEST_F(EntitlementTest, SpecialLeaveMayEndOnTheNextYearsFirstDayOnlyBeforeItsShift) {
    SetParam(*db, "HumSpecialsCaleType", "2");  // P1's year ends 20050309 (a Wednesday)
    AddSpecialLeave(*db, 1, 3);
    AddSpecialLeave(*db, 5, 7);
    EXPECT_TRUE(Refused(SaveLeave(Leave("L2", "P1", "TX", 20050308, 800, 20050310, 800, 2)),
                        msg::kSpecialLeaveCrossesYear, {Variant("P1")}));
    EXPECT_TRUE(Refused(SaveLeave(Leave("L3", "P1", "TX", 20050308, 800, 20050311, 700, 3)),
                        msg::kSpecialLeaveCrossesYear, {Variant("P1")}));
    // Ends Thursday 20050310 before its 08:00 shift: accepted.
    EXPECT_TRUE(SaveLeave(Leave("L1", "P1", "TX", 20050309, 800, 20050310, 700, 1)).ok);
}

// ---- special annual leave by seniority

TEST_F(EntitlementTest, SpecialLeaveIsGrantedByTheHighestThresholdReached) {
    AddSpecialLeave(*db, 1, 3);
    AddSpecialLeave(*db, 3, 7);
    AddSpecialLeave(*db, 10, 14);
    // P1 has 4 completed years on 20040601, P2 one.
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P1", 20040601, "", "", 1, 5})).result), 7);
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P2", 20040601, "", "", 1, 5})).result), 3);
    EXPECT_TRUE(Refused(SaveLeave(Leave("L1", "P2", "TX", 20040601, 800, 20040604, 1700, 4)),
                        msg::kSpecialLeaveOverCap, {Variant("P2"), Variant("3")}));
}

TEST_F(EntitlementTest, SpecialLeaveInHoursUsesTheHoursOfADay) {
    db->Execute("Update humExcuseCls Set UnitName = 1 Where ExcuseClsID = 'TX'");
    SetParam(*db, "HumSpecialsDayHours", "8");
    AddSpecialLeave(*db, 1, 3);
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P2", 20040601, "", "", 1, 5})).result), 24);
    db->Execute("Update humExcuseCls Set UnitName = 2 Where ExcuseClsID = 'TX'");
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P2", 20040601, "", "", 1, 5})).result), 1440);
}

TEST_F(EntitlementTest, FixedMonthSpecialLeaveNeedsTheMinimumSeniority) {
    SetParam(*db, "HumSpecialsCaleType", "1");
    SetParam(*db, "HumSpecialWorkAge", "2");
    AddSpecialLeave(*db, 0, 3);
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P2", 20040601, "", "", 1, 5})).result), 0);
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P1", 20040601, "", "", 1, 5})).result), 3);
}

TEST_F(EntitlementTest, KindsWithoutEntitlementHaveNothingLeft) {
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"P1", 20040601, "", "", 1, 9})).result), 0);
    EXPECT_DOUBLE_EQ(CFloat(Proc(6, Variant(VariantArray{"", 20040601, "", "", 1, 0})).result), 0);
}

TEST_F(EntitlementTest, ShiftSpanOfANightShiftEndsTheNextDay) {
    auto leave = Service();
    VariantArray night = leave->GetShiftSpan("N1", CalendarDay(20050110));
    EXPECT_EQ(CInt(night[1]), 20050111);
    EXPECT_EQ(CInt(night[2]), 2000);
    EXPECT_EQ(CInt(night[3]), 500);
    VariantArray day = leave->GetShiftSpan("P1", CalendarDay(20050110));
    EXPECT_EQ(CInt(day[1]), 20050110);
}

}  // namespace
}  // namespace humrs
