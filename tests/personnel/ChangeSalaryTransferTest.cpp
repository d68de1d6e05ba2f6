// Transferring salary adjustments into the person's settings and history, on save
// and by the daily job, and undoing them.
#include "personnel/ChangeSalaryFixture.h"
#include "personnel/ChangeSalaryMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::Row;

class ChangeSalaryTransferTest : public testing::ChangeSalaryFixture {
protected:
    // A full adjustment: base 3500, bonus 120, meal 250, items A1 60 and A2 30.
    Outcome SaveFull(const std::string& billNo, int adjustDate, double base = 3500) {
        Row row = Change(1, "P1", adjustDate, base);
        row.insert(row.end(), {{"NoLeave", Variant(true)},
                               {"NNoLeave", Variant(120)},
                               {"Meal", Variant(true)},
                               {"NMealSalary", Variant(250)}});
        return SaveChange(billNo, {row}, {Item(1, 1, "A1", 60), Item(1, 2, "A2", 30)});
    }
    int64_t Snapshots(const std::string& person) { return Count("humHistSalaryBase Where PersonID = '" + person + "'"); }
};

TEST_F(ChangeSalaryTransferTest, AnAdjustmentDueOnTheServerDateIsTransferredOnSave) {
    ASSERT_TRUE(SaveFull("T1", 20050115).ok);
    EXPECT_TRUE(Transferred("T1"));
    EXPECT_DOUBLE_EQ(Base("P1"), 3500);
    EXPECT_EQ(Items("P1"), "A1=60,A2=30");
    EXPECT_DOUBLE_EQ(CFloat(Value("Select NoLeaveSalary + MealSalary From humPersonSetMain Where ID = 'P1'")), 370);
    EXPECT_EQ(CInt(Value("Select AdjustDate From humPersonSetMain Where ID = 'P1'")), 20050115);
    // The snapshot of the new terms, under the adjustment's number.
    EXPECT_DOUBLE_EQ(CFloat(Value("Select BaseSalary From humHistSalaryBase Where PersonID = 'P1' And ChangeTimes = 1")),
                     3500);
    EXPECT_EQ(Count("humHistSalaryItem Where PersonID = 'P1' And ChangeTimes = 1"), 2);
}

TEST_F(ChangeSalaryTransferTest, BonusOrMealPaidElsewhereIsWrittenAsZero) {
    struct Case {
        const char* key;
        const char* amount;
        const char* chosen;
    } cases[] = {{"HumPayNoLeave", "NoLeaveSalary", "NoLeave"}, {"HumPayMess", "MealSalary", "Meal"}};
    for (const Case& c : cases) {
        SetParam(*db, "HumPayNoLeave", "0");
        SetParam(*db, "HumPayMess", "0");
        SetParam(*db, c.key, "1");
        ASSERT_TRUE(SaveFull("T1", 20050115).ok) << c.key;
        EXPECT_EQ(CFloat(Value(std::string("Select ") + c.amount + " From humPersonSetMain Where ID = 'P1'")), 0)
            << c.key;
        EXPECT_FALSE(CBool(Value(std::string("Select ") + c.chosen + " From humPersonSetMain Where ID = 'P1'")))
            << c.key;
        ASSERT_TRUE(Delete("T1").ok) << c.key;
    }
}

TEST_F(ChangeSalaryTransferTest, AnAdjustmentDatedTomorrowWaitsForTheDailyJobOfThatDate) {
    ASSERT_TRUE(SaveFull("T1", 20050116).ok);
    EXPECT_FALSE(Transferred("T1"));
    EXPECT_DOUBLE_EQ(Base("P1"), 3000);

    EXPECT_TRUE(CBool(Proc(1, Variant(VariantArray{"", 20050115})).result));
    EXPECT_FALSE(Transferred("T1"));
    ASSERT_TRUE(Proc(1, Variant(VariantArray{"P2", 20050116})).ok);
    EXPECT_FALSE(Transferred("T1"));

    ASSERT_TRUE(Proc(1, Variant(VariantArray{"P1", 20050116})).ok);
    EXPECT_TRUE(Transferred("T1"));
    EXPECT_DOUBLE_EQ(Base("P1"), 3500);
    EXPECT_EQ(Items("P1"), "A1=60,A2=30");
}

TEST_F(ChangeSalaryTransferTest, MovingATransferredAdjustmentIntoTheFutureUndoesIt) {
    ASSERT_TRUE(SaveFull("T1", 20050110).ok);
    ASSERT_TRUE(SaveFull("T1", 20050120).ok);
    EXPECT_FALSE(Transferred("T1"));
    EXPECT_DOUBLE_EQ(Base("P1"), 3000);
    EXPECT_EQ(Items("P1"), "A1=50");
    EXPECT_EQ(Count("humHistSalaryBase Where ChangeTimes = 1"), 0);
}

