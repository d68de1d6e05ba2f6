#include "overtime/CoOvertime.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "overtime/OvertimeMessages.h"
#include "suite/Attendance.h"
#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"
#include "utils/LunarCalendar.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {

// The time of day now, hhmm (09:30 is 930).
int TimeOfDayNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 100 + local.tm_min;
}

// Minutes of a time of day hhmm (x div 100 hours, x mod 100 minutes).
int Minutes(int hhmm) { return hhmm / 100 * 60 + hhmm % 100; }

constexpr int kDay = 24 * 60;  // the second reference day starts this many minutes after the first

// Where an interval [s, e] (minutes on the two reference days) overlaps [from, to],
// the part of the interval that lies inside it: both ends clipped to the span.
int Overlap(int s, int e, int from, int to) {
    if (!(e > from && s < to)) return 0;
    if (from <= s && s <= to) from = s;
    if (from <= e && e <= to) to = e;
    return to - from;
}

}  // namespace

// ------------------------------------------------------------------ save and delete

void TOvertime::BeforeUpdate() {
    Dataset& row = GetDatasets(0);
    CheckOvertimeRowIntegrity(*this, 0, row);
    const std::string person = CStr(row["PersonID"]);
    const int date = CInt(row["OverTimeDate"]);
    const int beginTime = CInt(row["BeginTime"]), endTime = CInt(row["EndTime"]);

    if (!SkipsBusinessChecks()) {
        if (beginTime < 0 || endTime < 0)
            MakeException(msg::kOvertimeTimesMissing, {}, AtHeader(beginTime < 0 ? "BeginTime" : "EndTime"));
        if (Trim(CStr(row["OverTimeClass"])).empty())
            MakeException(msg::kOvertimeClassEmpty, {}, AtHeader("OverTimeClass"));
        if (!GetIsOnWork(Db(), person, date)) MakeException(msg::kOvertimeOffJob, {}, AtHeader("PersonID"));
        // A stored bill is compared without its own row, found by the number it was
        // stored under even when this save changes it.
        const std::string ownBill = row.RowStatus() == UpdateStatus::Inserted ? CStr(row["BillNo"])
                                                                               : CStr(row.OldValue("BillNo"));
        if (GetPersonNeedAttend(Db(), person, date) && IsInClassWorkTime(classNo_, beginTime, endTime))
            MakeException(msg::kOvertimeInClassWorkTime, {}, AtHeader("BeginTime"));
        PointedAt(AtHeader("BeginTime"), [&] { CheckOvertimeConflict(ownBill, person, date, beginTime, endTime, 1); });
    }
    PointedAt(AtHeader("BeginTime"), [&] { CheckExcuseConflict(person, date, beginTime, endTime); });
}

void CheckOvertimeRowIntegrity(TQVXComBase& bill, int datasetIndex, const Dataset& row) {
    RequireDateOrZero(CInt(row["OverTimeDate"]), "OverTimeDate");
    RequireTimeOrUnset(CInt(row["BeginTime"]), "BeginTime");
    RequireTimeOrUnset(CInt(row["EndTime"]), "EndTime");
    if (Trim(CStr(row["PersonID"])).empty())
        bill.MakeException(msg::kOvertimePersonEmpty, {}, AtRow(datasetIndex, row, "PersonID"));
    // Hours worked, paid, redeemable or set aside are quantities of time: none is
    // ever below zero, whatever the login.
    for (const char* hours : {"FieldACount", "FieldBCount", "FieldCCount", "HolidayCount", "TotalCount",
                              "UseableRedeemCount", "NotIntoOverTimeValue"})
        if (row.HasField(hours) && CFloat(row[hours]) < 0)
            bill.MakeException(msg::kOvertimeHoursNegative, {row["PersonID"]}, AtRow(datasetIndex, row, hours));
}

void TOvertime::AfterUpdate() { PostOvertimeChanges(*this, 0, false, false); }

void TOvertime::AfterDelete() {
    GetDatasets(0).DeleteDataset();
    PostOvertimeChanges(*this, 0, false, true);
}

