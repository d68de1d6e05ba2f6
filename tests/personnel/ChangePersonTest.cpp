// Personnel changes: the work-state rules, what a saved change writes into the
// person's record, the change numbers, and taking changes back.
#include "personnel/CoChangePerson.h"
#include "support/Fixture.h"
#include "personnel/ChangePersonMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using namespace work_state;
constexpr const char* kProgId = "QVXHumrs.ChangePerson";

class ChangePersonTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddDepartment(*db, "D1");
        AddDepartment(*db, "D2");
    }

    // A person in department D1, position P-OLD; formal since the hire unless on
    // probation or not on the job yet.
    void Person(const std::string& id, int state, int onJobDate = 20060115, const std::string& card = "") {
        AddPerson(*db, {.personId = id,
                        .departId = "D1",
                        .onJobDate = onJobDate,
                        .workState = state,
                        .cardNo = card,
                        .posiId = "P-OLD"});
        if (state <= kProbation)
            db->Execute("Update humPersonExtend Set FormalDate = 0 Where PersonID = ?", {Variant(id)});
    }
    // A change of the person from state `bType` by `type`, into D2 / P-NEW.
    static testing::Row Change(const std::string& person, int bType, int type, int activeDate = 20060301,
                               int leaveMonths = 0) {
        return {{"PersonID", person},
                {"BType", bType},
                {"Type", type},
                {"ActiveDate", activeDate},
                {"LeaveMonths", leaveMonths},
                {"ChangeDepart", "D2"},
                {"ChangePosition", "P-NEW"},
                {"BChangeDepart", "D1"},
                {"BChangePosition", "P-OLD"}};
    }
    // The row with one field set (replaced when the row has it).
    static testing::Row With(testing::Row row, const std::string& field, const Variant& value) {
        for (auto& [name, v] : row)
            if (name == field) return v = value, row;
        row.push_back({field, value});
        return row;
    }
    static testing::Row At(int rowNo, testing::Row row) { return With(std::move(row), "RowNo", rowNo); }
    Outcome Save(const std::string& billNo, const std::vector<testing::Row>& rows) {
        return SaveBill(kProgId, {{{{"BillNo", billNo}}}, rows});
    }
    Outcome Delete(const std::string& billNo) { return Object(kProgId)->Delete(Variant(billNo)); }
    int64_t Int(const std::string& column, const std::string& table, const std::string& person) {
        return CInt(Value("Select " + column + " From " + table + " Where PersonID = '" + person + "'"));
    }
    std::string Text(const std::string& column, const std::string& person) {
        return CStr(Value("Select " + column + " From comPerson Where PersonID = '" + person + "'"));
    }
    int64_t State(const std::string& person) { return Int("WorkState", "humPersonExtend", person); }
    // The person's master rows as one text, to see that nothing moved.
    // DepartID/PosiID/OnJobDate/LeaveJobDate/WorkState/FormalDate/Probation/
    std::string Record(const std::string& person) {
        std::string text;
        for (const char* sql :
             {"Select DepartID, PosiID, OnJobDate, LeaveJobDate From comPerson Where PersonID = ?",
              "Select WorkState, FormalDate, Probation From humPersonExtend Where PersonID = ?"}) {
            auto row = db->QueryFirst(sql, {Variant(person)});
            if (row)
                for (const Variant& v : *row) text += CStr(v) + "/";
        }
        return text;
    }
    // A stored change of type 2 for the person, in another document.
    void StoreFormalRow(const std::string& person) {
        db->Execute(
            "Insert Into humChangePerson (BillNo, RowNo, PersonID, ChangeTimes, Type, BType) "
            "Values ('OLD-" +
                person + "', 1, ?, 1, 2, 1)",
            {Variant(person)});
    }
};

// ---- the work state before the change decides the change types allowed

