#include "personnel/CoChangeInsurance.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "core/Convert.h"
#include "core/Format.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "personnel/ChangeInsuranceMessages.h"
#include "personnel/PersonnelTransfer.h"
#include "suite/Attendance.h"
#include "suite/CoPersonSetMain.h"
#include "suite/FieldLabels.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {
using namespace insurance_change;

// Amounts and rates as plain decimal digits.
std::string Amount(const Variant& v) { return CCurr(v).ToString(); }
std::string Rate(const Variant& v) { return DecimalText(CFloat(v)); }

std::string PersonKind(const std::string& person, int kind) {
    return "PersonID = " + QuoteStr(person) + " And InsurKind = " + Num(kind);
}
}  // namespace

// ------------------------------------------------------------------ kinds and numbers

std::string TChangeInsurance::KindName(int kind) {
    const TStringArray names =
        SplitString((GetLocalType() == 0 ? msg::kInsuranceKindNames : msg::kInsuranceKindNamesRegional).text, ",");
    return kind >= 0 && kind < static_cast<int>(names.size()) ? names[kind] : std::string();
}

bool TChangeInsurance::IsDateBased(int kind) { return GetLocalType() == 1 && (kind == 1 || kind == 2); }

std::string TChangeInsurance::AmountColumn(int kind) {
    std::string column = InsuranceAmountColumn(GetLocalType(), kind);
    if (column.empty()) MakeException(msg::kInsuranceKindUnknown, {Variant(kind)});
    return column;
}

Variant TChangeInsurance::SelectValue(const std::string& table, const std::string& field, const std::string& where,
                                      const std::string& order) {
    std::string sql = "Select " + field + " From " + table + " Where " + where;
    if (!order.empty()) sql += " Order By " + order;
    return GetDBConn().DBSelectSQL(sql);
}

int TChangeInsurance::HighestChangeTimes(const std::string& person, int kind) {
    int highest = static_cast<int>(CInt(SelectValue("humChangeInsurance", "Max(ChangeTimes)", PersonKind(person, kind))));
    if (highest == 0)
        highest = static_cast<int>(CInt(SelectValue("humHistInsurance", "Max(ChangeTimes)", PersonKind(person, kind))));
    return highest;
}

bool TChangeInsurance::NotYetInsured(const std::string& person, int kind, int changeTimes) {
    return changeTimes == 1 &&
           CInt(SelectValue("humHistInsurance", "ChangeType", PersonKind(person, kind) + " And ChangeTimes = 0")) == 0;
}

void TChangeInsurance::CheckLatestChange(const std::string& person, int kind, int flag, int changeTimes) {
    if (changeTimes < HighestChangeTimes(person, kind))
        MakeException(flag != 0 ? msg::kInsuranceOnlyLatestEdit : msg::kInsuranceOnlyLatestDelete,
                      {Variant(person), Variant(KindName(kind))});
}

// ------------------------------------------------------------------ save and delete

void TChangeInsurance::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    Dataset& body = GetDatasets(1);
    CheckChangeRowIntegrity(body);
    CheckChangeRows(body);
    CheckChangeSet();
}

