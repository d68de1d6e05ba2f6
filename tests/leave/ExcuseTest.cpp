// Saving and deleting a leave request by person: the checks in the order a clerk
// meets them, and the procedures other bills call.
#include "leave/LeaveFixture.h"
#include "leave/CoExcuse.h"
#include "leave/LeaveMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

class ExcuseTest : public testing::LeaveFixture {};

// ---- cancelled and empty bills

TEST_F(ExcuseTest, CancelledBillIsRefusedBeforeAnyOtherCheck) {
    auto row = Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 0);  // count 0 too
    row.push_back({"IfCutExcuse", true});
    Outcome out = SaveLeave(row);
    EXPECT_TRUE(Refused(out, msg::kLeaveHasCancellationEdit));
    EXPECT_EQ(Count("humExcuse"), 0);
}

TEST_F(ExcuseTest, ZeroOrNegativeCountIsRefused) {
    EXPECT_TRUE(
        Refused(SaveLeave(Leave("L1", "P1", "PT", 20050110, 800, 20050110, 1200, 0)), msg::kLeaveCountZero));
    EXPECT_TRUE(Refused(SaveLeave(Leave("L1", "P1", "PT", 20050110, 800, 20050110, 1200, -1)),
                        msg::kLeaveCountNegative));
}

TEST_F(ExcuseTest, CancellationMarkCannotBeLiftedByTheClient) {
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "PT", 20050110, 800, 20050110, 1200, 3)).ok);
    db->Execute("Update humExcuse Set IfCutExcuse = 1, CutExcuseNo = 'C1', CutExcuseCount = 1 Where BillNo = 'L1'");
    auto row = Leave("L1", "P1", "PT", 20050110, 800, 20050110, 1200, 2);
    row.push_back({"IfCutExcuse", false});
    EXPECT_TRUE(Refused(SaveLeave(row), msg::kLeaveHasCancellationEdit));
    EXPECT_TRUE(CBool(Value("Select IfCutExcuse From humExcuse Where BillNo = 'L1'")));
}

TEST_F(ExcuseTest, CancelledAndFrozenQuantitiesAreNotTheClientsToSet) {
    SetParam(*db, "AllowAffairLeaveYear", "1");
    SetParam(*db, "HumMaxPrivateExCount", "3");
    auto row = Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1100, 3);
    row.push_back({"CutExcuseCount", 3.0});
    row.push_back({"RedeemOldExcuseCount", 0.5});
    ASSERT_TRUE(SaveLeave(row).ok);
    EXPECT_DOUBLE_EQ(CFloat(Value("Select CutExcuseCount + RedeemOldExcuseCount From humExcuse")), 0);
    EXPECT_TRUE(Refused(SaveLeave(Leave("L2", "P1", "SJ", 20050111, 800, 20050111, 1100, 3)),
                        msg::kPersonalLeaveOverCap, {Variant("P1"), Variant("0")}));
}

TEST_F(ExcuseTest, LeaveOfNobodyOrEndingBeforeItBeginsIsRefused) {
    EXPECT_TRUE(
        Refused(SaveLeave(Leave("L1", "", "PT", 20050110, 800, 20050110, 1200, 3)), msg::kLeavePersonEmpty));
    EXPECT_TRUE(Refused(SaveLeave(Leave("L1", "P1", "PT", 20050112, 800, 20050110, 1200, 3)),
                        msg::kEndDateBeforeBegin));
}

TEST_F(ExcuseTest, SavedRowCarriesTheBillKindAndRowZero) {
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "PT", 20050110, 800, 20050110, 1200, 3)).ok);
    EXPECT_EQ(CInt(Value("Select Flag From humExcuse Where BillNo = 'L1'")), 1);
    EXPECT_EQ(CInt(Value("Select RowNo From humExcuse Where BillNo = 'L1'")), 0);
}

// ---- overlaps with other leave of the person

