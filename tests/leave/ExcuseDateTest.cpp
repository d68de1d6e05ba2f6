// Leave entered by date: many persons in one bill, every leave rule asked row by row,
// the bill's rows checked against each other, cancelled rows kept, and the
// compensatory-leave allocation left as a fresh rebuild would make it.
#include "leave/LeaveFixture.h"
#include "leave/ExcuseDateMessages.h"
#include "leave/LeaveMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::Row;

class ExcuseDateTest : public testing::LeaveFixture {
protected:
    // A row numbered `serNo` (its row number too); 0 leaves both to the bill.
    static Row R(int serNo, const std::string& person, const std::string& category, int date, int beginTime,
                 int endTime, double count) {
        Row row = {{"SerNo", Variant(serNo)},         {"PersonID", Variant(person)},
                   {"ExcuseClsID", Variant(category)}, {"BeginDate", Variant(date)},
                   {"BeginTime", Variant(beginTime)}, {"EndDate", Variant(date)},
                   {"EndTime", Variant(endTime)},     {"ExcuseCount", Variant(count)}};
        if (serNo > 0) row.push_back({"RowNo", Variant(serNo)});
        else row[0].second = Variant();
        return row;
    }
    Outcome SaveDate(const std::string& billNo, int billDate, const std::vector<Row>& rows) {
        return SaveBill("QVXHumrs.ExcuseDate", {{{{"BillNo", Variant(billNo)}, {"BillDate", Variant(billDate)}}}, rows});
    }
    Outcome DeleteDate(const std::string& billNo) { return Object("QVXHumrs.ExcuseDate")->Delete(Variant(billNo)); }
    void Overtime(const std::string& billNo, const std::string& person, int date, double hours) {
        db->Execute(
            "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
            "RedeemType, UseableRedeemCount) Values (1, ?, 0, ?, ?, 1800, 2200, ?, 1, ?)",
            {Variant(billNo), Variant(person), Variant(date), Variant(hours), Variant(hours)});
    }
    // The free hours of every overtime row, in one text.
    std::string FreeHours() {
        std::string text;
        for (const auto& row : db->Query("Select BillNo, UseableRedeemCount From HumOverTime Order By BillNo").rows)
            text += CStr(row[0]) + "=" + CStr(row[1]) + " ";
        return text;
    }
};