void TChangeInsurance::CheckChangeRowIntegrity(Dataset& body) {
    // What guards the stored changes and history, under every login type and before
    // any rule: dates that exist, a person, a kind and a change type the installation
    // knows, the transfer mark and the change number left to the posting, and only
    // the latest change of a person's kind changed or deleted.
    const int kinds = InsuranceKindCount(GetLocalType());
    for (body.First(); !body.Eof(); body.Next()) {
        RequireDateOrZero(CInt(body["AdjustDate"]), "AdjustDate");
        const int64_t month = CInt(body["AdjustYearMonth"]);
        if (month != 0 && (month < 100 || month > 999912 || GetMaxDay(static_cast<int>(month)) == 0))
            throw InputError("AdjustYearMonth " + Num(month) + " is not a year-month (yyyymm, or 0)");
        if (Trim(CStr(body["PersonID"])).empty())
            MakeException(msg::kInsurancePersonEmpty, {}, AtRow(1, body, "PersonID"));
        const int kind = static_cast<int>(CInt(body["InsurKind"]));
        if (kind < 0 || kind >= kinds)
            MakeException(msg::kInsuranceKindUnknown, {Variant(kind)}, AtRow(1, body, "InsurKind"));
        const int type = static_cast<int>(CInt(body["ChangeType"]));
        if (type < kAdd || type > kCancelOther)
            MakeException(msg::kInsuranceChangeTypeUnknown, {Variant(type)}, AtRow(1, body, "ChangeType"));

        const UpdateStatus status = body.RowStatus();
        const bool stored = status != UpdateStatus::Inserted;
        const bool transferred = stored && CBool(body.OldValue("IsTransfer"));
        if (CBool(body["IsTransfer"]) != transferred) body.SetFieldValue("IsTransfer", transferred);
        if (stored && CInt(body["ChangeTimes"]) != CInt(body.OldValue("ChangeTimes")))
            body.SetFieldValue("ChangeTimes", body.OldValue("ChangeTimes"));
        body.Post();
        if (status == UpdateStatus::Modified)
            PointedAt(AtRow(1, body), [&] {
                CheckLatestChange(CStr(body.OldValue("PersonID")), static_cast<int>(CInt(body.OldValue("InsurKind"))),
                                  1, static_cast<int>(CInt(body.OldValue("ChangeTimes"))));
            });
    }
    // A removed row is a person's latest change unless a later one remains: in another
    // bill, or among the rows this bill keeps.
    std::map<std::pair<std::string, int>, int> kept;
    for (body.First(); !body.Eof(); body.Next()) {
        if (body.RowStatus() == UpdateStatus::Inserted) continue;  // numbered later, above all
        int& highest = kept[{UpperAscii(Trim(CStr(body["PersonID"]))), static_cast<int>(CInt(body["InsurKind"]))}];
        highest = std::max(highest, static_cast<int>(CInt(body["ChangeTimes"])));
    }
    const std::string billNo = CStr(GetDatasets(0)["BillNo"]);
    DeltaDataset d(GetDeltaDatasets(1));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() != UpdateStatus::Deleted) continue;
        const std::string person = CStr(d.OldValue("PersonID"));
        const int kind = static_cast<int>(CInt(d.OldValue("InsurKind")));
        const auto inBill = kept.find({UpperAscii(Trim(person)), kind});
        const int highest = std::max(HighestInOtherBills(person, kind, billNo), inBill == kept.end() ? 0 : inBill->second);
        // A deleted row is no longer among the rows sent: the refusal concerns the rows
        // as a whole.
        if (CInt(d.OldValue("ChangeTimes")) < highest)
            MakeException(msg::kInsuranceOnlyLatestDelete, {Variant(person), Variant(KindName(kind))}, AtDataset(1));
    }
}

