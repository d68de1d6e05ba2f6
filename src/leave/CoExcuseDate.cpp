#include "leave/CoExcuseDate.h"
#include "leave/CoExcuse.h"

namespace humrs {

const ClassDescriptor& ExcuseDateClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TExcuseDate";
        d.coclass = "ExcuseDate";
        d.progId = "QVXHumrs.ExcuseDate";
        d.clsid = "{6E3E6E84-FE99-4C19-8B08-AD9485B3A564}";
        d.interfaceName = "IExcuseDate";
        d.iid = "{821B8956-07E1-4A71-B70B-40BEEB02C336}";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("humExcuseDateMain"), WithLeaveKind(BodyDataset("humExcuse", 2))};
        d.tables.push_back({"humExcuseDateMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        return d;
    }();
    return d;
}

}  // namespace humrs
