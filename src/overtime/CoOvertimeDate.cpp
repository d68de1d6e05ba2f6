#include "overtime/CoOvertimeDate.h"

#include <string>

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "overtime/CoOvertime.h"
#include "overtime/OvertimeDateMessages.h"
#include "overtime/OvertimeMessages.h"
#include "suite/Attendance.h"
#include "suite/FieldLabels.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {

// The four amounts of a row at four decimals, segments and holiday hours each
// rounded as the amounts are stored.
Currency SumOfAmounts(const Dataset& rows) {
    const double segments = CFloat(rows["FieldACount"]) + CFloat(rows["FieldBCount"]) + CFloat(rows["FieldCCount"]);
    return Currency::FromDouble(segments) + Currency::FromDouble(CFloat(rows["HolidayCount"]));
}

}  // namespace

// ------------------------------------------------------------------ entry

void TOvertimeDate::AfterChangeData(int) {
    Dataset& rows = GetDatasets(1);
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const double total = CFloat(rows["FieldACount"]) + CFloat(rows["FieldBCount"]) + CFloat(rows["FieldCCount"]) +
                             CFloat(rows["HolidayCount"]);
        rows.SetFieldValue("TotalCount", Variant(total));
        rows.Post();
    }
    rows.First();
}

void TOvertimeDate::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    // A class is looked up for a person, and a person not on the job has no class here.
    CheckOvertimeFieldValues(*this, names, values, true);
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

// ------------------------------------------------------------------ save and delete

void TOvertimeDate::BeforeUpdate() {
    Dataset& header = GetDatasets(0);
    Dataset& rows = GetDatasets(1);
    CheckRowIntegrity(header, rows);
    // Imported bills and the import login are taken as they come: no checks and no
    // leave notices.
    if (SkipsBusinessChecks()) return;
    for (rows.First(); !rows.Eof(); rows.Next()) CheckRow(header, rows);
    for (rows.First(); !rows.Eof(); rows.Next()) NoticeLeaveOverlaps(rows);
    rows.First();
}

void TOvertimeDate::CheckRowIntegrity(Dataset& header, Dataset& rows) {
    // What guards the stored rows themselves, under every login type and before any
    // rule: a bill date that exists, and on every row a person, a date and times.
    header.First();
    RequireDateOrZero(CInt(header["BillDate"]), "BillDate");
    for (rows.First(); !rows.Eof(); rows.Next()) CheckOvertimeRowIntegrity(*this, 1, rows);
}

void TOvertimeDate::CheckRow(Dataset& header, Dataset& rows) {
    // A new row carries the bill's number and date.
    if (rows.RowStatus() == UpdateStatus::Inserted) {
        rows.Edit();
        rows.SetFieldValue("BillDate", header["BillDate"]);
        rows.SetFieldValue("BillNo", header["BillNo"]);
        rows.Post();
    }
    const Currency total = SumOfAmounts(rows);
    if (total != CCurr(rows["TotalCount"]))
        MakeException(msg::kOvertimeDateSegmentsNotTotal, {}, AtRow(1, rows, "TotalCount"));
    if (total <= Currency()) MakeException(msg::kOvertimeDateTotalZero, {}, AtRow(1, rows, "TotalCount"));
    if (Trim(CStr(rows["OverTimeClass"])).empty())
        MakeException(msg::kOvertimeClassEmpty, {}, AtRow(1, rows, "OverTimeClass"));
    const int beginTime = CInt(rows["BeginTime"]), endTime = CInt(rows["EndTime"]);
    if (beginTime < 0 || endTime < 0)
        MakeException(msg::kOvertimeTimesMissing, {}, AtRow(1, rows, beginTime < 0 ? "BeginTime" : "EndTime"));

    const std::string person = CStr(rows["PersonID"]);
    const int date = CInt(rows["OverTimeDate"]);
    // A stored row is compared without the rows of its own bill, found by the number
    // the bill was stored under even when this save changes it.
    const Variant billNo = rows.RowStatus() == UpdateStatus::Inserted ? rows["BillNo"] : rows.OldValue("BillNo");

    // The working hours are those of the class the person's schedule gives for the
    // date, whatever overtime class the row names.
    classNo_ = CStr(GetDBConn().DBSelectSQL("Select JobSch from HumPersonExtend where PersonID =" + QuoteStr(person)));
    classNo_ = GetClassNo(Db(), person, classNo_, date);
    if (GetPersonNeedAttend(Db(), person, date) &&
        suite::IsInClassWorkTime(*this, classNo_, beginTime, endTime))
        MakeException(msg::kOvertimeInClassWorkTime, {}, AtRow(1, rows, "BeginTime"));

    PointedAt(AtRow(1, rows, "BeginTime"), [&] {
        suite::CheckOvertimeConflict(*this, billNo, person, date, beginTime, endTime, 3);
        CheckRowsOfThisBill(rows, person, date, beginTime, endTime);
    });
    if (!GetIsOnWork(Db(), person, date))
        MakeException(msg::kOvertimeDateOffJob, {Variant(person)}, AtRow(1, rows, "PersonID"));
}

