// The monthly salary voucher: one voucher per person and month, the bank split to the
// last ten-thousandth, the insured family rows that follow the voucher, the payment
// marks and the default salary month.
#include <tuple>

#include "payroll/CoMonthSalary.h"
#include "support/Fixture.h"
#include "framework/Messages.h"
#include "payroll/MonthSalaryMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

constexpr const char* kVoucher = "QVXHumrs.MonthSalary";
const std::string kDuplicateP1 = "人员P1于该月已有一张薪资凭单，不能重复!";
const std::string kSplitMismatch = "帐号总金额不等于银行金额";

class MonthSalaryTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddPerson(*db, {.personId = "P1", .onJobDate = 20040301});
        AddPerson(*db, {.personId = "P2", .onJobDate = 20040301, .leaveJobDate = 20041010});
        AddPerson(*db, {.personId = "P3", .onJobDate = 20040301});
    }
    static testing::Row Head(const std::string& billNo, const std::string& person, int month) {
        return {{"BillNo", billNo}, {"PersonID", person}, {"SalaryYearMonth", month}, {"BillDate", 20050110}};
    }
    Outcome Save(const testing::Row& head, const std::vector<testing::Row>& banks = {}) {
        return SaveBill(kVoucher, {{head}, {}, {}, {}, banks});
    }
    static testing::Row Bank(int rowNo, double amount) { return {{"RowNo", rowNo}, {"BankMoneny", amount}}; }
};

TEST_F(MonthSalaryTest, SecondVoucherOfAPersonAndMonthIsRefusedWhetherNewOrMoved) {
    using Case = std::tuple<const char*, testing::Row, std::string>;
    // Stored: P1 in 2004-11 and 2004-09, P3 in 2004-10 (twice, one merged in earlier)
    // and 2004-09, and an advance payment row of P1 in 2004-12.
    const std::vector<Case> cases = {
        {"new voucher", Head("V9", "P1", 200411), kDuplicateP1},
        {"new voucher, a month with only an advance", Head("V9", "P1", 200412), ""},
        {"moved to a person", {{"BillNo", "V4"}, {"PersonID", "P1"}}, kDuplicateP1},
        {"moved to a month", {{"BillNo", "V4"}, {"SalaryYearMonth", 200410}}, "人员P3于该月已有一张薪资凭单，不能重复!"},
        // Moved to person and month at once: the pair it will be stored with counts,
        // not the new person in the old month or the old person in the new month.
        {"moved to a taken person and month", {{"BillNo", "V3"}, {"PersonID", "P1"}, {"SalaryYearMonth", 200411}},
         kDuplicateP1},
        {"moved to a free person and month", {{"BillNo", "V4"}, {"PersonID", "P1"}, {"SalaryYearMonth", 200412}}, ""},
        {"memo only", {{"BillNo", "V3"}, {"Memo", "补发"}}, ""},
    };
    for (const auto& [what, change, refusal] : cases) {
        db->Execute("Delete From humSalaryMain");
        for (const auto& head : {Head("V1", "P1", 200411), Head("V2", "P1", 200409), Head("V3", "P3", 200410),
                                 Head("V4", "P3", 200409)})
            ASSERT_TRUE(Save(head).ok) << what;
        db->Execute("Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID, SalaryYearMonth) "
                    "Values (1, 'OLD', 0, 0, 'P3', 200410), (2, 'ADV', 1, 1, 'P1', 200412)");
        EXPECT_EQ(Save(change).error, refusal) << what;
    }
}

TEST_F(MonthSalaryTest, BankSplitMustAddUpExactlyUnlessLoginType5) {
    using Case = std::tuple<double, std::vector<testing::Row>, int, std::string>;
    const std::vector<Case> cases = {
        {1000.0001, {Bank(1, 600), Bank(2, 400)}, 0, kSplitMismatch},
        {1000.0001, {Bank(1, 600), Bank(2, 400)}, 5, ""},
        {1000.0, {Bank(1, 600.0001), Bank(2, 399.9999)}, 0, ""},
        {0.3, {Bank(1, 0.1), Bank(2, 0.2)}, 0, ""},
        {0.0, {}, 0, ""},
        {500.0, {}, 0, kSplitMismatch},
    };
    for (const auto& [realBank, banks, login, refusal] : cases) {
        db->Execute("Delete From humSalaryMain");
        db->Execute("Delete From humSalaryBank");
        session->loginType = login;
        auto head = Head("V1", "P1", 200411);
        head.emplace_back("RealBank", realBank);
        Outcome out = Save(head, banks);
        EXPECT_EQ(out.error, refusal) << realBank << " login " << login;
        EXPECT_EQ(Count("humSalaryBank Where Flag = 1 And BillNo = 'V1' And ParentRowNO = 0"),
                  refusal.empty() ? static_cast<int64_t>(banks.size()) : 0);
    }
}