void PostOvertimeChanges(TQVXComBase& bill, int datasetIndex, bool byDate, bool deleted) {
    const Variant changes = bill.GetDeltaDatasets(datasetIndex);
    suite::PostRedeemChanges(bill, changes, byDate ? RedeemSource::OvertimeByDate : RedeemSource::OvertimeByPerson,
                             deleted);
    ResetDetail(bill.Db(), kDetailOverTime, changes, !byDate, deleted);
}

void TOvertime::DoAddDefaultRecord() {
    TQVXComBase::DoAddDefaultRecord();
    Dataset& row = GetDatasets(0);
    const int now = TimeOfDayNow();
    row.SetFieldValue("BeginTime", Variant(now));
    row.SetFieldValue("EndTime", Variant(now));
}

void TOvertime::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    CheckOvertimeFieldValues(*this, names, values, false);
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

void CheckOvertimeFieldValues(TQVXComBase& bill, const VariantArray& names, const VariantArray& values,
                              bool classRefuses) {
    const std::string field = names.empty() ? "" : CStr(names[0]);
    if (SameText(field, "PersonID")) {
        if (!GetIsOnWork(bill.Db(), CStr(Item(values, 0)), CInt(Item(values, 1))))
            bill.MakeException(msg::kOvertimePersonOffJob, {Item(values, 0)});
    } else if (SameText(field, "OverTimeClass")) {
        if (CStr(Item(values, 1)).empty()) bill.MakeException(msg::kOvertimePersonFirst);
        if (!GetIsOnWork(bill.Db(), CStr(Item(values, 1)), CInt(Item(values, 2)))) {
            if (classRefuses) bill.MakeException(msg::kOvertimePersonOffJob, {Item(values, 1)});
            bill.AddMessage(FormatMessage(msg::kOvertimePersonOffJob, {Item(values, 1)}));
        }
    }
}

void TOvertime::DoExecuteProc(int, const Variant&, const Variant&, Variant&) {}

// ------------------------------------------------------------------ conflicts

void TOvertime::CheckOvertimeConflict(const std::string& billNo, const std::string& person, int date,
                                      int beginTime, int endTime, int flag) {
    const std::string head =
        "Select A.*, B.ClassName From humOverTime A Left Join humClass B On A.OverTimeClass = B.ClassID Where "
        "A.PersonID = " +
        QuoteStr(person);
    const std::string days =
        " And A.OverTimeDate >= " + Num(AddDay(date, -1)) + " And A.OverTimeDate <= " + Num(AddDay(date, 1));
    auto& conn = GetDBConn();
    Dataset rows = conn.OpenDataset(head + " And A.BillNo <> " + QuoteStr(billNo) + days + " And Flag = " +
                                    (flag == 1 ? "1" : "3"));
    Dataset otherKind = conn.OpenDataset(head + days + " And Flag = " + (flag == 1 ? "3" : "1"));
    rows.CopyDataset(otherKind);
    CheckOvertimeRows(rows, date, beginTime, endTime, false);
}

void TOvertime::CheckOvertimeRows(Dataset& rows, int date, int beginTime, int endTime, bool byDateLabel) {
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const int rowDate = CInt(rows["OverTimeDate"]);
        const int rowBegin = CInt(rows["BeginTime"]), rowEnd = CInt(rows["EndTime"]);
        if (!IsTimeConflict(rowDate, rowBegin, rowEnd, date, beginTime, endTime)) continue;
        const Message& label = byDateLabel || CInt(rows["Flag"]) != 1 ? msg::kOvertimeLabelByDate
                                                                   : msg::kOvertimeLabelByPerson;
        const Variant className = rows.HasField("ClassName") ? rows["ClassName"] : Variant("");
        MakeException(msg::kOvertimeConflict,
                      {Variant(label.text), rows["BillNo"], Variant(QVXData2Show(rowDate)), Variant(CStr(className)),
                       Variant(QvxTime2Show(rowBegin)), Variant(QvxTime2Show(rowEnd))});
    }
}

void TOvertime::CheckExcuseConflict(const std::string& person, int date, int beginTime, int endTime) {
    for (const auto& [billNo, leavePerson] : OverlappingLeave(GetDBConn(), person, date, beginTime, endTime))
        AddMessage(FormatMessage(msg::kOvertimeLeaveConflict, {billNo, leavePerson}), 1, 0);
}

