// The account number a payroll row pays into, in every bill that pays through a
// person's salary banks: looked up for a new row or a row whose person or bank
// changes, kept as stored otherwise, and never taken from a paid row.
#include "support/Fixture.h"

namespace humrs {
namespace {

using testing::Row;
using testing::With;

enum class BankBill { Allowance, AllowanceByDate, Advance };

class RowAccountTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        for (const char* person : {"P1", "P2"}) AddPerson(*db, {.personId = person, .onJobDate = 20030101});
        db->Execute("Insert Into humPersonSetMain (Flag, ID, BaseSalary) Values (1, 'P1', 5000), (1, 'P2', 5000)");
    }
    // No bill yet, and the persons' accounts as first opened.
    void StartAfresh() {
        for (const char* table : {"HumSubsidyCut", "OstrelHeader", "humAdvPaySub", "humAdvPayMain", "humPersonSetAccount"})
            db->Execute(std::string("Delete From ") + table);
        db->Execute(
            "Insert Into humPersonSetAccount (Flag, ID, RowNo, PayBankID, PayAccount) Values (1, 'P1', 1, 'B1', "
            "'P1-B1'), (1, 'P1', 2, 'B2', 'P1-B2'), (1, 'P1', 3, 'B3', 'P1-B3'), (1, 'P2', 1, 'B1', 'P2-B1')");
    }

    // A bill of one row paying the person the amount through the bank only.
    Outcome Save(BankBill bill, const std::string& billNo, const std::string& person, const std::string& bank,
                 double amount, const Row& extra) {
        const Row allowance{{"PersonID", person},  {"SalaryType", 0},   {"PayType", 0},
                            {"PSalaryBank", bank}, {"IncomTaxRate", 0.0}, {"Account", amount},
                            {"SalaryDate", 20050110}};
        switch (bill) {
            case BankBill::Allowance:
                return SaveBill("QVXHumrs.SubsidyCut", {{With(With(allowance, {{"BillNo", billNo}}), extra)}});
            case BankBill::AllowanceByDate:
                return SaveBill("QVXHumrs.SubsidyCutDate",
                                {{{{"BillNo", billNo}, {"BillDate", 20050112}, {"SalaryItem", "S01"}}},
                                 {With(With(allowance, {{"RowNo", 1}}), extra)}});
            case BankBill::Advance:
                return SaveBill("QVXHumrs.AdvPayment",
                                {{{{"BillNo", billNo}, {"SalaryYearMonth", 200501}, {"PayDay", 20050116},
                                   {"EndDate", 20050116}, {"CaclByPercent", true}}},
                                 {With({{"RowNo", 1}, {"PersonID", person}, {"RealSalary", amount}, {"SalaryType", 0},
                                        {"PSalaryBank", bank}, {"BankAmount", amount}, {"SalaryStatus", 1}},
                                       extra)}});
        }
        return {};
    }
    // The payment side pays the row's bank part.
    Outcome Pay(BankBill bill, const std::string& billNo, const std::string& person) {
        switch (bill) {
            case BankBill::Allowance:
                return Object("QVXHumrs.SubsidyCut")->ExecuteProc(0, Variant(VariantArray{billNo, false, true}));
            case BankBill::AllowanceByDate:
                return Object("QVXHumrs.SubsidyCutDate")
                    ->ExecuteProc(0, Variant(VariantArray{billNo, person, 1, false, true}));
            case BankBill::Advance:
                return Object("QVXHumrs.AdvPayment")
                    ->ExecuteProc(1, Variant(VariantArray{billNo, person, 1, false, true}));
        }
        return {};
    }
    std::string Account(BankBill bill, const std::string& billNo) {
        const std::string table = bill == BankBill::Advance ? "humAdvPaySub" : "HumSubsidyCut";
        return CStr(Value("Select PAccountNumber From " + table + " Where BillNo = " + QuoteStr(billNo)));
    }
    static std::string NotOwned(BankBill bill, const std::string& person, const std::string& bank) {
        if (bill == BankBill::Allowance) return "薪资银行" + bank + "不属该人员";
        return "薪资银行" + bank + "不属于该人员" + person;
    }
};

TEST_F(RowAccountTest, ARowTakesAnAccountWhenNewOrItsPayeeChangesAndKeepsItOtherwise) {
    struct Step {
        const char* what;
        std::string before;  // a change of the persons' accounts first
        std::string billNo, person, bank;
        double amount;
        Row extra;
        bool refused;
        std::string account;  // stored afterwards
    };
    const std::vector<Step> steps = {
        {"a new row", "", "K1", "P1", "B2", 100, {}, false, "P1-B2"},
        {"the person's account changes",
         "Update humPersonSetAccount Set PayAccount = 'P1-B2 new' Where ID = 'P1' And PayBankID = 'B2'", "K1", "P1",
         "B2", 110, {}, false, "P1-B2"},
        {"the client sends another account", "", "K1", "P1", "B2", 110, {{"PAccountNumber", "forged"}}, false,
         "P1-B2"},
        {"a bank the person lacks", "", "K1", "P1", "B9", 110, {}, true, "P1-B2"},
        {"another bank of the person", "", "K1", "P1", "B3", 110, {}, false, "P1-B3"},
        {"another person", "", "K1", "P2", "B1", 110, {}, false, "P2-B1"},
        // Paid out through P1's account at B1: that account stays the row's.
        {"a row then paid", "", "K2", "P1", "B1", 100, {}, false, "P1-B1"},
        {"a paid row after the account changed",
         "Update humPersonSetAccount Set PayAccount = 'P1-B1 new' Where ID = 'P1' And PayBankID = 'B1'", "K2", "P1",
         "B1", 120, {}, false, "P1-B1"},
        {"a paid row after the account closed", "Delete From humPersonSetAccount Where ID = 'P1' And PayBankID = 'B1'",
         "K2", "P1", "B1", 130, {}, false, "P1-B1"},
    };
    for (BankBill bill : {BankBill::Allowance, BankBill::AllowanceByDate, BankBill::Advance}) {
        StartAfresh();
        for (const Step& step : steps) {
            const std::string at = std::to_string(static_cast<int>(bill)) + ": " + step.what;
            if (!step.before.empty()) db->Execute(step.before);
            Outcome out = Save(bill, step.billNo, step.person, step.bank, step.amount, step.extra);
            EXPECT_EQ(out.error, step.refused ? NotOwned(bill, step.person, step.bank) : "") << at;
            EXPECT_EQ(Account(bill, step.billNo), step.account) << at;
            if (step.billNo == "K2" && out.ok) ASSERT_TRUE(Pay(bill, step.billNo, step.person).ok) << at;
        }
    }
}

}  // namespace
}  // namespace humrs