TEST_F(ChangePersonTest, StateMachineAllowsAndRefusesRowByRow) {
    const Message *const
        kNone = &msg::kChangeTypeEmpty,
        *const kNotOnJob = &msg::kNotOnJobOnlyProbationOrFormal,
        *const kOnProbation = &msg::kProbationOnlyFormalTransferLeave,
        *const kIsProbation = &msg::kAlreadyOnProbation, *const kIsFormal = &msg::kAlreadyFormal,
        *const kNoUnpaid = &msg::kNotOnUnpaidLeaveNoReinstate, *const kLeftAll = &msg::kPersonLeftNoChange,
        *const kUnpaid = &msg::kUnpaidLeaveOnlyReinstateOrLeave, *const kUnknown = &msg::kChangeTypeUnknown;
    struct Case {
        int bType, type;
        bool formalRow;
        const Message* refusal;  // null: allowed
    };
    const Case cases[] = {
        {0, 0, false, kNone},
        {0, 1, false, {}},
        {0, 2, false, {}},
        {0, 3, false, kNotOnJob},
        {0, 4, false, kNotOnJob},
        {0, 6, false, kNotOnJob},
        {1, 2, false, {}},
        {1, 3, false, {}},
        {1, 4, false, {}},
        {1, 1, false, kOnProbation},
        {1, 5, false, kOnProbation},
        {1, 6, false, kOnProbation},
        {2, 3, false, {}},
        {2, 4, false, {}},
        {2, 5, false, {}},
        {2, 2, false, {}},
        {2, 2, true, kIsFormal},
        {2, 1, false, kIsProbation},
        {2, 6, false, kNoUnpaid},
        {3, 5, true, {}},
        {3, 5, false, kOnProbation},
        {3, 2, false, {}},
        {3, 1, false, kIsProbation},
        {6, 5, false, {}},
        {6, 6, false, kNoUnpaid},
        {6, 2, true, kIsFormal},
        {4, 6, false, kLeftAll},
        {4, 1, false, kLeftAll},
        {5, 4, false, {}},
        {5, 6, false, {}},
        {5, 3, false, kUnpaid},
        {5, 2, false, kUnpaid},
        {9, 3, false, {}},
        {2, 0, false, kNone},
        {9, 0, false, kNone},
        // A code that is no change type: the state before answers where it can.
        {0, 7, false, kNotOnJob},
        {1, -1, false, kOnProbation},
        {4, 7, false, kLeftAll},
        {5, 8, false, kUnpaid},
        {2, 7, false, kUnknown},
        {3, -2, true, kUnknown},
        {6, 7, false, kUnknown},
        {9, 7, false, kUnknown},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string person = "C" + std::to_string(++n);
        Person(person, c.bType);
        if (c.formalRow) StoreFormalRow(person);
        SCOPED_TRACE(person + " from " + std::to_string(c.bType) + " by " + std::to_string(c.type));
        Outcome out = Save("B" + person, {Change(person, c.bType, c.type, 20060301, 1)});
        if (!c.refusal) {
            EXPECT_TRUE(out.ok) << out.error;
            EXPECT_EQ(State(person), c.type);
        } else {
            EXPECT_TRUE(Refused(out, *c.refusal,
                                c.refusal == kUnknown ? VariantArray{Variant(person), Variant(c.type)}
                                                      : VariantArray{Variant(person)}));
            EXPECT_EQ(State(person), c.bType);
            EXPECT_EQ(Count("humChangePerson Where BillNo = 'B" + person + "'"), 0);
        }
    }
}

TEST_F(ChangePersonTest, LeaveWithoutPayNeedsMonthsAndOtherTypesCarryNone) {
    Person("F", kFormal);
    EXPECT_TRUE(Refused(Save("B1", {Change("F", kFormal, kUnpaidLeave, 20060301, 0)}),
                        msg::kUnpaidLeaveMonthsNotPositive, {Variant("F")}));
    EXPECT_TRUE(Refused(Save("B1", {Change("F", kFormal, kUnpaidLeave, 20060301, -2)}),
                        msg::kUnpaidLeaveMonthsNotPositive, {Variant("F")}));
    ASSERT_TRUE(Save("B1", {Change("F", kFormal, kTransferred, 20060301, 4)}).ok);
    EXPECT_EQ(CInt(Value("Select LeaveMonths From humChangePerson")), 0);
}

