// Demo scenes of the monthly salary voucher: a voucher saved and changed, a second
// voucher of the same person and month, a bank split that does not add up, and the
// payment marks.
#include "payroll/CoMonthSalary.h"

namespace humrs {

namespace {

constexpr const char* kVoucher = "QVXHumrs.MonthSalary";

// A voucher of the header row and its bank split (dataset 4).
Json Voucher(Json head, Json banks = Json::array()) {
    return Json{{"datasets", Json::array({Json::array({std::move(head)}), nullptr, nullptr, nullptr, std::move(banks)})}};
}

Json Head(const std::string& billNo, const std::string& person, int month, double realBank) {
    return {{"BillNo", billNo},     {"BillDate", month * 100 + 28}, {"PersonID", person},
            {"SalaryYearMonth", month}, {"BaseSalary", 9000},   {"RealSalary", 8200},
            {"RealCash", 8200 - realBank}, {"RealBank", realBank}, {"HealthTax", 180.5},
            {"LaborTax", 95}};
}

Json Bank(int rowNo, const std::string& bank, const std::string& account, double amount) {
    return {{"RowNo", rowNo}, {"PayBankID", bank}, {"PayAccount", account}, {"BankMoneny", amount}};
}

Json SplitOfXZ001() {
    return Json::array({Bank(1, "ICBC", "6222020200100000001", 4000), Bank(2, "CCB", "6217000010000000001", 2000)});
}

void ShowVoucher(DemoContext& demo, const std::string& billNo) {
    demo.Show("stored", "Select BillNo, PersonID, SalaryYearMonth, RealBank, HealthTax, LaborTax, CashPaid, BankPaid "
                        "From humSalaryMain Where Flag = 1 And BillNo = ?",
              {Variant(billNo)});
}

void ShowFamily(DemoContext& demo, const std::string& person, int month) {
    demo.Show("insured of the month",
              "Select PersonID, Name, SalaryMonth, InsuAccount, LaborAccount From humFamily Where Flag = 2 And "
              "PersonID = ? And SalaryMonth = ? Order By Name",
              {Variant(person), Variant(month)});
}

void VoucherSaved(DemoContext& demo) {
    if (!demo.Db().QueryFirst("Select PersonID From humFamily Where Flag = 2 And PersonID = 'E001'"))
        demo.Db().Execute("Insert Into humFamily (Flag, PersonID, Name, SalaryMonth, InsuAccount, LaborAccount) "
                          "Values (2, 'E001', '', 202405, 0, 0), (2, 'E001', '张小伟', 202405, 60, 0)");
    demo.Say("张伟 (E001) is paid for 2024-05: 8200 net, 6000 of it through two bank accounts.");
    demo.Save(kVoucher,
              Voucher(Head("XZ001", "E001", 202405, 6000), SplitOfXZ001()),
              true, "XZ001 E001 2024-05, bank 4000 + 2000");
    ShowVoucher(demo, "XZ001");
    demo.Say("The first save leaves the insured persons of the month as they are; correcting the voucher's "
             "insurance amounts carries them into 张伟's own row.");
    ShowFamily(demo, "E001", 202405);
    demo.Save(kVoucher, Voucher({{"BillNo", "XZ001"}, {"HealthTax", 210}, {"LaborTax", 102.5}}, SplitOfXZ001()), true,
              "XZ001 health 210, labour 102.5");
    ShowFamily(demo, "E001", 202405);
    demo.Say("罗刚 (E020) left in 2023-06: a voucher for 2024-05 is refused.");
    demo.Save(kVoucher, Voucher(Head("XZ009", "E020", 202405, 0)), false, "XZ009 E020 2024-05");
}

void SecondVoucherRefused(DemoContext& demo) {
    demo.Say("One voucher per person and month: a second one for 张伟 in 2024-05 is refused, naming him.");
    demo.Save(kVoucher, Voucher(Head("XZ002", "E001", 202405, 0)), false, "XZ002 E001 2024-05");
    demo.Say("A voucher of 王芳 (E002) for 2024-05 is fine, but moving it to 张伟 is refused too.");
    demo.Save(kVoucher, Voucher(Head("XZ003", "E002", 202405, 0)), true, "XZ003 E002 2024-05");
    demo.Save(kVoucher, Voucher({{"BillNo", "XZ003"}, {"PersonID", "E001"}}), false, "XZ003 moved to E001");
    demo.Say("Changing only the memo checks nothing of the kind.");
    demo.Save(kVoucher, Voucher({{"BillNo", "XZ003"}, {"Memo", "五月工资"}}), true, "XZ003 memo");
}

void BankSplitMustAddUp(DemoContext& demo) {
    demo.Say("李娜 (E003) is to get 5000 through banks, but her accounts receive 3000 + 1999.9999.");
    demo.Save(kVoucher,
              Voucher(Head("XZ004", "E003", 202405, 5000),
                      Json::array({Bank(1, "ICBC", "6222020200100000003", 3000),
                                   Bank(2, "CCB", "6217000010000000003", 1999.9999)})),
              false, "XZ004 E003 bank 5000 split 4999.9999");
    demo.Save(kVoucher,
              Voucher(Head("XZ004", "E003", 202405, 5000),
                      Json::array({Bank(1, "ICBC", "6222020200100000003", 3000),
                                   Bank(2, "CCB", "6217000010000000003", 2000)})),
              true, "XZ004 E003 bank 5000 split 3000 + 2000");
}

void PaidMarking(DemoContext& demo) {
    demo.Say("The cashier pays 张伟's voucher: cash and bank parts both paid out.");
    demo.Proc(kVoucher, 0, Variant(VariantArray{"XZ001", "", 0, true, true}), Variant(), "XZ001 paid");
    ShowVoucher(demo, "XZ001");
    demo.Say("A voucher with a paid mark is still the payment side's alone: a save keeps the marks.");
    demo.Save(kVoucher, Voucher({{"BillNo", "XZ001"}, {"CashPaid", false}, {"Memo", "已发放"}}, SplitOfXZ001()), true,
              "XZ001 memo, CashPaid cleared by the client");
    ShowVoucher(demo, "XZ001");
    demo.Say("A number that finds no voucher is refused rather than marked.");
    demo.Proc(kVoucher, 0, Variant(VariantArray{"XZ999", "", 0, true, false}), Variant(), "XZ999 paid");
}

}  // namespace

std::vector<DemoScene> MonthSalaryDemo() {
    return {
        {"Salary vouchers: a voucher saved", VoucherSaved},
        {"Salary vouchers: one per person and month", SecondVoucherRefused},
        {"Salary vouchers: the bank split must add up", BankSplitMustAddUp},
        {"Salary vouchers: payment marking", PaidMarking},
    };
}

}  // namespace humrs