std::vector<std::pair<Variant, Variant>> OverlappingLeave(TQVXDBAccess& conn, const std::string& person, int date,
                                                          int beginTime, int endTime) {
    std::vector<std::pair<Variant, Variant>> found;
    Dataset leave = conn.OpenDataset("Select * From humExcuse Where Flag <> 3 And PersonID = " + QuoteStr(person));
    for (leave.First(); !leave.Eof(); leave.Next()) {
        // The overtime span is given with its date at both ends: an end time below the
        // begin time runs into the next morning.
        if (IsTimeConflict(date, beginTime, date, endTime, CInt(leave["BeginDate"]), CInt(leave["BeginTime"]),
                           CInt(leave["EndDate"]), CInt(leave["EndTime"])))
            found.emplace_back(leave["BillNo"], leave["PersonID"]);
    }
    return found;
}

bool TOvertime::IsInClassWorkTime(const std::string& classId, int beginTime, int endTime) {
    const Variant times = GetDBConn().DBSelectSQL(
        "select OnDutyTime,offDutyTime,RestBeginTime,RestEndTime from HumClass where ClassID= " + QuoteStr(classId));
    if (!times.IsArray()) return false;
    const int on = CInt(times[0]), off = CInt(times[1]), rb = CInt(times[2]), re = CInt(times[3]);
    if (rb == -1 || re == -1) {
        if (off < on && off != 0) return beginTime > endTime || off > beginTime || endTime > on;
        // A day class; off-duty 0 is midnight at the end of its day, not its start.
        const int dayEnd = off == 0 ? 2400 : off;
        if (beginTime <= endTime) return dayEnd > beginTime && endTime > on;
        return dayEnd > beginTime || endTime > on;
    }
    if (rb == re) return IsTimeConflict(on, off, beginTime, endTime);
    // The break itself is free for overtime.
    return IsTimeConflict(on, rb, beginTime, endTime) || IsTimeConflict(re, off, beginTime, endTime);
}

bool TOvertime::IsHoliday(int date) {
    const LunarDate lunar = GetLunarDate(date);
    // A day of a leap month repeats the numbers of the month before it but is no
    // festival; nor has a day outside the lunar table a lunar date (0 matches nothing).
    const int lunarDay = lunar.isLeapMonth ? 0 : lunar.month * 100 + lunar.day;
    const int solarDay = date % 10000;
    // The mark Flag 1 is asked of solar days only: a festival of the lunar calendar
    // counts whatever its mark.
    const int64_t count = CInt(GetDBConn().DBSelectSQL(
        "Select Count(*) from HumHolidays where " + std::string("Flag = 1 And HolidayDays=") +
        QuoteStr(Num(solarDay)) + " and lunarCalendar=0  or HolidayDays=" + QuoteStr(Num(lunarDay)) +
        " and lunarCalendar=1"));
    return count > 0;
}

// ------------------------------------------------------------------ segments

double CalcSpanLength(int begin, int end, int restBegin, int restEnd, int mode, bool keepSpan, int onDuty,
                      int offDuty, int overStart) {
    // Spans are laid on two reference days as minutes: the first day from 0, the
    // next from kDay.
    if (end == begin || begin < 0 || end < 0) return 0;
    if (end >= 2400) end = 0;
    if (onDuty > begin && !keepSpan) begin = onDuty;
    int s, e;
    if (onDuty <= begin) {
        s = Minutes(begin);
        e = begin < end ? Minutes(end) : kDay + Minutes(end);
    } else {  // a begin before the on-duty time: only with the span kept as entered
        s = kDay + Minutes(begin);
        e = kDay + Minutes(end);
    }

    int rest = 0;
    // A break whose begin equals its end is no break (a class without one).
    if (restBegin >= 0 && restEnd >= 0 && restBegin != restEnd) {
        int rs, re;
        if (onDuty <= restBegin) {
            rs = Minutes(restBegin);
            re = restEnd > restBegin ? Minutes(restEnd) : kDay + Minutes(restEnd);
        } else {
            rs = kDay + Minutes(restBegin);
            re = kDay + Minutes(restEnd);
        }
        if (!keepSpan && re > e) re = e;
        rest = Overlap(s, e, rs, re);
    }

    int gap = 0;
    if (!keepSpan) {
        int gs, ge;
        if (onDuty < offDuty) {
            gs = Minutes(offDuty);
            ge = overStart >= offDuty ? Minutes(overStart) : kDay + Minutes(overStart);
        } else {
            gs = kDay + Minutes(offDuty);
            ge = kDay + Minutes(overStart);
        }
        gap = std::max(0, Overlap(s, e, gs, ge));
    }

    const int net = e - s - rest - gap;
    if (mode == 0) return RoundValue(net / 60.0, 2);
    if (mode == 1) return net;
    return net / double(kDay);
}

