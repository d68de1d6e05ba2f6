// The allowance and deduction bill: its save checks in the order a clerk meets them,
// what a save may not change, the salary-bank lookups other bills rely on, the
// payment marks and the voucher-number guard.
#include <tuple>

#include "payroll/PaidFlags.h"
#include "support/Fixture.h"
#include "framework/Messages.h"
#include "payroll/SubsidyCutMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::With;

constexpr const char* kSubsidy = "QVXHumrs.SubsidyCut";

class SubsidyCutTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddPerson(*db, {.personId = "P1", .onJobDate = 20040301});
        AddPerson(*db, {.personId = "P2", .onJobDate = 20030101, .leaveJobDate = 20041031});
        AddAccount("P1", 1, "B1", "6222-0001");
        AddAccount("P1", 2, "B2", "6222-0002");
        AddAccount("P2", 1, "B1", "6222-0101");
    }

    void AddAccount(const std::string& person, int rowNo, const std::string& bank, const std::string& account,
                    int flag = 1) {
        db->Execute("Insert Into humPersonSetAccount (Flag, ID, RowNo, PayBankID, PayAccount) Values (?, ?, ?, ?, ?)",
                    {Variant(flag), Variant(person), Variant(rowNo), Variant(bank), Variant(account)});
    }

    // A row paid on its own in cash on a pay date, valid as it stands.
    static testing::Row CashRow(const std::string& billNo, const std::string& person = "P1") {
        return {{"BillNo", billNo},     {"PersonID", person},    {"SalaryType", 0}, {"PayType", 1},
                {"IncomTaxRate", 0.1}, {"Account", 100.0},      {"SalaryDate", 20050110}};
    }
    Outcome Save(const testing::Row& row) { return SaveBill(kSubsidy, {{row}}); }
};

// ---- the save checks

TEST_F(SubsidyCutTest, SaveChecksRunInOrderAndTheFirstFailureWins) {
    const Message* const accepted = nullptr;
    const Message* const bankRequired = &msg::kSubsidyBankRequired;
    const Message* const taxRange = &msg::kSubsidyTaxRateRange;
    const Message* const outsideEmployment = &msg::kSubsidyMonthOutsideEmployment;
    const std::vector<std::tuple<const char*, testing::Row, const Message*>> cases = {
        {"cash without a bank", {}, accepted},
        {"bank only without a bank", {{"PayType", 0}}, bankRequired},
        {"split without a bank", {{"PayType", 2}}, bankRequired},
        {"split through the person's bank", {{"PayType", 2}, {"PSalaryBank", "B2"}}, accepted},
        {"tax rate 0", {{"IncomTaxRate", 0.0}}, accepted},
        {"tax rate 1", {{"IncomTaxRate", 1.0}}, accepted},
        {"tax rate 1.0001", {{"IncomTaxRate", 1.0001}}, taxRange},
        {"tax rate -0.01", {{"IncomTaxRate", -0.01}}, taxRange},
        {"a deduction", {{"Account", -35.5}}, accepted},
        {"amount zero", {{"Account", 0.0}}, &msg::kSubsidyAmountZero},
        {"no pay date", {{"SalaryDate", 0}}, &msg::kSubsidyPayDateEmpty},
        {"in a salary month, no date, no bank",
         {{"SalaryType", 1}, {"PayType", 0}, {"SalaryDate", 0}, {"SalaryMonth", 200412}},
         accepted},
        {"in no salary month", {{"SalaryType", 1}, {"SalaryMonth", 0}}, &msg::kSubsidySalaryMonthEmpty},
        {"a month before the hire date", {{"SalaryType", 1}, {"SalaryMonth", 200402}}, outsideEmployment},
        {"the month of the hire date", {{"SalaryType", 1}, {"SalaryMonth", 200403}}, accepted},
        {"every check failing",
         {{"PayType", 2}, {"IncomTaxRate", 2.0}, {"Account", 0.0}, {"SalaryDate", 0}},
         bankRequired},
        {"tax, amount and date failing",
         {{"IncomTaxRate", 2.0}, {"Account", 0.0}, {"SalaryDate", 0}},
         taxRange},
    };
    for (const auto& [what, changes, refusal] : cases) {
        db->Execute("Delete From HumSubsidyCut");
        Outcome out = Save(With(CashRow("S1"), changes));
        if (refusal)
            EXPECT_TRUE(Refused(out, *refusal)) << what;
        else
            EXPECT_TRUE(out.ok) << what << ": " << out.error;
        EXPECT_EQ(Count("HumSubsidyCut"), refusal ? 0 : 1) << what;
    }
}

