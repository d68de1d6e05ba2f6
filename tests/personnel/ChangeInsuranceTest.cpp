// Insurance changes: numbering per person and kind, the checks of a change row under
// both regional schemes, the transfer into the salary settings and history when due,
// and its undoing on delete and on a change of kind.
#include "support/Fixture.h"
#include "personnel/ChangeInsuranceMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

constexpr const char* kProgId = "QVXHumrs.ChangeInsurance";

class ChangeInsuranceTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        session->serverDate = 20240610;
        AddPerson(*db, {.personId = "P1", .onJobDate = 20200101});
        AddPerson(*db, {.personId = "P2", .onJobDate = 20200101});
    }

    // A person's settings set up the way the suite does it, which records the
    // initial state of every insurance kind.
    void SetUpSettings(const std::string& person, testing::Row values = {}) {
        values.insert(values.begin(), {"ID", person});
        ASSERT_TRUE(SaveBill("QVXHumrs.PersonSetMain", {{values}}).ok);
    }

    static testing::Row Change(const std::string& person, int kind, int type, double amount, int month, int date = 0) {
        return {{"RowNo", 1},           {"PersonID", person},   {"InsurKind", kind},   {"ChangeType", type},
                {"ChangeMoneny", amount}, {"AdjustYearMonth", month}, {"AdjustDate", date}};
    }
    Outcome SaveChange(const std::string& billNo, testing::Row row) {
        return SaveBill(kProgId, {{{{"BillNo", billNo}}}, {std::move(row)}});
    }
    Outcome DeleteBill(const std::string& billNo) { return Object(kProgId)->Delete(Variant(billNo)); }
    Outcome Proc(int number, const Variant& arg1, const Variant& arg2 = Variant()) {
        return Object(kProgId)->ExecuteProc(number, arg1, arg2);
    }

    bool Transferred(const std::string& billNo) {
        return CBool(Value("Select IsTransfer From humChangeInsurance Where BillNo = '" + billNo + "'"));
    }
    Variant Setting(const std::string& column, const std::string& person = "P1") {
        return Value("Select " + column + " From humPersonSetMain Where Flag = 1 And ID = '" + person + "'");
    }
    // "times:type:amount" of the person's history of a kind, in order.
    std::vector<std::string> History(int kind, const std::string& person = "P1") {
        ResultSet rs = db->Query("Select ChangeTimes, ChangeType, ChangeMoneny From humHistInsurance Where PersonID = ? "
                                 "And InsurKind = ? Order By ChangeTimes",
                                 {Variant(person), Variant(kind)});
        std::vector<std::string> out;
        for (const auto& r : rs.rows) out.push_back(CStr(r[0]) + ":" + CStr(r[1]) + ":" + CStr(r[2]));
        return out;
    }
};

using Lines = std::vector<std::string>;

// ---- additions, stops and resumptions

TEST_F(ChangeInsuranceTest, ResumptionNeedsAStopBeforeItUnderBothSchemes) {
    for (int localType : {0, 1}) {
        SCOPED_TRACE(localType);
        SetUp();
        session->localType = localType;
        SetUpSettings("P1", {{localType == 0 ? "Endowment" : "HealthDegree", 100.0}});
        ASSERT_TRUE(SaveChange("B1", Change("P1", 0, 1, 5000, 202405)).ok);
        EXPECT_EQ(SaveChange("B2", Change("P1", 0, 3, 5100, 202406)).error,
                  localType == 0 ? "人员P1养老保险前一次异动不为停保，本次异动不可做复保"
                                 : "人员P1健保前一次异动不为停保，本次异动不可做复保");
        ASSERT_TRUE(SaveChange("B2", Change("P1", 0, 2, 0, 202406)).ok);
        ASSERT_TRUE(SaveChange("B3", Change("P1", 0, 3, 5200, 202406)).ok);
        EXPECT_EQ(CStr(Setting(localType == 0 ? "Endowment" : "HealthDegree")), "5200");
        EXPECT_EQ(History(0), (Lines{"0:0:100", "1:1:5000", "2:2:0", "3:3:5200"}));
    }
}