TEST_F(ExcuseDateTest, RowsAreRefusedOrAcceptedInTheOrderTheChecksRun) {
    SetParam(*db, "AllowAffairLeaveYear", "1");
    SetParam(*db, "HumMaxPrivateExCount", "3");
    struct Case {
        const char* what;
        std::vector<Row> rows;
        const Message* refusal;  // null: accepted
        VariantArray values;
    } cases[] = {
        // The first row is over the personal-leave cap too: the overlap with the
        // person's later row is found first.
        {"same person overlapping",
         {R(1, "P1", "SJ", 20050110, 900, 1100, 5), R(2, "P2", "PT", 20050110, 900, 1100, 2),
          R(3, "p1", "PT", 20050110, 1000, 1200, 2)},
         &msg::kLeaveConflict,
         {"日期别", "D1", "婚假", "2005/01/10", "10:00", "2005/01/10", "12:00"}},
        {"over the cap alone",
         {R(1, "P1", "SJ", 20050110, 900, 1100, 5)},
         &msg::kPersonalLeaveOverCap,
         {"P1", "3"}},
        {"different persons, same times",
         {R(1, "P1", "PT", 20050110, 900, 1100, 2), R(2, "P2", "PT", 20050110, 900, 1100, 2)},
         {}},
        {"rows without times never overlap",
         {R(1, "P1", "PT", 20050110, 0, 0, 1), R(2, "P1", "PT", 20050110, 0, 0, 1)},
         {}},
        {"no begin time", {R(1, "P1", "PT", 20050110, -1, 1100, 2)}, &msg::kByDateTimeNotEntered},
        {"zero count", {R(1, "P1", "PT", 20050110, 900, 1100, 0)}, &msg::kByDateCountZero},
        {"no category", {R(1, "P1", "", 20050110, 900, 1100, 2)}, &msg::kByDateCategoryEmpty},
        {"end time before begin", {R(1, "P1", "PT", 20050110, 1100, 900, 2)}, &msg::kEndTimeBeforeBegin},
        {"not employed", {R(1, "P2", "PT", 20021231, 900, 1100, 2)}, &msg::kPersonOffJobPartly, {"P2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome out = SaveDate("D1", 20050105, c.rows);
        if (c.refusal)
            EXPECT_TRUE(Refused(out, *c.refusal, c.values));
        else
            EXPECT_TRUE(out.ok) << out.error;
        EXPECT_EQ(Count("humExcuse"), !c.refusal ? static_cast<int64_t>(c.rows.size()) : 0);
        db->Execute("Delete From humExcuse");
        db->Execute("Delete From humExcuseDateMain");
    }
}

TEST_F(ExcuseDateTest, LoginFiveAndMergeInSkipTheRulesButNotTheStoredDataGuards) {
    session->loginType = 5;
    EXPECT_TRUE(SaveDate("D1", 20050105, {R(1, "P1", "PT", 20050110, -1, -1, 0)}).ok);
    auto backwards = R(1, "P1", "PT", 20050112, 900, 1100, 2);
    backwards[5].second = Variant(20050110);  // EndDate
    EXPECT_TRUE(Refused(SaveDate("D2", 20050105, {backwards}), msg::kByDateEndDateBeforeBegin));
    session->loginType = 0;
    session->mergeIn = true;
    EXPECT_TRUE(SaveDate("D3", 20050105, {R(1, "P1", "PT", 20050111, -1, 1100, 2)}).ok);
}

TEST_F(ExcuseDateTest, CancelledRowCannotBeChangedRemovedOrDeletedWithItsBill) {
    const std::vector<Row> rows = {R(1, "P1", "PT", 20050110, 900, 1100, 2), R(2, "P2", "PT", 20050110, 900, 1100, 2),
                                   R(3, "P1", "PT", 20050111, 900, 1100, 2)};
    ASSERT_TRUE(SaveDate("D1", 20050105, rows).ok);
    db->Execute("Update humExcuse Set IfCutExcuse = 1, CutExcuseNo = 'C1', CutExcuseCount = 1 Where SerNo = 3");

    EXPECT_TRUE(Refused(DeleteDate("D1"), msg::kLeaveHasCancellationDelete));
    auto changed = rows;
    changed[2][7].second = Variant(1.5);  // ExcuseCount of the third row
    EXPECT_TRUE(Refused(SaveDate("D1", 20050105, changed), msg::kByDateRowHasCancellationEdit, {Variant(3)}));
    auto lifted = rows;
    lifted[2][7].second = Variant(1.5);
    lifted[2].push_back({"IfCutExcuse", Variant(false)});
    EXPECT_TRUE(Refused(SaveDate("D1", 20050105, lifted), msg::kByDateRowHasCancellationEdit, {Variant(3)}));
    EXPECT_TRUE(Refused(SaveDate("D1", 20050105, {rows[0], rows[1]}), msg::kLeaveHasCancellationDelete));

    // The other rows may still change; the mark and the cancelled quantity stay.
    changed = rows;
    changed[0][7].second = Variant(1.0);
    changed[2].push_back({"CutExcuseCount", Variant(0.0)});
    EXPECT_TRUE(SaveDate("D1", 20050105, changed).ok);
    EXPECT_EQ(CStr(Value("Select CutExcuseNo From humExcuse Where SerNo = 3")), "C1");
    EXPECT_DOUBLE_EQ(CFloat(Value("Select CutExcuseCount From humExcuse Where SerNo = 3")), 1);
}

TEST_F(ExcuseDateTest, NewRowOfAStoredBillTakesTheHeadersDateAndNumber) {
    ASSERT_TRUE(SaveDate("D1", 20050105, {R(1, "P1", "PT", 20050110, 900, 1100, 2)}).ok);
    auto added = R(0, "P2", "PT", 20050111, 900, 1100, 2);
    added.push_back({"ExcuseDate", Variant(20991231)});
    ASSERT_TRUE(SaveDate("D1", 20050107, {R(1, "P1", "PT", 20050110, 900, 1100, 2), added}).ok);
    auto row = db->QueryFirst("Select BillNo, ExcuseDate, SerNo, RowNo From humExcuse Where PersonID = 'P2'");
    ASSERT_TRUE(row);
    EXPECT_EQ(CStr((*row)[0]), "D1");
    EXPECT_EQ(CInt((*row)[1]), 20050107);
    EXPECT_EQ(CInt((*row)[2]), 2);  // numbered on after the bill's last row
    EXPECT_EQ(CInt((*row)[3]), 2);
}

// Two compensatory leaves of one person in one new bill share the overtime: each is
// weighed against the overtime the other leaves free, not counted twice.
TEST_F(ExcuseDateTest, CompensatoryRowsOfOnePersonInOneBillShareTheOvertime) {
    Overtime("O1", "P1", 20050103, 8);
    EXPECT_TRUE(SaveDate("D1", 20050105, {R(1, "P1", "BX", 20050110, 800, 1200, 4),
                                          R(2, "P1", "BX", 20050111, 800, 1200, 4)})
                    .ok);
    EXPECT_EQ(FreeHours(), "O1=0 ");
    EXPECT_FALSE(SaveDate("D2", 20050105, {R(1, "P1", "BX", 20050112, 800, 1200, 1)}).ok);
}

TEST_F(ExcuseDateTest, FreeOvertimeHoursEqualAFreshRebuildAfterEverySaveAndDelete) {
    Overtime("O1", "P1", 20050103, 8);
    Overtime("O2", "P1", 20050104, 8);
    Overtime("O3", "P2", 20050103, 8);
    const Row a = R(1, "P1", "BX", 20050110, 800, 1200, 4), b = R(2, "P1", "BX", 20050111, 800, 1500, 6),
              c = R(3, "P2", "BX", 20050110, 800, 1000, 2);
    auto grown = a, moved = b, recast = c;
    grown[7].second = Variant(7.0);
    moved[1].second = Variant("P2");
    recast[2].second = Variant("PT");
    struct Step {
        const char* what;
        std::vector<Row> rows;  // empty: delete the bill
    } steps[] = {
        {"new bill", {a, b, c}},         {"a grows", {grown, b, c}},  {"b moves to P2", {grown, moved, c}},
        {"c is no longer compensatory", {grown, moved, recast}}, {"a removed", {moved, recast}},
        {"row added", {moved, recast, a}}, {"bill deleted", {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        ASSERT_TRUE(s.rows.empty() ? DeleteDate("D1").ok : SaveDate("D1", 20050105, s.rows).ok);
        EXPECT_EQ(Count("humExcuse Where RedeemOldExcuseCount <> 0"), 0);
        const std::string posted = FreeHours();
        for (const char* person : {"P1", "P2"}) ASSERT_TRUE(Proc(12, Variant(person)).ok);
        EXPECT_EQ(posted, FreeHours());
    }
    EXPECT_EQ(FreeHours(), "O1=8 O2=8 O3=8 ");
}

}  // namespace
}  // namespace humrs