TEST_F(SubsidyCutTest, SalaryMonthAfterTheLeavingDateIsRefused) {
    auto row = With(CashRow("S1", "P2"), {{"SalaryType", 1}, {"SalaryMonth", 200410}});
    EXPECT_TRUE(Save(row).ok);
    EXPECT_TRUE(Refused(Save(With(row, {{"BillNo", "S2"}, {"SalaryMonth", 200411}})),
                        msg::kSubsidyMonthOutsideEmployment));
}

TEST_F(SubsidyCutTest, BankPaymentNeedsAnAccountOfThePersonAndStoresItsNumber) {
    // A bill saved without the lookup cannot pay into a bank the person lacks.
    EXPECT_TRUE(Refused(Save(With(CashRow("S1", "P2"), {{"PayType", 0}, {"PSalaryBank", "B2"}})),
                        msg::kSubsidyBankNotOwned, {Variant("B2")}));
    EXPECT_EQ(Count("HumSubsidyCut"), 0);
    // The account number is the person's, whatever the client sent.
    ASSERT_TRUE(Save(With(CashRow("S1"), {{"PayType", 0}, {"PSalaryBank", "B2"}, {"PAccountNumber", "9999"}})).ok);
    EXPECT_EQ(CStr(Value("Select PAccountNumber From HumSubsidyCut Where BillNo = 'S1'")), "6222-0002");
}

// ---- what every save keeps, under every login type

TEST_F(SubsidyCutTest, LoginType5SavesARowWithEveryCheckedFieldEmpty) {
    session->loginType = 5;
    ASSERT_TRUE(Save({{"BillNo", "S1"}, {"PersonID", "P1"}}).ok);
    EXPECT_EQ(Count("HumSubsidyCut Where BillNo = 'S1' And Flag = 1 And Account = 0 And SalaryDate = 0"), 1);
    // Merged-in data is checked like any other.
    session->loginType = 0;
    session->mergeIn = true;
    EXPECT_TRUE(Refused(Save({{"BillNo", "S2"}, {"PersonID", "P1"}}), msg::kSubsidyBankRequired));
}

TEST_F(SubsidyCutTest, RowIntegrityHoldsUnderEveryLoginType) {
    for (int login : {0, 5}) {
        session->loginType = login;
        const std::string at = "login type " + std::to_string(login);
        EXPECT_TRUE(Refused(Save(CashRow("S1", "")), msg::kSubsidyPersonEmpty)) << at;
        EXPECT_TRUE(Refused(Save(CashRow("S1", "P9")), msg::kSubsidyPersonUnknown, {Variant("P9")})) << at;
        Outcome month = Save(With(CashRow("S1"), {{"SalaryType", 1}, {"SalaryMonth", 200413}}));
        EXPECT_EQ(month.failure, Outcome::Kind::BadInput) << at;
        Outcome date = Save(With(CashRow("S1"), {{"SalaryDate", 20050230}}));
        EXPECT_EQ(date.failure, Outcome::Kind::BadInput) << at;
        EXPECT_EQ(Count("HumSubsidyCut"), 0) << at;
    }
}

TEST_F(SubsidyCutTest, PaymentMarksAreNotTheClientsToSet) {
    ASSERT_TRUE(Save(With(CashRow("S1"), {{"CashPaid", true}, {"BankPaid", true}})).ok);
    EXPECT_EQ(Count("HumSubsidyCut Where CashPaid = 0 And BankPaid = 0"), 1);
    ASSERT_TRUE(Object(kSubsidy)->ExecuteProc(0, Variant(VariantArray{"S1", true, false})).ok);
    // A later save of the bill keeps the marks of the payment side.
    ASSERT_TRUE(Save(With(CashRow("S1"), {{"CashPaid", false}, {"Account", 120.0}})).ok);
    EXPECT_EQ(Count("HumSubsidyCut Where CashPaid = 1 And BankPaid = 0 And Account = 120"), 1);
}

// ---- payment marks

TEST_F(SubsidyCutTest, PaidRuleOfSingleWayAndSplitRows) {
    const std::vector<std::tuple<int, bool, bool, bool>> cases = {
        {pay_way::kBank, false, false, false}, {pay_way::kBank, false, true, true},
        {pay_way::kBank, true, false, true},   {pay_way::kCash, true, false, true},
        {pay_way::kCash, false, true, true},   {pay_way::kCash, false, false, false},
        {pay_way::kSplit, true, false, false}, {pay_way::kSplit, false, true, false},
        {pay_way::kSplit, true, true, true},   {7, true, true, false},
    };
    for (const auto& [way, cash, bank, paid] : cases)
        EXPECT_EQ(RowCountsAsPaid(way, cash, bank), paid) << way << cash << bank;
}