void TChangeInsurance::CheckChangeRows(Dataset& body) {
    const int localType = GetLocalType();
    // The last number given in this save per person and kind: two new changes of one
    // person's kind in one bill follow each other.
    std::map<std::pair<std::string, int>, int> given;
    for (body.First(); !body.Eof(); body.Next()) {
        const std::string person = CStr(body["PersonID"]);
        const int kind = static_cast<int>(CInt(body["InsurKind"]));
        const bool dateBased = IsDateBased(kind);
        // On the job on the day the change takes effect (the first day of its month).
        const int day = static_cast<int>(dateBased ? CInt(body["AdjustDate"]) : CInt(body["AdjustYearMonth"]) * 100 + 1);
        if (!GetIsOnWork(Db(), person, day))
            MakeException(msg::kInsurancePersonOffJob, {Variant(person)}, AtRow(1, body, "PersonID"));

        // A new change, or one moved to another person or kind, follows the latest one.
        const UpdateStatus status = body.RowStatus();
        const bool moved = status == UpdateStatus::Modified &&
                           (CInt(body.OldValue("InsurKind")) != kind || !SameText(CStr(body.OldValue("PersonID")), person));
        if (status == UpdateStatus::Inserted || moved || CInt(body["ChangeTimes"]) == 0) {
            int& last = given[{UpperAscii(person), kind}];
            last = std::max(HighestChangeTimes(person, kind), last) + 1;
            body.SetFieldValue("ChangeTimes", last);
            body.SetFieldValue(dateBased ? "AdjustYearMonth" : "AdjustDate", 0);
        }
        const int n = static_cast<int>(CInt(body["ChangeTimes"]));
        const int type = static_cast<int>(CInt(body["ChangeType"]));
        const VariantArray personKind{Variant(person), Variant(KindName(kind))};

        if (type != kAdd && NotYetInsured(person, kind, n))
            MakeException(msg::kInsuranceNotYetInsured, personKind, AtRow(1, body, "ChangeType"));
        // The labour pension knows additions and stops only.
        if (localType != 0 && kind == 2 && type != kAdd && type != kStop)
            MakeException(msg::kPensionOnlyAddOrStop, {Variant(person)}, AtRow(1, body, "ChangeType"));
        if (type == kResume &&
            CInt(SelectValue("humChangeInsurance", "ChangeType",
                             PersonKind(person, kind) + " And ChangeTimes = " + Num(n - 1))) != kStop)
            MakeException(msg::kInsuranceResumeNeedsStop, personKind, AtRow(1, body, "ChangeType"));
        if (type == kAdd && localType == 1 && kind == 2 && CFloat(body["EmployerPensionRate"]) == 0)
            MakeException(msg::kPensionEmployerRateZero, {Variant(person)}, AtRow(1, body, "EmployerPensionRate"));
        if ((type == kAdd || type == kResume) && CCurr(body["ChangeMoneny"]) == Currency())
            MakeException(msg::kInsuranceAmountZero, {Variant(person)}, AtRow(1, body, "ChangeMoneny"));
        body.Post();
    }
}

void TChangeInsurance::CheckChangeSet() {
    DeltaDataset d(GetDeltaDatasets(1));
    Dataset& body = GetDatasets(1);
    const bool savedAgain = SaveMode() == 2;
    std::vector<TakenBack> removed;
    for (d.First(); !d.Eof(); d.Next())
        if (d.Status() == UpdateStatus::Deleted && CBool(d.OldValue("IsTransfer")))
            removed.push_back({CStr(d.OldValue("PersonID")), static_cast<int>(CInt(d.OldValue("InsurKind"))),
                               static_cast<int>(CInt(d.OldValue("ChangeTimes"))),
                               static_cast<int>(CInt(d.OldValue("ChangeType")))});
    UndoHighestFirst(std::move(removed));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() == UpdateStatus::Deleted) continue;
        const std::string oldPerson = CStr(d.OldValue("PersonID"));
        const int oldKind = static_cast<int>(CInt(d.OldValue("InsurKind")));
        const int oldTimes = static_cast<int>(CInt(d.OldValue("ChangeTimes")));
        const int oldType = static_cast<int>(CInt(d.OldValue("ChangeType")));
        const bool wasTransferred = CBool(d.OldValue("IsTransfer"));
        const std::string person = CStr(d.RealFieldValue("PersonID"));
        const int kind = static_cast<int>(CInt(d.RealFieldValue("InsurKind")));
        const int n = static_cast<int>(CInt(d.RealFieldValue("ChangeTimes")));
        const bool modified = d.Status() == UpdateStatus::Modified;
        const bool moved = modified && (oldKind != kind || !SameText(oldPerson, person));
        if (!(d.Status() == UpdateStatus::Inserted || (modified && n == HighestChangeTimes(person, kind)) || moved))
            continue;

        const bool dateBased = IsDateBased(kind);
        const std::string field = dateBased ? "AdjustDate" : "AdjustYearMonth";
        const std::string where = " Where " + PersonKind(person, kind);
        std::string sql = "Select Max(" + field + ") From humChangeInsurance" + where;
        if (savedAgain) sql += " And BillNo <> " + QuoteStr(CStr(d.RealFieldValue("BillNo")));
        int64_t latest = CInt(GetDBConn().DBSelectSQL(sql));
        if (latest == 0) latest = CInt(GetDBConn().DBSelectSQL("Select Max(" + field + ") From humHistInsurance" + where));
        const int64_t value = CInt(d.RealFieldValue(field));
        const VariantArray personKind{Variant(person), Variant(KindName(kind))};
        // The changed row, found among the bill's rows by its row number.
        const RefusalAt at = body.Locate("RowNo", {d.RealFieldValue("RowNo")}) ? AtRow(1, body, field) : AtDataset(1);
        if (value == 0)
            MakeException(dateBased ? msg::kInsuranceDateEmpty : msg::kInsuranceMonthEmpty, personKind, at);
        if (value < latest)
            MakeException(dateBased ? msg::kInsuranceDateBeforeLatest : msg::kInsuranceMonthBeforeLatest,
                          personKind, at);

        if (moved && wasTransferred) {
            UndoTransfer(oldPerson, oldKind, oldTimes, oldType);
            // Its transfer under the old kind is gone: the change is transferred afresh
            // under the new one when due.
            if (body.Locate("RowNo", {d.RealFieldValue("RowNo")})) {
                body.SetFieldValue("IsTransfer", false);
                body.Post();
            }
        }
    }
}

