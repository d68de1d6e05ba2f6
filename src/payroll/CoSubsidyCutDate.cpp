#include "payroll/CoSubsidyCutDate.h"

namespace humrs {

const ClassDescriptor& SubsidyCutDateClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TSubsidyCutDate";
        d.coclass = "SubsidyCutDate";
        d.progId = "QVXHumrs.SubsidyCutDate";
        d.clsid = "{7ED35F9A-293D-47ED-B505-A74B60D2256C}";
        d.interfaceName = "ISubsidyCutDate";
        d.iid = "{4627433D-9791-4DD4-9ADD-1C4AF5A7E01F}";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("OstrelHeader", 4), BodyDataset("HumSubsidyCut", 4)};
        d.tables.push_back({"OstrelHeader",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"BillDate", kInt},
                      {"SalaryItem", kText},
                      {"PIsTran", kBool},
                      {"PVoucherNO", kText},
                      {"Memo", kText}},
                     {"Flag", "BillNo"}});
        return d;
    }();
    return d;
}

}  // namespace humrs