TEST_F(ChangePersonTest, ResavingAStoredFormalChangeDoesNotCountItAgainstItself) {
    Person("T", kTransferred);
    ASSERT_TRUE(Save("B1", {Change("T", kTransferred, kFormal)}).ok);
    EXPECT_TRUE(Save("B1", {With(At(1, Change("T", kTransferred, kFormal)), "ChangeDepart", "D1")}).ok);
    EXPECT_EQ(Text("DepartID", "T"), "D1");
    EXPECT_TRUE(Refused(Save("B2", {Change("T", kFormal, kFormal)}), msg::kAlreadyFormal, {Variant("T")}));
}

// ---- probation served

TEST_F(ChangePersonTest, ProbationIsCountedOneMonthAtATimeFromTheHireDate) {
    struct Case {
        int hired, active, months;
    };
    for (const Case& c :
         {Case{20060115, 20060414, 3}, Case{20060115, 20060413, 2}, Case{20050131, 20050330, 2},
          Case{20050131, 20050430, 3}, Case{0, 20060414, 0}, Case{20060115, 0, 0}})
        EXPECT_EQ(TChangePerson::ProbationMonths(c.hired, c.active), c.months) << c.hired << " " << c.active;
}

TEST_F(ChangePersonTest, BecomingFormalWritesProbationAndFormalDate) {
    Person("P", kProbation, 20060115);
    ASSERT_TRUE(Save("B1", {Change("P", kProbation, kFormal, 20060414)}).ok);
    EXPECT_EQ(Int("Probation", "humPersonExtend", "P"), 3);
    EXPECT_EQ(Int("FormalDate", "humPersonExtend", "P"), 20060414);
    EXPECT_EQ(Record("P"), "D2/P-NEW/20060115/0/2/20060414/3/");
}

// ---- what a change writes into the person's record

TEST_F(ChangePersonTest, ChangesWriteThePersonsRecord) {
    Person("N", kNotYetOnJob, 0);
    ASSERT_TRUE(Save("B1", {Change("N", kNotYetOnJob, kProbation, 20060301)}).ok);
    EXPECT_EQ(Record("N"), "D2/P-NEW/20060301/0/1/0/0/");

    AddPerson(*db, {.personId = "P",
                    .departId = "D1",
                    .onJobDate = 20060115,
                    .workState = kProbation,
                    .formalDate = 20060201,
                    .probation = 2,
                    .posiId = "P-OLD"});
    ASSERT_TRUE(Save("B2", {Change("P", kProbation, kTransferred, 20060301)}).ok);
    EXPECT_EQ(Record("P"), "D2/P-NEW/20060115/0/3/0/0/");

    Person("F", kFormal);
    ASSERT_TRUE(Save("B3", {Change("F", kFormal, kLeft, 20060331)}).ok);
    EXPECT_EQ(Record("F"), "D2/P-NEW/20060115/20060331/4/20060115/0/");

    Person("H", kNotYetOnJob, 0);
    ASSERT_TRUE(Save("B4", {Change("H", kNotYetOnJob, kFormal, 20060301)}).ok);
    EXPECT_EQ(Record("H"), "D2/P-NEW/20060301/0/2/20060301/0/");
}

TEST_F(ChangePersonTest, RowsMustNameAKnownPersonAndARealDate) {
    Person("F", kFormal);
    session->loginType = 5;
    EXPECT_TRUE(Refused(Save("B1", {Change("", kFormal, kTransferred)}), msg::kChangePersonEmpty));
    EXPECT_TRUE(
        Refused(Save("B1", {Change("X", kFormal, kTransferred)}), msg::kChangePersonUnknown, {Variant("X")}));
    EXPECT_EQ(Save("B1", {Change("F", kFormal, kTransferred, 20060230)}).failure, Outcome::Kind::BadInput);
    EXPECT_EQ(Count("humChangePerson"), 0);
}