TEST_F(ChangeInsuranceTest, RowRefusalsNameThePersonAndTheKind) {
    SetUpSettings("P1");
    AddPerson(*db, {.personId = "P9", .onJobDate = 20200101, .leaveJobDate = 20231231});
    const struct {
        testing::Row row;
        const char* error;
    } cases[] = {
        {Change("P9", 0, 1, 5000, 202406), "P9人员不在职"},
        {Change("P1", 4, 2, 0, 202406), "该人员P1 住房公积金还未加保不可做其它类型异动"},
        {Change("P1", 0, 1, 0, 202406), "人员 P1 选择加保或复保时，投保金额不能为0"},
        {Change("P1", 6, 1, 100, 202406), "保险类别6不存在"},
        {Change("P1", 0, 7, 100, 202406), "异动类型7不存在"},
        {Change("", 0, 1, 100, 202406), "异动人员不能为空"},
    };
    for (const auto& c : cases) EXPECT_EQ(SaveChange("B1", c.row).error, c.error);
    EXPECT_EQ(Count("humChangeInsurance"), 0);
}

TEST_F(ChangeInsuranceTest, KindThreeOfTheMainlandSchemeIsTheWorkInjuryInsuranceInHouse) {
    SetUpSettings("P1");
    ASSERT_TRUE(SaveChange("B1", Change("P1", 3, 1, 3000, 202406)).ok);  // a month, no date
    EXPECT_EQ(CStr(Setting("House")), "3000");
    EXPECT_TRUE(Refused(SaveChange("B2", Change("P1", 3, 2, 0, 202405)), msg::kInsuranceMonthBeforeLatest,
                        {Variant("P1"), Variant("工伤保险")}));
}

// ---- the regional scheme's dates and the labour pension

TEST_F(ChangeInsuranceTest, FutureLabourInsuranceWaitsForTheDailyTransfer) {
    session->localType = 1;
    SetUpSettings("P1");
    ASSERT_TRUE(SaveChange("B1", Change("P1", 1, 1, 45800, 0, 20240701)).ok);
    EXPECT_EQ(CInt(Value("Select IsTransfer From humChangeInsurance")), 0);
    EXPECT_EQ(CInt(Setting("LaborDegree")), 0);

    ASSERT_TRUE(Proc(2, Variant(VariantArray{Variant("P1"), Variant(20240630)})).ok);
    ASSERT_TRUE(Proc(2, Variant(VariantArray{Variant("P2"), Variant(20240701)})).ok);  // another person only
    EXPECT_EQ(CInt(Setting("LaborDegree")), 0);
    ASSERT_TRUE(Proc(2, Variant(VariantArray{Variant(""), Variant(20240701)})).ok);
    EXPECT_EQ(CInt(Setting("LaborDegree")), 45800);
    EXPECT_EQ(CInt(Setting("InsuranceDate")), 20240701);
    EXPECT_EQ(CInt(Value("Select IsTransfer From humChangeInsurance")), 1);
    EXPECT_EQ(History(1), (Lines{"0:0:0", "1:1:45800"}));
}

TEST_F(ChangeInsuranceTest, UndoingTheFirstPensionAdditionClearsThePensionDate) {
    session->localType = 1;
    SetUpSettings("P1", {{"EmployerPensionRate", 0.02}});
    auto add = Change("P1", 2, 1, 40100, 0, 20240601);
    EXPECT_TRUE(Refused(SaveChange("B1", add), msg::kPensionEmployerRateZero, {Variant("P1")}));
    add.push_back({"EmployerPensionRate", 0.06});
    ASSERT_TRUE(SaveChange("B1", add).ok);
    EXPECT_EQ(CInt(Setting("PensionDate")), 20240601);
    EXPECT_EQ(CInt(Setting("PensionSystem")), 0);
    EXPECT_DOUBLE_EQ(CFloat(Setting("EmployerPensionRate")), 0.06);

    ASSERT_TRUE(DeleteBill("B1").ok);
    EXPECT_EQ(CInt(Setting("PensionDate")), 0);
    EXPECT_EQ(CInt(Setting("PensionSystem")), 3);
    EXPECT_EQ(CInt(Setting("PensionSalary")), 0);
    EXPECT_DOUBLE_EQ(CFloat(Setting("EmployerPensionRate")), 0.02);
    EXPECT_EQ(History(2), (Lines{"0:0:0"}));
}

