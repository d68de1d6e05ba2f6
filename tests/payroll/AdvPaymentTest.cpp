// The advance payment bill: its save checks in order, the cap of the salary due,
// the bank split, the shared end date of a period, payment row by row, and the
// guards on deleting.
#include <tuple>

#include "payroll/CoAdvPayment.h"
#include "support/Fixture.h"
#include "payroll/AdvPaymentMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::With;

constexpr const char* kAdv = "QVXHumrs.AdvPayment";
using testing::Row;

class AdvPaymentTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddDepartment(*db, "D1");
        AddDepartment(*db, "D2");
        AddPerson(*db, {.personId = "P1", .departId = "D1", .onJobDate = 20040301});
        AddPerson(*db, {.personId = "P2", .departId = "D2", .onJobDate = 20030101, .leaveJobDate = 20041031});
        AddPerson(*db, {.personId = "P3", .departId = "D2", .onJobDate = 20040101});
        db->Execute("Insert Into humPersonSetAccount (Flag, ID, RowNo, PayBankID, PayAccount) Values "
                    "(1, 'P1', 1, 'B1', '6222-01'), (1, 'P1', 2, 'B2', '6222-02')");
        SetSalary("P1", 5000);
    }
    void SetSalary(const std::string& person, double base) {
        db->Execute("Insert Into humPersonSetMain (Flag, ID, BaseSalary, PaySalary, CashRate) Values (1, ?, ?, 1, 0.4)",
                    {Variant(person), Variant(base)});
    }

    static Row Header(const std::string& billNo, int period, const Row& changes = {}) {
        return With({{"BillNo", billNo}, {"SalaryYearMonth", 200501}, {"PayDay", 20050110}, {"EndDate", 20050110},
                     {"PeriodCount", period}, {"CaclByPercent", period == 0}},
                    changes);
    }
    static Row Percent(const std::string& billNo) { return Header(billNo, 0, {{"EndDate", 20050116}}); }
    static Row Cash(int rowNo, const std::string& person, double amount, const Row& changes = {}) {
        return With({{"RowNo", rowNo}, {"PersonID", person}, {"RealSalary", amount}, {"SalaryType", 1},
                     {"SalaryStatus", 1}},
                    changes);
    }
    static Row Bank(int parentRow, int rowNo, const std::string& bank, double amount) {
        return {{"ParentRowNO", parentRow}, {"RowNo", rowNo}, {"PayBankID", bank}, {"BankMoneny", amount}};
    }
    Outcome Save(const Row& header, const std::vector<Row>& rows, const std::vector<Row>& banks = {}) {
        return SaveBill(kAdv, {{header}, rows, {}, banks});
    }
    Outcome Pay(const std::string& bill, const std::string& person, int row, bool cash, bool bank) {
        return Object(kAdv)->ExecuteProc(1, Variant(VariantArray{bill, person, row, cash, bank}));
    }
    int64_t Paid(const std::string& bill) {
        return CInt(Value("Select PIsTran From humAdvPayMain Where BillNo = " + QuoteStr(bill)));
    }
};