TEST_F(SubsidyCutTest, Procedure0MarksOnlyTheAllowanceRowsOfTheBill) {
    ASSERT_TRUE(Save(CashRow("S1")).ok);
    ASSERT_TRUE(Save(CashRow("S2")).ok);
    // A row of the by-date bill that shares the number.
    db->Execute("Insert Into HumSubsidyCut (Flag, BillNo, RowNo, PersonID, Account, CashPaid, BankPaid) "
                "Values (4, 'S1', 1, 'P1', 50, 0, 0)");
    auto object = Object(kSubsidy);
    Outcome out = object->ExecuteProc(0, Variant(VariantArray{"S1", true, false}));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(out.result.IsEmpty());
    EXPECT_EQ(Count("HumSubsidyCut Where Flag = 1 And BillNo = 'S1' And CashPaid = 1 And BankPaid = 0"), 1);
    EXPECT_EQ(Count("HumSubsidyCut Where (Flag = 4 Or BillNo = 'S2') And CashPaid = 0 And BankPaid = 0"), 2);
    // Unmarked again by the payment side.
    ASSERT_TRUE(object->ExecuteProc(0, Variant(VariantArray{"S1", false, false})).ok);
    EXPECT_EQ(Count("HumSubsidyCut Where CashPaid = 1 Or BankPaid = 1"), 0);
}

TEST_F(SubsidyCutTest, Procedure0RefusesABillThatIsNotThere) {
    auto object = Object(kSubsidy);
    EXPECT_EQ(object->ExecuteProc(0, Variant(VariantArray{"S9", true, true})).error, "找不到单据: S9");
    EXPECT_EQ(object->ExecuteProc(0, Variant(VariantArray{"S9", "yes", true})).failure, Outcome::Kind::BadInput);
}

TEST_F(SubsidyCutTest, UnservedProcedureNumbersDoNothing) {
    ASSERT_TRUE(Save(CashRow("S1")).ok);
    for (int number : {3, 4, 99}) {
        Outcome out = Object(kSubsidy)->ExecuteProc(number, Variant(VariantArray{"S1", true, true}), Variant("B1"));
        EXPECT_TRUE(out.ok) << number;
        EXPECT_TRUE(out.result.IsEmpty()) << number;
    }
    EXPECT_EQ(Count("HumSubsidyCut Where CashPaid = 0 And BankPaid = 0"), 1);
}

// ---- salary banks

TEST_F(SubsidyCutTest, BankProceduresAnswerFromThePersonsCurrentAccounts) {
    AddAccount("P1", 3, "B3", "6222-0003", 2);  // not the person's current settings
    auto object = Object(kSubsidy);
    auto account = [&](const Variant& person, const Variant& bank) {
        Outcome out = object->ExecuteProc(2, person, bank);
        EXPECT_TRUE(out.ok) << out.error;
        return CStr(out.result);
    };
    EXPECT_EQ(account("P1", "B2"), "6222-0002");
    EXPECT_EQ(account("P2", "B1"), "6222-0101");
    EXPECT_EQ(account("P2", "B2"), "");
    EXPECT_EQ(account("P1", "B3"), "");
    EXPECT_EQ(account("", "B1"), "");
    EXPECT_EQ(CStr(object->ExecuteProc(1, Variant("P1")).result), "'B1','B2'");
    EXPECT_EQ(CStr(object->ExecuteProc(1, Variant("P9")).result), "");
}

TEST_F(SubsidyCutTest, BankLookupRefusesABankThePersonLacksAndReturnsTheAccount) {
    auto object = Object(kSubsidy);
    Outcome lacks = object->CheckFieldValues(0, {Variant("PSalaryBank")}, {Variant("B2"), Variant("P2")});
    EXPECT_TRUE(Refused(lacks, msg::kSubsidyBankNotOwned, {Variant("B2")}));
    Outcome has = object->CheckFieldValues(0, {Variant("psalarybank")}, {Variant("B2"), Variant("P1")});
    ASSERT_TRUE(has.ok) << has.error;
    ASSERT_EQ(has.fields.size(), 1u);
    EXPECT_EQ(has.fields[0].first, "PAccountNumber");
    EXPECT_EQ(CStr(has.fields[0].second), "6222-0002");
    // Clearing the bank clears the account number.
    Outcome cleared = object->CheckFieldValues(0, {Variant("PSalaryBank")}, {Variant(""), Variant("P1")});
    ASSERT_TRUE(cleared.ok);
    ASSERT_EQ(cleared.fields.size(), 1u);
    EXPECT_EQ(CStr(cleared.fields[0].second), "");
}

