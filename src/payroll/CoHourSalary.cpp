#include "payroll/CoHourSalary.h"

#include <ctime>

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "payroll/HourSalaryMessages.h"
#include "suite/Attendance.h"
#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"
#include "utils/DateUtils.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {

constexpr const char* kHourSalary = "QVXHumrs.HourSalary";

// A date a caller gives: a calendar day or 0, else bad input naming the field.
int DateValue(const Variant& v, const std::string& field) {
    const int64_t value = CInt(v);
    RequireDateOrZero(value, field);
    return static_cast<int>(value);
}

// The time of day now as four digits, "0930".
std::string TimeOfDayText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FormatNumLen(local.tm_hour * 100 + local.tm_min, 4);
}

// The attendance record a taken-over row is named by: "1:" + bill + "#" + row.
std::string AttendanceDetail(const std::string& billNo, int64_t rowNo) { return "1:" + billNo + "#" + Num(rowNo); }

}  // namespace

// ------------------------------------------------------------------ new bill

void THourSalary::DoAddDefaultRecord() {
    TQVXComBase::DoAddDefaultRecord();
    Dataset& header = GetDatasets(0);
    const int today = GetServerDate();
    const std::string onJob = GetPersonIDOnWork(Db(), today, today, false, false, true, false);
    const Variant range = GetMinMaxValue(prog_id::kPersonSetMain, 0, "PersonID", HourlyPersonsCondition(onJob));
    header.SetFieldValue("CondBPersonID", range[0]);
    header.SetFieldValue("CondEPersonID", range[1]);
    const std::string now = TimeOfDayText();
    for (const char* field : {"CondBWorkTime", "CondEWorkTime", "CondBRestTime", "CondERestTime"})
        header.SetFieldValue(field, Variant(now));
}

std::string THourSalary::HourlyPersonsCondition(const std::string& onJobList) {
    if (Trim(onJobList).empty()) return "1=0";
    return "(PersonID In (" + onJobList + ")) And (SalaryMode = 2)";
}

// ------------------------------------------------------------------ save

void THourSalary::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    Dataset& rows = GetDatasets(1);
    CheckRowIntegrity(rows);
    CheckGetIsOnWork(Db(), rows, "WorkDate", "PersonID", 1);
    CheckTimesAndConflicts(rows);
    ReleaseDroppedAttendance();
    TakeOverAttendance(rows);
}

void THourSalary::CheckRowIntegrity(Dataset& rows) {
    // What guards the stored rows themselves, before any rule: a person, a work date
    // that exists and times of day. Any negative time is one not filled in, which the
    // row checks ask the user for by its line number.
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (Trim(CStr(rows["PersonID"])).empty()) MakeException(msg::kHourPersonEmpty, {}, AtRow(1, rows, "PersonID"));
        RequireDateOrZero(CInt(rows["WorkDate"]), "WorkDate");
        for (const char* field : {"BeginTime", "EndTime"})
            if (const int64_t time = CInt(rows[field]); time >= 0) RequireTimeOrUnset(time, field);
    }
}

void THourSalary::CheckTimesAndConflicts(Dataset& rows) {
    // Each row against the same person's rows of the same day on other hourly wage
    // bills; rows of this bill may overlap each other.
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const Variant serNo(CInt(rows["SerNo"]));
        const int beginTime = static_cast<int>(CInt(rows["BeginTime"]));
        const int endTime = static_cast<int>(CInt(rows["EndTime"]));
        if (beginTime < 0) MakeException(msg::kHourBeginTimeMissing, {serNo}, AtRow(1, rows, "BeginTime"));
        if (endTime < 0) MakeException(msg::kHourEndTimeMissing, {serNo}, AtRow(1, rows, "EndTime"));
        const int workDate = static_cast<int>(CInt(rows["WorkDate"]));
        Dataset others = OpenDataset(kHourSalary, 1, "BillNo,BeginTime,EndTime",
                                     "(PersonID=" + QuoteStr(CStr(rows["PersonID"])) + ") And (" +
                                         "WorkDate=" + Num(workDate) + ") And (" +
                                         "BillNo<>" + QuoteStr(CStr(rows["BillNo"])) + ")");
        for (others.First(); !others.Eof(); others.Next()) {
            if (IsTimeConflict(workDate, beginTime, endTime, static_cast<int>(CInt(others["BeginTime"])),
                               static_cast<int>(CInt(others["EndTime"]))))
                MakeException(msg::kHourConflict,
                              {serNo, others["BillNo"], Variant(CInt(others["BeginTime"])),
                               Variant(CInt(others["EndTime"]))},
                              AtRow(1, rows, "BeginTime"));
        }
    }
}