TEST_F(ChangeInsuranceTest, LabourPensionOnlyAddsAndStopsAndItsFirstStopUndoesToNoDate) {
    session->localType = 1;
    SetUpSettings("P1");
    auto add = Change("P1", 2, 1, 40100, 0, 20240501);
    add.push_back({"EmployerPensionRate", 0.06});
    ASSERT_TRUE(SaveChange("B1", add).ok);
    EXPECT_TRUE(Refused(SaveChange("B2", Change("P1", 2, 4, 0, 0, 20240601)), msg::kPensionOnlyAddOrStop,
                        {Variant("P1")}));
    ASSERT_TRUE(SaveChange("B2", Change("P1", 2, 2, 0, 0, 20240601)).ok);
    EXPECT_EQ(CInt(Setting("CancelPensionDate")), 20240601);
    // No earlier stop: the cancellation date goes back to none.
    ASSERT_TRUE(DeleteBill("B2").ok);
    EXPECT_EQ(CInt(Setting("CancelPensionDate")), 0);
    EXPECT_EQ(CInt(Setting("PensionSalary")), 40100);
}

// ---- numbering, latest change, change of kind

TEST_F(ChangeInsuranceTest, OnlyTheLatestChangeOfAKindMayBeChangedOrDeleted) {
    SetUpSettings("P1");
    ASSERT_TRUE(SaveChange("B1", Change("P1", 0, 1, 5000, 202405)).ok);
    ASSERT_TRUE(SaveChange("B2", Change("P1", 0, 1, 5200, 202406)).ok);
    EXPECT_EQ(CInt(Proc(1, Variant("P1"), Variant(0)).result), 3);
    EXPECT_EQ(CInt(Proc(1, Variant("P1"), Variant(1)).result), 1);

    EXPECT_TRUE(
        Refused(DeleteBill("B1"), msg::kInsuranceOnlyLatestDelete, {Variant("P1"), Variant("养老保险")}));
    EXPECT_TRUE(Refused(SaveChange("B1", {{"RowNo", 1}, {"ChangeMoneny", 5100.0}}),
                        msg::kInsuranceOnlyLatestEdit, {Variant("P1"), Variant("养老保险")}));
    EXPECT_TRUE(Refused(Proc(0, Variant(VariantArray{"P1", 0, 1, 1})), msg::kInsuranceOnlyLatestEdit,
                        {Variant("P1"), Variant("养老保险")}));
    EXPECT_TRUE(Refused(Proc(0, Variant(VariantArray{"P1", 0, 0, 1})), msg::kInsuranceOnlyLatestDelete,
                        {Variant("P1"), Variant("养老保险")}));
    EXPECT_TRUE(Proc(0, Variant(VariantArray{"P1", 0, 0, 2})).ok);
    EXPECT_EQ(CStr(Setting("Endowment")), "5200");
}

TEST_F(ChangeInsuranceTest, TwoNewChangesOfAKindInOneBillFollowEachOther) {
    SetUpSettings("P1");
    auto second = Change("P1", 0, 1, 5200, 202406);
    second[0].second = Variant(2);
    ASSERT_TRUE(SaveBill(kProgId, {{{{"BillNo", "B1"}}}, {Change("P1", 0, 1, 5000, 202406), second}}).ok);
    EXPECT_EQ(Count("humChangeInsurance Where ChangeTimes = 1"), 1);
    EXPECT_EQ(Count("humChangeInsurance Where ChangeTimes = 2"), 1);
    EXPECT_EQ(CStr(Setting("Endowment")), "5200");
}

TEST_F(ChangeInsuranceTest, ChangeOfKindMovesATransferredChangeAndLeavesTheOldHistoryWhole) {
    SetUpSettings("P1", {{"Endowment", 100.0}, {"Medicare", 50.0}});
    ASSERT_TRUE(SaveChange("B1", Change("P1", 0, 1, 5000, 202406)).ok);
    ASSERT_TRUE(SaveChange("B2", Change("P1", 0, 1, 5200, 202406)).ok);
    ASSERT_TRUE(SaveChange("B3", Change("P1", 0, 1, 5400, 202406)).ok);
    ASSERT_TRUE(SaveChange("B4", Change("P1", 1, 1, 4000, 202406)).ok);

    ASSERT_TRUE(SaveChange("B3", {{"RowNo", 1}, {"InsurKind", 1}}).ok);
    EXPECT_EQ(CStr(Setting("Endowment")), "5200");
    EXPECT_EQ(History(0), (Lines{"0:0:100", "1:1:5000", "2:1:5200"}));
    EXPECT_EQ(CStr(Setting("Medicare")), "5400");
    EXPECT_EQ(History(1), (Lines{"0:0:50", "1:1:4000", "2:1:5400"}));
    EXPECT_EQ(CInt(Value("Select ChangeTimes From humChangeInsurance Where BillNo = 'B3'")), 2);
}

