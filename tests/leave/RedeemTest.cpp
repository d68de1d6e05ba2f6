// Compensatory leave taken against redeemable overtime: the free hours of each
// overtime row after every save and delete, oldest overtime first, and the balance
// a new or changed compensatory leave must fit in.
#include <algorithm>
#include <tuple>

#include "leave/CoExcuse.h"
#include "leave/LeaveFixture.h"
#include "leave/LeaveMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

class RedeemTest : public testing::LeaveFixture {
protected:
    // An overtime row by person (Flag 1) of `hours`, redeemable unless said otherwise.
    void Overtime(const std::string& billNo, const std::string& person, int date, int begin, int end, double hours,
                  int redeemType = 1, int flag = 1, int rowNo = 0) {
        db->Execute(
            "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
            "RedeemType, UseableRedeemCount) Values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {Variant(flag), Variant(billNo), Variant(rowNo), Variant(person), Variant(date), Variant(begin),
             Variant(end), Variant(hours), Variant(redeemType), Variant(hours)});
    }
    double Free(const std::string& billNo) {
        return CFloat(Value("Select UseableRedeemCount From HumOverTime Where BillNo = '" + billNo + "'"));
    }
    Outcome CompLeave(const std::string& billNo, int date, int begin, int end, double hours,
                      const std::string& person = "P1") {
        return SaveLeave(Leave(billNo, person, "BX", date, begin, date, end, hours));
    }
    // The change set an overtime bill by person hands over: its row O<billNo> of P1,
    // redeemable as `from`, then changed to `to` (or deleted when `to` is negative).
    Variant OvertimeChange(const std::string& billNo, int from, int to) {
        Dataset ot({{"Flag", FieldType::Integer}, {"BillNo", FieldType::Text}, {"RowNo", FieldType::Integer},
                    {"PersonID", FieldType::Text}, {"RedeemType", FieldType::Integer}});
        ot.AddStoredRow({1, billNo, 0, "P1", from});
        ot.First();
        if (to < 0) {
            ot.Delete();
        } else {
            ot.SetFieldValue("RedeemType", to);
            ot.Post();
        }
        return Variant(ot.Delta());
    }
};

TEST_F(RedeemTest, LeaveUsesTheOldestOvertimeFirst) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 8);
    Overtime("O2", "P1", 20050104, 1800, 2200, 8);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    ASSERT_TRUE(CompLeave("L2", 20050111, 800, 1500, 6).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 0);
    EXPECT_DOUBLE_EQ(Free("O2"), 6);
}

TEST_F(RedeemTest, LeaveBeyondTheBalanceIsRefusedAndNothingIsAllocated) {
    SetParam(*db, "HumMakeUpRestTerm", "3");
    Overtime("O1", "P1", 20050103, 1800, 2200, 4);
    Outcome out = CompLeave("L1", 20050110, 800, 1500, 6);
    EXPECT_TRUE(
        Refused(out, msg::kCompLeaveOverBalance,
                {Variant("2005/01/10"), Variant("P1"), Variant("2004/10/10-2005/01/10"), Variant("4")}));
    EXPECT_EQ(Count("humExcuse"), 0);
    EXPECT_DOUBLE_EQ(Free("O1"), 4);
}

TEST_F(RedeemTest, TermWindowStartsTheTermBeforeTheLeave) {
    SetParam(*db, "HumMakeUpRestTerm", "3");
    Overtime("O0", "P1", 20050309, 1800, 2200, 4);  // one day too old
    Overtime("O1", "P1", 20050310, 1800, 2200, 4);
    EXPECT_FALSE(CompLeave("L1", 20050610, 800, 1700, 8).ok);
    ASSERT_TRUE(CompLeave("L1", 20050610, 800, 1200, 4).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 0);
    EXPECT_DOUBLE_EQ(Free("O0"), 4);
}