TEST_F(ChangeSalaryTransferTest, ChangingATransferredAdjustmentTransfersItAgain) {
    ASSERT_TRUE(SaveFull("T1", 20050110).ok);
    Outcome out = SaveFull("T1", 20050111, 3600);
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_DOUBLE_EQ(Base("P1"), 3600);
    EXPECT_DOUBLE_EQ(CFloat(Value("Select BaseSalary From humHistSalaryBase Where ChangeTimes = 1")), 3600);
    EXPECT_EQ(Snapshots("P1"), 2);
}

TEST_F(ChangeSalaryTransferTest, DeletingTheLatestRestoresThePreviousAdjustment) {
    ASSERT_TRUE(SaveFull("T1", 20050105).ok);
    ASSERT_TRUE(SaveChange("T2", {Change(1, "P1", 20050110, 4000)}, {Item(1, 1, "C1", 15)}).ok);
    EXPECT_EQ(Items("P1"), "C1=15");
    ASSERT_TRUE(Delete("T2").ok);
    EXPECT_DOUBLE_EQ(Base("P1"), 3500);
    EXPECT_EQ(Items("P1"), "A1=60,A2=30");
    EXPECT_EQ(Count("humChangeSalarySub Where BillNo = 'T2'"), 0);
    ASSERT_TRUE(Delete("T1").ok);
    EXPECT_DOUBLE_EQ(Base("P1"), 3000);
    EXPECT_EQ(Items("P1"), "A1=50");
    EXPECT_EQ(Snapshots("P1"), 1);
}

TEST_F(ChangeSalaryTransferTest, ARowDroppedFromItsBillIsUndoneOnlyWhenTheSavePasses) {
    SetTerms("P2", 2000, 20030101, {});
    struct Case {
        const char* what;
        std::vector<Row> rows;
        std::string error;
        double baseP1;
        int64_t snapshotsP1;
    };
    const std::vector<Case> cases = {
        {"P1's row dropped, P2's kept", {Change(2, "P2", 20050112, 2100)}, "", 3000, 1},
        {"P1's row dropped but P2's undated",
         {Change(2, "P2", 0, 2100)},
         "人员P2的调薪日期不能为空",
         3500,
         2},
        {"both kept", {Change(1, "P1", 20050110, 3500), Change(2, "P2", 20050112, 2100)}, "", 3500, 2},
    };
    for (const Case& c : cases) {
        for (const char* table : {"humChangeSalaryMain", "humChangeSalary", "humChangeSalarySub",
                                  "humHistSalaryBase", "humHistSalaryItem"})
            db->Execute(std::string("Delete From ") + table);
        SetTerms("P1", 3000, 20040101, {{"A1", 50}});
        TakeSnapshot("P1", 0);
        ASSERT_TRUE(SaveChange("T1", {Change(1, "P1", 20050110, 3500), Change(2, "P2", 20050112, 2000)}).ok)
            << c.what;
        ASSERT_DOUBLE_EQ(Base("P1"), 3500) << c.what;

        EXPECT_EQ(SaveChange("T1", c.rows).error, c.error) << c.what;
        EXPECT_DOUBLE_EQ(Base("P1"), c.baseP1) << c.what;
        EXPECT_EQ(Snapshots("P1"), c.snapshotsP1) << c.what;
    }
}

TEST_F(ChangeSalaryTransferTest, UndoAfterAnOldMethodAdjustmentRestoresTheFirstSnapshot) {
    // The old method changed the terms to 3200 without a snapshot.
    StoreChange("OLD", "P1", 1, 20040601);
    db->Execute("Insert Into humChangeSalaryMain (BillNo) Values ('OLD')");
    SetTerms("P1", 3200, 20040601, {{"A2", 70}});
    ASSERT_TRUE(SaveFull("T1", 20050110).ok);
    EXPECT_EQ(ChangeTimesOf("T1"), 2);
    ASSERT_TRUE(Delete("T1").ok);
    EXPECT_DOUBLE_EQ(Base("P1"), 3000);
    EXPECT_EQ(Items("P1"), "A1=50");
    EXPECT_TRUE(Refused(Delete("OLD"), msg::kSalaryChangeOldMethod));
}

