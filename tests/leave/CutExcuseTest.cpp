// The leave cancellation: the lookup finds the leave row the span lies in, the save
// on the same object marks it, and deleting or saving again lifts the marks.
#include "leave/CoCutExcuse.h"
#include "leave/LeaveFixture.h"
#include "leave/CutExcuseMessages.h"
#include "leave/LeaveMessages.h"
#include "support/Refusals.h"

namespace humrs::testing {
namespace {

class CutExcuseTest : public LeaveFixture {
protected:
    void SetUp() override {
        LeaveFixture::SetUp();
        ASSERT_TRUE(SaveLeave(Leave("QJ1", "P1", "PT", 20050502, 800, 20050504, 1700, 3)).ok);
    }
    static Variant Span(const std::string& person, int beginDate, int beginTime, int endDate, int endTime,
                        int check = 1) {
        return Variant(VariantArray{person, beginDate, beginTime, endDate, endTime, check});
    }
    static Row Cut(const std::string& billNo, const std::string& person, double count) {
        return {{"BillNo", Variant(billNo)},
                {"PersonID", Variant(person)},
                {"BeginDate", Variant(20050503)},
                {"BeginTime", Variant(800)},
                {"EndDate", Variant(20050503)},
                {"EndTime", Variant(1200)},
                {"ExcuseCount", Variant(count)}};
    }
    // The cancellation marks of a leave row: IfCutExcuse, CutExcuseNo, CutExcuseCount.
    std::string Marks(const std::string& leaveBill) {
        auto row = db->QueryFirst(
            "Select IfCutExcuse, CutExcuseNo, CutExcuseCount From humExcuse Where BillNo = ?", {Variant(leaveBill)});
        return row ? std::to_string(CInt((*row)[0])) + "|" + CStr((*row)[1]) + "|" + CStr((*row)[2]) : "no row";
    }
};

TEST_F(CutExcuseTest, LookupFindsTheRowWhoseDatesHoldTheBeginDate) {
    auto cut = Object("QVXHumrs.CutExcuse");
    const Outcome found = cut->ExecuteProc(0, Span("P1", 20050503, 800, 20050503, 1200));
    ASSERT_TRUE(found.ok) << found.error;
    const VariantArray& r = found.result.AsArray();
    EXPECT_EQ(CStr(r[0]), "PT");
    EXPECT_EQ(CInt(r[4]), 1);
    EXPECT_EQ(CStr(r[5]), "QJ1");
    EXPECT_GT(CFloat(r[3]), 0);  // the span's length in the category's unit

    // Only rows whose dates hold the begin date are read: a span starting the day
    // before is not found, nor one reaching past the leave.
    for (const Variant& outside : {Span("P1", 20050501, 800, 20050503, 1200), Span("P1", 20050504, 1300, 20050505, 900),
                                   Span("P2", 20050503, 800, 20050503, 1200)}) {
        const Outcome none = cut->ExecuteProc(0, outside);
        EXPECT_TRUE(Refused(none, msg::kNoLeaveForCutSpan)) << outside.Describe();
    }
}

TEST_F(CutExcuseTest, SaveMarksTheFoundRowAndDeleteLiftsIt) {
    auto cut = Object("QVXHumrs.CutExcuse");
    ASSERT_TRUE(cut->ExecuteProc(0, Span("P1", 20050503, 800, 20050503, 1200)).ok);
    const Outcome saved = SaveWith(*cut, {{Cut("XJ1", "P1", 0.5)}});
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(Marks("QJ1"), "1|XJ1|0.5");
    // A cancelled leave may no longer be changed or deleted.
    EXPECT_TRUE(Refused(SaveLeave(Leave("QJ1", "P1", "PT", 20050502, 800, 20050503, 1200, 2)),
                        msg::kLeaveHasCancellationEdit));

    // The looked-up row is remembered: saving the bill again re-marks it with the new count.
    const Outcome changed = SaveWith(*cut, {{Cut("XJ1", "P1", 0.25)}});
    ASSERT_TRUE(changed.ok) << changed.error;
    EXPECT_EQ(Marks("QJ1"), "1|XJ1|0.25");

    ASSERT_TRUE(Object("QVXHumrs.CutExcuse")->Delete(Variant("XJ1")).ok);
    EXPECT_EQ(Marks("QJ1"), "0||0");
    EXPECT_TRUE(SaveLeave(Leave("QJ1", "P1", "PT", 20050502, 800, 20050503, 1200, 2)).ok);
}

TEST_F(CutExcuseTest, CheckFlagDecidesWhetherACancelledRowIsFoundAgain) {
    auto first = Object("QVXHumrs.CutExcuse");
    ASSERT_TRUE(first->ExecuteProc(0, Span("P1", 20050503, 800, 20050503, 1200)).ok);
    ASSERT_TRUE(SaveWith(*first, {{Cut("XJ1", "P1", 0.5)}}).ok);

    auto second = Object("QVXHumrs.CutExcuse");
    EXPECT_TRUE(
        Refused(second->ExecuteProc(0, Span("P1", 20050503, 800, 20050503, 1200, 1)), msg::kLeaveAlreadyCut));
    ASSERT_TRUE(second->ExecuteProc(0, Span("P1", 20050503, 800, 20050503, 1200, 0)).ok);
    ASSERT_TRUE(SaveWith(*second, {{Cut("XJ2", "P1", 0.5)}}).ok);
    EXPECT_EQ(Marks("QJ1"), "1|XJ2|0.5");  // the first bill's number is overwritten
}

TEST_F(CutExcuseTest, SaveWithoutLookupMarksNothingButChecksTheCount) {
    EXPECT_TRUE(Refused(SaveBill("QVXHumrs.CutExcuse", {{Cut("XJ1", "P1", 0)}}), msg::kCutCountEmpty));
    ASSERT_TRUE(SaveBill("QVXHumrs.CutExcuse", {{Cut("XJ1", "P1", 0.5)}}).ok);
    EXPECT_EQ(Marks("QJ1"), "0||0");
}

// A stored bill saved again on an object that made no lookup finds its leave again from
// what it stores: the row it marked while its span stays, the row that covers its new
// span when the span moved. Where none can be found the save is refused and the mark
// stays as it was.
TEST_F(CutExcuseTest, StoredBillSavedAgainWithoutLookupKeepsItsCancellation) {
    const Row moved = With(Cut("XJ1", "P1", 0.5), {{"BeginDate", 20050510}, {"EndDate", 20050510}});
    struct Case {
        const char* what;
        Row row;
        bool qj2CutByXJ2;
        std::string error;
        std::string qj1, qj2;  // marks of the two leave rows afterwards
    } cases[] = {
        {"count changed",
         {{"BillNo", Variant("XJ1")}, {"ExcuseCount", Variant(0.25)}},
         false,
         "",
         "1|XJ1|0.25",
         "0||0"},
        {"memo changed",
         {{"BillNo", Variant("XJ1")}, {"Memo", Variant("补记")}},
         false,
         "",
         "1|XJ1|0.5",
         "0||0"},
        {"span moved onto another leave", moved, false, "", "0||0", "1|XJ1|0.5"},
        {"span moved where no leave is", With(moved, {{"BeginDate", 20050520}, {"EndDate", 20050520}}), false,
         "找不到符合销假期间的请假单", "1|XJ1|0.5", "0||0"},
        {"span moved onto a cancelled leave", moved, true, "此销假期间对应的请假单已销假", "1|XJ1|0.5",
         "1|XJ2|1"},
        {"count beyond the leave",
         {{"BillNo", Variant("XJ1")}, {"ExcuseCount", Variant(4)}},
         false,
         "销假合计不可大于请假合计",
         "1|XJ1|0.5",
         "0||0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        ASSERT_TRUE(SaveLeave(Leave("QJ2", "P1", "PT", 20050510, 800, 20050510, 1700, 1)).ok);
        auto first = Object("QVXHumrs.CutExcuse");
        ASSERT_TRUE(first->ExecuteProc(0, Span("P1", 20050503, 800, 20050503, 1200)).ok);
        ASSERT_TRUE(SaveWith(*first, {{Cut("XJ1", "P1", 0.5)}}).ok);
        if (c.qj2CutByXJ2)
            db->Execute(
                "Update humExcuse Set IfCutExcuse = 1, CutExcuseNo = 'XJ2', CutExcuseCount = 1 Where BillNo "
                "= 'QJ2'");

        const Outcome out = SaveBill("QVXHumrs.CutExcuse", {{c.row}});
        if (c.error.empty())
            EXPECT_TRUE(out.ok) << out.error;
        else
            EXPECT_EQ(out.error, c.error);
        EXPECT_EQ(Marks("QJ1"), c.qj1);
        EXPECT_EQ(Marks("QJ2"), c.qj2);
    }
}

TEST_F(CutExcuseTest, TheFirstOfTwoContainingRowsIsTaken) {
    StoreByDateRow("QJD", 1, "P1", "PT", 20050503, 800, 20050503, 1700, 1);
    auto cut = Object("QVXHumrs.CutExcuse");
    const Outcome found = cut->ExecuteProc(0, Span("P1", 20050503, 800, 20050503, 1200));
    ASSERT_TRUE(found.ok) << found.error;
    const std::string first = CStr((*db->QueryFirst("Select BillNo From humExcuse Where Flag <> 3 and PersonID = 'P1' "
                                                     "And BeginDate <= 20050503 And EndDate >= 20050503"))[0]);
    EXPECT_EQ(CStr(found.result[5]), first);
}

// Person and bill numbers go into the statements quoted: a quote in them neither
// breaks a statement nor changes what it touches.
TEST_F(CutExcuseTest, QuotesInPersonAndBillNumbersAreSafe) {
    AddPerson(*db, {.personId = "O'Neil", .departId = "D1", .onJobDate = 20000101, .jobSch = "S-DAY"});
    ASSERT_TRUE(SaveLeave(Leave("QJ'2", "O'Neil", "PT", 20050502, 800, 20050504, 1700, 3)).ok);
    auto cut = Object("QVXHumrs.CutExcuse");
    const Outcome found = cut->ExecuteProc(0, Span("O'Neil", 20050503, 800, 20050503, 1200));
    ASSERT_TRUE(found.ok) << found.error;
    ASSERT_TRUE(SaveWith(*cut, {{Cut("XJ'1", "O'Neil", 0.5)}}).ok);
    EXPECT_EQ(Marks("QJ'2"), "1|XJ'1|0.5");
    EXPECT_EQ(Marks("QJ1"), "0||0");
    ASSERT_TRUE(Object("QVXHumrs.CutExcuse")->Delete(Variant("XJ'1")).ok);
    EXPECT_EQ(Marks("QJ'2"), "0||0");
}

}  // namespace
}  // namespace humrs::testing
