// Faults of the leave rules met by a new user: leave split between two leave years,
// overnight spans written on one date, categories without a kind, impossible dates
// and times, spans too long to count, compensatory leave moved within its day, the
// order of the structural checks, unpadded times, the person check of a new bill and
// bill numbers with blanks.
#include "leave/CoExcuse.h"
#include "leave/LeaveFixture.h"

#include <functional>
#include "leave/LeaveMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::Row;

class LeaveFaultsTest : public testing::LeaveFixture {
protected:
    void CapPersonalLeave(const char* hours) {
        SetParam(*db, "AllowAffairLeaveYear", "1");
        SetParam(*db, "HumMaxPrivateExCount", hours);
    }
    static bool IsBadInput(const Outcome& out) { return !out.ok && out.failure == Outcome::Kind::BadInput; }
};

// ---- 1. the part of a leave in a leave year is only the time that lies in it

struct YearTurnCase {
    const char* name;
    std::function<void()> setUp;
    const char* category;
    int beginDate, beginTime, endDate, endTime;
    double count;
};

TEST_F(LeaveFaultsTest, LeaveEndingBeforeTheNewYearsFirstShiftTakesNothingOfThatYear) {
    const YearTurnCase cases[] = {
        {"personal leave at the April year start",
         [this] {
             SetParam(*db, "HumExcuseBeginMonth", "3");
             CapPersonalLeave("8");
             // 4 of the new year's 8 hours are used already.
             StoreByDateRow("D1", 1, "P1", "SJ", 20050405, 800, 20050405, 1200, 4);
         },
         "SJ", 20050331, 1300, 20050401, 700, 4},
        {"special leave at the hire anniversary",
         [this] {
             SetParam(*db, "HumSpecialsCaleType", "2");  // P1's year turns on 03-10
             AddSpecialLeave(*db, 1, 1);
             // The new year's single day is used already.
             StoreByDateRow("D1", 1, "P1", "TX", 20050315, 800, 20050315, 1700, 1);
         },
         "TX", 20050309, 1300, 20050310, 700, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.setUp();
        Outcome out = SaveLeave(Leave("L1", "P1", c.category, c.beginDate, c.beginTime, c.endDate, c.endTime, c.count));
        EXPECT_TRUE(out.ok) << out.error;
    }
}

TEST_F(LeaveFaultsTest, NewYearsPartStillCountsTheShiftItCovers) {
    SetParam(*db, "HumExcuseBeginMonth", "3");
    CapPersonalLeave("8");
    StoreByDateRow("D1", 1, "P1", "SJ", 20050405, 800, 20050405, 1200, 4);
    // Friday 04-01 08:00-17:00 is 8 hours of the new year, where 4 are left.
    EXPECT_TRUE(Refused(SaveLeave(Leave("L1", "P1", "SJ", 20050331, 1300, 20050401, 1700, 12)),
                        msg::kPersonalLeaveOverCap, {Variant("P1"), Variant("4")}));
}

// ---- 2. an overnight span written on one date meets the next date's leave

TEST_F(LeaveFaultsTest, OvernightLeaveOnOneDateConflictsWithTheNextDateInEitherOrder) {
    const char* const conflict = "本单请假时间与以下资料有冲突";
    // P1: the overnight leave first; P2: the next morning's leave first.
    ASSERT_TRUE(SaveLeave(Leave("A1", "P1", "PT", 20050610, 2200, 20050610, 200, 4)).ok);
    Outcome later = SaveLeave(Leave("A2", "P1", "PT", 20050611, 100, 20050611, 300, 2));
    EXPECT_EQ(later.error.rfind(conflict, 0), 0u) << later.error;

    ASSERT_TRUE(SaveLeave(Leave("B1", "P2", "PT", 20050611, 100, 20050611, 300, 2)).ok);
    Outcome earlier = SaveLeave(Leave("B2", "P2", "PT", 20050610, 2200, 20050610, 200, 4));
    EXPECT_EQ(earlier.error.rfind(conflict, 0), 0u) << earlier.error;
    EXPECT_EQ(Count("humExcuse"), 2);

    // The morning before the overnight leave stays free.
    EXPECT_TRUE(SaveLeave(Leave("A3", "P1", "PT", 20050610, 100, 20050610, 300, 2)).ok);
}

// ---- 3. a category saved without a kind keeps none

TEST_F(LeaveFaultsTest, CategoryWithoutAKindIsNoPersonalLeave) {
    const std::vector<Row> categories = {
        {{"ExcuseClsID", "NK1"}, {"ExcuseClsName", "未定"}, {"ExcuseUnit", 0.5}, {"ExcuseCls", Variant::Null()}},
        {{"ExcuseClsID", "NK2"}, {"ExcuseClsName", "未定"}, {"ExcuseUnit", 0.5}},
    };
    for (const Row& category : categories) {
        const std::string id = CStr(category[0].second);
        SCOPED_TRACE(id);
        ASSERT_TRUE(SaveBill("QVXHumrs.ExcuseCls", {{category}}).ok);
        EXPECT_TRUE(Value("Select ExcuseCls From humExcuseCls Where ExcuseClsID = '" + id + "'").IsNull());
        EXPECT_TRUE(Refused(SaveLeave(Leave("L1", "P1", id, 20050110, 800, 20050110, 1200, 4)),
                            msg::kLeaveCategoryEmpty));
    }
}

// ---- 4. impossible dates and times are bad input wherever they enter

TEST_F(LeaveFaultsTest, ImpossibleDatesAndTimesInProcedureArgumentsAreBadInput) {
    const Variant past32 = Variant(int64_t{4294967296} + 20050110);
    Dataset rows({{"Flag", FieldType::Integer}, {"BillNo", FieldType::Text}, {"BeginDate", FieldType::Integer},
                  {"BeginTime", FieldType::Integer}, {"EndDate", FieldType::Integer}, {"EndTime", FieldType::Integer}});
    rows.AddStoredRow({1, "X1", 20051301, 800, 20051301, 1200});
    const std::pair<int, VariantArray> calls[] = {
        {4, {"B1", "P1", 20050231, 800, 20050231, 1200, 1}},
        {4, {"B1", "P1", 20050110, 800, 20050110, 2500, 1}},
        {5, {"P1", past32, 20050110, 0, 0, true}},
        {6, {"P1", 20050010, "", "", 1, 0}},
        {7, {Variant(rows.Data()), 20050110, 20050110, 800, 1200, false}},
        {7, {Variant(rows.Data()), 20050110, 20050110, 860, 1200, false}},
        {8, {"P1", "B1", "PT", 20050110, 800, past32, 1200, 1, 3}},
        {9, {"P1", 20050110, 2401}},
        {1, {"20050231", "20050231", "0800", "1200", "a", "b"}},
    };
    for (const auto& [proc, arg] : calls) {
        SCOPED_TRACE("procedure " + std::to_string(proc));
        EXPECT_TRUE(IsBadInput(Proc(proc, Variant(arg))));
    }
}

TEST_F(LeaveFaultsTest, FieldCheckAndCategoryCodesRefuseImpossibleValues) {
    auto leave = Object("QVXHumrs.Excuse");
    EXPECT_TRUE(IsBadInput(leave->CheckFieldValues(0, {"PersonID", "BeginDate", "EndDate"}, {"P1", 20050231, 20050301})));
    Outcome out = SaveBill("QVXHumrs.ExcuseCls", {{{{"ExcuseClsID", "K1"},
                                                     {"ExcuseUnit", 0.5},
                                                     {"ExcuseCls", Variant(int64_t{4294967296} + 2)}}}});
    EXPECT_TRUE(IsBadInput(out));
    EXPECT_EQ(Count("humExcuseCls Where ExcuseClsID = 'K1'"), 0);
}

// ---- 5. a span too long to count is refused, never counted as nothing

TEST_F(LeaveFaultsTest, LeaveTooLongToCountIsRefused) {
    CapPersonalLeave("8");
    // From after Friday's shift in 2005 to 2016: the later years' part cannot be counted.
    Outcome out = SaveLeave(Leave("L1", "P1", "SJ", 20051230, 1800, 20160301, 1700, 1));
    EXPECT_TRUE(IsBadInput(out)) << out.error;
    EXPECT_EQ(Count("humExcuse"), 0);
}

// ---- 6. moving a compensatory leave within its day re-checks the balance

TEST_F(LeaveFaultsTest, CompensatoryLeaveMovedBeforeItsOvertimeEndsIsRefused) {
    struct Move {
        int begin, end;
        bool accepted;
    };
    const Move moves[] = {{1030, 1230, true}, {900, 1100, false}};
    for (const Move& m : moves) {
        SCOPED_TRACE(m.begin);
        SetUp();
        // 4 redeemable hours worked on Monday 06:00-10:00; the leave uses 2 of them at 11:00.
        db->Execute(
            "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
            "RedeemType, UseableRedeemCount) Values (1, 'O1', 0, 'P1', 20050110, 600, 1000, 4, 1, 4)");
        ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "BX", 20050110, 1100, 20050110, 1300, 2)).ok);
        Outcome out = SaveLeave(Leave("L1", "P1", "BX", 20050110, m.begin, 20050110, m.end, 2));
        EXPECT_EQ(out.ok, m.accepted) << out.error;
        if (!m.accepted)
            EXPECT_EQ(out.error.rfind("请假开始日期2005/01/10, P1人员补休请假数量已超过", 0), 0u) << out.error;
        // Whatever the outcome, the overtime holds exactly what the stored leave uses.
        EXPECT_DOUBLE_EQ(CFloat(Value("Select UseableRedeemCount From HumOverTime")), 2);
    }
}