OvertimeSegments TOvertime::CalcOvertimeSegments(const OvertimeSegmentRequest& r) {
    OvertimeSegments v;
    const std::string endTime = r.endTime == "0" ? "2400" : r.endTime;
    if (Trim(r.classId).empty()) return v;
    Dataset cls = GetDBConn().OpenDataset(
        "Select OverTime, AFieldEnd, BFieldEnd, OverTimeOver, OnDutyTime, OffDutyTime, RestBeginTime, RestEndTime "
        ",OverTimeUnit From humClass Where ClassID = " +
        QuoteStr(r.classId));
    if (cls.Eof()) return v;
    // A class time of -1 (not set) counts as 0.
    auto time = [&](const char* field) {
        const int t = static_cast<int>(CInt(cls[field]));
        return t == -1 ? 0 : t;
    };

    double m = r.manual ? RoundValue(r.hours * 60, 2)
                        : CalcSpanLength(static_cast<int>(CInt(Variant(r.beginTime))),
                                         static_cast<int>(CInt(Variant(endTime))), time("RestBeginTime"),
                                         time("RestEndTime"), 1,
                                         r.keepSpan, time("OnDutyTime"), time("OffDutyTime"), time("OverTime"));
    if (m < 0) m = 0;
    const int minimum = CInt(cls["OverTimeOver"]);
    if (minimum >= 1 && minimum > m) m = 0;  // a span exactly as long as the minimum counts
    // Whole minutes, halves to even, then cut down to the class's counting unit.
    int64_t n = static_cast<int64_t>(std::nearbyint(m));
    const int unit = CInt(cls["OverTimeUnit"]);
    if (unit != 0) n -= n % unit;
    const double h = RoundValue(n / 60.0, 2);

    if (GetLocalType() == 1) {
        if (r.asHoliday) {
            v.holiday = h;
        } else {
            const double a = RoundValue(CFloat(cls["AFieldEnd"]), 2), b = RoundValue(CFloat(cls["BFieldEnd"]), 2);
            if (h >= b) {
                v.a = a;
                v.b = b - a;
                v.c = h - b;
            } else if (h > a) {
                v.a = a;
                v.b = h - a;
            } else {
                v.a = h;
            }
        }
    } else if (r.dayType == 1) {
        v.a = h;
    } else if (r.dayType == 2) {
        v.b = h;
    } else if (r.dayType == 3) {
        v.holiday = h;
    }
    v.total = h;
    return v;
}

// ------------------------------------------------------------------ the class