void TChangeInsurance::AfterUpdate() {
    TQVXComBase::AfterUpdate();
    Transfer(GetDatasets(1), GetServerDate(), SaveMode() == 2 ? TransferRun::SaveAgain : TransferRun::Save);
}

void TChangeInsurance::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    Dataset& body = GetDatasets(1);
    // The bill goes as one: a later change of a person's kind in this same bill does not
    // hold an earlier one back, a change in another bill does.
    const std::string billNo = CStr(GetDatasets(0)["BillNo"]);
    std::vector<TakenBack> transferred;
    for (body.First(); !body.Eof(); body.Next()) {
        const std::string person = CStr(body["PersonID"]);
        const int kind = static_cast<int>(CInt(body["InsurKind"]));
        const int n = static_cast<int>(CInt(body["ChangeTimes"]));
        if (n < HighestInOtherBills(person, kind, billNo))
            MakeException(msg::kInsuranceOnlyLatestDelete, {Variant(person), Variant(KindName(kind))});
        if (CBool(body["IsTransfer"])) transferred.push_back({person, kind, n, static_cast<int>(CInt(body["ChangeType"]))});
    }
    UndoHighestFirst(transferred);
}

int TChangeInsurance::HighestInOtherBills(const std::string& person, int kind, const std::string& billNo) {
    return static_cast<int>(CInt(SelectValue("humChangeInsurance", "Max(ChangeTimes)",
                                             PersonKind(person, kind) + " And BillNo <> " + QuoteStr(billNo))));
}

void TChangeInsurance::UndoHighestFirst(std::vector<TakenBack> changes) {
    // Each undo puts back the history row before its own change, which the undo of a
    // later change must not have taken away yet.
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TakenBack& a, const TakenBack& b) { return a.changeTimes > b.changeTimes; });
    for (const TakenBack& c : changes) UndoTransfer(c.person, c.kind, c.changeTimes, c.changeType);
}

// ------------------------------------------------------------------ transfer and undo

void TChangeInsurance::Transfer(Dataset& rows, int date, TransferRun run) {
    // The rows by person, kind and change number, so that changes of one person's kind
    // are carried in the order they follow each other.
    struct Key {
        std::string person;
        int kind;
        int changeTimes;
        size_t recNo;
    };
    std::vector<Key> order;
    // The numbers due on the date among these rows, per person and kind.
    std::map<std::pair<std::string, int>, std::set<int>> dueHere;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const int kind = static_cast<int>(CInt(rows["InsurKind"]));
        const int n = static_cast<int>(CInt(rows["ChangeTimes"]));
        order.push_back({UpperAscii(Trim(CStr(rows["PersonID"]))), kind, n, rows.RecNo()});
        if (IsDue(rows, date)) dueHere[{order.back().person, kind}].insert(n);
    }
    std::stable_sort(order.begin(), order.end(), [](const Key& a, const Key& b) {
        return std::tie(a.person, a.kind, a.changeTimes) < std::tie(b.person, b.kind, b.changeTimes);
    });
    const size_t total = order.size();
    size_t done = 0;
    TransferRows(
        *this, total, [&](size_t i) { return order[i].person; },
        [&](size_t i) {
            const Key& key = order[i];
            rows.MoveTo(key.recNo);
            TransferRow(rows, date, run, dueHere[{key.person, key.kind}]);
            if (progress_) progress_(++done, total);
        },
        run == TransferRun::DailyJob, msg::kInsuranceTransferFailed);
}

