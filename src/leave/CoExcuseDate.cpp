#include "leave/CoExcuseDate.h"

#include <algorithm>

#include "core/Convert.h"
#include "core/Format.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "leave/CoExcuse.h"
#include "leave/ExcuseDateMessages.h"
#include "leave/LeaveMessages.h"
#include "suite/Attendance.h"
#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {

// The bill kind of the by-date rows in humExcuse.
constexpr int kByDateFlag = 2;

}  // namespace

// ------------------------------------------------------------------ save

void TExcuseDate::BeforeUpdate() {
    Dataset& head = GetDatasets(0);
    Dataset& rows = GetDatasets(1);
    head.First();
    const std::string billNo = CStr(head["BillNo"]);
    const std::string headerBillNo = StoredOrCurrent(head, "BillNO");

    // While a changed bill is posted, its compensatory-leave rows count with the
    // quantities they had before the save; each changed row is released as it is
    // posted. This runs under every login type.
    frozen_ = ChangesStoredRows();
    if (frozen_) FreezeCompensatory(billNo, true);

    // New rows are numbered on after the highest running number of the bill.
    int64_t highestSerNo = 0;
    for (rows.First(); !rows.Eof(); rows.Next()) highestSerNo = std::max(highestSerNo, CInt(rows["SerNo"]));

    const bool checkRules = !SkipsBusinessChecks();
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (rows.RowStatus() == UpdateStatus::Inserted) {
            // A new row takes the header's date and number.
            rows.Edit();
            rows.SetFieldValue("ExcuseDate", head["BillDate"]);
            rows.SetFieldValue("BillNo", head["BillNo"]);
            if (CInt(rows["SerNo"]) <= 0) rows.SetFieldValue("SerNo", ++highestSerNo);
            rows.Post();
        }
        CheckRowIntegrity(rows, !checkRules);
        if (checkRules) CheckRow(rows, headerBillNo);
    }
    rows.First();
    CheckCancelledRows();
}

bool TExcuseDate::ChangesStoredRows() {
    Dataset& rows = GetDatasets(1);
    bool changed = false;
    for (rows.First(); !rows.Eof() && !changed; rows.Next()) changed = rows.RowStatus() == UpdateStatus::Modified;
    rows.First();
    return changed;
}

void TExcuseDate::FreezeCompensatory(const std::string& billNo, bool freeze) {
    GetDBConn().DBExecSQL(std::string("Update humExcuse Set RedeemOldExcuseCount = ") +
                          (freeze ? "ExcuseCount - CutExcuseCount" : "0") +
                          " From humExcuseCls A Where humExcuse.Flag = 2 And humExcuse.BillNo = " + QuoteStr(billNo) +
                          " And humExcuse.ExcuseClsID = A.ExcuseClsID And A.ExcuseCls=" +
                          CodeText(LeaveKind::Compensatory));
}

void TExcuseDate::CheckRowIntegrity(Dataset& rows, bool imported) {
    // Dates and times that exist, the marks of other bills left alone, a person, an
    // end not before the begin, and a quantity of leave not below zero.
    RequireDateOrZero(CInt(rows["BeginDate"]), "BeginDate");
    RequireDateOrZero(CInt(rows["EndDate"]), "EndDate");
    RequireTimeOrUnset(CInt(rows["BeginTime"]), "BeginTime");
    RequireTimeOrUnset(CInt(rows["EndTime"]), "EndTime");
    SettleCancellationMarks(*this, 1, rows, imported);
    // The frozen compensatory quantity belongs to this bill's posting: a stored row
    // keeps what is stored, a new row starts without one.
    const Variant frozen =
        rows.RowStatus() != UpdateStatus::Inserted ? rows.OldValue("RedeemOldExcuseCount") : Variant(0.0);
    if (!rows["RedeemOldExcuseCount"].SameValue(frozen)) rows.SetFieldValue("RedeemOldExcuseCount", frozen);
    rows.Post();
    if (Trim(CStr(rows["PersonID"])).empty()) MakeException(msg::kLeavePersonEmpty, {}, AtRow(1, rows, "PersonID"));
    if (CInt(rows["EndDate"]) < CInt(rows["BeginDate"]))
        MakeException(msg::kByDateEndDateBeforeBegin, {}, AtRow(1, rows, "EndDate"));
    if (CFloat(rows["ExcuseCount"]) < 0) MakeException(msg::kByDateCountNegative, {}, AtRow(1, rows, "ExcuseCount"));
}

