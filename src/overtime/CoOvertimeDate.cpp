#include "overtime/CoOvertimeDate.h"

namespace humrs {

const ClassDescriptor& OvertimeDateClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TOvertimeDate";
        d.coclass = "OvertimeDate";
        d.progId = "QVXHumrs.OvertimeDate";
        d.clsid = "{5D1D1158-396C-4FCE-8B56-A7AF6B6B2D73}";
        d.interfaceName = "IOvertimeDate";
        d.iid = "{AB1A9FE5-9022-416B-A581-DAA0622C5A59}";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("humOverTimeDateMain"), BodyDataset("humOverTime", 3)};
        d.tables.push_back({"humOverTimeDateMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        return d;
    }();
    return d;
}

}  // namespace humrs