// ---- imports and the login type 5 skip the rules, not the numbering and the record

TEST_F(ChangePersonTest, LoginType5SkipsTheRulesButNumbersAndApplies) {
    Person("L", kLeft);
    Person("U", kFormal);
    Person("P", kProbation, 20060115);
    StoreFormalRow("P");
    session->loginType = 5;
    ASSERT_TRUE(Save("B1", {Change("L", kLeft, kReinstated), Change("U", kFormal, kUnpaidLeave, 20060301, 0),
                            Change("P", kProbation, kFormal, 20060414)})
                    .ok);
    EXPECT_EQ(Record("L"), "D2/P-NEW/20060115/0/6/20060115/0/");
    EXPECT_EQ(State("U"), kUnpaidLeave);
    EXPECT_EQ(Record("P"), "D2/P-NEW/20060115/0/2/20060414/3/");
    EXPECT_EQ(Int("ChangeTimes", "humChangePerson", "L"), 1);
    EXPECT_EQ(Count("humChangePerson Where PersonID = 'P' And ChangeTimes = 2"), 1);

    session->loginType = 0;
    session->mergeIn = true;
    EXPECT_TRUE(Save("B2", {Change("L", kReinstated, kProbation)}).ok);
}

// ---- change numbers: only the latest change may be altered

TEST_F(ChangePersonTest, ChangeNumbersAreTheServersToGive) {
    Person("F", kFormal);
    ASSERT_TRUE(Save("B1", {With(Change("F", kFormal, kTransferred), "ChangeTimes", 7)}).ok);
    EXPECT_EQ(CInt(Value("Select ChangeTimes From humChangePerson Where BillNo = 'B1'")), 1);
    ASSERT_TRUE(Save("B2", {Change("F", kTransferred, kTransferred)}).ok);
    // A row added to the earlier document is the person's next change, and an edited
    // row keeps its number.
    ASSERT_TRUE(Save("B1", {With(At(1, Change("F", kFormal, kTransferred)), "ChangeTimes", 9),
                            At(2, Change("F", kTransferred, kLeft, 20060401))})
                    .ok);
    EXPECT_EQ(CInt(Value("Select ChangeTimes From humChangePerson Where BillNo = 'B1' And RowNo = 1")), 1);
    EXPECT_EQ(CInt(Value("Select ChangeTimes From humChangePerson Where BillNo = 'B1' And RowNo = 2")), 3);
    EXPECT_EQ(State("F"), kLeft);
}

TEST_F(ChangePersonTest, EditingAnEarlierChangeSavesTheRowOnly) {
    Person("P", kProbation, 20060115);
    ASSERT_TRUE(Save("B1", {Change("P", kProbation, kFormal, 20060414)}).ok);
    ASSERT_TRUE(Save("B2", {Change("P", kFormal, kTransferred, 20060501)}).ok);
    const std::string before = Record("P");
    ASSERT_TRUE(
        Save("B1", {With(At(1, Change("P", kProbation, kFormal, 20060614)), "ChangeDepart", "D1")}).ok);
    EXPECT_EQ(CInt(Value("Select ActiveDate From humChangePerson Where BillNo = 'B1'")), 20060614);
    EXPECT_EQ(Record("P"), before);
    // The latest change, edited, is written.
    ASSERT_TRUE(
        Save("B2", {With(At(1, Change("P", kFormal, kTransferred, 20060501)), "ChangePosition", "P-X")}).ok);
    EXPECT_EQ(Text("PosiID", "P"), "P-X");
}

