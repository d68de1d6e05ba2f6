#include "personnel/CoChangeInsurance.h"

namespace humrs {

const ClassDescriptor& ChangeInsuranceClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TChangeInsurance";
        d.coclass = "ChangeInsurance";
        d.progId = "QVXHumrs.ChangeInsurance";
        d.clsid = "{4B350672-B923-4E04-B596-2364858DAF60}";
        d.interfaceName = "IChangeInsurance";
        d.iid = "{4BEBB909-A0AF-49B9-BC38-A0FA5E1891B7}";
        d.description = "ChangeInsurance Object";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("humChangeInsuranceMain"), BodyDataset("humChangeInsurance")};
        d.tables.push_back({"humChangeInsuranceMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        d.tables.push_back({"humChangeInsurance",
                     {{"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"InsurKind", kInt},
                      {"ChangeType", kInt},
                      {"ChangeMoneny", kMoney},
                      {"AdjustDate", kInt},
                      {"AdjustYearMonth", kInt},
                      {"ChangeTimes", kInt},
                      {"EmployerPensionRate", kFloat},
                      {"IsTransfer", kBool}},
                     {"BillNo", "RowNo"}});
        d.tables.push_back({"humHistInsurance",
                     {{"PersonID", kText},
                      {"InsurKind", kInt},
                      {"ChangeType", kInt},
                      {"ChangeMoneny", kMoney},
                      {"AdjustDate", kInt},
                      {"AdjustYearMonth", kInt},
                      {"ChangeTimes", kInt},
                      {"EmployerPensionRate", kFloat}},
                     {"PersonID", "InsurKind", "ChangeTimes"}});
        d.indexes.push_back(Index("humChangeInsurance", {"PersonID", "InsurKind", "ChangeTimes"}));
        return d;
    }();
    return d;
}

}  // namespace humrs
