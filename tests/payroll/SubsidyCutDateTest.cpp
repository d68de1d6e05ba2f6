// The allowance bill by salary item: its row checks, what the header gives its rows,
// and the header's paid mark following the rows as they are paid one by one.
#include <tuple>

#include "support/Fixture.h"
#include "payroll/SubsidyCutDateMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::With;

constexpr const char* kSubsidyDate = "QVXHumrs.SubsidyCutDate";

class SubsidyCutDateTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddPerson(*db, {.personId = "P1", .onJobDate = 20040301});
        AddPerson(*db, {.personId = "P2", .onJobDate = 20030101, .leaveJobDate = 20041031});
        AddPerson(*db, {.personId = "P3", .onJobDate = 20030101});
        for (const char* person : {"P1", "P2", "P3"})
            db->Execute(
                "Insert Into humPersonSetAccount (Flag, ID, RowNo, PayBankID, PayAccount) "
                "Values (1, ?, 1, 'B1', ?)",
                {Variant(person), Variant(std::string("6222-") + person)});
    }

    // A row paid on its own in cash on a pay date, valid as it stands.
    static testing::Row CashRow(int rowNo, const std::string& person) {
        return {{"RowNo", rowNo},      {"PersonID", person}, {"SalaryType", 0},        {"PayType", 1},
                {"IncomTaxRate", 0.1}, {"Account", 100.0},   {"SalaryDate", 20050110}, {"SalaryItem", "OLD"}};
    }
    Outcome Save(const std::string& billNo, const std::vector<testing::Row>& rows) {
        return SaveBill(kSubsidyDate,
                        {{{{"BillNo", billNo}, {"BillDate", 20050112}, {"SalaryItem", "S01"}}}, rows});
    }
    Outcome Mark(const std::string& billNo, const std::string& person, int rowNo, bool cash, bool bank) {
        return Object(kSubsidyDate)->ExecuteProc(0, Variant(VariantArray{billNo, person, rowNo, cash, bank}));
    }
    int64_t HeaderPaid(const std::string& billNo) {
        return CInt(Value("Select PIsTran From OstrelHeader Where Flag = 4 And BillNo = '" + billNo + "'"));
    }
};

TEST_F(SubsidyCutDateTest, RowChecksRunInOrderAndTheFirstFailingRowRefusesTheBill) {
    const std::string invalidDate = "日期不合法";
    const std::vector<std::tuple<const char*, testing::Row, std::string>> cases = {
        {"cash without a bank", {}, ""},
        {"bank only without a bank", {{"PayType", 0}}, "人员P1薪资发放不为现金,薪资银行不可为空"},
        {"split through the person's bank", {{"PayType", 2}, {"PSalaryBank", "B1"}}, ""},
        {"a bank the person lacks", {{"PayType", 0}, {"PSalaryBank", "B9"}}, "薪资银行B9不属于该人员P1"},
        {"amount zero before a bad tax rate", {{"Account", 0.0}, {"IncomTaxRate", 2.0}}, "金额不能为零"},
        {"no pay date", {{"SalaryDate", 0}}, "薪资发放日不能为空"},
        {"tax rate before a bad date",
         {{"IncomTaxRate", 1.5}, {"SalaryDate", 20050230}},
         "扣缴税率应在0~1之间"},
        {"a pay date that does not exist", {{"SalaryDate", 20050230}}, invalidDate},
        {"salary month 13", {{"SalaryType", 1}, {"SalaryMonth", 200413}}, invalidDate},
        {"salary month 0", {{"SalaryType", 1}, {"SalaryMonth", 200400}}, invalidDate},
        {"December", {{"SalaryType", 1}, {"SalaryMonth", 200412}}, ""},
        {"in no salary month", {{"SalaryType", 1}}, "薪资年月不能为空"},
        {"a month before the hire date",
         {{"SalaryType", 1}, {"SalaryMonth", 200402}},
         "人员薪资年月不能小于到职日期大于离职日期"},
    };
    for (const auto& [what, changes, refusal] : cases) {
        db->Execute("Delete From HumSubsidyCut");
        db->Execute("Delete From OstrelHeader");
        // A valid first row does not save a bill whose second row fails.
        Outcome out = Save("D1", {CashRow(1, "P3"), With(CashRow(2, "P1"), changes)});
        EXPECT_EQ(out.error, refusal) << what;
        EXPECT_EQ(Count("HumSubsidyCut"), refusal.empty() ? 2 : 0) << what;
        EXPECT_EQ(Count("OstrelHeader"), refusal.empty() ? 1 : 0) << what;
    }
}