void TExcuseDate::CheckRow(Dataset& rows, const std::string& headerBillNo) {
    const std::string person = CStr(rows["PersonID"]);
    const std::string category = CStr(rows["ExcuseClsID"]);
    const int beginDate = CInt(rows["BeginDate"]), beginTime = CInt(rows["BeginTime"]);
    const int endDate = CInt(rows["EndDate"]), endTime = CInt(rows["EndTime"]);
    const double count = CFloat(rows["ExcuseCount"]);

    if (beginTime < 0 || endTime < 0)
        MakeException(msg::kByDateTimeNotEntered, {}, AtRow(1, rows, beginTime < 0 ? "BeginTime" : "EndTime"));
    if (count == 0) MakeException(msg::kByDateCountZero, {}, AtRow(1, rows, "ExcuseCount"));
    if (Trim(category).empty()) MakeException(msg::kByDateCategoryEmpty, {}, AtRow(1, rows, "ExcuseClsID"));
    if (endDate < beginDate) MakeException(msg::kByDateEndDateBeforeBegin, {}, AtRow(1, rows, "EndDate"));
    if (beginDate == endDate && endTime < beginTime)
        MakeException(msg::kEndTimeBeforeBegin, {}, AtRow(1, rows, "EndTime"));

    // Other leave of the person stored by other bills.
    const std::string ownBill =
        rows.RowStatus() == UpdateStatus::Inserted ? CStr(rows["BillNo"]) : CStr(rows.OldValue("BillNo"));
    const suite::DaySpan span{beginDate, beginTime, endDate, endTime};
    PointedAt(
        AtRow(1, rows, "BeginDate"),
        [&] {
            suite::CheckLeaveConflict(*this, ownBill, person, span, kByDateFlag);
            // The person's other rows of this bill.
            CheckRowsOfBill(rows);
        },
        LeaveCheckFields());
    PointedAt(
        AtRow(1, rows, "ExcuseCount"),
        [&] { suite::CheckLeaveQuota(*this, person, headerBillNo, category, span, kByDateFlag, count); },
        LeaveCheckFields());
    PointedAt(AtRow(1, rows, "PersonID"),
              [&] { suite::CheckPersonOnJob(*this, Variant(person), beginDate, endDate, 0, 0, true); });

    const int kind = CInt(DBSelectValue(prog_id::kExcuseCls, 0, "ExcuseCls", rows["ExcuseClsID"]));
    if (kind == Code(LeaveKind::Lateness)) {
        const int allowance = suite::LateAllowance(*this, person, beginDate, beginTime);
        if (allowance != 0 && DistOfTime(beginDate, beginTime, endDate, endTime, TTimeType::Minute) > allowance)
            AddMessage(FormatMessage(msg::kByDateLateOverAllowance, {Variant(person)}), 1, 0);
    }
}

void TExcuseDate::CheckRowsOfBill(Dataset& rows) {
    Dataset others = Dataset::CreateFrom(rows);
    if (others.Locate("BillNo; RowNo", {Variant(CStr(rows["BillNo"])), Variant(CStr(rows["RowNo"]))}))
        others.Delete();
    const std::string person = CStr(rows["PersonID"]);
    for (others.First(); !others.Eof();) {
        if (SameText(CStr(others["PersonID"]), person))
            others.Next();
        else
            others.Delete();
    }
    if (others.IsEmpty()) return;
    suite::CheckConflictRows(*this, Variant(others.Data()), rows);
}

