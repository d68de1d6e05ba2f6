// Demo scenes of the allowance bill by salary item: one bill of an item for the
// production department, and its rows paid out one by one until the bill is paid.
#include "payroll/CoSubsidyCutDate.h"

namespace humrs {

namespace {

constexpr const char* kSubsidyDate = "QVXHumrs.SubsidyCutDate";

// The night-shift allowance item and the salary account the scenes pay into.
void PrepareItemAndAccount(DemoContext& demo) {
    if (!demo.Db().QueryFirst("Select SalaryID From humSalaryItem Where SalaryID = 'N01'"))
        demo.Db().Execute(
            "Insert Into humSalaryItem (SalaryID, SalaryName, Propertiy, CaleType, MonthType) "
            "Values ('N01', '夜班津贴', 0, 0, 0)");
    if (!demo.Db().QueryFirst("Select BankID From comBank Where BankID = 'BOC'"))
        demo.Db().Execute("Insert Into comBank (BankID, BankName) Values ('BOC', '中国银行')");
    if (!demo.Db().QueryFirst("Select ID From humPersonSetAccount Where Flag = 1 And ID = 'E006' And "
                              "PayBankID = 'BOC'"))
        demo.Db().Execute(
            "Insert Into humPersonSetAccount (Flag, ID, RowNo, PayBankID, PayAccount, AccountName) "
            "Values (1, 'E006', 1, 'BOC', '6216610100007788990', '杨磊')");
}

Json NightShiftRow(int rowNo, const std::string& person, int payType, const std::string& bank, double amount,
                   const std::string& item) {
    return {{"RowNo", rowNo},       {"PersonID", person},     {"SalaryType", 0},
            {"PayType", payType},   {"PSalaryBank", bank},    {"Account", amount},
            {"IncomTaxRate", 0.05}, {"SalaryDate", 20240628}, {"SalaryItem", item}};
}

Json NightShiftBill(Json rows) {
    Json header = {
        {"BillNo", "JB001"}, {"BillDate", 20240625}, {"SalaryItem", "N01"}, {"Memo", "生产部六月夜班津贴"}};
    return Json{{"datasets", Json::array({Json::array({std::move(header)}), std::move(rows)})}};
}

void ShowBill(DemoContext& demo) {
    demo.Show("header",
              "Select BillNo, SalaryItem, PIsTran From OstrelHeader Where Flag = 4 And BillNo = 'JB001'");
    demo.Show("rows",
              "Select RowNo, PersonID, SalaryItem, BillDate, PayType, PSalaryBank, PAccountNumber, Account, "
              "CashPaid, "
              "BankPaid From HumSubsidyCut Where Flag = 4 And BillNo = 'JB001' Order By RowNo");
}

void BillForDepartment(DemoContext& demo) {
    PrepareItemAndAccount(demo);
    demo.Say("The production department (D02) grants June's night-shift allowance on one bill of item N01.");
    demo.Proc(kSubsidyDate, 1, Variant(), Variant(), "a new bill number for today");
    demo.Say("A clerk types month 13 for a row settled in salary: the bill is refused as a whole.");
    Json bad = Json::array({NightShiftRow(1, "E007", 1, "", 200, "N01")});
    bad[0]["SalaryType"] = 1;
    bad[0]["SalaryMonth"] = 202413;
    demo.Save(kSubsidyDate, NightShiftBill(std::move(bad)), false, "JB001 E007 in the salary of 2024-13");
    demo.Say(
        "杨磊 (E006) is paid part in cash, part through BOC; 赵敏 (E007) in cash; 黄强 (E008) in cash, "
        "his row typed with another item, which the bill's item replaces.");
    demo.Save(kSubsidyDate,
              NightShiftBill(Json::array({NightShiftRow(1, "E006", 2, "BOC", 300, "N01"),
                                          NightShiftRow(2, "E007", 1, "", 200, "N01"),
                                          NightShiftRow(3, "E008", 1, "", 150, "X99")})),
              true, "JB001 three rows of N01");
    ShowBill(demo);
}

void PayingRows(DemoContext& demo) {
    demo.Say(
        "The cashier pays the cash rows, and the cash part of 杨磊's split row: the bill is not paid out "
        "yet.");
    demo.Proc(kSubsidyDate, 0, Variant(VariantArray{"JB001", "E007", 2, true, false}), Variant(),
              "E007 cash paid");
    demo.Proc(kSubsidyDate, 0, Variant(VariantArray{"JB001", "E008", 3, true, false}), Variant(),
              "E008 cash paid");
    demo.Proc(kSubsidyDate, 0, Variant(VariantArray{"JB001", "E006", 1, true, false}), Variant(),
              "E006 cash part paid");
    ShowBill(demo);
    demo.Say("The bank transfer of 杨磊's part goes through: every row is paid, so is the bill.");
    demo.Proc(kSubsidyDate, 0, Variant(VariantArray{"JB001", "E006", 1, true, true}), Variant(),
              "E006 cash and bank paid");
    ShowBill(demo);
    demo.Say("A row the bill does not have is refused rather than marked.");
    demo.Proc(kSubsidyDate, 0, Variant(VariantArray{"JB001", "E009", 4, true, false}), Variant(),
              "E009 row 4");
}

}  // namespace

std::vector<DemoScene> SubsidyCutDateDemo() {
    return {
        {"Allowances by item: a bill of one item for a department", BillForDepartment},
        {"Allowances by item: paying rows until the bill is paid", PayingRows},
    };
}

}  // namespace humrs