// ---- the initial state of a kind

TEST_F(ChangeInsuranceTest, SettingsSetUpRecordTheInitialStateOfEachKindOfTheScheme) {
    SetUpSettings("P1", {{"Endowment", 100.0}, {"Procreate", 20.0}});
    EXPECT_EQ(Count("humHistInsurance Where PersonID = 'P1' And ChangeTimes = 0 And ChangeType = 0"), 6);
    EXPECT_EQ(History(5), (Lines{"0:0:20"}));
    session->localType = 1;
    SetUpSettings("P2", {{"PensionSalary", 300.0}, {"EmployerPensionRate", 0.03}});
    EXPECT_EQ(History(2, "P2"), (Lines{"0:0:300"}));
    EXPECT_EQ(Count("humHistInsurance Where PersonID = 'P2'"), 3);
}

TEST_F(ChangeInsuranceTest, FirstChangeRecordsAMissingInitialStateSoThatItsUndoRestoresIt) {
    db->Execute("Insert Into humPersonSetMain (Flag, ID, Endowment) Values (1, 'P1', 300)");
    ASSERT_TRUE(SaveChange("B1", Change("P1", 0, 1, 5000, 202406)).ok);
    EXPECT_EQ(History(0), (Lines{"0:0:300", "1:1:5000"}));
    ASSERT_TRUE(DeleteBill("B1").ok);
    EXPECT_EQ(CStr(Setting("Endowment")), "300");
    EXPECT_EQ(History(0), (Lines{"0:0:300"}));
}

// ---- persons without settings, and one person's failure in the daily transfer

TEST_F(ChangeInsuranceTest, DueChangeOfAPersonWithoutSettingsWaitsForThemWithANotice) {
    Outcome out = SaveChange("B1", Change("P1", 0, 1, 5000, 202406));
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "人员P1还没有薪资设定，养老保险异动待设定后再转入");
    EXPECT_FALSE(Transferred("B1"));
    EXPECT_EQ(Count("humPersonSetMain"), 0);
    EXPECT_EQ(Count("humHistInsurance"), 0);
}

TEST_F(ChangeInsuranceTest, DailyTransferPassesOverAPersonWithoutSettingsAndCarriesTheOthers) {
    session->localType = 1;
    SetUpSettings("P2");
    ASSERT_TRUE(SaveChange("B1", Change("P1", 1, 1, 45800, 0, 20240701)).ok);
    ASSERT_TRUE(SaveChange("B2", Change("P2", 1, 1, 30300, 0, 20240701)).ok);

    Outcome out = Proc(2, Variant(VariantArray{Variant(""), Variant(20240701)}));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(CInt(Setting("LaborDegree", "P2")), 30300);
    EXPECT_TRUE(Transferred("B2"));
    EXPECT_FALSE(Transferred("B1"));
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "人员P1还没有薪资设定，劳保异动待设定后再转入");
    EXPECT_EQ(Count("humPersonSetMain Where ID = 'P1'"), 0);

    // The first run after the settings are set up carries the change.
    SetUpSettings("P1");
    ASSERT_TRUE(Proc(2, Variant(VariantArray{Variant(""), Variant(20240702)})).ok);
    EXPECT_TRUE(Transferred("B1"));
    EXPECT_EQ(CInt(Setting("LaborDegree")), 45800);
    EXPECT_EQ(CInt(Setting("InsuranceDate")), 20240701);
}