TEST_F(ChangePersonTest, DeletingTheLatestChangeRestoresThePerson) {
    Person("P", kProbation, 20060115);
    const std::string hired = Record("P");
    ASSERT_TRUE(Save("B1", {Change("P", kProbation, kFormal, 20060414)}).ok);
    const std::string formal = Record("P");
    ASSERT_TRUE(Save("B2", {With(With(Change("P", kFormal, kLeft, 20060501), "BChangeDepart", "D2"),
                                 "BChangePosition", "P-NEW")})
                    .ok);

    EXPECT_TRUE(Refused(Delete("B1"), msg::kDeleteNotLatestChange));
    EXPECT_EQ(Count("humChangePerson Where BillNo = 'B1'"), 1);
    // Removing the earlier row from its document is refused the same way.
    EXPECT_TRUE(Refused(SaveBill(kProgId, {{{{"BillNo", "B1"}}}, {}}), msg::kNotLatestChange));

    ASSERT_TRUE(Delete("B2").ok);
    EXPECT_EQ(Record("P"), formal);
    ASSERT_TRUE(Delete("B1").ok);
    EXPECT_EQ(Record("P"), hired);
}

TEST_F(ChangePersonTest, DeletingADocumentWithTwoChangesOfOnePersonRestoresTheFirstBefore) {
    Person("P", kProbation, 20060115);
    const std::string hired = Record("P");
    const auto transfer = With(With(Change("P", kFormal, kTransferred, 20060501), "BChangeDepart", "D2"),
                               "BChangePosition", "P-NEW");
    ASSERT_TRUE(Save("B1", {Change("P", kProbation, kFormal, 20060414), transfer}).ok);
    EXPECT_EQ(State("P"), kTransferred);
    ASSERT_TRUE(Delete("B1").ok);
    EXPECT_EQ(Record("P"), hired);
}

TEST_F(ChangePersonTest, ResignationIsNotUndoneWhileItsCardIsSomebodyElses) {
    Person("F", kFormal, 20060115, "C01");
    ASSERT_TRUE(Save("B1", {Change("F", kFormal, kLeft, 20060331)}).ok);
    Person("G", kFormal, 20060401, "C01");
    EXPECT_TRUE(Refused(Delete("B1"), msg::kCardNoTaken));
    EXPECT_EQ(Int("LeaveJobDate", "comPerson", "F"), 20060331);
    db->Execute("Update humPersonExtend Set CardNo = 'C02' Where PersonID = 'G'");
    ASSERT_TRUE(Delete("B1").ok);
    EXPECT_EQ(Int("LeaveJobDate", "comPerson", "F"), 0);
    EXPECT_EQ(State("F"), kFormal);
}

// ---- procedures

TEST_F(ChangePersonTest, ProceduresAnswerWorkStateLatestChangeAndDateOrder) {
    Person("F", kFormal);
    ASSERT_TRUE(Save("B1", {Change("F", kFormal, kTransferred, 20060301)}).ok);
    ASSERT_TRUE(Save("B2", {Change("F", kTransferred, kLeft, 20060401)}).ok);
    auto obj = Object(kProgId);
    EXPECT_EQ(CInt(obj->ExecuteProc(0, Variant("F")).result), kLeft);
    EXPECT_EQ(CInt(obj->ExecuteProc(0, Variant("nobody")).result), 0);
    EXPECT_TRUE(Refused(obj->ExecuteProc(1, Variant("F"), Variant(1)), msg::kNotLatestChange));
    EXPECT_TRUE(obj->ExecuteProc(1, Variant("F"), Variant(2)).ok);
    EXPECT_EQ(obj->ExecuteProc(1, Variant("F"), Variant("x")).failure, Outcome::Kind::BadInput);
    auto order = [&](const char* bill, int date) {
        return obj->ExecuteProc(2, Variant(VariantArray{Variant(bill), Variant("F"), Variant(date)}));
    };
    EXPECT_TRUE(Refused(order("B3", 20060331), msg::kActiveDateBeforeEarlier, {Variant("F")}));
    EXPECT_TRUE(order("B3", 20060401).ok);
    EXPECT_TRUE(order("B2", 20060331).ok);
    EXPECT_TRUE(obj->ExecuteProc(9, Variant("F")).ok);
}

}  // namespace
}  // namespace humrs