TEST_F(SubsidyCutDateTest, RowsTakeTheBillsItemAndDateAndTheAccountOfTheirBank) {
    ASSERT_TRUE(Save("D1", {CashRow(1, "P1"),
                            With(CashRow(2, "P2"),
                                 {{"PayType", 0}, {"PSalaryBank", "B1"}, {"PAccountNumber", "forged"}})})
                    .ok);
    EXPECT_EQ(Count("HumSubsidyCut Where Flag = 4 And SalaryItem = 'S01' And BillDate = 20050112"), 2);
    EXPECT_EQ(CStr(Value("Select PAccountNumber From HumSubsidyCut Where RowNo = 2")), "6222-P2");

    auto object = Object(kSubsidyDate);
    Outcome owned = object->CheckFieldValues(1, {Variant("psalarybank")}, {Variant("B1"), Variant("P1")});
    ASSERT_TRUE(owned.ok) << owned.error;
    ASSERT_EQ(owned.fields.size(), 1u);
    EXPECT_EQ(CStr(owned.fields[0].second), "6222-P1");
    EXPECT_TRUE(Refused(object->CheckFieldValues(1, {Variant("PSalaryBank")}, {Variant("B2"), Variant("P1")}),
                        msg::kSubsidyDateBankNotOwned, {Variant("B2"), Variant("P1")}));
}

TEST_F(SubsidyCutDateTest, FieldLookupsReturnTheAccountForRowsOnlyAndRefuseInTheirOwnWords) {
    const VariantArray person{Variant("PersonID")}, bank{Variant("PSalaryBank")};
    struct Case {
        const char* what;
        int dataset;
        VariantArray names, values;
        std::string refusal;
        size_t fields;
    };
    const std::vector<Case> cases = {
        {"a row's bank returns its account", 1, bank, {Variant("B1"), Variant("P1")}, "", 1},
        {"the header's bank returns nothing", 0, bank, {Variant("B1"), Variant("P1")}, "", 0},
        {"a bank the person lacks, on the header too",
         0,
         bank,
         {Variant("B2"), Variant("P1")},
         "薪资银行B2不属于该人员P1",
         0},
        {"a person who left before the period",
         1,
         person,
         {Variant("P2"), Variant(1), Variant(20041101), Variant(20041130)},
         "P2人员不在职",
         0},
        {"the job not asked about",
         1,
         person,
         {Variant("P2"), Variant(0), Variant(20041101), Variant(20041130)},
         "",
         0},
    };
    auto object = Object(kSubsidyDate);
    for (const Case& c : cases) {
        Outcome out = object->CheckFieldValues(c.dataset, c.names, c.values);
        EXPECT_EQ(out.error, c.refusal) << c.what;
        EXPECT_EQ(out.fields.size(), c.fields) << c.what;
    }
}