bool TChangeInsurance::IsDue(const Dataset& row, int date) {
    return IsDateBased(static_cast<int>(CInt(row["InsurKind"]))) ? date >= CInt(row["AdjustDate"])
                                                                  : date / 100 >= CInt(row["AdjustYearMonth"]);
}

void TChangeInsurance::TransferRow(Dataset& rows, int date, TransferRun run, const std::set<int>& dueHere) {
    const bool local1 = GetLocalType() == 1;
    auto& conn = GetDBConn();
    const std::string person = CStr(rows["PersonID"]);
    const int kind = static_cast<int>(CInt(rows["InsurKind"]));
    const int type = static_cast<int>(CInt(rows["ChangeType"]));
    const int n = static_cast<int>(CInt(rows["ChangeTimes"]));
    const int64_t adjustDate = CInt(rows["AdjustDate"]), adjustMonth = CInt(rows["AdjustYearMonth"]);
    const bool transferred = CBool(rows["IsTransfer"]);
    const std::string p = QuoteStr(person);
    const std::string thisRow = " Where BillNo = " + QuoteStr(CStr(rows["BillNo"])) + " And RowNo = " + Num(CInt(rows["RowNo"]));
    auto mark = [&](bool value) {
        if (run == TransferRun::DailyJob) return;
        rows.SetFieldValue("IsTransfer", value);
        rows.Post();
    };
    const bool due = IsDue(rows, date);
    // Only the latest change of a person's kind stands in the settings. An earlier one
    // is carried first when every change after it is carried here as well, so that
    // each leaves its history row and dates and the latest still stands at the end.
    const int highest = HighestChangeTimes(person, kind);
    const bool latest = n == highest;
    bool carried = due;
    for (int later = n + 1; carried && later <= highest; ++later) carried = dueHere.count(later) != 0;
    if (carried) {
        const std::string column = AmountColumn(kind);
        if (!HasSalarySettings(*this, person)) {
            AddMessage(FormatMessage(msg::kInsuranceNoSettings, {Variant(person), Variant(KindName(kind))}), 1, 0);
            return;
        }
        // The person's first change of the kind: the state it changes is recorded
        // first, so that undoing the change restores it.
        if (n == 1) WriteInitialInsuranceState(*this, person, kind);
        std::string extra;
        if (local1 && type == kAdd && NotYetInsured(person, kind, n)) {
            if (kind == 0) extra = ", HealthYeahMonth = " + Num(adjustMonth);
            if (kind == 1) extra = ", InsuranceDate = " + Num(adjustDate);
            if (kind == 2) extra = ", PensionDate = " + Num(adjustDate);
        } else if (local1 && (type == kCancel || type == kCancelOther)) {
            if (kind == 0) extra = ", CancelHealthYearMonth = " + Num(adjustMonth);
            if (kind == 1) extra = ", CancelLaborDate = " + Num(adjustDate);
        } else if (local1 && type == kStop && kind == 2) {
            extra = ", CancelPensionDate = " + Num(adjustDate);
        }
        std::string sql = "Update humPersonSetMain Set " + column + " = " + Amount(rows["ChangeMoneny"]) + extra;
        if (kind == 2) sql += ", EmployerPensionRate = " + Rate(rows["EmployerPensionRate"]) + ", PensionSystem = 0";
        conn.DBExecSQL(sql + " Where Flag = 1 And ID = " + p);
        if (run == TransferRun::SaveAgain && transferred) {
            const Variant previousKind = rows.OldValue("InsurKind");
            conn.DBExecSQL("Delete humHistInsurance Where PersonID = " + p + "And InsurKind = " +
                           Num(previousKind.IsNullOrEmpty() ? kind : CInt(previousKind)) +
                           " And ChangeTimes = " + Num(n));
        }
        conn.DBExecSQL(
            "Insert Into humHistInsurance (PersonID,InsurKind,ChangeType,ChangeMoneny,AdjustDate,AdjustYearMonth,"
            "ChangeTimes, EmployerPensionRate)  Values (" +
            p + ", " + Num(kind) + ", " + Num(type) + ", " + Amount(rows["ChangeMoneny"]) + ", " +
            Num(adjustDate) + ", " + Num(adjustMonth) + ", " + Num(n) + ", " + Rate(rows["EmployerPensionRate"]) +
            ")");
        conn.DBExecSQL("Update humChangeInsurance Set  IsTransfer = 1" + thisRow);
        if (!transferred) mark(true);
    } else if (latest && !due && transferred) {
        UndoTransfer(person, kind, n, type);
        conn.DBExecSQL("Update humChangeInsurance Set IsTransfer = 0" + thisRow);
        mark(false);
    }
}