void TOvertimeDate::CheckRowsOfThisBill(const Dataset& rows, const std::string& person, int date, int beginTime,
                                        int endTime) {
    Dataset others = Dataset::CreateFrom(rows);
    // The row itself is left out by its place in the bill (the copy keeps the order).
    if (others.MoveTo(rows.RecNo())) others.Delete();
    // The person's other rows (in any letter case), from the day before to the day
    // after: a span past midnight meets the next morning's span, as it does between
    // bills.
    const int dayBefore = AddDay(date, -1), dayAfter = AddDay(date, 1);
    others.SetFilter([&](const Dataset& r) {
        const int rowDate = CInt(r["OverTimeDate"]);
        return SameText(CStr(r["PersonID"]), person) && rowDate >= dayBefore && rowDate <= dayAfter;
    });
    if (others.IsEmpty()) return;
    suite::CheckOvertimeRows(*this, Variant(others.Data()), date, beginTime, endTime, true);
}

void TOvertimeDate::NoticeLeaveOverlaps(const Dataset& rows) {
    const std::string person = CStr(rows["PersonID"]);
    for (const auto& [billNo, leavePerson] : OverlappingLeave(GetDBConn(), person, CInt(rows["OverTimeDate"]),
                                                              CInt(rows["BeginTime"]), CInt(rows["EndTime"])))
        AddMessage(FormatMessage(msg::kOvertimeDateLeaveConflict, {Variant(CInt(rows["SerNo"])), billNo, leavePerson}),
                   1, 0);
}

void TOvertimeDate::BeforeDelete() { TQVXComBase::BeforeDelete(); }

void TOvertimeDate::AfterUpdate() { PostOvertimeChanges(*this, 1, true, false); }

void TOvertimeDate::AfterDelete() {
    GetDatasets(1).DeleteDataset();
    PostOvertimeChanges(*this, 1, true, true);
}

// ------------------------------------------------------------------ the class

const ClassDescriptor& OvertimeDateClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TOvertimeDate";
        d.coclass = "OvertimeDate";
        d.progId = "QVXHumrs.OvertimeDate";
        d.role = roles::kAttendance;
        d.clsid = "{5D1D1158-396C-4FCE-8B56-A7AF6B6B2D73}";
        d.interfaceName = "IOvertimeDate";
        d.iid = "{AB1A9FE5-9022-416B-A581-DAA0622C5A59}";
        d.keyColumn = "BillNo";
        d.title = "按日期加班单";
        d.labels = WithSharedLabels({});
        d.findDate = "BillDate";
        d.findPersonDataset = 1;
        d.findPerson = "PersonID";
        d.personColumn = "PersonID";
        // The rows carry their class's name, which a refusal naming another row of
        // the bill shows.
        DatasetMap rows = BodyDataset("humOverTime", 3);
        rows.lookups.push_back({"ClassName", "humClass", "ClassID", "OverTimeClass"});
        d.datasets = {HeaderDataset("humOverTimeDateMain"), rows};
        d.tables.push_back({"humOverTimeDateMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        d.create = [] { return std::make_unique<TOvertimeDate>(); };
        d.demo = OvertimeDateDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
