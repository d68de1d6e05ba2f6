#include "payroll/CoHourSalary.h"

namespace humrs {

const ClassDescriptor& HourSalaryClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "THourSalary";
        d.coclass = "HourSalary";
        d.progId = "QVXHumrs.HourSalary";
        d.clsid = "{698BF78B-873C-4A12-91AE-D17CD13CF2E1}";
        d.interfaceName = "IHourSalary";
        d.iid = "{5AEC89D5-A583-4537-B1C7-651831ED4805}";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("HumHourSalaryMain", 1), BodyDataset("HumHourSalarySub", 1)};
        d.tables.push_back({"HumHourSalaryMain",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"BillDate", kInt},
                      {"CondBPersonID", kText},
                      {"CondEPersonID", kText},
                      {"CondBWorkTime", kText},
                      {"CondEWorkTime", kText},
                      {"CondBRestTime", kText},
                      {"CondERestTime", kText},
                      {"Memo", kText}},
                     {"Flag", "BillNo"}});
        d.tables.push_back({"HumHourSalarySub",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"WorkDate", kInt},
                      {"ClassID", kText},
                      {"BeginTime", kInt},
                      {"EndTime", kInt},
                      {"NormalTimeNum", kFloat},
                      {"NormalPrice", kMoney},
                      {"OverTimeNum", kFloat},
                      {"OverPrice", kMoney},
                      {"OtherAmount", kMoney},
                      {"bTranFrom", kBool}},
                     {"Flag", "BillNo", "RowNo"}});
        d.indexes.push_back(Index("HumHourSalarySub", {"PersonID", "WorkDate"}));
        return d;
    }();
    return d;
}

}  // namespace humrs