void TChangeInsurance::UndoTransfer(const std::string& person, int kind, int changeTimes, int changeType) {
    const std::string p = QuoteStr(person);
    const std::string earlier = PersonKind(person, kind) + " And ChangeTimes < " + Num(changeTimes);
    // The latest earlier date of the given field and change types (0 when none).
    auto earlierDate = [&](const char* field, const char* types) {
        return Num(CInt(SelectValue("humHistInsurance", field, earlier + types, "ChangeTimes Desc")));
    };
    std::string extra;
    if (GetLocalType() == 1) {
        if (changeType == kAdd) {
            if (CInt(SelectValue("humHistInsurance", "Count(*)", earlier + " And ChangeType = 1")) == 0) {
                if (kind == 0) extra = ", HealthYeahMonth = 0";
                if (kind == 1) extra = ", InsuranceDate = 0";
                if (kind == 2) extra = ", PensionDate = 0, PensionSystem = 3";
            }
        } else if (changeType == kStop && kind == 2) {
            extra = ", CancelPensionDate = " + earlierDate("IsNull(AdjustDate, 0)", " And ChangeType = 2");
        } else if (changeType == kCancel || changeType == kCancelOther) {
            if (kind == 0)
                extra = ", CancelHealthYearMonth = " + earlierDate("IsNull(AdjustYearMonth, 0)", " And ChangeType in (4, 5)");
            if (kind == 1) extra = ", CancelLaborDate = " + earlierDate("IsNull(AdjustDate, 0)", " And ChangeType in (4, 5)");
        }
    }
    std::string sql = "Update humPersonSetMain Set " + AmountColumn(kind) + "= B.ChangeMoneny " + extra;
    if (kind == 2) sql += ", EmployerPensionRate = B.EmployerPensionRate";
    sql += " From (Select * From humHistInsurance Where " + PersonKind(person, kind) +
           " And ChangeTimes = " + Num(changeTimes - 1) + ") B Where Flag = 1 And ID = " + p;
    auto& conn = GetDBConn();
    conn.DBExecSQL(sql);
    conn.DBExecSQL("Delete humHistInsurance Where " + PersonKind(person, kind) + " And ChangeTimes = " + Num(changeTimes));
}

void TChangeInsurance::TransferDueChanges(const std::string& person, int date) {
    if (!IsValidDate(date)) throw InputError("the transfer date " + Num(date) + " is not a date (yyyymmdd)");
    std::string due = "IsTransfer = 0 And (AdjustDate <= " + Num(date) + " Or AdjustYearMonth <= " + Num(date / 100) + ")";
    if (!person.empty()) due += "And PersonID = " + QuoteStr(person);
    TransferInBlocks(*this, "humChangeInsurance", due, "PersonID,ChangeTimes",
                     [&](Dataset& rows) { Transfer(rows, date, TransferRun::DailyJob); });
}

// ------------------------------------------------------------------ procedures and reports