namespace {

// A begin or end time of procedure 0 as the entry form sends it: hhmm as digits (a
// sign allowed, -1 is not entered), a whole number, or nothing yet (an empty text,
// which converts to 0). Any other text is bad input, never a time of 0.
std::string SpanTimeText(const ProcArgs& a, size_t i, const char* name) {
    const std::string text = a.Text(i);
    const std::string t = Trim(text);
    const size_t sign = !t.empty() && (t[0] == '-' || t[0] == '+') ? 1 : 0;
    const bool digits = AllDigits(std::string_view(t).substr(sign));
    if (!t.empty() && !digits)
        throw InputError("procedure 0 (CalcOvertimeSegments): argument " + std::to_string(i) + " (" + name +
                         ") must be a time hhmm as digits, got '" + text + "'");
    return text;
}

// The procedures other bills and the client call.
std::vector<ProcedureDef> OvertimeProcedures() {
    using A = ArgType;
    auto opt = [](std::string name, ArgType type) { return ArgDef{std::move(name), type, true}; };
    std::vector<ProcedureDef> p;
    p.push_back({0, "CalcOvertimeSegments", ArgShape::Array,
                 {opt("ClassID", A::Text), opt("BeginTime", A::Text), opt("EndTime", A::Text), opt("AsHoliday", A::Bool),
                  opt("Manual", A::Bool), opt("Hours", A::Float), opt("DayType", A::Int), opt("KeepSpan", A::Bool)},
                 Routine<TOvertime>([](TOvertime& o, const ProcArgs& a) -> Variant {
                     OvertimeSegmentRequest r;
                     r.classId = a.Text(0);
                     r.beginTime = SpanTimeText(a, 1, "BeginTime");
                     r.endTime = SpanTimeText(a, 2, "EndTime");
                     r.asHoliday = a.Bool(3);
                     r.manual = a.Bool(4);
                     r.hours = a.Float(5);
                     r.dayType = a.Int(6);
                     r.keepSpan = a.Bool(7);
                     return Variant(o.CalcOvertimeSegments(r).ToArray());
                 })});
    p.push_back({1, "CheckOvertimeConflict", ArgShape::Array,
                 {opt("BillNo", A::Text), {"PersonID", A::Text}, {"OverTimeDate", A::Int}, {"BeginTime", A::Int},
                  {"EndTime", A::Int}, {"Flag", A::Int}},
                 Routine<TOvertime>([](TOvertime& o, const ProcArgs& a) -> Variant {
                     o.CheckOvertimeConflict(a.Text(0), a.Text(1), a.Int(2), a.Int(3), a.Int(4), a.Int(5));
                     return Variant();
                 })});
    p.push_back({2, "IsHoliday", ArgShape::Single, {{"Date", A::Int}},
                 Routine<TOvertime>([](TOvertime& o, const ProcArgs& a) -> Variant {
                     return Variant(o.IsHoliday(a.Int(0)));
                 })});
    p.push_back({3, "IsInClassWorkTime", ArgShape::Array,
                 {opt("ClassID", A::Text), {"BeginTime", A::Int}, {"EndTime", A::Int}},
                 Routine<TOvertime>([](TOvertime& o, const ProcArgs& a) -> Variant {
                     return Variant(o.IsInClassWorkTime(a.Text(0), a.Int(1), a.Int(2)));
                 })});
    p.push_back({4, "SetClassNo", ArgShape::Single, {opt("ClassID", A::Text)},
                 Routine<TOvertime>([](TOvertime& o, const ProcArgs& a) -> Variant {
                     o.SetClassNo(a.Text(0));
                     return Variant();
                 })});
    p.push_back({6, "CheckOvertimeRows", ArgShape::Array,
                 {{"Rows", A::Packet}, {"OverTimeDate", A::Int}, {"BeginTime", A::Int}, {"EndTime", A::Int},
                  opt("ByDateLabel", A::Bool)},
                 Routine<TOvertime>([](TOvertime& o, const ProcArgs& a) -> Variant {
                     Dataset rows = Dataset::FromPacket(a[0]);
                     o.CheckOvertimeRows(rows, a.Int(1), a.Int(2), a.Int(3), a.Bool(4));
                     return Variant();
                 })});
    MarkReading(p, {0, 1, 2, 3, 4, 6});
    return p;
}

}  // namespace

const ClassDescriptor& OvertimeClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TOvertime";
        d.coclass = "Overtime";
        d.progId = prog_id::kOvertime;
        d.role = roles::kAttendance;
        d.clsid = "{4F7E2C31-D9B3-4811-9005-B1F22E746DCC}";
        d.interfaceName = "IOvertime";
        d.iid = "{E24CED91-0250-4270-BF6A-6016E6C18BD0}";
        d.keyColumn = "BillNo";
        d.title = "加班单";
        d.labels = WithSharedLabels({});
        d.findDate = "OverTimeDate";
        d.findPersonDataset = 0;
        d.findPerson = "PersonID";
        d.personColumn = "PersonID";
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
        d.create = [] { return std::make_unique<TOvertime>(); };
        d.procedures = OvertimeProcedures();
        d.demo = OvertimeDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
