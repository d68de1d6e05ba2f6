// Where every business object of the component, and every suite object the classes
// open by ProgID, keeps its datasets.
#include "framework/TableMap.h"

#include "core/Text.h"

namespace humrs {

namespace {

using Link = std::vector<std::pair<std::string, std::string>>;

// A master list keyed by one column (categories, classes, persons).
DatasetMap Master(std::string table, std::string key, std::optional<int> flag = std::nullopt) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {key};
    d.flag = flag;
    d.orderBy = std::move(key);
    return d;
}

// A bill that is one row of a shared row table; its RowNo is 0.
DatasetMap SingleRow(std::string table, int flag) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {"BillNo", "RowNo"};
    d.flag = flag;
    d.singleRow = true;
    return d;
}

DatasetMap Header(std::string table, std::optional<int> flag = std::nullopt) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {"BillNo"};
    d.flag = flag;
    return d;
}

// Body rows of a bill, hanging from dataset `parent` by BillNo.
DatasetMap Body(std::string table, std::optional<int> flag = std::nullopt, int parent = 0) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {"BillNo", "RowNo"};
    d.flag = flag;
    d.parent = parent;
    d.link = {{"BillNo", "BillNo"}};
    d.orderBy = "RowNo";
    return d;
}

// Rows under a body row: BillNo of the bill and `parentColumn` = the body row's RowNo.
DatasetMap UnderRow(std::string table, std::string parentColumn, std::optional<int> flag, int parent) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {"BillNo", parentColumn, "RowNo"};
    d.flag = flag;
    d.parent = parent;
    d.link = {{"BillNo", "BillNo"}, {parentColumn, "RowNo"}};
    d.orderBy = parentColumn + ", RowNo";
    return d;
}

// Leave rows carry their category's kind: the compensatory-leave posting reads it
// from the change set of a leave bill.
DatasetMap WithLeaveKind(DatasetMap d) {
    d.lookups.push_back({"ExcuseCls", "humExcuseCls", "ExcuseClsID", "ExcuseClsID"});
    return d;
}

ClassMap Bill(std::string progId, std::vector<DatasetMap> datasets) {
    return ClassMap{std::move(progId), "BillNo", std::move(datasets)};
}

std::vector<ClassMap> BuildClassMaps() {
    std::vector<ClassMap> maps;

    // ---- Leave.
    maps.push_back({"QVXHumrs.ExcuseCls", "ExcuseClsID", {Master("humExcuseCls", "ExcuseClsID")}});
    maps.push_back(Bill("QVXHumrs.Excuse", {WithLeaveKind(SingleRow("humExcuse", 1))}));
    maps.push_back(
        Bill("QVXHumrs.ExcuseDate", {Header("humExcuseDateMain"), WithLeaveKind(Body("humExcuse", 2))}));
    maps.push_back(Bill("QVXHumrs.CutExcuse", {Header("humCutExcuse")}));

    // ---- Overtime.
    maps.push_back(Bill("QVXHumrs.Overtime", {SingleRow("humOverTime", 1)}));
    maps.push_back({"QVXHumrs.OvertimeCls", "OTClsID", {Master("humOverTimeCls", "OTClsID")}});
    maps.push_back(Bill("QVXHumrs.OvertimeDate", {Header("humOverTimeDateMain"), Body("humOverTime", 3)}));
    maps.push_back({"QVXHumrs.HumCheckFactory", "", {}});

    // ---- Payroll documents.
    maps.push_back(Bill("QVXHumrs.SubsidyCut", {SingleRow("HumSubsidyCut", 1)}));
    maps.push_back(Bill("QVXHumrs.SubsidyCutDate", {Header("OstrelHeader", 4), Body("HumSubsidyCut", 4)}));
    // Voucher, its pay items, leave deductions, overtime pay, and the split of the bank
    // part over the person's accounts (ParentRowNO 0, the voucher's row).
    maps.push_back(Bill("QVXHumrs.MonthSalary",
                        {SingleRow("humSalaryMain", 1), Body("humSalarySub", 1), Body("humSalaryExcuse", 1),
                         Body("humSalaryOverTime", 1), UnderRow("humSalaryBank", "ParentRowNO", 1, 0)}));
    // Header, one row per person, the salary rows generated from each person's row,
    // and the bank split of each person's row.
    maps.push_back(Bill("QVXHumrs.AdvPayment", {Header("humAdvPayMain"), Body("humAdvPaySub"),
                                                UnderRow("humSalaryMain", "ParentRowNO", 2, 1),
                                                UnderRow("humSalaryBank", "ParentRowNO", 2, 1)}));
    maps.push_back(
        Bill("QVXHumrs.HourSalary", {Header("HumHourSalaryMain", 1), Body("HumHourSalarySub", 1)}));
    maps.push_back({"QVXHumrs.IncomeTax", "", {}});
    maps.push_back({"QVXHumrs.HumMonthSalaryQuery", "", {}});

    // ---- Personnel records.
    maps.push_back(Bill("QVXHumrs.ChangePerson", {Header("humChangePersonMain"), Body("humChangePerson")}));
    maps.push_back(
        Bill("QVXHumrs.ChangeSalary", {Header("humChangeSalaryMain"), Body("humChangeSalary"),
                                       UnderRow("humChangeSalarySub", "ParentRowNo", std::nullopt, 1)}));
    maps.push_back(
        Bill("QVXHumrs.ChangeInsurance", {Header("humChangeInsuranceMain"), Body("humChangeInsurance")}));

    // ---- Suite objects the classes open by ProgID.
    maps.push_back({"QVXHumrs.ClassCls", "ClassID", {Master("humClass", "ClassID")}});
    // The person's current salary settings; the table exposes ID also as PersonID.
    maps.push_back({"QVXHumrs.PersonSetMain", "ID", {Master("humPersonSetMain", "ID", 1)}});
    maps.push_back({"QvxComm.Person", "PersonID", {Master("comPerson", "PersonID")}});
    maps.push_back({"QvxComm.Department", "DepartID", {Master("comDepartment", "DepartID")}});
    // Reached only through their procedures.
    maps.push_back({"QVXHumrs.Reset", "", {}});
    maps.push_back({"QvxHumrs.ChkAttend", "", {}});
    return maps;
}

}  // namespace

const std::vector<ClassMap>& AllClassMaps() {
    static const std::vector<ClassMap> maps = BuildClassMaps();
    return maps;
}

const ClassMap* FindClassMap(std::string_view progId) {
    for (const ClassMap& map : AllClassMaps())
        if (SameText(map.progId, progId)) return &map;
    return nullptr;
}

}  // namespace humrs
