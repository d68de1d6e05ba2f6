// The leave request by person: what its save and delete check and post.
#include "core/Convert.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "leave/CoExcuse.h"
#include "leave/LeaveMessages.h"
#include "suite/Attendance.h"
#include "suite/ProgIds.h"
#include "utils/DateUtils.h"
#include "utils/TimeUtils.h"

namespace humrs {

std::string StoredOrCurrent(const Dataset& ds, const char* field) {
    Variant old = ds.OldValue(field);
    return old.IsNullOrEmpty() ? CStr(ds.FieldValue(field)) : CStr(old);
}

std::span<const FieldOfMessage> LeaveCheckFields() {
    static const FieldOfMessage fields[] = {
        {msg::kLeavePersonEmpty.id, "PersonID"},       {msg::kEndDateBeforeBegin.id, "EndDate"},
        {msg::kEndTimeBeforeBegin.id, "EndTime"},      {msg::kLeaveCategoryEmpty.id, "ExcuseClsID"},
        {msg::kSpecialLeaveCrossesYear.id, "EndDate"},
    };
    return fields;
}

void TExcuse::BeforeUpdate() {
    Dataset& leave = GetDatasets(0);
    CheckLeaveRowIntegrity(leave);
    if (SkipsBusinessChecks()) return;
    if (CBool(leave["IfCutExcuse"])) MakeException(msg::kLeaveHasCancellationEdit, {}, AtHeader("IfCutExcuse"));
    if (CFloat(leave["ExcuseCount"]) == 0) MakeException(msg::kLeaveCountZero, {}, AtHeader("ExcuseCount"));

    const std::string person = CStr(leave["PersonID"]);
    const CalendarDay beginDate(CInt(leave["BeginDate"])), endDate(CInt(leave["EndDate"]));
    const TimeOfDay beginTime(CInt(leave["BeginTime"])), endTime(CInt(leave["EndTime"]));
    const std::string ownBill =
        leave.RowStatus() == UpdateStatus::Inserted ? CStr(leave["BillNo"]) : CStr(leave.OldValue("BillNo"));
    PointedAt(
        AtHeader("BeginDate"), [&] { CheckLeaveConflict(ownBill, person, beginDate, beginTime, endDate, endTime, 1); },
        LeaveCheckFields());
    PointedAt(
        AtHeader("ExcuseCount"),
        [&] {
            CheckLeaveQuota(person, StoredOrCurrent(leave, "BillNo"), CStr(leave["ExcuseClsID"]), beginDate,
                            beginTime, endDate, endTime, 1, CFloat(leave["ExcuseCount"]));
        },
        LeaveCheckFields());
    PointedAt(AtHeader("PersonID"), [&] { CheckPersonOnJob(person, beginDate, endDate, 0, 0, true); });

    const int kind = CInt(DBSelectValue(prog_id::kExcuseCls, 0, "ExcuseCls", leave["ExcuseClsID"]));
    if (kind == Code(LeaveKind::Lateness)) {
        const int allowance = GetLateAllowance(person, beginDate, beginTime);
        if (allowance != 0 && DistOfTime(beginDate.value, beginTime.value, endDate.value, endTime.value,
                                         TTimeType::Minute) > allowance)
            AddMessage(std::string(msg::kLateOverAllowance.text), 1, 0);
    }
}

void TExcuse::CheckLeaveRowIntegrity(Dataset& leave) {
    // What guards the stored data itself, under every login type and before any rule:
    // dates and times that exist, a cancelled leave left alone, the quantities that
    // belong to the cancellation and to the by-date posting, a person, an end not
    // before the begin, and a quantity of leave that is not below zero.
    RequireDateOrZero(CInt(leave["BeginDate"]), "BeginDate");
    RequireDateOrZero(CInt(leave["EndDate"]), "EndDate");
    RequireTimeOrUnset(CInt(leave["BeginTime"]), "BeginTime");
    RequireTimeOrUnset(CInt(leave["EndTime"]), "EndTime");
    // A cancellation marks the stored row; a client cannot lift the mark by sending
    // false, nor set one by sending true. Only an import brings a cancellation along.
    const bool imported = SkipsBusinessChecks();
    if (CBool(leave.OldValue("IfCutExcuse")) || (!imported && CBool(leave["IfCutExcuse"])))
        MakeException(msg::kLeaveHasCancellationEdit, {}, AtHeader("IfCutExcuse"));
    KeepPostedQuantities(leave, imported);
    if (Trim(CStr(leave["PersonID"])).empty()) MakeException(msg::kLeavePersonEmpty, {}, AtHeader("PersonID"));
    if (CInt(leave["EndDate"]) < CInt(leave["BeginDate"]))
        MakeException(msg::kEndDateBeforeBegin, {}, AtHeader("EndDate"));
    // A negative leave would give hours back to the leave year's caps.
    if (CFloat(leave["ExcuseCount"]) < 0) MakeException(msg::kLeaveCountNegative, {}, AtHeader("ExcuseCount"));
}

void TExcuse::KeepPostedQuantities(Dataset& leave, bool imported) {
    // The cancellation belongs to the cancellation bill and the frozen compensatory
    // quantity to the by-date bill's posting, so neither can be used to slip past a
    // yearly cap or the compensatory-leave balance.
    SettleCancellationMarks(*this, 0, leave, imported);
    if (!leave["RedeemOldExcuseCount"].SameValue(Variant(0.0)))
        leave.SetFieldValue("RedeemOldExcuseCount", 0.0);
    leave.Post();
}

void SettleCancellationMarks(TQVXComBase& bill, int datasetIndex, Dataset& row, bool imported) {
    auto set = [&](const char* field, const Variant& value) {
        if (!row[field].SameValue(value)) row.SetFieldValue(field, value);
    };
    if (!imported) {
        const bool stored = row.RowStatus() != UpdateStatus::Inserted;
        set("IfCutExcuse", stored ? row.OldValue("IfCutExcuse") : Variant(false));
        set("CutExcuseNo", stored ? row.OldValue("CutExcuseNo") : Variant(std::string()));
        set("CutExcuseCount", stored ? row.OldValue("CutExcuseCount") : Variant(0.0));
        return;
    }
    // A leave the source had not cancelled carries no cancelled quantity, which would
    // otherwise be taken off what it counts against the caps.
    if (!CBool(row["IfCutExcuse"])) {
        set("CutExcuseNo", Variant(std::string()));
        set("CutExcuseCount", Variant(0.0));
        return;
    }
    // A mark without its bill's number could never be lifted: the leave could no longer
    // be changed nor deleted, and would count whole.
    if (Trim(CStr(row["CutExcuseNo"])).empty())
        bill.MakeException(msg::kCutNoEmpty, {}, AtRow(datasetIndex, row, "CutExcuseNo"));
    const double cut = CFloat(row["CutExcuseCount"]);
    if (cut < 0 || cut > CFloat(row["ExcuseCount"]))
        bill.MakeException(msg::kCutCountOutOfRange, {}, AtRow(datasetIndex, row, "CutExcuseCount"));
}

void TExcuse::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    if (CBool(GetDatasets(0)["IfCutExcuse"])) MakeException(msg::kLeaveHasCancellationDelete);
}

void TExcuse::AfterUpdate() {
    Variant changes = GetDeltaDatasets(0);
    PostRedeemChanges(changes, RedeemSource::LeaveByPerson, false);
    ResetDetail(Db(), 0, changes, true, false);
}

void TExcuse::AfterDelete() {
    GetDatasets(0).DeleteDataset();
    Variant changes = GetDeltaDatasets(0);
    PostRedeemChanges(changes, RedeemSource::LeaveByPerson, true);
    ResetDetail(Db(), 0, changes, true, true);
}

void TExcuse::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    if (!names.empty() && SameText(CStr(names[0]), "PersonID")) {
        CalendarDay beginDate = DayOf(Item(values, 1), "BeginDate");
        CalendarDay endDate = DayOf(Item(values, 2), "EndDate");
        // A new bill has no dates yet: the person is judged on today's date.
        if (beginDate.value == 0 && endDate.value == 0)
            beginDate = endDate = CalendarDay(GetServerDate());
        else if (beginDate.value == 0)
            beginDate = endDate;
        CheckPersonOnJob(CStr(Item(values, 0)), beginDate, endDate, 0, 1, false);
    }
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

}  // namespace humrs