TEST_F(AdvPaymentTest, SaveChecksRunInOrderAndTheFirstFailureWins) {
    const testing::Expected noBank(msg::kAdvBankRequired, {"P1"});
    const testing::Expected split(msg::kAdvBankSplitMismatch, {"P1"});
    const Row bankOnly{{"SalaryType", 0}, {"PSalaryBank", "B1"}, {"BankAmount", 1000.0}};
    const std::vector<Row> twoBanks{Bank(1, 1, "B1", 600.0), Bank(1, 2, "B2", 400.0)};
    const std::vector<std::tuple<const char*, Row, Row, std::vector<Row>, testing::Expected>> cases = {
        {"a period bill", Header("A", 1), {}, {}, {}},
        {"a period bill without a period",
         Header("A", 0, {{"CaclByPercent", false}}),
         {},
         {},
         msg::kAdvPeriodNotSet},
        {"a percentage bill without a period", Percent("A"), {}, {}, {}},
        {"a person who left", Header("A", 1), {{"PersonID", "P2"}}, {}, {msg::kAdvPersonOffJob, {"P2"}}},
        {"bank only, no bank", Header("A", 1), {{"SalaryType", 0}}, {}, noBank},
        {"split, no bank", Header("A", 1), {{"SalaryType", 2}}, {}, noBank},
        {"cash with a bank amount", Header("A", 1), {{"BankAmount", 10.0}}, {}, split},
        {"a bank the person lacks",
         Header("A", 1),
         {{"SalaryType", 0}, {"PSalaryBank", "B9"}},
         {},
         {msg::kAdvBankNotOwned, {"B9", "P1"}}},
        {"bank split adding up", Header("A", 1), bankOnly, twoBanks, {}},
        {"bank split one cent short",
         Header("A", 1),
         bankOnly,
         {Bank(1, 1, "B1", 600.0), Bank(1, 2, "B2", 399.99)},
         split},
        {"no split on a period bill", Header("A", 1), bankOnly, {}, split},
        {"no split on a percentage bill", Percent("A"), bankOnly, {}, {}},
        {"no period and a person who left",
         Header("A", 0, {{"CaclByPercent", false}}),
         {{"PersonID", "P2"}},
         {},
         msg::kAdvPeriodNotSet},
    };
    for (const auto& [what, header, row, banks, refusal] : cases) {
        db->Execute("Delete From humSalaryBank");
        db->Execute("Delete From humAdvPaySub");
        db->Execute("Delete From humAdvPayMain");
        Outcome out = Save(header, {Cash(1, "P1", 1000.0, row)}, banks);
        EXPECT_TRUE(Ended(out, refusal)) << what;
        EXPECT_EQ(Count("humAdvPaySub"), refusal.message ? 0 : 1) << what;
    }
    // The header's month, pay day, period and kind are copied onto the rows, and a
    // bank row carries the person's account number, whatever the client sent.
    ASSERT_TRUE(Save(Percent("B"), {Cash(1, "P1", 1000.0, With(bankOnly, {{"PAccountNumber", "9999"}}))}).ok);
    EXPECT_EQ(Count("humAdvPaySub Where SalaryYearMonth = 200501 And PayDay = 20050110 And PeriodCount = 0 "
                    "And CaclByPercent = 1 And PAccountNumber = '6222-01'"),
              1);
}

TEST_F(AdvPaymentTest, PercentageAdvanceIsCappedBySalaryDue) {
    ASSERT_TRUE(Save(Percent("O1"), {Cash(1, "P1", 3000.0)}).ok);
    // Advanced outside the salary due: does not count.
    db->Execute("Insert Into humAdvPaySub (BillNo, RowNo, PersonID, RealSalary, SalaryType, SalaryStatus, "
                "SalaryYearMonth) Values ('O2', 1, 'P1', 4000, 1, 0, 200501)");
    const testing::Expected over(msg::kAdvOverSalaryDue, {"P1"});
    const std::vector<std::tuple<const char*, std::vector<Row>, testing::Expected>> cases = {
        {"what is left", {Cash(1, "P1", 2000.0)}, {}},
        {"a cent more", {Cash(1, "P1", 2000.01)}, over},
        {"over the due on its own, outside it", {Cash(1, "P1", 5000.01, {{"SalaryStatus", 0}})}, over},
        {"within the due, outside it", {Cash(1, "P1", 2500.0, {{"SalaryStatus", 0}})}, over},
        {"two rows of the person on this bill", {Cash(1, "P1", 1000.0), Cash(2, "P1", 1000.01)}, over},
        {"a person without salary settings", {Cash(1, "P3", 10.0)}, {msg::kAdvOverSalaryDue, {"P3"}}},
    };
    for (const auto& [what, rows, refusal] : cases) {
        EXPECT_TRUE(Ended(Save(Percent("A"), rows), refusal)) << what;
        db->Execute("Delete From humAdvPaySub Where BillNo = 'A'");
        db->Execute("Delete From humAdvPayMain Where BillNo = 'A'");
    }
    // A stored bill is not counted against itself when saved again.
    ASSERT_TRUE(Save(Percent("O1"), {Cash(1, "P1", 5000.0)}).ok);
}

TEST_F(AdvPaymentTest, AdvanceEqualToWhatIsLeftPassesWhateverTheBinarySums) {
    // 1166.94 + (3083.00 + 189.26) exceeds 4439.20 in binary floating point.
    SetSalary("P3", 4439.2);
    ASSERT_TRUE(Save(Percent("O1"), {Cash(1, "P3", 3083.0)}).ok);
    ASSERT_TRUE(Save(Percent("O2"), {Cash(1, "P3", 189.26)}).ok);
    Outcome out = Save(Percent("A"), {Cash(1, "P3", 1166.94)});
    EXPECT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(Refused(Save(Percent("B"), {Cash(1, "P3", 0.01)}), msg::kAdvOverSalaryDue, {Variant("P3")}));
}

