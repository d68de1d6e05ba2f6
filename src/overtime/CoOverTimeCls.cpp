#include "overtime/CoOverTimeCls.h"

namespace humrs {

const ClassDescriptor& OvertimeClsClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TOverTimeCls";
        d.coclass = "OvertimeCls";
        d.progId = "QVXHumrs.OvertimeCls";
        d.clsid = "{73CDC484-F5F6-4BC7-9854-F22A4F9D7EC3}";
        d.interfaceName = "IOvertimeCls";
        d.iid = "{B897C3FB-37C5-43F9-B732-D8C1B58A7022}";
        d.keyColumn = "OTClsID";
        d.datasets = {MasterDataset("humOverTimeCls", "OTClsID")};
        d.tables.push_back({"humOverTimeCls",
                     {{"OTClsID", kText}, {"OTClsName", kText}, {"OverMonth", kFloat}, {"OverSalaryID", kText}},
                     {"OTClsID"}});
        return d;
    }();
    return d;
}

}  // namespace humrs
