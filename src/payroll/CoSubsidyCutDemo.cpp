// Demo scenes of the allowance and deduction bill: paid in cash, paid through a
// salary bank, a bank the person has no account at, and the payment marks.
#include "core/Convert.h"
#include "payroll/CoSubsidyCut.h"
#include "payroll/PaidFlags.h"

namespace humrs {

namespace {

constexpr const char* kSubsidy = "QVXHumrs.SubsidyCut";

// A bill of one row in dataset 0.
Json OneRow(Json row) { return Json{{"datasets", Json::array({Json::array({std::move(row)})})}}; }

// An allowance paid out on its own on a pay date: PayType 1 cash, 0 bank, 2 both.
Json PaidOnItsOwn(const std::string& billNo, const std::string& person, double amount, int payDate, int payType,
                  const std::string& bank) {
    return OneRow({{"BillNo", billNo},
                   {"PersonID", person},
                   {"SalaryType", 0},
                   {"PayType", payType},
                   {"PSalaryBank", bank},
                   {"IncomTaxRate", 0.05},
                   {"Account", amount},
                   {"SalaryDate", payDate},
                   {"Memo", "高温补贴"}});
}

// The salary banks and the accounts the scenes pay into.
void OpenSalaryAccounts(DemoContext& demo) {
    if (demo.Db().QueryFirst("Select BankID From comBank Where BankID = 'ICBC'")) return;
    demo.Db().Execute("Insert Into comBank (BankID, BankName) Values ('ICBC', '工商银行'), ('CCB', '建设银行')");
    demo.Db().Execute(
        "Insert Into humPersonSetAccount (Flag, ID, RowNo, PayBankID, PayAccount, AccountName) "
        "Values (1, 'E002', 1, 'ICBC', '6222020200112233445', '王芳'), "
        "(1, 'E002', 2, 'CCB', '6217000010009988776', '王芳'), "
        "(1, 'E003', 1, 'ICBC', '6222020200155667788', '李娜')");
}

void ShowBill(DemoContext& demo, const std::string& billNo) {
    demo.Show("stored",
              "Select BillNo, PersonID, SalaryType, PayType, PSalaryBank, PAccountNumber, Account, SalaryDate, "
              "CashPaid, BankPaid From HumSubsidyCut Where Flag = 1 And BillNo = ?",
              {Variant(billNo)});
}

void PaidInCash(DemoContext& demo) {
    demo.Say("张伟 (E001) gets a summer heat allowance of 300, paid out in cash on 06-28: no bank is needed.");
    demo.Save(kSubsidy, PaidOnItsOwn("BT001", "E001", 300, 20240628, 1, ""), true, "BT001 E001 300 in cash");
    ShowBill(demo, "BT001");
    demo.Say("罗刚 (E020) left in 2023-06; a deduction settled in the salary of 2024-06 is refused.");
    demo.Save(kSubsidy,
              OneRow({{"BillNo", "BT002"},
                      {"PersonID", "E020"},
                      {"SalaryType", 1},
                      {"Account", -120},
                      {"SalaryMonth", 202406}}),
              false, "BT002 E020 -120 in the salary of 2024-06");
}

void PaidThroughOwnBank(DemoContext& demo) {
    OpenSalaryAccounts(demo);
    demo.Say("王芳 (E002) has salary accounts at ICBC and CCB. Choosing ICBC on the bill returns her account number.");
    demo.Proc(kSubsidy, 1, Variant("E002"), Variant(), "E002 salary banks");
    demo.Check(kSubsidy, 0, {Variant("PSalaryBank")}, {Variant("ICBC"), Variant("E002")}, true, "E002 at ICBC");
    demo.Proc(kSubsidy, 2, Variant("E002"), Variant("ICBC"), "E002 account number at ICBC, as other bills ask it");
    demo.Save(kSubsidy, PaidOnItsOwn("BT003", "E002", 500, 20240628, 0, "ICBC"), true, "BT003 E002 500 via ICBC");
    ShowBill(demo, "BT003");
}

void BankThePersonLacks(DemoContext& demo) {
    OpenSalaryAccounts(demo);
    demo.Say("李娜 (E003) has an account at ICBC only. Choosing CCB is refused, naming the bank.");
    demo.Check(kSubsidy, 0, {Variant("PSalaryBank")}, {Variant("CCB"), Variant("E003")}, false, "E003 at CCB");
    demo.Save(kSubsidy, PaidOnItsOwn("BT004", "E003", 200, 20240628, 2, "CCB"), false,
              "BT004 E003 200 part cash, part via CCB");
}

void PaidMarking(DemoContext& demo) {
    demo.Say("The cashier pays BT001 out in cash; the payment side marks the bill.");
    demo.Proc(kSubsidy, 0, Variant(VariantArray{"BT001", true, false}), Variant(), "BT001 cash paid");
    ShowBill(demo, "BT001");
    auto row = demo.Db().QueryFirst("Select PayType, CashPaid, BankPaid From HumSubsidyCut Where Flag = 1 And "
                                    "BillNo = 'BT001'");
    if (row)
        demo.Say(std::string("A cash-only row counts as paid once its cash part is: BT001 is ") +
                 (RowCountsAsPaid(static_cast<int>(CInt((*row)[0])), CBool((*row)[1]), CBool((*row)[2]))
                      ? "paid out."
                      : "not paid out yet."));
    demo.Say("A bill number that finds no allowance bill is refused rather than marked.");
    demo.Proc(kSubsidy, 0, Variant(VariantArray{"BT999", true, false}), Variant(), "BT999 cash paid");
}

}  // namespace

std::vector<DemoScene> SubsidyCutDemo() {
    return {
        {"Allowances: an allowance paid in cash", PaidInCash},
        {"Allowances: paid through a bank the person has", PaidThroughOwnBank},
        {"Allowances: a bank the person lacks is refused", BankThePersonLacks},
        {"Allowances: payment marking", PaidMarking},
    };
}

}  // namespace humrs