void THourSalary::ReleaseDroppedAttendance() {
    // A taken-over row that this save removes, or moves to another person or day, or
    // no longer marks as taken over, frees the attendance record it held; otherwise
    // the record would stay taken with no row behind it.
    DeltaDataset d(GetDeltaDatasets(1));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() == UpdateStatus::Inserted || !CBool(d.OldValue("bTranFrom"))) continue;
        const std::string person = CStr(d.OldValue("PersonID"));
        const int workDate = static_cast<int>(CInt(d.OldValue("WorkDate")));
        const bool kept = d.Status() == UpdateStatus::Modified && CBool(d.RealFieldValue("bTranFrom")) &&
                          SameText(CStr(d.RealFieldValue("PersonID")), person) &&
                          CInt(d.RealFieldValue("WorkDate")) == workDate;
        if (!kept) ReleaseAttendance(person, workDate);
    }
}

void THourSalary::TakeOverAttendance(Dataset& rows) {
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (!CBool(rows["bTranFrom"])) continue;
        GetDBConn().DBExecSQL(" Update humChkAttendMain Set HourTransfered = 1, HourDetail = " +
                              QuoteStr(AttendanceDetail(CStr(rows["BillNo"]), CInt(rows["RowNo"]))) +
                              " , HasHourBill = 1" + " Where " + " PersonID = " + QuoteStr(CStr(rows["PersonID"])) +
                              " And CheckDate = " + Num(CInt(rows["WorkDate"])));
    }
}

void THourSalary::ReleaseAttendance(const std::string& person, int workDate) {
    GetDBConn().DBExecSQL(
        " Update humChkAttendMain Set HourTransfered = 0, HourDetail = '', HasHourBill = 0 Where  PersonID = " +
        QuoteStr(person) + " And CheckDate = " + Num(workDate));
}

void THourSalary::AfterUpdate() {
    // The attendance detail follows every changed row, also when the save leaves the
    // bill without rows: the hours of the rows it removed must go from the detail.
    const Variant changes = GetDeltaDatasets(1);
    if (DeltaDataset(changes).RecordCount() > 0) ResetDetail(Db(), kDetailHourWork, changes, false, false);
}

// ------------------------------------------------------------------ delete

void THourSalary::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    Dataset& rows = GetDatasets(1);
    for (rows.First(); !rows.Eof(); rows.Next())
        if (CBool(rows["bTranFrom"])) ReleaseAttendance(CStr(rows["PersonID"]), static_cast<int>(CInt(rows["WorkDate"])));
}

void THourSalary::AfterDelete() {
    GetDatasets(1).DeleteDataset();
    ResetDetail(Db(), kDetailHourWork, GetDeltaDatasets(1), false, true);
}

// ------------------------------------------------------------------ field lookups

void THourSalary::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    const std::string field = CStr(Item(names, 0));
    const std::string first = CStr(Item(values, 0));
    if (datasetIndex == 0 && (SameText(field, "CondBPersonID") || SameText(field, "CondEPersonID"))) {
        // [0] the person, [1] and [2] the span the person must be on the job in.
        if (first.empty()) MakeException(msg::kHourPersonEmpty);
        if (!GetIsOnWork(Db(), first, DateValue(Item(values, 1), "BeginDate"), DateValue(Item(values, 2), "EndDate"),
                         false))
            MakeException(msg::kHourPersonOffJob, {Variant(first)});
    } else if (datasetIndex == 1 && SameText(field, "PersonID")) {
        // [0] the person, [1] the work date.
        if (first.empty()) MakeException(msg::kHourPersonEmpty);
        if (!GetIsOnWork(Db(), first, DateValue(Item(values, 1), "WorkDate")))
            MakeException(msg::kHourPersonOffJob, {Variant(first)});
    } else if (datasetIndex == 1 && SameText(field, "ClassID")) {
        // [1] the row's person, [2] the work date.
        const std::string person = CStr(Item(values, 1));
        if (person.empty()) MakeException(msg::kHourPersonFirst);
        if (!GetIsOnWork(Db(), person, DateValue(Item(values, 2), "WorkDate")))
            MakeException(msg::kHourPersonOffJob, {Variant(person)});
    }
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

