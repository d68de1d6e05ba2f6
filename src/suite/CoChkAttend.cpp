#include "suite/AttendanceMessages.h"
#include "suite/CoChkAttend.h"

#include "core/Format.h"
#include "core/Convert.h"
#include "utils/DateUtils.h"
#include "core/Text.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {

// A span that begins on `date`; an end not after the begin is on the next day.
QVXDate EndDateOf(QVXDate date, int begin, int end) { return end <= begin ? AddDay(date, 1) : date; }

}  // namespace

std::string OverTimeSelection::Condition(const std::string& alias, std::vector<Variant>& params) const {
    std::string sql = " And " + alias + "OverTimeDate >= ? And " + alias + "OverTimeDate <= ?";
    params.emplace_back(yearMonth * 100 + 1);
    params.emplace_back(yearMonth * 100 + 31);
    if (!firstPerson.empty()) {
        sql += " And " + alias + "PersonID >= ?";
        params.emplace_back(firstPerson);
    }
    if (!lastPerson.empty()) {
        sql += " And " + alias + "PersonID <= ?";
        params.emplace_back(lastPerson);
    }
    return sql;
}

OverTimeSelection ParseOverTimeSelection(const Variant& request) {
    OverTimeSelection sel;
    const Variant& month = request.IsArray() ? request[0] : request;
    const int ym = static_cast<int>(CInt(month));
    if (GetMaxDay(ym) > 0) sel.yearMonth = ym;
    if (request.IsArray()) {
        sel.firstPerson = Trim(CStr(request[1]));
        sel.lastPerson = Trim(CStr(request[2]));
    }
    return sel;
}

void TChkAttend::ClearEliminations(const OverTimeSelection& sel) {
    std::vector<Variant> params;
    std::string sql = "Update humOverTime Set NotIntoOverTimeValue = 0 Where RedeemType = 0" + sel.Condition("", params);
    Db().Execute(sql, params);
}

std::string TChkAttend::FindMismatches(const OverTimeSelection& sel) {
    std::vector<Variant> params;
    std::string sql =
        "Select A.PersonID, A.OverTimeDate, A.BeginTime, A.EndTime, C.PersonID, C.OnTime, C.OffTime "
        "From humOverTime A Left Join humChkAttendMain C On A.PersonID = C.PersonID And A.OverTimeDate = C.CheckDate "
        "Where A.BeginTime >= 0 And A.EndTime >= 0" +
        sel.Condition("A.", params) + " Order By A.OverTimeDate, A.PersonID, A.BeginTime";
    ResultSet rs = Db().Query(sql, params);
    TStringArray mismatches;
    for (const auto& row : rs.rows) {
        const std::string person = CStr(row[0]);
        const QVXDate date = static_cast<QVXDate>(CInt(row[1]));
        const int begin = static_cast<int>(CInt(row[2]));
        const int end = static_cast<int>(CInt(row[3]));
        const VariantArray head{Variant(person), Variant(DateToText(date)), Variant(QvxTime2Show(begin)),
                                Variant(QvxTime2Show(end))};
        const bool hasRecord = !row[4].IsNullOrEmpty();
        const int on = static_cast<int>(CInt(row[5]));
        const int off = static_cast<int>(CInt(row[6]));
        // A record whose clock-in equals its clock-out was never clocked.
        if (!hasRecord || row[5].IsNullOrEmpty() || row[6].IsNullOrEmpty() || on < 0 || off < 0 || on == off) {
            mismatches.push_back(FormatMessage(msg::kOverTimeNoAttendRecord, head));
            continue;
        }
        const bool covered =
            IsBetweenTwoTime(date, on, EndDateOf(date, on, off), off, date, begin, EndDateOf(date, begin, end), end);
        if (!covered) {
            VariantArray args = head;
            args.emplace_back(QvxTime2Show(on));
            args.emplace_back(QvxTime2Show(off));
            mismatches.push_back(FormatMessage(msg::kOverTimeOutsideAttend, args));
        }
    }
    return MergeStrings(mismatches, ",");
}

std::vector<ProcedureDef> ChkAttendProcedures() {
    // A request that names no valid month selects nothing.
    const ArgDef request{"Request", ArgType::Any, true};
    std::vector<ProcedureDef> p;
    p.push_back({10, "ClearEliminations", ArgShape::Single, {request},
                 Routine<TChkAttend>([](TChkAttend& o, const ProcArgs& a) -> Variant {
                     const OverTimeSelection sel = ParseOverTimeSelection(a[0]);
                     if (sel.Valid()) o.ClearEliminations(sel);
                     return Variant();
                 })});
    p.push_back({11, "FindMismatches", ArgShape::Single, {request},
                 Routine<TChkAttend>([](TChkAttend& o, const ProcArgs& a) -> Variant {
                     const OverTimeSelection sel = ParseOverTimeSelection(a[0]);
                     return Variant(sel.Valid() ? o.FindMismatches(sel) : std::string());
                 })});
    MarkReading(p, {11});
    return p;
}

}  // namespace humrs