TEST_F(ExcuseTest, OverlapWithAnotherBillOfThePersonIsRefusedWithItsDetails) {
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3)).ok);
    Outcome out = SaveLeave(Leave("L2", "P1", "PT", 20050110, 1100, 20050110, 1500, 3));
    EXPECT_EQ(out.error,
              "本单请假时间与以下资料有冲突: (人员别)请假凭单号: L1  假别: 事假  时间: 2005/01/10 08:00 - "
              "2005/01/10 12:00");
    EXPECT_EQ(Count("humExcuse"), 1);
}

TEST_F(ExcuseTest, TouchingSpansAndOtherPersonsDoNotConflict) {
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3)).ok);
    EXPECT_TRUE(SaveLeave(Leave("L2", "P1", "PT", 20050110, 1200, 20050110, 1500, 2)).ok);
    EXPECT_TRUE(SaveLeave(Leave("L3", "P2", "PT", 20050110, 800, 20050110, 1200, 3)).ok);
}

TEST_F(ExcuseTest, StoredBillSavedAgainDoesNotConflictWithItselfButWithAByDateRow) {
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3)).ok);
    EXPECT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3)).ok);

    StoreByDateRow("D1", 1, "P1", "PT", 20050110, 900, 20050110, 1000, 1);
    Outcome out = SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3));
    EXPECT_EQ(out.error,
              "本单请假时间与以下资料有冲突: (日期别)请假凭单号: D1  假别: 婚假  时间: 2005/01/10 09:00 - "
              "2005/01/10 10:00");
}

TEST_F(ExcuseTest, RowsWithoutTimesEnteredNeverConflict) {
    StoreByDateRow("D1", 1, "P1", "PT", 20050110, 0, 20050110, 1700, 8);
    StoreByDateRow("D1", 2, "P1", "PT", 20050110, -1, 20050110, -1, 8);
    EXPECT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3)).ok);
}

TEST_F(ExcuseTest, RowsOfTheIgnoredKindThreeTakeNoPart) {
    db->Execute(
        "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, EndTime, "
        "ExcuseCount) Values (3, 'X1', 0, 'P1', 'PT', 20050110, 800, 20050110, 1200, 3)");
    EXPECT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3)).ok);
}

TEST_F(ExcuseTest, ConflictQueriesAreTheTwoKindsOfRowsOfThePerson) {
    db->Recorder().Start();
    ASSERT_TRUE(SaveLeave(Leave("L'1", "P1", "PT", 20050110, 800, 20050110, 1200, 3)).ok);
    const auto& sql = db->Recorder().Statements();
    // Rows from the day before: one written on a single date may run overnight into the span.
    const std::string same =
        "Select A.*, B.ExcuseClsName From humExcuse A Left Join humExcuseCls B On A.ExcuseClsID = B.ExcuseClsID "
        "Where A.Flag <> 3 And A.PersonID = 'P1' And A.BillNo <> 'L''1' And Not (A.BeginDate > 20050110 Or "
        "A.EndDate < 20050109)  And A.Flag = 1";
    const std::string other =
        "Select A.*, B.ExcuseClsName From humExcuse A Left Join humExcuseCls B On A.ExcuseClsID = B.ExcuseClsID "
        "Where A.Flag <> 3 And A.PersonID = 'P1' And Not (A.BeginDate > 20050110 Or A.EndDate < 20050109)  And "
        "A.Flag = 2";
    EXPECT_NE(std::find(sql.begin(), sql.end(), same), sql.end());
    EXPECT_NE(std::find(sql.begin(), sql.end(), other), sql.end());
}

// ---- employment

TEST_F(ExcuseTest, LeaveReachingPastTheLeavingDateIsRefused) {
    AddPerson(*db, {.personId = "P9", .onJobDate = 20040101, .leaveJobDate = 20050110, .jobSch = "S-DAY"});
    Outcome out = SaveLeave(Leave("L1", "P9", "PT", 20050110, 800, 20050111, 1700, 16));
    EXPECT_TRUE(Refused(out, msg::kPersonOffJobPartly, {Variant("P9")}));
}

