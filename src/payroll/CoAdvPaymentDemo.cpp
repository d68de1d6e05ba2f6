// Demo scenes of the advance payment bill: a period advance split over cash and two
// banks, a percentage advance capped by the salary due, paying the rows one by one,
// and deleting only each person's last period.
#include "payroll/CoAdvPayment.h"

namespace humrs {

namespace {

constexpr const char* kAdvPayment = "QVXHumrs.AdvPayment";

// The salary banks and the accounts the scenes pay into.
void OpenAdvanceAccounts(DemoContext& demo) {
    for (const auto& [bank, name] : {std::pair{"ICBC", "工商银行"}, std::pair{"CCB", "建设银行"}})
        if (!demo.Db().QueryFirst("Select BankID From comBank Where BankID = ?", {Variant(bank)}))
            demo.Db().Execute("Insert Into comBank (BankID, BankName) Values (?, ?)", {Variant(bank), Variant(name)});
    if (demo.Db().QueryFirst("Select ID From humPersonSetAccount Where Flag = 1 And ID = 'E014'")) return;
    demo.Db().Execute(
        "Insert Into humPersonSetAccount (Flag, ID, RowNo, PayBankID, PayAccount, AccountName) "
        "Values (1, 'E014', 1, 'ICBC', '6222020200177001122', '朱琳'), "
        "(1, 'E014', 2, 'CCB', '6217000010033004455', '朱琳')");
}

// A period advance of June 2024: the header, the persons' rows and the bank split.
Json PeriodBill(const std::string& billNo, int period, int endDate, Json rows, Json banks = Json::array()) {
    return Json{{"datasets", Json::array({Json::array({{{"BillNo", billNo},
                                                         {"SalaryYearMonth", 202406},
                                                         {"PayDay", endDate},
                                                         {"EndDate", endDate},
                                                         {"PeriodCount", period},
                                                         {"CaclByPercent", false}}}),
                                          std::move(rows), nullptr, std::move(banks)})}};
}

Json CashRow(int rowNo, const std::string& person, double amount) {
    return {{"RowNo", rowNo}, {"PersonID", person}, {"RealSalary", amount}, {"SalaryType", 1}, {"SalaryStatus", 1}};
}

void ShowAdvance(DemoContext& demo, const std::string& billNo) {
    demo.Show("header", "Select BillNo, SalaryYearMonth, PeriodCount, EndDate, CaclByPercent, PIsTran "
                        "From humAdvPayMain Where BillNo = ?",
              {Variant(billNo)});
    demo.Show("rows", "Select RowNo, PersonID, RealSalary, SalaryType, PSalaryBank, PAccountNumber, BankAmount, "
                      "PeriodCount, CashPaid, BankPaid From humAdvPaySub Where BillNo = ? Order By RowNo",
              {Variant(billNo)});
}

void PeriodAdvanceWithBankSplit(DemoContext& demo) {
    OpenAdvanceAccounts(demo);
    demo.Say("The first advance of June 2024: 郭佳 (E016) takes 1500 in cash; 朱琳 (E014) takes 3000, "
             "1000 in cash and 2000 into her accounts, 1200 at ICBC and 800 at CCB.");
    Json rows = Json::array({CashRow(1, "E016", 1500),
                             {{"RowNo", 2},
                              {"PersonID", "E014"},
                              {"RealSalary", 3000},
                              {"SalaryType", 2},
                              {"PSalaryBank", "ICBC"},
                              {"BankAmount", 2000},
                              {"SalaryStatus", 1}}});
    Json banks = Json::array({{{"ParentRowNO", 2}, {"RowNo", 1}, {"PayBankID", "ICBC"}, {"BankMoneny", 1200}},
                              {{"ParentRowNO", 2}, {"RowNo", 2}, {"PayBankID", "CCB"}, {"BankMoneny", 800}}});
    demo.Save(kAdvPayment, PeriodBill("YF001", 1, 20240615, rows, banks), true, "YF001 period 1 of 2024-06");
    ShowAdvance(demo, "YF001");
    demo.Say("The same split entered as 1200 and 700 does not add up to the 2000 for the banks: refused.");
    banks[1]["BankMoneny"] = 700;
    demo.Save(kAdvPayment, PeriodBill("YF002", 1, 20240615, rows, banks), false, "YF002 with a split of 1900");
    demo.Say("A later bill of period 1 for 何平 (E017) moves the period's end to 06-14, on YF001 as well.");
    demo.Save(kAdvPayment, PeriodBill("YF003", 1, 20240614, Json::array({CashRow(1, "E017", 800)})), true,
              "YF003 period 1 ending 06-14");
    demo.Show("period 1 of 2024-06", "Select BillNo, PeriodCount, EndDate From humAdvPayMain Where "
                                     "SalaryYearMonth = 202406 And PeriodCount = 1 Order By BillNo");
}

void PercentageAdvanceCapped(DemoContext& demo) {
    for (const char* person : {"E012", "E013"})
        if (!demo.Db().QueryFirst("Select ID From humPersonSetMain Where Flag = 1 And ID = ?", {Variant(person)}))
            demo.Db().Execute("Insert Into humPersonSetMain (Flag, ID, BaseSalary) Values (1, ?, 6000)",
                              {Variant(person)});
    demo.Say("孙丽 (E012) and 马超 (E013) earn 6000 a month. A 50% advance pays each of them 3000.");
    auto bill = [](const std::string& billNo, double e012, double e013) {
        return Json{{"datasets",
                     Json::array({Json::array({{{"BillNo", billNo},
                                                {"SalaryYearMonth", 202406},
                                                {"PayDay", 20240616},
                                                {"EndDate", 20240616},
                                                {"CaclByPercent", true},
                                                {"PayRate", 50}}}),
                                  Json::array({CashRow(1, "E012", e012), CashRow(2, "E013", e013)})})}};
    };
    demo.Save(kAdvPayment, bill("YF010", 3000, 3000), true, "YF010 50% of June");
    demo.Say("A second advance of the month may take only what is left of the salary due: 3000.01 for 孙丽 is "
             "one cent too much.");
    demo.Save(kAdvPayment, bill("YF011", 3000.01, 1000), false, "YF011 E012 3000.01, E013 1000");
    demo.Save(kAdvPayment, bill("YF011", 3000, 1000), true, "YF011 E012 3000, E013 1000");
    ShowAdvance(demo, "YF011");
}

void PayingRowByRow(DemoContext& demo) {
    demo.Say("The cashier pays YF001 out. 郭佳's cash first: the bill is not paid out yet.");
    demo.Proc(kAdvPayment, 1, Variant(VariantArray{"YF001", "E016", 1, true, false}), Variant(), "YF001 row 1 cash");
    demo.Say("Then 朱琳's cash part: her row is split, so it waits for the bank part too.");
    demo.Proc(kAdvPayment, 1, Variant(VariantArray{"YF001", "E014", 2, true, false}), Variant(), "YF001 row 2 cash");
    ShowAdvance(demo, "YF001");
    demo.Say("The bank transfer goes through: every row is paid and the bill is marked paid out.");
    demo.Proc(kAdvPayment, 1, Variant(VariantArray{"YF001", "E014", 2, true, true}), Variant(), "YF001 row 2 bank");
    ShowAdvance(demo, "YF001");
    demo.Say("A paid bill cannot be deleted.");
    demo.Delete(kAdvPayment, "YF001", false, "YF001");
}

void DeletingOnlyTheLastPeriod(DemoContext& demo) {
    demo.Say("何平 (E017) also has a second period in June. His first period cannot go while the second stands.");
    demo.Save(kAdvPayment, PeriodBill("YF004", 2, 20240630, Json::array({CashRow(1, "E017", 900)})), true,
              "YF004 period 2 of 2024-06");
    demo.Delete(kAdvPayment, "YF003", false, "YF003 (period 1)");
    demo.Delete(kAdvPayment, "YF004", true, "YF004 (period 2)");
    demo.Delete(kAdvPayment, "YF003", true, "YF003 (period 1), now the last");
    demo.Say("The ranges a payment run starts from: departments, and the persons on the job on the 16th.");
    demo.Proc(kAdvPayment, 0, Variant(), Variant(), "selection ranges");
}

}  // namespace

std::vector<DemoScene> AdvPaymentDemo() {
    return {
        {"Advance payments: a period advance with a bank split", PeriodAdvanceWithBankSplit},
        {"Advance payments: a percentage advance capped by the salary due", PercentageAdvanceCapped},
        {"Advance payments: paying row by row", PayingRowByRow},
        {"Advance payments: only each person's last period may be deleted", DeletingOnlyTheLastPeriod},
    };
}

}  // namespace humrs
