#include "overtime/CoOvertime.h"

namespace humrs {

const ClassDescriptor& OvertimeClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TOvertime";
        d.coclass = "Overtime";
        d.progId = "QVXHumrs.Overtime";
        d.clsid = "{4F7E2C31-D9B3-4811-9005-B1F22E746DCC}";
        d.interfaceName = "IOvertime";
        d.iid = "{E24CED91-0250-4270-BF6A-6016E6C18BD0}";
        d.keyColumn = "BillNo";
        d.datasets = {SingleRowDataset("humOverTime", 1)};
        // Flag 1 by person (RowNo 0), 3 by date.
        d.tables.push_back({"humOverTime",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"BillDate", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"OverTimeDate", kInt},
                      {"OverTimeClass", kText},
                      {"BeginTime", kInt},
                      {"EndTime", kInt},
                      {"FieldACount", kMoney},
                      {"FieldBCount", kMoney},
                      {"FieldCCount", kMoney},
                      {"HolidayCount", kMoney},
                      {"TotalCount", kMoney},
                      {"RedeemType", kInt},
                      {"UseableRedeemCount", kMoney},
                      {"NotIntoOverTimeValue", kMoney},
                      {"Memo", kText}},
                     {"Flag", "BillNo", "RowNo"}});
        d.indexes.push_back(Index("humOverTime", {"PersonID", "OverTimeDate"}));
        d.indexes.push_back(Index("humOverTime", {"BillNo", "RowNo"}));
        d.indexes.push_back(Index("humOverTime", {"OverTimeDate"}));
        return d;
    }();
    return d;
}

}  // namespace humrs