TEST_F(SubsidyCutTest, PersonLookupChecksTheJobOnlyWhenAsked) {
    auto object = Object(kSubsidy);
    const VariantArray person{Variant("PersonID")};
    EXPECT_EQ(object->CheckFieldValues(0, person, {Variant("P2"), Variant(1), Variant(20041101), Variant(20041130)})
                  .error,
              "P2人员不在职");
    EXPECT_TRUE(object->CheckFieldValues(0, person, {Variant("P2"), Variant(1), Variant(20041001), Variant(20041130)}).ok);
    EXPECT_TRUE(object->CheckFieldValues(0, person, {Variant("P2"), Variant(0), Variant(20041101), Variant(20041130)}).ok);
    EXPECT_TRUE(object->CheckFieldValues(0, person, {Variant("P2")}).ok);
}

TEST_F(SubsidyCutTest, BankIdentifierWithAQuoteIsSafeInEveryStatement) {
    AddAccount("P1", 3, "O'Hara", "6222-0003");
    AddAccount("P2", 2, "x' Or '1'='1", "6222-0102");
    auto object = Object(kSubsidy);
    EXPECT_EQ(CStr(object->ExecuteProc(2, Variant("P1"), Variant("O'Hara")).result), "6222-0003");
    EXPECT_EQ(CStr(object->ExecuteProc(2, Variant("P1"), Variant("x' Or '1'='1")).result), "");
    EXPECT_EQ(CStr(object->ExecuteProc(1, Variant("P1")).result), "'B1','B2','O''Hara'");
    EXPECT_EQ(CStr(object->ExecuteProc(1, Variant("P2' Or '1'='1")).result), "");
    EXPECT_TRUE(object->CheckFieldValues(0, {Variant("PSalaryBank")}, {Variant("O'Hara"), Variant("P1")}).ok);
    EXPECT_TRUE(Refused(
        object->CheckFieldValues(0, {Variant("PSalaryBank")}, {Variant("x' Or '1'='1"), Variant("P1")}),
        msg::kSubsidyBankNotOwned, {Variant("x' Or '1'='1")}));
    ASSERT_TRUE(Save(With(CashRow("O'1"), {{"PayType", 0}, {"PSalaryBank", "O'Hara"}})).ok);
    EXPECT_EQ(CStr(Value("Select PAccountNumber From HumSubsidyCut Where BillNo = 'O''1'")), "6222-0003");
    ASSERT_TRUE(object->ExecuteProc(0, Variant(VariantArray{"O'1", false, true})).ok);
    EXPECT_EQ(Count("HumSubsidyCut Where BankPaid = 1"), 1);
}

// ---- the voucher-number guard

TEST_F(SubsidyCutTest, BillWithAVoucherNumberCannotBeEditedOrDeleted) {
    ASSERT_TRUE(Save(CashRow("S1")).ok);
    // The client cannot set the voucher number itself ...
    ASSERT_TRUE(Save(With(CashRow("S1"), {{"PVoucherNO", "PZ9"}})).ok);
    EXPECT_EQ(CStr(Value("Select PVoucherNO From HumSubsidyCut Where BillNo = 'S1'")), "");
    // ... and a bill without one is still the clerk's to change and delete.
    ASSERT_TRUE(Save(CashRow("S2")).ok);
    ASSERT_TRUE(Object(kSubsidy)->Delete(Variant("S2")).ok);

    // The posting side gives S1 a voucher.
    db->Execute("Update HumSubsidyCut Set PVoucherNO = 'PZ001' Where BillNo = 'S1'");
    EXPECT_TRUE(
        Refused(Save(With(CashRow("S1"), {{"Account", 999.0}})), msg::kVoucherNoEdit, {Variant("PZ001")}));
    EXPECT_TRUE(Refused(Object(kSubsidy)->Edit(Variant("S1")), msg::kVoucherNoEdit, {Variant("PZ001")}));
    EXPECT_TRUE(Refused(Object(kSubsidy)->Delete(Variant("S1")), msg::kVoucherNoDelete, {Variant("PZ001")}));
    EXPECT_EQ(Count("HumSubsidyCut Where BillNo = 'S1' And Account = 100"), 1);
}

}  // namespace
}  // namespace humrs