void TExcuseDate::CheckCancelledRows() {
    DeltaDataset changes(GetDeltaDatasets(1));
    Dataset& rows = GetDatasets(1);
    for (changes.First(); !changes.Eof(); changes.Next()) {
        if (changes.Status() == UpdateStatus::Modified && CBool(changes.RealFieldValue("IfCutExcuse"))) {
            // The changed row, found among the bill's rows by its row number.
            const RefusalAt at = rows.Locate("RowNo", {changes.RealFieldValue("RowNo")}) ? AtRow(1, rows)
                                                                                         : AtDataset(1);
            MakeException(msg::kByDateRowHasCancellationEdit,
                          {Variant(static_cast<int>(CInt(changes.RealFieldValue("SerNo"))))}, at);
        }
        // A deleted row is no longer among the rows the client sent: the refusal
        // concerns the bill's rows as a whole.
        if (changes.Status() == UpdateStatus::Deleted && CBool(changes.OldValue("IfCutExcuse")))
            MakeException(msg::kLeaveHasCancellationDelete, {}, AtDataset(1));
    }
}

void TExcuseDate::AfterUpdate() {
    const Variant changes = GetDeltaDatasets(1);
    suite::PostRedeemChanges(*this, changes, RedeemSource::LeaveByDate, false);
    if (frozen_) {
        Dataset& head = GetDatasets(0);
        head.First();
        const std::string billNo = CStr(head["BillNo"]);
        FreezeCompensatory(billNo, false);
        // A row moved to a category that is not compensatory leave is no longer
        // released above: nothing frozen may stay behind on it.
        GetDBConn().DBExecSQL("Update humExcuse Set RedeemOldExcuseCount = 0 Where Flag = 2 And BillNo = " +
                              QuoteStr(billNo) + " And RedeemOldExcuseCount <> 0");
        frozen_ = false;
    }
    ResetDetail(Db(), 0, changes, false, false);
}

// ------------------------------------------------------------------ delete

void TExcuseDate::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    Dataset& rows = GetDatasets(1);
    for (rows.First(); !rows.Eof(); rows.Next())
        if (CBool(rows["IfCutExcuse"])) MakeException(msg::kLeaveHasCancellationDelete);
    rows.First();
}

void TExcuseDate::AfterDelete() {
    GetDatasets(1).DeleteDataset();
    const Variant changes = GetDeltaDatasets(1);
    suite::PostRedeemChanges(*this, changes, RedeemSource::LeaveByDate, true);
    ResetDetail(Db(), 0, changes, false, true);
}

// ------------------------------------------------------------------ field check

void TExcuseDate::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    if (!names.empty() && SameText(CStr(names[0]), "PersonID")) {
        const int64_t givenBegin = CInt(Item(values, 1)), givenEnd = CInt(Item(values, 2));
        RequireDateOrZero(givenBegin, "BeginDate");
        RequireDateOrZero(givenEnd, "EndDate");
        int beginDate = static_cast<int>(givenBegin), endDate = static_cast<int>(givenEnd);
        // A row without dates yet: the person is judged on today's date.
        if (beginDate == 0 && endDate == 0)
            beginDate = endDate = GetServerDate();
        else if (beginDate == 0)
            beginDate = endDate;
        else if (endDate == 0)
            endDate = beginDate;
        suite::CheckPersonOnJob(*this, Item(values, 0), beginDate, endDate, 0, 1, false);
    }
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

// ------------------------------------------------------------------ the class

const ClassDescriptor& ExcuseDateClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TExcuseDate";
        d.coclass = "ExcuseDate";
        d.progId = "QVXHumrs.ExcuseDate";
        d.role = roles::kAttendance;
        d.clsid = "{6E3E6E84-FE99-4C19-8B08-AD9485B3A564}";
        d.interfaceName = "IExcuseDate";
        d.iid = "{821B8956-07E1-4A71-B70B-40BEEB02C336}";
        d.keyColumn = "BillNo";
        d.title = "按日期请假单";
        d.labels = WithSharedLabels({});
        d.findDate = "BillDate";
        d.findPersonDataset = 1;
        d.findPerson = "PersonID";
        d.personColumn = "PersonID";
        // The rows carry their category's kind for the posting and its name for the
        // message that names a conflicting row of the same bill.
        DatasetMap rows = WithLeaveKind(BodyDataset("humExcuse", 2));
        rows.lookups.push_back({"ExcuseClsName", "humExcuseCls", "ExcuseClsID", "ExcuseClsID"});
        d.datasets = {HeaderDataset("humExcuseDateMain"), rows};
        d.tables.push_back({"humExcuseDateMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        d.create = [] { return std::make_unique<TExcuseDate>(); };
        d.demo = ExcuseDateDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
