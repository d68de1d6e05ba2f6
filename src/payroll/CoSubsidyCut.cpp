#include "payroll/CoSubsidyCut.h"

namespace humrs {

const ClassDescriptor& SubsidyCutClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TSubsidyCut";
        d.coclass = "SubsidyCut";
        d.progId = "QVXHumrs.SubsidyCut";
        d.clsid = "{9FA022A2-E2A8-4F27-B8E9-61FE837DACDD}";
        d.interfaceName = "ISubsidyCut";
        d.iid = "{E85C8694-2700-4B70-9ED4-B59F855C4DBC}";
        d.keyColumn = "BillNo";
        d.datasets = {SingleRowDataset("HumSubsidyCut", 1)};
        // SalaryType 0: paid on its own on SalaryDate by PayType (1 cash, 0 bank, 2 both);
        // otherwise settled in the salary of SalaryMonth.
        d.tables.push_back({"HumSubsidyCut",
                     {
                         {"Flag", kInt},          {"BillNo", kText},         {"RowNo", kInt},
                         {"SerNo", kInt},         {"BillDate", kInt},        {"PersonID", kText},
                         {"SalaryItem", kText},   {"SalaryType", kInt},      {"PayType", kInt},
                         {"PSalaryBank", kText},  {"PAccountNumber", kText}, {"IncomTaxRate", kFloat},
                         {"Amount", kFloat},      {"Price", kMoney},         {"Account", kMoney},
                         {"RealAccount", kMoney}, {"DeductAccount", kMoney}, {"SalaryMonth", kInt},
                         {"SalaryDate", kInt},    {"SalaryStaus", kInt},     {"CashPaid", kBool},
                         {"BankPaid", kBool},     {"PVoucherNO", kText},     {"Memo", kText},
                     },
                     {"Flag", "BillNo", "RowNo"}});
        d.indexes.push_back(Index("HumSubsidyCut", {"PersonID", "SalaryMonth"}));
        d.indexes.push_back(Index("HumSubsidyCut", {"BillNo"}));
        return d;
    }();
    return d;
}

}  // namespace humrs