TEST_F(AdvPaymentTest, PeriodBillsOfAMonthShareTheEndDateSavedLast) {
    ASSERT_TRUE(Save(Header("A", 1), {Cash(1, "P1", 100.0)}).ok);
    ASSERT_TRUE(Save(Header("B", 2), {Cash(1, "P1", 100.0)}).ok);
    ASSERT_TRUE(Save(Percent("P"), {Cash(1, "P1", 100.0)}).ok);
    ASSERT_TRUE(Save(Header("C", 1, {{"EndDate", 20050112}}), {Cash(1, "P3", 100.0)}).ok);
    EXPECT_EQ(CStr(Value("Select BillNo From humAdvPayMain Where EndDate = 20050112 Order By BillNo")), "A");
    EXPECT_EQ(Count("humAdvPayMain Where EndDate = 20050112"), 2);
    EXPECT_EQ(Count("humAdvPayMain Where BillNo In ('B', 'P') And EndDate <> 20050112"), 2);
}

TEST_F(AdvPaymentTest, RowsArePaidOneByOneAndTheBillWhenAllAre) {
    db->Execute("Insert Into humPersonSetAccount (Flag, ID, RowNo, PayBankID, PayAccount) Values "
                "(1, 'P3', 1, 'B1', '6222-31')");
    ASSERT_TRUE(Save(Header("A", 1),
                     {Cash(1, "P1", 100.0), Cash(2, "P3", 300.0, {{"SalaryType", 2}, {"PSalaryBank", "B1"},
                                                                   {"BankAmount", 200.0}})},
                     {Bank(2, 1, "B1", 200.0)})
                    .ok);
    db->Execute("Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID) Values (2, 'A', 2, 1, 'P3')");
    // (person, row, cash, bank, bill paid out afterwards)
    const std::vector<std::tuple<const char*, int, bool, bool, int>> payments = {
        {"P1", 1, true, false, 0},  {"P3", 2, true, false, 0}, {"P3", 2, false, true, 0},
        {"P3", 2, true, true, 1},   {"P1", 1, false, false, 0}, {"P1", 1, false, true, 1},
    };
    for (const auto& [person, row, cash, bank, paid] : payments) {
        ASSERT_TRUE(Pay("A", person, row, cash, bank).ok);
        EXPECT_EQ(Paid("A"), paid) << person << cash << bank;
    }
    EXPECT_EQ(Count("humSalaryMain Where Flag = 2 And CashPaid = 1 And BankPaid = 1"), 1);
    // A row that is not there is refused, nothing marked.
    EXPECT_TRUE(Refused(Pay("A", "P3", 1, true, true), msg::kAdvRowNotFound,
                        {Variant("A"), Variant("P3"), Variant(1)}));
    EXPECT_EQ(Object(kAdv)->ExecuteProc(1, Variant(VariantArray{"A", "P1", "x", true, true})).failure,
              Outcome::Kind::BadInput);

    // The marks are the payment side's: a save keeps them, and a new row reopens the bill.
    ASSERT_TRUE(Save(Header("A", 1), {Cash(1, "P1", 100.0, {{"CashPaid", false}}), Cash(3, "P1", 50.0)}).ok);
    EXPECT_EQ(Count("humAdvPaySub Where BillNo = 'A' And RowNo = 1 And BankPaid = 1"), 1);
    EXPECT_EQ(Count("humAdvPaySub Where BillNo = 'A' And RowNo = 3 And CashPaid = 0"), 1);
    EXPECT_EQ(Paid("A"), 0);
}

TEST_F(AdvPaymentTest, ABillWithoutRowsHasPaidNothingOut) {
    ASSERT_TRUE(Save(Header("A", 1), {}).ok);
    EXPECT_EQ(Paid("A"), 0);
    // A paid bill whose rows are all removed no longer says it paid anything out.
    ASSERT_TRUE(Save(Header("B", 1), {Cash(1, "P1", 100.0)}).ok);
    ASSERT_TRUE(Pay("B", "P1", 1, true, false).ok);
    ASSERT_EQ(Paid("B"), 1);
    ASSERT_TRUE(Save(Header("B", 1), {}).ok);
    EXPECT_EQ(Paid("B"), 0);
}