void THourSalary::CheckFieldReturn(TOleVariantList& list) { TQVXComBase::CheckFieldReturn(list); }

// ------------------------------------------------------------------ hourly-paid persons

std::string THourSalary::ListHourlyPersons(const std::string& first, const std::string& last, int beginDate,
                                           int endDate, bool quoted) {
    const std::string onJob = GetPersonIDOnWork(Db(), beginDate, endDate, false, false, true, false);
    std::string condition = HourlyPersonsCondition(onJob);
    if (condition != "1=0")
        condition += " And (PersonID Between " + QuoteStr(first) + " And " + QuoteStr(last) + ")";
    Dataset persons = OpenDataset(prog_id::kPersonSetMain, 0, "PersonID", condition);
    TStringArray ids;
    for (persons.First(); !persons.Eof(); persons.Next()) {
        const std::string id = CStr(persons["PersonID"]);
        ids.push_back(quoted ? QuoteStr(id) : id);
    }
    return MergeStrings(ids, ",");
}

// ------------------------------------------------------------------ the class

namespace {

std::vector<ProcedureDef> HourSalaryProcedures() {
    using A = ArgType;
    std::vector<ProcedureDef> p;
    p.push_back({0, "ListHourlyPersons", ArgShape::Array,
                 {{"FirstPersonID", A::Text},
                  {"LastPersonID", A::Text},
                  {"BeginDate", A::Int},
                  {"EndDate", A::Int},
                  {"Quoted", A::Bool, true}},
                 Routine<THourSalary>([](THourSalary& o, const ProcArgs& a) -> Variant {
                     return Variant(o.ListHourlyPersons(a.Text(0), a.Text(1), DateValue(a[2], "BeginDate"),
                                                        DateValue(a[3], "EndDate"), a.Given(4) && a.Bool(4)));
                 })});
    MarkReading(p, {0});
    return p;
}

}  // namespace

const ClassDescriptor& HourSalaryClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "THourSalary";
        d.coclass = "HourSalary";
        d.progId = "QVXHumrs.HourSalary";
        d.role = roles::kPayroll;
        d.clsid = "{698BF78B-873C-4A12-91AE-D17CD13CF2E1}";
        d.interfaceName = "IHourSalary";
        d.iid = "{5AEC89D5-A583-4537-B1C7-651831ED4805}";
        d.keyColumn = "BillNo";
        d.title = "计时工资单";
        d.labels = WithSharedLabels({{"CondBPersonID", "起始人员"},
                                      {"CondEPersonID", "截止人员"},
                                      {"CondBWorkTime", "上班开始时间"},
                                      {"CondEWorkTime", "上班结束时间"},
                                      {"CondBRestTime", "休息开始时间"},
                                      {"CondERestTime", "休息结束时间"},
                                      {"NormalTimeNum", "正常时数"},
                                      {"NormalPrice", "正常单价"},
                                      {"OverTimeNum", "加班时数"},
                                      {"OverPrice", "加班单价"},
                                      {"OtherAmount", "其他金额"},
                                      {"bTranFrom", "考勤转入"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 1;
        d.findPerson = "PersonID";
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
        // A row's amount: NormalTimeNum * NormalPrice + OverTimeNum * OverPrice + OtherAmount.
        // Times left out are not filled in (-1), so a row saved without them is refused
        // rather than read as a span at midnight.
        d.tables.push_back({"HumHourSalarySub",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"WorkDate", kInt},
                      {"ClassID", kText},
                      {"BeginTime", kInt, "-1"},
                      {"EndTime", kInt, "-1"},
                      {"NormalTimeNum", kFloat},
                      {"NormalPrice", kMoney},
                      {"OverTimeNum", kFloat},
                      {"OverPrice", kMoney},
                      {"OtherAmount", kMoney},
                      {"bTranFrom", kBool}},
                     {"Flag", "BillNo", "RowNo"}});
        d.indexes.push_back(Index("HumHourSalarySub", {"PersonID", "WorkDate"}));
        d.create = [] { return std::make_unique<THourSalary>(); };
        d.procedures = HourSalaryProcedures();
        d.demo = HourSalaryDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
