#include "leave/CoCutExcuse.h"

namespace humrs {

const ClassDescriptor& CutExcuseClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TCutExcuse";
        d.coclass = "CutExcuse";
        d.progId = "QVXHumrs.CutExcuse";
        d.clsid = "{828C06B7-80BC-41D0-9B54-C4723D3C6D5E}";
        d.interfaceName = "ICutExcuse";
        d.iid = "{99F47B86-1195-4BB9-A4EC-214E8908DC12}";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("humCutExcuse")};
        d.tables.push_back({"humCutExcuse",
                     {{"BillNo", kText},
                      {"BillDate", kInt},
                      {"PersonID", kText},
                      {"BeginDate", kInt},
                      {"BeginTime", kInt},
                      {"EndDate", kInt},
                      {"EndTime", kInt},
                      {"ExcuseClsID", kText},
                      {"ExcuseUnit", kFloat},
                      {"UnitName", kInt},
                      {"ExcuseCount", kMoney},  // quantity given back, in the leave row's unit
                      {"Memo", kText}},
                     {"BillNo"}});
        return d;
    }();
    return d;
}

}  // namespace humrs