TEST_F(RedeemTest, OvertimeOnTheLeaveDateCountsOnlyWhenEndedByTheLeavesBegin) {
    Overtime("O1", "P1", 20050110, 500, 800, 3);
    Overtime("O2", "P1", 20050110, 1800, 2000, 2);
    EXPECT_FALSE(CompLeave("L1", 20050110, 800, 1300, 4).ok);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1100, 3).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 0);
    EXPECT_DOUBLE_EQ(Free("O2"), 2);
}

TEST_F(RedeemTest, ChangingALeaveReleasesWhatItHeldBeforeComparing) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 4);
    Overtime("O2", "P1", 20050104, 1800, 2000, 2);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    EXPECT_DOUBLE_EQ(Free("O2"), 2);
    // Exactly the 2 free hours more: accepted.
    Outcome more = CompLeave("L1", 20050110, 800, 1500, 6);
    ASSERT_TRUE(more.ok) << more.error;
    EXPECT_DOUBLE_EQ(Free("O1") + Free("O2"), 0);
    EXPECT_FALSE(CompLeave("L1", 20050110, 800, 1600, 7).ok);
}

// A leave keeps its place among the person's leave, oldest first: while it needs no
// more than it held, from overtime still before it and inside its term, it is never
// refused, even when a later leave is short of hours.
TEST_F(RedeemTest, LeaveThatNeedsNoMoreThanItHeldIsAcceptedWhileALaterOneIsShort) {
    struct Change {
        int begin, end;
        double hours;
        std::string error;  // empty: accepted
    } changes[] = {
        {800, 1100, 3, ""},
        {900, 1300, 4, ""},
        {800, 1300, 4, ""},
        {800, 1400, 5,
         "请假开始日期2005/06/15, "
         "P1人员补休请假数量已超过其补休期限内(2004/12/15-2005/06/15)拥有的请假数量4"},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(std::to_string(c.begin) + " " + std::to_string(c.hours));
        SetUp();
        SetParam(*db, "HumMakeUpRestTerm", "6");
        Overtime("O1", "P1", 20050606, 1800, 2200, 8);
        ASSERT_TRUE(CompLeave("C1", 20050615, 800, 1300, 4).ok);
        ASSERT_TRUE(CompLeave("C2", 20050620, 800, 1300, 4).ok);
        // The overtime is cut to 6 hours: C2, the later leave, is 2 hours short.
        db->Execute("Update HumOverTime Set FieldACount = 6 Where BillNo = 'O1'");
        ASSERT_TRUE(Proc(12, Variant("P1")).ok);
        ASSERT_DOUBLE_EQ(Free("O1"), 0);

        const Outcome out = CompLeave("C1", 20050615, c.begin, c.end, c.hours);
        EXPECT_EQ(out.error, c.error);
        // Accepted or not, the overtime holds what a rebuild gives.
        const double posted = Free("O1");
        ASSERT_TRUE(Proc(12, Variant("P1")).ok);
        EXPECT_DOUBLE_EQ(Free("O1"), posted);
    }
}

TEST_F(RedeemTest, MovingALeaveToAnotherDayReallocatesWithoutItsOldPlace) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 4);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    ASSERT_TRUE(CompLeave("L1", 20050111, 800, 1200, 4).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 0);
}

TEST_F(RedeemTest, FullyCancelledLeaveUsesNothing) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 8);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    db->Execute("Update humExcuse Set CutExcuseCount = 4 Where BillNo = 'L1'");
    ASSERT_TRUE(Proc(12, Variant("P1")).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 8);
}

TEST_F(RedeemTest, NegativeLeaveHandsOutNoOvertime) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 4);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    EXPECT_TRUE(Refused(CompLeave("L2", 20050111, 800, 1200, -4), msg::kLeaveCountNegative));
    // A negative row already stored (as older data may hold) takes nothing either.
    StoreByDateRow("D1", 1, "P1", "BX", 20050111, 800, 20050111, 1200, -4);
    ASSERT_TRUE(Proc(12, Variant("P1")).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 0);
}