void TChangeInsurance::DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) {
    if (procNo != 1) return TQVXComBase::DoExecuteProc(procNo, arg1, arg2, result);
    // The person in the first argument and the kind in the second.
    const std::string person = Trim(CStr(arg1));
    const std::string kind = Trim(CStr(arg2));
    if (arg1.IsArray() || person.empty() || !AllDigits(kind) || kind.size() > 9)
        throw InputError("procedure 1 (NextChangeTimes) of QVXHumrs.ChangeInsurance takes a person as its first "
                         "argument and an insurance kind as its second");
    result = Variant(HighestChangeTimes(person, std::stoi(kind)) + 1);
}

std::string TChangeInsurance::GetBillRptModelName() {
    return GetLocalType() != 0 ? "Humrs_ChangeInsuranceTC" : "Humrs_ChangeInsurance";
}

void TChangeInsurance::DefineBillReportName() {
    TQVXComBase::DefineBillReportName();
    DefineReportName("Humrs_ChangeInsuranceTC");
    DefineReportName("Humrs_ChangeInsurance");
}

// ------------------------------------------------------------------ the class

namespace {

std::vector<ProcedureDef> ChangeInsuranceProcedures() {
    using A = ArgType;
    std::vector<ProcedureDef> p;
    p.push_back({0, "CheckLatestChange", ArgShape::Array,
                 {{"PersonID", A::Text}, {"InsurKind", A::Int}, {"Flag", A::Int}, {"ChangeTimes", A::Int}},
                 Routine<TChangeInsurance>([](TChangeInsurance& o, const ProcArgs& a) -> Variant {
                     o.CheckLatestChange(a.Text(0), a.Int(1), a.Int(2), a.Int(3));
                     return Variant();
                 })});
    p.push_back({2, "TransferDueChanges", ArgShape::Array,
                 {{"PersonID", A::Text, true}, {"Date", A::Int}},
                 Routine<TChangeInsurance>([](TChangeInsurance& o, const ProcArgs& a) -> Variant {
                     o.TransferDueChanges(Trim(a.Text(0)), a.Int(1));
                     return Variant();
                 })});
    MarkReading(p, {0});
    return p;
}

}  // namespace

const ClassDescriptor& ChangeInsuranceClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TChangeInsurance";
        d.coclass = "ChangeInsurance";
        d.progId = "QVXHumrs.ChangeInsurance";
        d.role = roles::kPersonnel;
        d.clsid = "{4B350672-B923-4E04-B596-2364858DAF60}";
        d.interfaceName = "IChangeInsurance";
        d.iid = "{4BEBB909-A0AF-49B9-BC38-A0FA5E1891B7}";
        d.description = "ChangeInsurance Object";
        d.keyColumn = "BillNo";
        d.title = "保险异动单";
        d.labels = WithSharedLabels({{"InsurKind", "保险类别"},
                                      {"ChangeType", "异动类型"},
                                      {"ChangeMoneny", "投保金额"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 1;
        d.findPerson = "PersonID";
        d.datasets = {HeaderDataset("humChangeInsuranceMain"), BodyDataset("humChangeInsurance")};
        d.tables.push_back({"humChangeInsuranceMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        d.tables.push_back({"humChangeInsurance",
                     {{"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"InsurKind", kInt},
                      {"ChangeType", kInt},
                      {"ChangeMoneny", kMoney},
                      {"AdjustDate", kInt},
                      {"AdjustYearMonth", kInt},
                      {"ChangeTimes", kInt},
                      {"EmployerPensionRate", kFloat},
                      {"IsTransfer", kBool}},
                     {"BillNo", "RowNo"}});
        d.tables.push_back({"humHistInsurance",
                     {{"PersonID", kText},
                      {"InsurKind", kInt},
                      {"ChangeType", kInt},
                      {"ChangeMoneny", kMoney},
                      {"AdjustDate", kInt},
                      {"AdjustYearMonth", kInt},
                      {"ChangeTimes", kInt},
                      {"EmployerPensionRate", kFloat}},
                     {"PersonID", "InsurKind", "ChangeTimes"}});
        d.indexes.push_back(Index("humChangeInsurance", {"PersonID", "InsurKind", "ChangeTimes"}));
        d.create = [] { return std::make_unique<TChangeInsurance>(); };
        d.procedures = ChangeInsuranceProcedures();
        d.demo = ChangeInsuranceDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
