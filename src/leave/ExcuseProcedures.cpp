// The leave service's procedures, as other bills call them through DoCOMMethod: each
// checks its arguments against its declaration, and dates and times against the
// calendar and the clock, before the routine runs.
#include <algorithm>

#include "core/Errors.h"
#include "core/Text.h"
#include "leave/CoExcuse.h"

namespace humrs {

namespace {

// Dates and times given as texts: digits that are no date or time of day are bad input.
void RequireDateText(const std::string& text, const std::string& field) {
    const std::string t = Trim(text);
    if (!AllDigits(t)) return;
    if (t.size() > 8) throw InputError(field + " " + t + " is not a date (yyyymmdd)");
    DayOf(Variant(t), field);
}
void RequireTimeText(const std::string& text, const std::string& field) {
    const std::string t = Trim(text);
    if (!AllDigits(t)) return;
    if (t.size() > 4) throw InputError(field + " " + t + " is not a time of day (hhmm)");
    TimeOf(Variant(t), field);
}

// A kind of leave category as a caller passes it; a code without a rule of its own
// passes through as it is.
LeaveKind KindOf(const ProcArgs& a, size_t i) { return static_cast<LeaveKind>(a.Int(i)); }

}  // namespace

std::vector<ProcedureDef> ExcuseProcedures() {
    using A = ArgType;
    auto opt = [](std::string name, ArgType type) { return ArgDef{std::move(name), type, true}; };
    std::vector<ProcedureDef> p;
    p.push_back({1,
                 "CheckDateTimeRange",
                 ArgShape::Array,
                 {opt("BeginDate", A::Text), opt("EndDate", A::Text), opt("BeginTime", A::Text),
                  opt("EndTime", A::Text), opt("Text5", A::Text), opt("Text6", A::Text)},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     RequireDateText(a.Text(0), "BeginDate");
                     RequireDateText(a.Text(1), "EndDate");
                     RequireTimeText(a.Text(2), "BeginTime");
                     RequireTimeText(a.Text(3), "EndTime");
                     return Variant(o.CheckDateTimeRange(a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                                                         a.Text(4), a.Text(5)));
                 })});
    p.push_back({3,
                 "GetLeaveYearStart",
                 ArgShape::Array,
                 {{"Mode", A::Int}, {"YearMonth", A::Text}, opt("PersonID", A::Text)},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     return Variant(o.GetLeaveYearStart(a.Int(0), a.Text(1), a.Text(2)));
                 })});
    p.push_back({4,
                 "CheckLeaveConflict",
                 ArgShape::Array,
                 {opt("BillNo", A::Text),
                  {"PersonID", A::Text},
                  {"BeginDate", A::Int},
                  opt("BeginTime", A::Int),
                  {"EndDate", A::Int},
                  opt("EndTime", A::Int),
                  {"Flag", A::Int}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     o.CheckLeaveConflict(a.Text(0), a.Text(1), DayOf(a[2], "BeginDate"),
                                          TimeOf(a[3], "BeginTime"), DayOf(a[4], "EndDate"),
                                          TimeOf(a[5], "EndTime"), a.Int(6));
                     return Variant();
                 })});
    p.push_back({5,
                 "CheckPersonOnJob",
                 ArgShape::Array,
                 {{"PersonID", A::Text},
                  {"BeginDate", A::Int},
                  {"EndDate", A::Int},
                  {"Mode", A::Int},
                  {"MessageChoice", A::Int},
                  {"WholeSpan", A::Bool}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     o.CheckPersonOnJob(a.Text(0), DayOf(a[1], "BeginDate"), DayOf(a[2], "EndDate"), a.Int(3),
                                        a.Int(4), a.Bool(5));
                     return Variant();
                 })});
    p.push_back({6,
                 "GetRemainingEntitlement",
                 ArgShape::Array,
                 {{"PersonID", A::Text},
                  {"Date", A::Int},
                  opt("Unused", A::Any),
                  opt("BillNo", A::Text),
                  {"Flag", A::Int},
                  {"Kind", A::Int}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     return Variant(o.GetRemainingEntitlement(a.Text(0), DayOf(a[1], "Date"), a.Text(3),
                                                              a.Int(4), KindOf(a, 5)));
                 })});
    p.push_back({7,
                 "CheckConflictRows",
                 ArgShape::Array,
                 {{"Rows", A::Packet},
                  {"BeginDate", A::Int},
                  {"EndDate", A::Int},
                  opt("BeginTime", A::Int),
                  opt("EndTime", A::Int),
                  {"InBill", A::Bool}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     Dataset rows = Dataset::FromPacket(a[0]);
                     o.CheckConflictRows(rows, DayOf(a[1], "BeginDate"), DayOf(a[2], "EndDate"),
                                         TimeOf(a[3], "BeginTime"), TimeOf(a[4], "EndTime"), a.Bool(5));
                     return Variant();
                 })});
    p.push_back({8,
                 "CheckLeaveQuota",
                 ArgShape::Array,
                 {{"PersonID", A::Text},
                  opt("BillNo", A::Text),
                  opt("ExcuseClsID", A::Text),
                  {"BeginDate", A::Int},
                  opt("BeginTime", A::Int),
                  {"EndDate", A::Int},
                  opt("EndTime", A::Int),
                  {"Flag", A::Int},
                  {"ExcuseCount", A::Float}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     o.CheckLeaveQuota(a.Text(0), a.Text(1), a.Text(2), DayOf(a[3], "BeginDate"),
                                       TimeOf(a[4], "BeginTime"), DayOf(a[5], "EndDate"),
                                       TimeOf(a[6], "EndTime"), a.Int(7), a.Float(8));
                     return Variant();
                 })});
    p.push_back({9,
                 "GetLateAllowance",
                 ArgShape::Array,
                 {{"PersonID", A::Text}, {"BeginDate", A::Int}, {"BeginTime", A::Int}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     return Variant(
                         o.GetLateAllowance(a.Text(0), DayOf(a[1], "BeginDate"), TimeOf(a[2], "BeginTime")));
                 })});
    p.push_back({10,
                 "PostRedeemChanges",
                 ArgShape::Array,
                 {{"ChangeSet", A::Packet}, {"Source", A::Int}, {"Deleted", A::Bool}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     o.PostRedeemChanges(a[0], static_cast<RedeemSource>(a.Int(1)), a.Bool(2));
                     return Variant();
                 })});
    p.push_back({11,
                 "RecalcAllRedeem",
                 ArgShape::None,
                 {},
                 Routine<TExcuse>(
                     [](TExcuse& o, const ProcArgs&) -> Variant { return Variant(o.RecalcAllRedeem()); })});
    p.push_back({12,
                 "RecalcRedeem",
                 ArgShape::Single,
                 {{"PersonID", A::Text}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     o.RecalcRedeem(a.Text(0));
                     return Variant();
                 })});
    MarkReading(p, {1, 3, 4, 5, 6, 7, 8, 9});
    return p;
}

}  // namespace humrs