TEST_F(ChangeInsuranceTest, DailyTransferTakesBackOnlyThePersonWhoseChangeFails) {
    const struct {
        const char* what;
        const char* spoil;   // leaves P1's due change in a state its transfer cannot carry
        const char* reason;  // the start of the notice's reason; empty for any
    } cases[] = {
        {"a kind the local type does not know", "Update humChangeInsurance Set InsurKind = 4 Where BillNo = 'B1'",
         "保险类别4不存在"},
        {"a history row already under the change's number",
         "Insert Into humHistInsurance (PersonID, InsurKind, ChangeType, ChangeMoneny, AdjustDate, AdjustYearMonth, "
         "ChangeTimes, EmployerPensionRate) Values ('P1', 1, 1, 999, 0, 0, 1, 0)",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        session->localType = 1;
        SetUpSettings("P1");
        SetUpSettings("P2");
        ASSERT_TRUE(SaveChange("B1", Change("P1", 1, 1, 45800, 0, 20240701)).ok);
        ASSERT_TRUE(SaveChange("B2", Change("P2", 1, 1, 30300, 0, 20240701)).ok);
        db->Execute(c.spoil);

        Outcome out = Proc(2, Variant(VariantArray{Variant(""), Variant(20240701)}));
        ASSERT_TRUE(out.ok) << out.error;
        ASSERT_EQ(out.notices.size(), 1u);
        EXPECT_EQ(out.notices[0].text.rfind(std::string("人员P1的保险异动未能转入：") + c.reason, 0), 0u)
            << out.notices[0].text;
        // P1's part is taken back whole, P2's stands.
        EXPECT_EQ(CInt(Setting("LaborDegree")), 0);
        EXPECT_EQ(CInt(Setting("InsuranceDate")), 0);
        EXPECT_FALSE(Transferred("B1"));
        EXPECT_EQ(CInt(Setting("LaborDegree", "P2")), 30300);
        EXPECT_TRUE(Transferred("B2"));
    }
}

// ---- two changes of one person's kind in one bill

TEST_F(ChangeInsuranceTest, ChangesOfAKindInOneBillAreCarriedInOrderAndDeletedAsOne) {
    const struct {
        const char* what;
        int addDate, stopDate;
        std::vector<int> jobDates;  // daily runs after the save
    } cases[] = {
        {"due on save", 20240601, 20240605, {}},
        // Only the addition due: the latest change is not, so nothing is carried yet.
        {"carried by the daily job", 20240701, 20240705, {20240702, 20240705}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        session->localType = 1;
        SetUpSettings("P1", {{"LaborDegree", 100.0}});
        auto stop = Change("P1", 1, 2, 0, 0, c.stopDate);
        stop[0].second = Variant(2);
        ASSERT_TRUE(SaveBill(kProgId, {{{{"BillNo", "B1"}}}, {Change("P1", 1, 1, 45800, 0, c.addDate), stop}}).ok);
        for (int date : c.jobDates) {
            EXPECT_EQ(History(1), (Lines{"0:0:100"})) << date;
            ASSERT_TRUE(Proc(2, Variant(VariantArray{Variant(""), Variant(date)})).ok);
        }
        EXPECT_EQ(History(1), (Lines{"0:0:100", "1:1:45800", "2:2:0"}));
        EXPECT_EQ(CInt(Setting("InsuranceDate")), c.addDate);
        EXPECT_EQ(CInt(Setting("LaborDegree")), 0);
        EXPECT_EQ(Count("humChangeInsurance Where IsTransfer = 1"), 2);

        Outcome out = DeleteBill("B1");
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(History(1), (Lines{"0:0:100"}));
        EXPECT_EQ(CInt(Setting("LaborDegree")), 100);
        EXPECT_EQ(CInt(Setting("InsuranceDate")), 0);
    }
}

TEST_F(ChangeInsuranceTest, RemovingRowsOfABillKeepsALaterChangeOfTheKindFromLosingItsPredecessor) {
    SetUpSettings("P1", {{"Endowment", 100.0}});
    auto second = Change("P1", 0, 1, 5200, 202406);
    second[0].second = Variant(2);
    ASSERT_TRUE(SaveBill(kProgId, {{{{"BillNo", "B1"}}}, {Change("P1", 0, 1, 5000, 202405), second}}).ok);
    EXPECT_TRUE(Refused(SaveBill(kProgId, {{{{"BillNo", "B1"}}}, {second}}), msg::kInsuranceOnlyLatestDelete,
                        {Variant("P1"), Variant("养老保险")}));
    Outcome out = SaveBill(kProgId, {{{{"BillNo", "B1"}}}, {}});
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(Count("humChangeInsurance"), 0);
    EXPECT_EQ(CStr(Setting("Endowment")), "100");
    EXPECT_EQ(History(0), (Lines{"0:0:100"}));
}

TEST_F(ChangeInsuranceTest, ReportModelFollowsTheLocalType) {
    EXPECT_EQ(Object(kProgId)->ReportModelName(), "Humrs_ChangeInsurance");
    session->localType = 1;
    EXPECT_EQ(Object(kProgId)->ReportModelName(), "Humrs_ChangeInsuranceTC");
}

}  // namespace
}  // namespace humrs
