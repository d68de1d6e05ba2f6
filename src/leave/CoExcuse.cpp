// The leave request by person and the leave service: its class and its tables.
#include "leave/CoExcuse.h"

#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"

namespace humrs {

DatasetMap WithLeaveKind(DatasetMap d) {
    d.lookups.push_back({"ExcuseCls", "humExcuseCls", "ExcuseClsID", "ExcuseClsID"});
    return d;
}

const ClassDescriptor& ExcuseClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TExcuse";
        d.coclass = "Excuse";
        d.progId = prog_id::kExcuse;
        d.role = roles::kAttendance;
        d.clsid = "{B0676538-D7B3-4DE8-9473-B0967D45F03B}";
        d.interfaceName = "IExcuse";
        d.iid = "{BE6A793D-956F-42FA-B628-45FFA92EB6EE}";
        d.keyColumn = "BillNo";
        d.title = "请假单";
        d.labels = WithSharedLabels({});
        d.findDate = "BeginDate";
        d.findPersonDataset = 0;
        d.findPerson = "PersonID";
        d.personColumn = "PersonID";
        d.datasets = {WithLeaveKind(SingleRowDataset("humExcuse", 1))};
        d.tables.push_back({"humSpecials", {{"Longevity", kInt}, {"SpecNumber", kFloat}}, {"Longevity"}});
        // Leave rows of both leave bills: Flag 1 by person (RowNo 0), 2 by date.
        d.tables.push_back({"humExcuse",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"ExcuseClsID", kText},
                      {"BeginDate", kInt},
                      {"BeginTime", kInt},
                      {"EndDate", kInt},
                      {"EndTime", kInt},
                      {"ExcuseCount", kFloat},
                      {"ExcuseUnit", kFloat},
                      {"UnitName", kInt},
                      {"IfCutExcuse", kBool},
                      {"CutExcuseNo", kText},
                      {"CutExcuseCount", kFloat},
                      {"RedeemOldExcuseCount", kFloat},
                      {"ExcuseDate", kInt},
                      {"Memo", kText}},
                     {"Flag", "BillNo", "RowNo"}});
        d.indexes.push_back(Index("humExcuse", {"PersonID", "BeginDate"}));
        // A new leave mostly lies after all of the person's earlier ones: the overlap
        // checks find the few that end on or after its first day here.
        d.indexes.push_back(Index("humExcuse", {"PersonID", "EndDate"}));
        d.indexes.push_back(Index("humExcuse", {"BillNo", "RowNo"}));
        d.indexes.push_back(Index("humExcuse", {"CutExcuseNo"}));
        d.create = [] { return std::make_unique<TExcuse>(); };
        d.demo = ExcuseDemo;
        d.procedures = ExcuseProcedures();
        return d;
    }();
    return d;
}

}  // namespace humrs