TEST_F(ExcuseTest, FieldCheckOfThePersonRefusesOnlyWhenNotEmployedAtAll) {
    AddPerson(*db, {.personId = "P9", .onJobDate = 20050201, .jobSch = "S-DAY"});
    auto leave = Object("QVXHumrs.Excuse");
    Outcome partly = leave->CheckFieldValues(0, {Variant("PersonID")},
                                             {Variant("P9"), Variant(20050130), Variant(20050202)});
    EXPECT_TRUE(partly.ok) << partly.error;
    Outcome never = leave->CheckFieldValues(0, {Variant("personid")},
                                            {Variant("P9"), Variant(20050110), Variant(20050111)});
    EXPECT_TRUE(Refused(never, msg::kPersonOffJob, {Variant("P9")}));
}

TEST_F(ExcuseTest, EmploymentProcedureWarnsInModeOne) {
    AddPerson(*db, {.personId = "P9", .onJobDate = 20050201});
    Outcome warn = Proc(5, Variant(VariantArray{"P9", 20050110, 20050111, 1, 0, true}));
    ASSERT_TRUE(warn.ok);
    ASSERT_EQ(warn.notices.size(), 1u);
    EXPECT_EQ(warn.notices[0].text, "P9人员在请假期间内有不在职时段");
    EXPECT_TRUE(Refused(Proc(5, Variant(VariantArray{"P9", 20050110, 20050111, 0, 1, true})),
                        msg::kPersonOffJob, {Variant("P9")}));
}

// ---- lateness leave

TEST_F(ExcuseTest, LatenessLeaveLongerThanTheShiftAllowanceGivesANoticeAndIsSaved) {
    Outcome out = SaveLeave(Leave("L1", "P1", "CD", 20050110, 800, 20050110, 900, 1));
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "迟到时间已超过可请事假的时间");
    EXPECT_EQ(Count("humExcuse"), 1);

    Outcome shortOne = SaveLeave(Leave("L2", "P1", "CD", 20050111, 800, 20050111, 820, 0.5));
    EXPECT_TRUE(shortOne.notices.empty());
}

TEST_F(ExcuseTest, NoAllowanceMeansNoNotice) {
    db->Execute("Update humClass Set LateTimeOver = 0 Where ClassID = 'DAY'");
    Outcome out = SaveLeave(Leave("L1", "P1", "CD", 20050110, 800, 20050110, 1700, 8));
    ASSERT_TRUE(out.ok);
    EXPECT_TRUE(out.notices.empty());
}

TEST_F(ExcuseTest, LateAllowanceComesFromANightShiftStillRunning) {
    // N1's Monday night shift runs into Tuesday 05:00: a leave at Tuesday 03:00 is
    // measured against the night shift.
    EXPECT_EQ(CInt(Proc(9, Variant(VariantArray{"N1", 20050111, 300})).result), 45);
    EXPECT_EQ(CInt(Proc(9, Variant(VariantArray{"P1", 20050111, 800})).result), 30);
    EXPECT_EQ(CInt(Proc(9, Variant(VariantArray{"P1", 20050109, 800})).result), 0);  // Sunday: no shift
}

// ---- delete

TEST_F(ExcuseTest, CancelledBillCannotBeDeleted) {
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "PT", 20050110, 800, 20050110, 1200, 3)).ok);
    db->Execute("Update humExcuse Set IfCutExcuse = 1, CutExcuseNo = 'C1' Where BillNo = 'L1'");
    Outcome out = Object("QVXHumrs.Excuse")->Delete(Variant("L1"));
    EXPECT_TRUE(Refused(out, msg::kLeaveHasCancellationDelete));
    EXPECT_EQ(Count("humExcuse"), 1);
    db->Execute("Update humExcuse Set IfCutExcuse = 0 Where BillNo = 'L1'");
    EXPECT_TRUE(Object("QVXHumrs.Excuse")->Delete(Variant("L1")).ok);
    EXPECT_EQ(Count("humExcuse"), 0);
}

// ---- procedures