// ---- 7. the structural checks answer before any cap

TEST_F(LeaveFaultsTest, QuotaCheckOfTheByDateBillAnswersStructuralFaultsFirst) {
    CapPersonalLeave("0");
    EXPECT_TRUE(Refused(Proc(8, Variant(VariantArray{"", "B1", "SJ", 20050110, 800, 20050110, 1200, 2, 3})),
                        msg::kLeavePersonEmpty));
    EXPECT_TRUE(Refused(Proc(8, Variant(VariantArray{"P1", "B1", "SJ", 20050112, 800, 20050110, 1200, 2, 3})),
                        msg::kEndDateBeforeBegin));
    EXPECT_TRUE(
        Refused(SaveLeave(Leave("L1", "", "SJ", 20050110, 800, 20050110, 1200, 3)), msg::kLeavePersonEmpty));
}

// ---- 8. times without their leading zero

TEST_F(LeaveFaultsTest, DateTimeRangeComparesTimesInTheirFourDigitForm) {
    struct Case {
        Variant begin, end;
        bool raises;
    };
    const Case cases[] = {
        {Variant(800), Variant(1200), false},   {Variant("800"), Variant("1200"), false},
        {Variant("900"), Variant("0800"), true}, {Variant("0900"), Variant("0800"), true},
        {Variant("0800"), Variant("1200"), false}, {Variant("900"), Variant("0"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CStr(c.begin) + "-" + CStr(c.end));
        Outcome out = Proc(1, Variant(VariantArray{"20050110", "20050110", c.begin, c.end, "a", "b"}));
        if (c.raises) {
            EXPECT_TRUE(Refused(out, msg::kEndTimeBeforeBegin));
        } else {
            ASSERT_TRUE(out.ok) << out.error;
            EXPECT_TRUE(CBool(out.result));
        }
    }
}

// ---- 9. the person of a new bill, before its dates are entered

TEST_F(LeaveFaultsTest, PersonOfANewBillIsJudgedOnTheServerDate) {
    AddPerson(*db, {.personId = "P9", .departId = "D1", .onJobDate = 20050201, .jobSch = "S-DAY"});
    auto leave = Object("QVXHumrs.Excuse");
    EXPECT_TRUE(leave->CheckFieldValues(0, {"PersonID", "BeginDate", "EndDate"}, {"P1", 0, 0}).ok);
    // Hired after the server date 20050115.
    EXPECT_TRUE(Refused(leave->CheckFieldValues(0, {"PersonID", "BeginDate", "EndDate"}, {"P9", 0, 0}),
                        msg::kPersonOffJob, {Variant("P9")}));
}

// ---- 10. a bill number with blanks around it

TEST_F(LeaveFaultsTest, BillNumberWithBlanksIsLeftOutOfItsOwnQuota) {
    CapPersonalLeave("8");
    ASSERT_TRUE(SaveLeave(Leave(" X ", "P1", "SJ", 20050110, 800, 20050110, 1700, 8)).ok);
    Outcome again = SaveLeave(Leave(" X ", "P1", "SJ", 20050110, 800, 20050110, 1700, 8));
    EXPECT_TRUE(again.ok) << again.error;
    EXPECT_EQ(Count("humExcuse"), 1);
}

}  // namespace
}  // namespace humrs