TEST_F(RedeemTest, DeletingALeaveGivesItsHoursBack) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 8);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 4);
    ASSERT_TRUE(Object("QVXHumrs.Excuse")->Delete(Variant("L1")).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 8);
}

TEST_F(RedeemTest, LeaveChangedToAnotherKindLeavesTheAccounting) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 8);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "PT", 20050110, 800, 20050110, 1200, 4)).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 8);
}

TEST_F(RedeemTest, LeaveMovedToAnotherPersonIsCheckedAgainstThatPersonsBalance) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 8);
    Overtime("O2", "P2", 20050103, 1800, 2000, 2);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    EXPECT_FALSE(CompLeave("L1", 20050110, 800, 1200, 4, "P2").ok);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1000, 2, "P2").ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 8);
    EXPECT_DOUBLE_EQ(Free("O2"), 0);
}

TEST_F(RedeemTest, ChangingAnOtherKindLeaveIntoCompensatoryReleasesNothing) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 2);
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "PT", 20050110, 800, 20050110, 1200, 4)).ok);
    // The 4 personal-leave hours never held overtime: they cannot be released.
    EXPECT_FALSE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 2);
}

TEST_F(RedeemTest, DeletedOvertimeBillIsLeftOutOfTheAllocation) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 4);
    Overtime("O2", "P1", 20050104, 1800, 2200, 4);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    EXPECT_DOUBLE_EQ(Free("O2"), 4);
    // The overtime bill O1 is being deleted: its change set lists the row as deleted.
    Outcome out = Proc(10, Variant(VariantArray{OvertimeChange("O1", 1, -1), 2, true}));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_DOUBLE_EQ(Free("O2"), 0);
}

TEST_F(RedeemTest, OvertimeNoLongerRedeemableIsRecomputed) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 4, /*redeemType=*/0);
    Overtime("O2", "P1", 20050104, 1800, 2200, 4);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    db->Execute("Update HumOverTime Set RedeemType = 1 Where BillNo = 'O1'");
    // The overtime bill O1's save turned RedeemType from 0 to 1.
    ASSERT_TRUE(Proc(10, Variant(VariantArray{OvertimeChange("O1", 0, 1), 2, false})).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 0);
    EXPECT_DOUBLE_EQ(Free("O2"), 4);
}

TEST_F(RedeemTest, OvertimeThatStopsBeingRedeemableHandsItsLeaveOn) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 4);
    Overtime("O2", "P1", 20050104, 1800, 2200, 4);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    EXPECT_DOUBLE_EQ(Free("O1"), 0);
    db->Execute("Update HumOverTime Set RedeemType = 0 Where BillNo = 'O1'");
    // The overtime bill O1's save turned RedeemType from 1 to 0.
    ASSERT_TRUE(Proc(10, Variant(VariantArray{OvertimeChange("O1", 1, 0), 2, false})).ok);
    EXPECT_DOUBLE_EQ(Free("O2"), 0);
}

TEST_F(RedeemTest, RecalcAllRebuildsEveryPerson) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 8);
    Overtime("O2", "P2", 20050103, 1800, 2200, 8);
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1200, 4).ok);
    ASSERT_TRUE(CompLeave("L2", 20050110, 800, 1000, 2, "P2").ok);
    db->Execute("Update HumOverTime Set UseableRedeemCount = 99");
    Outcome out = Proc(11, Variant());
    ASSERT_TRUE(out.ok);
    EXPECT_TRUE(CBool(out.result));
    EXPECT_DOUBLE_EQ(Free("O1"), 4);
    EXPECT_DOUBLE_EQ(Free("O2"), 6);
}