TEST_F(ExcuseTest, DateTimeRangeAcceptsMidnightAsEndOfTheSameDay) {
    auto range = [&](const char* endTime) {
        return Proc(1, Variant(VariantArray{"20050110", "20050110", "0900", endTime, "x", "y"}));
    };
    Outcome midnight = range("0000");
    ASSERT_TRUE(midnight.ok);
    EXPECT_TRUE(CBool(midnight.result));
    EXPECT_TRUE(Refused(range("0800"), msg::kEndTimeBeforeBegin));
}

TEST_F(ExcuseTest, DateTimeRangeIsFalseWhenIncompleteAndRefusesAReversedSpan) {
    auto range = [&](VariantArray a) { return Proc(1, Variant(std::move(a))); };
    EXPECT_FALSE(CBool(range({"", "20050110", "0800", "0900", "x", "y"}).result));
    EXPECT_FALSE(CBool(range({"20050110", "20050110", "0800", "0800", "x", "y"}).result));
    EXPECT_FALSE(CBool(range({"20050110", "20050111", "0800", "0900", " ", "y"}).result));
    EXPECT_TRUE(Refused(range({"20050111", "20050110", "0800", "0900", "x", "y"}), msg::kEndDateBeforeBegin));
}

TEST_F(ExcuseTest, ConflictProcedureServesTheByDateBill) {
    ASSERT_TRUE(SaveLeave(Leave("L1", "P1", "SJ", 20050110, 800, 20050110, 1200, 3)).ok);
    // A by-date bill asks about its own row: every by-person row counts.
    Outcome out = Proc(4, Variant(VariantArray{"D1", "P1", 20050110, 1000, 20050110, 1100, 2}));
    EXPECT_NE(out.error.find("(人员别)请假凭单号: L1"), std::string::npos) << out.error;
    EXPECT_TRUE(Proc(4, Variant(VariantArray{"D1", "P1", 20050111, 1000, 20050111, 1100, 2})).ok);
}

TEST_F(ExcuseTest, RowSetProcedureLabelsRowsOfTheSameBillByDate) {
    Dataset rows({{"Flag", FieldType::Integer}, {"BillNo", FieldType::Text}, {"ExcuseClsName", FieldType::Text},
                  {"BeginDate", FieldType::Integer}, {"BeginTime", FieldType::Integer},
                  {"EndDate", FieldType::Integer}, {"EndTime", FieldType::Integer}});
    rows.AddStoredRow({1, "D7", "事假", 20050110, 800, 20050110, 1000});
    Outcome out = Proc(7, Variant(VariantArray{Variant(rows.Data()), 20050110, 20050110, 900, 930, true}));
    EXPECT_EQ(out.error,
              "本单请假时间与以下资料有冲突: (日期别)请假凭单号: D7  假别: 事假  时间: 2005/01/10 08:00 - "
              "2005/01/10 10:00");
}

TEST_F(ExcuseTest, UnservedProcedureNumbersDoNothing) {
    for (int no : {0, 2, 99}) {
        Outcome out = Proc(no, Variant(VariantArray{"anything"}));
        EXPECT_TRUE(out.ok);
        EXPECT_TRUE(out.result.IsEmpty());
    }
}

TEST_F(ExcuseTest, DatesShowInTheConfiguredLongForm) {
    SetParam(*db, "HumCommDateStyle", "0");
    SetParam(*db, "HumDispStyle", "2");
    auto leave = ObjectAs<TExcuse>("QVXHumrs.Excuse");
    EXPECT_EQ(leave->DateToShow(20050110), "2005年01月10日");
    SetParam(*db, "HumDispStyle", "4");
    SetParam(*db, "HumSeparatorChar", "-");
    EXPECT_EQ(leave->DateToShow(20050110), "2005-01-10");
    SetParam(*db, "HumSeparatorChar", "．/");  // the first character, however wide
    EXPECT_EQ(leave->DateToShow(20050110), "2005．01．10");
}

}  // namespace
}  // namespace humrs