TEST_F(SubsidyCutDateTest, TheHeaderIsPaidExactlyWhenEveryRowIs) {
    ASSERT_TRUE(Save("D1", {With(CashRow(1, "P1"), {{"PayType", 0}, {"PSalaryBank", "B1"}}), CashRow(2, "P2"),
                            With(CashRow(3, "P3"), {{"PayType", 2}, {"PSalaryBank", "B1"}})})
                    .ok);
    // Another bill of the same number on the one-person form is never touched.
    db->Execute(
        "Insert Into HumSubsidyCut (Flag, BillNo, RowNo, PersonID, PayType, CashPaid, BankPaid) "
        "Values (1, 'D1', 0, 'P1', 1, 0, 0)");
    const std::vector<std::tuple<const char*, std::string, int, bool, bool, int64_t>> steps = {
        {"bank row paid through the bank", "P1", 1, false, true, 0},
        {"cash row paid", "P2", 2, true, false, 0},
        {"split row paid in cash only", "P3", 3, true, false, 0},
        {"split row's bank part paid", "P3", 3, true, true, 1},
        {"a row unpaid again", "P2", 2, false, false, 0},
        {"and paid once more", "P2", 2, true, false, 1},
    };
    for (const auto& [what, person, rowNo, cash, bank, headerPaid] : steps) {
        ASSERT_TRUE(Mark("D1", person, rowNo, cash, bank).ok) << what;
        EXPECT_EQ(HeaderPaid("D1"), headerPaid) << what;
    }
    EXPECT_EQ(Count("HumSubsidyCut Where Flag = 1 And CashPaid = 0 And BankPaid = 0"), 1);

    // A row the bill lacks is refused, and nothing is marked.
    EXPECT_TRUE(Refused(Mark("D1", "P1", 2, false, false), msg::kSubsidyDateRowNotFound,
                        {Variant("D1"), Variant("P1"), Variant(2)}));
    EXPECT_EQ(Count("HumSubsidyCut Where Flag = 4 And CashPaid = 1"), 2);
    EXPECT_EQ(HeaderPaid("D1"), 1);
}

TEST_F(SubsidyCutDateTest, ASaveKeepsPaymentMarksAndAnAddedRowLeavesTheBillUnpaid) {
    ASSERT_TRUE(Save("D1", {CashRow(1, "P1")}).ok);
    ASSERT_TRUE(Mark("D1", "P1", 1, true, false).ok);
    ASSERT_EQ(HeaderPaid("D1"), 1);
    // The client claims the new row is paid and the header too: neither is so.
    Outcome out = SaveBill(kSubsidyDate, {{{{"BillNo", "D1"}, {"SalaryItem", "S01"}, {"PIsTran", true}}},
                                          {CashRow(1, "P1"), With(CashRow(2, "P2"), {{"CashPaid", true}})}});
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(CInt(Value("Select CashPaid From HumSubsidyCut Where RowNo = 1")), 1);
    EXPECT_EQ(CInt(Value("Select CashPaid From HumSubsidyCut Where RowNo = 2")), 0);
    EXPECT_EQ(HeaderPaid("D1"), 0);
}

TEST_F(SubsidyCutDateTest, ABillWithoutRowsHasPaidNothingOut) {
    // (what, the bill's row is paid before its rows are removed)
    for (const auto& [what, paid] : {std::pair{"an unpaid bill emptied", false}, {"a paid bill emptied", true}}) {
        ASSERT_TRUE(Save("D1", {CashRow(1, "P1")}).ok) << what;
        ASSERT_TRUE(Mark("D1", "P1", 1, paid, false).ok) << what;
        ASSERT_EQ(HeaderPaid("D1"), paid ? 1 : 0) << what;
        ASSERT_TRUE(Save("D1", {}).ok) << what;
        EXPECT_EQ(HeaderPaid("D1"), 0) << what;
        EXPECT_EQ(Count("HumSubsidyCut"), 0) << what;
    }
    ASSERT_TRUE(Save("D2", {}).ok);
    EXPECT_EQ(HeaderPaid("D2"), 0);
}

TEST_F(SubsidyCutDateTest, LoginType5SkipsTheRulesButNotTheCalendar) {
    session->loginType = 5;
    EXPECT_TRUE(Save("D1", {With(CashRow(1, "P1"), {{"Account", 0.0}, {"PayType", 0}})}).ok);
    EXPECT_TRUE(Refused(Save("D2", {With(CashRow(1, "P1"), {{"SalaryType", 1}, {"SalaryMonth", 200413}})}),
                        msg::kSubsidyDateInvalid));
    EXPECT_EQ(Count("OstrelHeader"), 1);
}

}  // namespace
}  // namespace humrs