// The rebuild reads the person's overtime and leave once each and writes back only the
// overtime whose free hours changed: here O1, which the leave takes from; O2 keeps its
// worked hours as stored.
TEST_F(RedeemTest, StatementsAreWrittenAsTheOvertimeSideExpects) {
    Overtime("O1", "P1", 20050103, 1800, 2200, 8);
    Overtime("O2", "P1", 20050104, 1800, 2200, 8);
    db->Recorder().Start();
    ASSERT_TRUE(CompLeave("L1", 20050110, 800, 1130, 3.5).ok);
    db->Recorder().Stop();
    const auto& sql = db->Recorder().Statements();
    auto count = [&](const std::string& head) {
        return std::count_if(sql.begin(), sql.end(), [&](const std::string& s) { return s.rfind(head, 0) == 0; });
    };
    EXPECT_EQ(count("Update HumOverTime"), 1);
    EXPECT_DOUBLE_EQ(Free("O1"), 4.5);
    EXPECT_DOUBLE_EQ(Free("O2"), 8);
}

// Everybody's rebuild gives each person what the person's own rebuild gives: leave
// oldest first against overtime oldest first, within the term, overtime of the leave's
// own day only when it had ended by the leave's begin, and a negative leave taking nothing.
TEST_F(RedeemTest, RecalcAllGivesWhatEachPersonsRebuildGives) {
    SetParam(*db, "HumMakeUpRestTerm", "2");
    Overtime("A1", "P1", 20041001, 1800, 2200, 5);  // beyond the term of L1
    Overtime("A2", "P1", 20041215, 1800, 2200, 3);
    Overtime("A3", "P1", 20050110, 600, 759, 2);  // the leave's own day, ended before it
    Overtime("A4", "P1", 20050110, 1800, 2200, 4);  // the leave's own day, after it
    Overtime("B1", "P2", 20050103, 1800, 2200, 2.25);
    Overtime("B2", "P2", 20050104, 1800, 2200, 6);
    const char* insert =
        "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, EndTime, "
        "ExcuseCount) Values (1, ?, 0, ?, 'BX', ?, 800, ?, 1200, ?)";
    for (auto [bill, person, date, hours] : {std::tuple{"L1", "P1", 20050110, 4.0}, {"L2", "P2", 20050111, 3.0},
                                             {"L3", "P2", 20050112, -1.0}, {"L4", "P1", 20050301, 9.0}})
        db->Execute(insert, {Variant(bill), Variant(person), Variant(date), Variant(date), Variant(hours)});
    const std::vector<std::pair<std::string, double>> expected = {
        {"A1", 5}, {"A2", 0}, {"A3", 0}, {"A4", 0}, {"B1", 0}, {"B2", 5.25}};
    // L1 takes A2's 3 and 1 of A3; L4 (term back to 2005/01/01) takes A3's last and A4.
    ASSERT_TRUE(Proc(11, Variant()).ok);
    for (const auto& [bill, free] : expected) EXPECT_DOUBLE_EQ(Free(bill), free) << bill;
    db->Execute("Update HumOverTime Set UseableRedeemCount = 99");
    for (const char* person : {"P1", "P2"}) ASSERT_TRUE(Proc(12, Variant(person)).ok);
    for (const auto& [bill, free] : expected) EXPECT_DOUBLE_EQ(Free(bill), free) << bill;
}

// Procedure 11 takes the persons in blocks: persons on either side of a block's edge
// are rebuilt like all others.
TEST_F(RedeemTest, RecalcAllReachesEveryPersonOfManyBlocks) {
    constexpr int kPersons = 1201;
    db->BeginWrite();
    for (int i = 0; i < kPersons; ++i) {
        const std::string id = "Q" + std::to_string(10000 + i);
        AddPerson(*db, {.personId = id, .onJobDate = 20000101});
        Overtime("V" + id, id, 20050103, 1800, 2200, 4);
        db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, "
                    "EndTime, ExcuseCount) Values (1, ?, 0, ?, 'BX', 20050110, 800, 20050110, 900, 1)",
                    {Variant("K" + id), Variant(id)});
    }
    db->Commit();
    ASSERT_TRUE(Proc(11, Variant()).ok);
    EXPECT_EQ(CInt(Value("Select Count(*) From HumOverTime Where BillNo Like 'VQ%' And UseableRedeemCount = 3")),
              kPersons);
}

}  // namespace
}  // namespace humrs
