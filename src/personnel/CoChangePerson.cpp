#include "personnel/CoChangePerson.h"

namespace humrs {

const ClassDescriptor& ChangePersonClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TChangePerson";
        d.coclass = "ChangePerson";
        d.progId = "QVXHumrs.ChangePerson";
        d.clsid = "{377B0C42-416D-4D37-82BA-E2DC0CD933A6}";
        d.interfaceName = "IChangePerson";
        d.iid = "{CAF6DC61-9492-44ED-B865-356DEE57BADD}";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("humChangePersonMain"), BodyDataset("humChangePerson")};
        d.tables.push_back({"humChangePersonMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        d.tables.push_back({"humChangePerson",
                     {{"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"ChangeTimes", kInt},
                      {"ActiveDate", kInt},
                      {"Type", kInt},   // change requested
                      {"BType", kInt},  // work state before the change
                      {"LeaveMonths", kInt},
                      {"ChangeDepart", kText},
                      {"ChangePosition", kText},
                      {"ChineseTitle", kText},
                      {"EngTitle", kText},
                      {"BChangeDepart", kText},
                      {"BChangePosition", kText},
                      {"BChineseTitle", kText},
                      {"BEngTitle", kText}},
                     {"BillNo", "RowNo"}});
        d.indexes.push_back(Index("humChangePerson", {"PersonID", "ChangeTimes"}));
        return d;
    }();
    return d;
}

}  // namespace humrs