TEST_F(MonthSalaryTest, HeaderChecksRunUnderEveryLoginType) {
    for (int login : {0, 5}) {
        session->loginType = login;
        const std::string at = "login type " + std::to_string(login);
        EXPECT_TRUE(Refused(Save(Head("V1", "", 200411)), msg::kSalaryPersonEmpty)) << at;
        EXPECT_TRUE(Refused(Save(Head("V1", "P9", 200411)), msg::kSalaryPersonUnknown, {Variant("P9")}))
            << at;
        EXPECT_TRUE(Refused(Save(Head("V1", "P1", 0)), msg::kSalaryMonthEmpty)) << at;
        EXPECT_EQ(Save(Head("V1", "P1", 200413)).failure, Outcome::Kind::BadInput) << at;
        // Left on the 10th: on the job for part of October, not at all in November.
        EXPECT_TRUE(Refused(Save(Head("V1", "P2", 200411)), msg::kSalaryPersonOffJob, {Variant("P2")})) << at;
        EXPECT_EQ(Count("humSalaryMain"), 0) << at;
    }
    EXPECT_TRUE(Save(Head("V1", "P2", 200410)).ok);
    auto object = Object(kVoucher);
    const VariantArray person{Variant("personid")};
    EXPECT_TRUE(
        Refused(object->CheckFieldValues(0, person, {Variant("P2"), Variant(20041101), Variant(20041130)}),
                msg::kSalaryPersonOffJob, {Variant("P2")}));
    EXPECT_TRUE(object->CheckFieldValues(0, person, {Variant("P2"), Variant(20041001), Variant(20041031)}).ok);
}

TEST_F(MonthSalaryTest, InsuredFamilyRowsFollowTheVoucher) {
    db->Execute("Insert Into humFamily (Flag, PersonID, Name, SalaryMonth, InsuAccount, LaborAccount) Values "
                "(2, 'P1', '', 200411, 1, 1), (2, 'P1', '配偶', 200411, 7, 7), (2, 'P1', '', 200412, 1, 1), "
                "(1, 'P1', '', 200411, 1, 1)");
    auto head = Head("V1", "P1", 200411);
    head.emplace_back("HealthTax", 120.5);
    ASSERT_TRUE(Save(head).ok);
    EXPECT_EQ(Count("humFamily Where InsuAccount = 1 And LaborAccount = 1"), 3);  // a first save leaves them

    ASSERT_TRUE(Save({{"BillNo", "V1"}, {"HealthTax", 130.25}, {"LaborTax", 88.0}}).ok);
    EXPECT_EQ(Count("humFamily Where Flag = 2 And Name = '' And SalaryMonth = 200411 And InsuAccount = 130.25 "
                    "And LaborAccount = 88"),
              1);
    EXPECT_EQ(Count("humFamily Where InsuAccount = 1 And LaborAccount = 1"), 2);
    EXPECT_EQ(Count("humFamily Where Name = '配偶' And InsuAccount = 7"), 1);

    ASSERT_TRUE(Object(kVoucher)->Delete(Variant("V1")).ok);
    EXPECT_EQ(Count("humFamily Where Flag = 2 And SalaryMonth = 200411"), 0);
    EXPECT_EQ(Count("humFamily"), 2);  // another month, another kind of row
}

TEST_F(MonthSalaryTest, PaymentMarksBelongToThePaymentSide) {
    ASSERT_TRUE(Save(Head("V1", "P1", 200411)).ok);
    ASSERT_TRUE(Save(Head("V2", "P1", 200412)).ok);
    auto object = Object(kVoucher);
    ASSERT_TRUE(object->ExecuteProc(0, Variant(VariantArray{"V1", "", 0, true, false})).ok);
    EXPECT_EQ(Count("humSalaryMain Where BillNo = 'V1' And CashPaid = 1 And BankPaid = 0"), 1);
    EXPECT_EQ(Count("humSalaryMain Where BillNo = 'V2' And CashPaid = 0 And BankPaid = 0"), 1);
    // A save keeps the stored marks whatever the client sends.
    ASSERT_TRUE(Save({{"BillNo", "V1"}, {"CashPaid", false}, {"BankPaid", true}}).ok);
    EXPECT_EQ(Count("humSalaryMain Where BillNo = 'V1' And CashPaid = 1 And BankPaid = 0"), 1);
    EXPECT_EQ(object->ExecuteProc(0, Variant(VariantArray{"V9", "", 0, true, true})).error, "找不到单据: V9");
    EXPECT_EQ(object->ExecuteProc(0, Variant(VariantArray{"V1", "", 0, "yes", true})).failure,
              Outcome::Kind::BadInput);

    db->Execute("Update humSalaryMain Set PVoucherNO = 'PZ7' Where BillNo = 'V1'");
    EXPECT_TRUE(Refused(Object(kVoucher)->Edit(Variant("V1")), msg::kVoucherNoEdit, {Variant("PZ7")}));
    EXPECT_TRUE(Refused(Object(kVoucher)->Delete(Variant("V1")), msg::kVoucherNoDelete, {Variant("PZ7")}));
}

TEST_F(MonthSalaryTest, DefaultSalaryMonthIsTheMonthBeforeTheBillDate) {
    auto voucher = ObjectAs<TMonthSalary>(kVoucher);
    ASSERT_TRUE(voucher->AddNew().ok);  // no bill date yet: counted from today, 2005-01-15
    EXPECT_EQ(CInt(voucher->GetDatasets(0)["SalaryYearMonth"]), 200412);
    for (const auto& [billDate, month] : std::vector<std::pair<int, int>>{{20060131, 200512}, {20050331, 200502}}) {
        voucher->GetDatasets(0).SetFieldValue("BillDate", Variant(billDate));
        voucher->DoAddDefaultRecord();
        EXPECT_EQ(CInt(voucher->GetDatasets(0)["SalaryYearMonth"]), month) << billDate;
    }
}

}  // namespace
}  // namespace humrs
