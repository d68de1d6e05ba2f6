#include "payroll/CoAdvPayment.h"

namespace humrs {

const ClassDescriptor& AdvPaymentClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TAdvPayment";
        d.coclass = "AdvPayment";
        d.progId = "QVXHumrs.AdvPayment";
        d.clsid = "{DEB7060E-793B-40F5-8E70-DC9D336B3B93}";
        d.interfaceName = "IAdvPayment";
        d.iid = "{A9841475-6E35-4DAC-9E76-F0AABE62B9FD}";
        d.description = "AdvPayment Object";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("humAdvPayMain"), BodyDataset("humAdvPaySub"),
                      UnderRowDataset("humSalaryMain", "ParentRowNO", 2, 1), UnderRowDataset("humSalaryBank", "ParentRowNO", 2, 1)};
        d.tables.push_back({"humAdvPayMain",
                     {{"BillNo", kText},
                      {"BillDate", kInt},
                      {"SalaryYearMonth", kInt},
                      {"PayDay", kInt},
                      {"EndDate", kInt},
                      {"PeriodCount", kInt},
                      {"CaclByPercent", kBool},
                      {"PayRate", kMoney},
                      {"PIsTran", kBool},
                      {"Memo", kText}},
                     {"BillNo"}});
        d.tables.push_back({"humAdvPaySub",
                     {{"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"RealSalary", kFloat},
                      {"SalaryType", kInt},  // 1 cash, 0 bank, 2 both
                      {"PSalaryBank", kText},
                      {"PAccountNumber", kText},
                      {"BankAmount", kMoney},
                      {"SalaryStatus", kInt},
                      {"CashRate", kFloat},
                      {"CashPaid", kBool},
                      {"BankPaid", kBool},
                      {"SalaryYearMonth", kInt},
                      {"PayDay", kInt},
                      {"PeriodCount", kInt},
                      {"CaclByPercent", kBool}},
                     {"BillNo", "RowNo"}});
        d.indexes.push_back(Index("humAdvPayMain", {"SalaryYearMonth", "PeriodCount"}));
        d.indexes.push_back(Index("humAdvPaySub", {"PersonID", "SalaryYearMonth"}));
        return d;
    }();
    return d;
}

}  // namespace humrs