TEST_F(AdvPaymentTest, OnlyAnUnpaidLastPeriodMayBeDeleted) {
    ASSERT_TRUE(Save(Header("A", 1), {Cash(1, "P1", 100.0), Cash(2, "P3", 100.0)}).ok);
    ASSERT_TRUE(Save(Header("B", 2), {Cash(1, "P3", 100.0)}).ok);
    ASSERT_TRUE(Save(Percent("P"), {Cash(1, "P1", 100.0)}).ok);
    EXPECT_TRUE(Refused(Object(kAdv)->Delete(Variant("A")), msg::kAdvNotLastPeriod, {Variant("P3")}));
    ASSERT_TRUE(Pay("B", "P3", 1, true, false).ok);
    EXPECT_TRUE(Refused(Object(kAdv)->Delete(Variant("B")), msg::kAdvPaidNoDelete));
    ASSERT_TRUE(Pay("B", "P3", 1, false, false).ok);
    ASSERT_TRUE(Object(kAdv)->Delete(Variant("B")).ok);
    ASSERT_TRUE(Object(kAdv)->Delete(Variant("A")).ok);
    ASSERT_TRUE(Object(kAdv)->Delete(Variant("P")).ok);
    EXPECT_EQ(Count("humAdvPaySub"), 0);
}

TEST_F(AdvPaymentTest, SelectionRangesLeaveThePersonsEmptyWhenNobodyIsOnTheJob) {
    auto ranges = [&] {
        Outcome out = Object(kAdv)->ExecuteProc(0, Variant());
        EXPECT_TRUE(out.ok) << out.error;
        std::vector<std::string> texts;
        for (size_t i = 0; i < out.result.ArrayLength(); ++i) texts.push_back(CStr(out.result[i]));
        return texts;
    };
    EXPECT_EQ(ranges(), (std::vector<std::string>{"D1", "D2", "P1", "P3"}));
    db->Execute("Update comPerson Set LeaveJobDate = 20050115");
    EXPECT_EQ(ranges(), (std::vector<std::string>{"D1", "D2", "", ""}));
}

TEST_F(AdvPaymentTest, LookupsOfPersonAndBank) {
    auto object = Object(kAdv);
    EXPECT_TRUE(
        Refused(object->CheckFieldValues(1, {Variant("PersonID")}, {Variant("P2"), Variant(20050110)}),
                msg::kAdvPersonOffJob, {Variant("P2")}));
    Outcome person = object->CheckFieldValues(1, {Variant("personid")}, {Variant("P1"), Variant(20050110)});
    ASSERT_TRUE(person.ok) << person.error;
    ASSERT_EQ(person.fields.size(), 2u);
    EXPECT_EQ(CInt(person.fields[0].second), 0);  // paid through the salary run
    EXPECT_DOUBLE_EQ(CFloat(person.fields[1].second), 0.4);
    Outcome unset = object->CheckFieldValues(1, {Variant("PersonID")}, {Variant("P3"), Variant(0)});
    ASSERT_EQ(unset.fields.size(), 2u);
    EXPECT_EQ(CInt(unset.fields[0].second), 1);

    EXPECT_TRUE(Refused(object->CheckFieldValues(1, {Variant("PSalaryBank")}, {Variant("B1"), Variant("P3")}),
                        msg::kAdvBankNotOwned, {Variant("B1"), Variant("P3")}));
    Outcome bank = object->CheckFieldValues(1, {Variant("PSalaryBank")}, {Variant("B2"), Variant("P1")});
    ASSERT_EQ(bank.fields.size(), 1u);
    EXPECT_EQ(CStr(bank.fields[0].second), "6222-02");
    EXPECT_TRUE(object->CheckFieldValues(0, {Variant("PSalaryBank")}, {Variant("B2"), Variant("P1")}).fields.empty());
}

TEST_F(AdvPaymentTest, NewBillTakesItsKindAndRateFromTheParameters) {
    for (bool byPercent : {false, true}) {
        SetParam(*db, "HumAdvCaclWithRate", byPercent ? "1" : "0");
        SetParam(*db, "HumAdvCWithRPercent", "45.5");
        auto object = Object(kAdv);
        ASSERT_TRUE(object->AddNew().ok);
        Dataset& header = object->GetDatasets(0);
        EXPECT_EQ(CInt(header["SalaryYearMonth"]), 200501);
        EXPECT_EQ(CBool(header["CaclByPercent"]), byPercent);
        EXPECT_DOUBLE_EQ(CFloat(header["PayRate"]), byPercent ? 45.5 : 0.0);
        EXPECT_EQ(CInt(header["EndDate"]), byPercent ? 20050116 : 0);
        EXPECT_EQ(CInt(header["PayDay"]), byPercent ? 20050116 : 0);
    }
}

}  // namespace
}  // namespace humrs