TEST_F(ChangeSalaryTransferTest, UndoSkipsAPreviousAdjustmentThatWasNeverTransferred) {
    ASSERT_TRUE(SaveFull("T1", 20050120).ok);  // superseded before it fell due
    ASSERT_TRUE(SaveChange("T2", {Change(1, "P1", 20050201, 4000)}).ok);
    ASSERT_TRUE(Proc(1, Variant(VariantArray{"", 20050201})).ok);
    EXPECT_FALSE(Transferred("T1"));
    EXPECT_DOUBLE_EQ(Base("P1"), 4000);
    ASSERT_TRUE(Delete("T2").ok);
    EXPECT_DOUBLE_EQ(Base("P1"), 3000);
    EXPECT_EQ(Items("P1"), "A1=50");
}

TEST_F(ChangeSalaryTransferTest, TheFirstTransferKeepsTheEarlierTermsWhenNoSnapshotWasTaken) {
    SetTerms("P2", 2000, 20030101, {{"A1", 40}});
    ASSERT_TRUE(SaveChange("T1", {Change(1, "P2", 20050110, 2500)}).ok);
    EXPECT_DOUBLE_EQ(Base("P2"), 2500);
    EXPECT_DOUBLE_EQ(CFloat(Value("Select BaseSalary From humHistSalaryBase Where PersonID = 'P2' And ChangeTimes = 0")),
                     2000);
    ASSERT_TRUE(Delete("T1").ok);
    EXPECT_DOUBLE_EQ(Base("P2"), 2000);
    EXPECT_EQ(Items("P2"), "A1=40");
}

TEST_F(ChangeSalaryTransferTest, SettingsFirstSetUpThroughTheSettingsObjectAreTheFirstSnapshot) {
    Outcome set = SaveBill("QVXHumrs.PersonSetMain",
                           {{{{"ID", Variant("P2")}, {"BaseSalary", Variant(2200)}, {"AdjustDate", Variant(20040301)}}}});
    ASSERT_TRUE(set.ok) << set.error;
    EXPECT_EQ(CInt(Value("Select AdjustDate From humHistSalaryBase Where PersonID = 'P2' And ChangeTimes = 0")),
              20040301);
    // The first snapshot also bounds the date of the first adjustment.
    EXPECT_TRUE(Refused(SaveChange("T1", {Change(1, "P2", 20040201, 2600)}), msg::kAdjustDateBeforeLatest,
                        {Variant("P2")}));
    ASSERT_TRUE(SaveChange("T1", {Change(1, "P2", 20050110, 2600)}).ok);
    ASSERT_TRUE(Delete("T1").ok);
    EXPECT_DOUBLE_EQ(Base("P2"), 2200);
}

// ---- the daily job, person by person

TEST_F(ChangeSalaryTransferTest, DailyJobPassesOverAPersonWithoutSettingsUntilTheyAreSetUp) {
    ASSERT_TRUE(SaveFull("T1", 20050120).ok);
    ASSERT_TRUE(SaveChange("T2", {Change(1, "P2", 20050120, 2500)}).ok);
    Outcome out = Proc(1, Variant(VariantArray{"", 20050120}));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(Transferred("T1"));
    EXPECT_DOUBLE_EQ(Base("P1"), 3500);
    EXPECT_FALSE(Transferred("T2"));
    EXPECT_EQ(Count("humPersonSetMain Where ID = 'P2'"), 0);
    EXPECT_EQ(Snapshots("P2"), 0);
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "人员P2还没有薪资设定，薪资异动待设定后再转入");

    SetTerms("P2", 2000, 20030101, {{"A1", 40}});
    ASSERT_TRUE(Proc(1, Variant(VariantArray{"", 20050121})).ok);
    EXPECT_TRUE(Transferred("T2"));
    EXPECT_DOUBLE_EQ(Base("P2"), 2500);
    EXPECT_EQ(CInt(Value("Select AdjustDate From humHistSalaryBase Where PersonID = 'P2' And ChangeTimes = 0")),
              20030101);
}

TEST_F(ChangeSalaryTransferTest, DailyJobTakesBackOnlyThePersonWhoseAdjustmentFails) {
    SetTerms("P2", 2000, 20030101, {});
    ASSERT_TRUE(SaveFull("T1", 20050120).ok);
    ASSERT_TRUE(SaveChange("T2", {Change(1, "P2", 20050120, 2500)}).ok);
    // A snapshot already under P1's adjustment number: its transfer fails at the end.
    TakeSnapshot("P1", 1);
    Outcome out = Proc(1, Variant(VariantArray{"", 20050120}));
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text.rfind("人员P1的薪资异动未能转入：", 0), 0u) << out.notices[0].text;
    EXPECT_FALSE(Transferred("T1"));
    EXPECT_DOUBLE_EQ(Base("P1"), 3000);
    EXPECT_EQ(Items("P1"), "A1=50");
    EXPECT_TRUE(Transferred("T2"));
    EXPECT_DOUBLE_EQ(Base("P2"), 2500);
}

}  // namespace
}  // namespace humrs
