#include "leave/CoExcuse.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_map>

#include "core/Errors.h"

#include "leave/CompensatoryAllocation.h"
#include "leave/LeaveMessages.h"
#include "leave/LeaveSettings.h"
#include "suite/Attendance.h"
#include "core/Convert.h"
#include "utils/DateUtils.h"
#include "core/Text.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {
constexpr int kKindPersonal = 0;
constexpr int kKindSick = 1;
constexpr int kKindLateness = 2;
constexpr int kKindSpecial = 5;
constexpr int kKindCompensatory = 12;

std::string Num(int64_t n) { return std::to_string(n); }

// A date or time of a caller's argument or of a given row, read whole (a value past
// 32 bits is not cut down to a date that happens to exist) and refused as bad input
// unless it is on the calendar (or 0, no date) or a time of day (or -1, none).
int DateValue(const Variant& v, const std::string& field) {
    const int64_t value = CInt(v);
    RequireDateOrZero(value, field);
    return static_cast<int>(value);
}
int TimeValue(const Variant& v, const std::string& field) {
    const int64_t value = CInt(v);
    RequireTimeOrUnset(value, field);
    return static_cast<int>(value);
}

// A time of day given as text in its four-digit form (800 is 0800), so that times
// compare as texts; a text that is not a plain number is left as it is.
std::string FourDigitTime(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty() || t.size() >= 4 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return t.empty() ? text : t;
    return std::string(4 - t.size(), '0') + t;
}

// The last day of a span for the rows it may meet: a span within one date whose end
// time is before its begin time runs into the next day, as every overlap check reads it.
int ReachedEndDate(int beginDate, int beginTime, int endDate, int endTime) {
    if (beginDate == endDate && endTime >= 0 && beginTime >= 0 && endTime < beginTime) return AddDay(endDate, 1);
    return endDate;
}

// A moment (date, time) as one ordered number.
int64_t MomentKey(int date, int time) { return static_cast<int64_t>(date) * 10000 + time; }

// The bill number a check must leave out: the stored one when the row is stored.
std::string StoredOrCurrent(const Dataset& ds, const char* field) {
    Variant old = ds.OldValue(field);
    return old.IsNullOrEmpty() ? CStr(ds.FieldValue(field)) : CStr(old);
}
}  // namespace

// ------------------------------------------------------------------ save and delete

void TExcuse::BeforeUpdate() {
    Dataset& leave = GetDatasets(0);
    CheckLeaveRowIntegrity(leave);
    if (GetLoginType(ContextNumber()) == 5 || GetMergeInState()) return;
    if (CBool(leave["IfCutExcuse"])) MakeException(0, 0, msg::kLeaveHasCancellationEdit);
    if (CFloat(leave["ExcuseCount"]) == 0) MakeException(0, 0, msg::kLeaveCountZero);

    const std::string person = CStr(leave["PersonID"]);
    const int beginDate = CInt(leave["BeginDate"]), beginTime = CInt(leave["BeginTime"]);
    const int endDate = CInt(leave["EndDate"]), endTime = CInt(leave["EndTime"]);
    const std::string ownBill = leave.RowStatus() == UpdateStatus::Inserted ? CStr(leave["BillNo"])
                                                                             : CStr(leave.OldValue("BillNo"));
    CheckLeaveConflict(ownBill, person, beginDate, beginTime, endDate, endTime, 1);
    CheckLeaveQuota(person, StoredOrCurrent(leave, "BillNo"), CStr(leave["ExcuseClsID"]), beginDate, beginTime,
                    endDate, endTime, 1, CFloat(leave["ExcuseCount"]));
    CheckPersonOnJob(person, beginDate, endDate, 0, 0, true);

    int kind = CInt(DBSelectValue("QvxHumrs.ExcuseCls", 0, "ExcuseCls", leave["ExcuseClsID"]));
    if (kind == kKindLateness) {
        int allowance = GetLateAllowance(person, beginDate, beginTime);
        if (allowance != 0 && DistOfTime(beginDate, beginTime, endDate, endTime, TTimeType::Minute) > allowance)
            AddMessage(msg::kLateOverAllowance, 1, 0);
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
    const bool imported = GetLoginType(ContextNumber()) == 5 || GetMergeInState();
    if (CBool(leave.OldValue("IfCutExcuse")) || (!imported && CBool(leave["IfCutExcuse"])))
        MakeException(0, 0, msg::kLeaveHasCancellationEdit);
    KeepPostedQuantities(leave, imported);
    if (Trim(CStr(leave["PersonID"])).empty()) MakeException(0, 0, msg::kLeavePersonEmpty);
    if (CInt(leave["EndDate"]) < CInt(leave["BeginDate"])) MakeException(0, 0, msg::kEndDateBeforeBegin);
    // A negative leave would give hours back to the leave year's caps.
    if (CFloat(leave["ExcuseCount"]) < 0) MakeException(0, 0, msg::kLeaveCountNegative);
}

void TExcuse::KeepPostedQuantities(Dataset& leave, bool imported) {
    // The cancellation belongs to the cancellation bill and the frozen compensatory
    // quantity to the by-date bill's posting, so neither can be used to slip past a
    // yearly cap or the compensatory-leave balance.
    SettleCancellationMarks(*this, leave, imported);
    if (!leave["RedeemOldExcuseCount"].SameValue(Variant(0.0))) leave.SetFieldValue("RedeemOldExcuseCount", 0.0);
    leave.Post();
}

void SettleCancellationMarks(TQVXComBase& bill, Dataset& row, bool imported) {
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
    if (Trim(CStr(row["CutExcuseNo"])).empty()) bill.MakeException(0, 0, msg::kCutNoEmpty);
    const double cut = CFloat(row["CutExcuseCount"]);
    if (cut < 0 || cut > CFloat(row["ExcuseCount"])) bill.MakeException(0, 0, msg::kCutCountOutOfRange);
}

void TExcuse::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    if (CBool(GetDatasets(0)["IfCutExcuse"])) MakeException(0, 0, msg::kLeaveHasCancellationDelete);
}

void TExcuse::AfterUpdate() {
    Variant changes = GetDeltaDatasets(0);
    PostRedeemChanges(changes, 0, false);
    ResetDetail(Db(), 0, changes, true, false);
}

void TExcuse::AfterDelete() {
    GetDatasets(0).DeleteDataset();
    Variant changes = GetDeltaDatasets(0);
    PostRedeemChanges(changes, 0, true);
    ResetDetail(Db(), 0, changes, true, true);
}

void TExcuse::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    if (!names.empty() && SameText(CStr(names[0]), "PersonID")) {
        auto value = [&](size_t i) { return i < values.size() ? values[i] : Variant(); };
        int beginDate = DateValue(value(1), "BeginDate");
        int endDate = DateValue(value(2), "EndDate");
        // A new bill has no dates yet: the person is judged on today's date.
        if (beginDate == 0 && endDate == 0) beginDate = endDate = GetServerDate();
        else if (beginDate == 0) beginDate = endDate;
        CheckPersonOnJob(CStr(value(0)), beginDate, endDate, 0, 1, false);
    }
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

// ------------------------------------------------------------------ span checks

bool TExcuse::CheckDateTimeRange(const std::string& beginDate, const std::string& endDate,
                                 const std::string& beginTimeText, const std::string& endTimeText,
                                 const std::string& text5, const std::string& text6) {
    // Times compare as texts in their four-digit form: 800 is 0800, and "0" the
    // midnight "0000".
    const std::string beginTime = FourDigitTime(beginTimeText), endTime = FourDigitTime(endTimeText);
    if (Trim(endDate).empty() || Trim(beginDate).empty()) return false;
    if (beginDate == endDate && beginTime == endTime) return false;
    if (Trim(text5).empty() || Trim(text6).empty()) return false;
    if (endDate < beginDate) MakeException(0, 0, msg::kEndDateBeforeBegin);
    // An end time of 0000 on the same day means midnight at its end.
    if (endDate == beginDate && endTime < beginTime && endTime != "0000")
        MakeException(0, 0, msg::kEndTimeBeforeBegin);
    return true;
}

void TExcuse::CheckLeaveConflict(const std::string& billNo, const std::string& person, int beginDate,
                                 int beginTime, int endDate, int endTime, int flag) {
    const std::string head =
        "Select A.*, B.ExcuseClsName From humExcuse A Left Join humExcuseCls B On A.ExcuseClsID = B.ExcuseClsID "
        "Where A.Flag <> 3 And A.PersonID = " +
        QuoteStr(person);
    // A span within one date whose end time is before its begin time runs into the next
    // day, both the one checked and the stored ones: the rows are picked on the days
    // each may reach, and the overlap itself is decided row by row.
    const int reachedEnd = ReachedEndDate(beginDate, beginTime, endDate, endTime);
    const std::string span = " And Not (A.BeginDate > " + Num(reachedEnd) + " Or A.EndDate < " +
                             Num(AddDay(beginDate, -1)) + ") ";
    // Rows of other bills of the same kind, then every row of the other kind.
    Variant sameKind = OpenDatasetV(head + " And A.BillNo <> " + QuoteStr(billNo) + span + " And A.Flag = " +
                                        (flag == 1 ? "1" : "2"),
                                    -1);
    Dataset otherKind = GetDBConn().OpenDataset(head + span + " And A.Flag = " + (flag == 1 ? "2" : "1"));
    Dataset rows = Dataset::FromPacket(sameKind);
    if (rows.FieldCount() == 0) rows = Dataset(otherKind.Fields());
    rows.CopyDataset(otherKind);
    CheckConflictRows(rows, beginDate, endDate, beginTime, endTime, false);
}

void TExcuse::CheckConflictRows(Dataset& rows, int beginDate, int endDate, int beginTime, int endTime,
                                bool inBill) {
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const int rowBeginTime = TimeValue(rows["BeginTime"], "BeginTime");
        const int rowEndTime = TimeValue(rows["EndTime"], "EndTime");
        const int rowBeginDate = DateValue(rows["BeginDate"], "BeginDate");
        const int rowEndDate = DateValue(rows["EndDate"], "EndDate");
        // A row without times entered takes no part in the overlap check.
        if (rowBeginTime <= 0 || rowEndTime <= 0) continue;
        if (!IsTimeConflict(rowBeginDate, rowBeginTime, rowEndDate, rowEndTime, beginDate, beginTime, endDate,
                            endTime))
            continue;
        const char* label = inBill || CInt(rows["Flag"]) != 1 ? msg::kLabelByDate : msg::kLabelByPerson;
        Variant className = rows.HasField("ExcuseClsName") ? rows["ExcuseClsName"] : Variant("");
        MakeException(0, 0, msg::kLeaveConflict,
                      {Variant(label), rows["BillNo"], className, Variant(DateToShow(rowBeginDate)),
                       Variant(QvxTime2Show(rowBeginTime)), Variant(DateToShow(rowEndDate)),
                       Variant(QvxTime2Show(rowEndTime))});
    }
}

void TExcuse::CheckPersonOnJob(const std::string& person, int beginDate, int endDate, int mode, int messageChoice,
                               bool wholeSpan) {
    if (person.empty()) return;
    if (GetIsOnWork(Db(), person, beginDate, endDate, wholeSpan)) return;
    const char* message = messageChoice == 0 ? msg::kPersonOffJobPartly : msg::kPersonOffJob;
    if (mode == 0)
        MakeException(0, 0, message, {Variant(person)});
    else if (mode == 1)
        AddMessage(FormatMessage(message, {Variant(person)}), 2, 0);
}

int TExcuse::GetLateAllowance(const std::string& person, int beginDate, int beginTime) {
    // A night shift that began the day before and is still running at the leave's
    // begin decides the allowance.
    const int previousDay = AddDay(beginDate, -1);
    const std::string previousClass = GetPersonClassNo(Db(), person, previousDay);
    if (!previousClass.empty()) {
        Variant shift =
            DBSelectValue("QVXHumrs.ClassCls", 0, " OnDutyTime,OffDutyTime,LateTimeOver", Variant(previousClass));
        if (shift.IsArray()) {
            const int onDuty = CInt(shift[0]), offDuty = CInt(shift[1]);
            if (onDuty > offDuty && IsBetweenTwoTime(previousDay, onDuty, beginDate, offDuty, beginDate, beginTime,
                                                     beginDate, beginTime))
                return CInt(shift[2]);
        }
    }
    const std::string ownClass = GetPersonClassNo(Db(), person, beginDate);
    if (ownClass.empty()) return 0;
    return CInt(DBSelectValue("QVXHumrs.ClassCls", 0, "LateTimeOver", Variant(ownClass)));
}

std::string TExcuse::DateToShow(int date) {
    std::string text = QVXData2Show(date);
    const LeaveSettings s = LeaveSettings::Read(*this);
    if (s.commonDateStyle) return text;
    // The separator is the first character of the text, which may be a wide one.
    return QVXData2Show(date, s.yearStyle, s.dispStyle >= 2 && s.dispStyle != 4 ? 1 : 0, true, true,
                        FirstCharacter(s.separator));
}

// ------------------------------------------------------------------ entitlements

VariantArray TExcuse::GetLeaveYearStart(int mode, const std::string& yearMonth, const std::string& person) {
    const LeaveSettings s = LeaveSettings::Read(*this);
    int b;
    if (mode == 1) {
        if (s.specialsCaleType == 1) {
            b = s.specialsBaseMonth + 1;
        } else {
            int hired = CInt(GetDBConn().DBSelectSQL("Select OnJobDate From comPerson where PersonID = " +
                                                     QuoteStr(person)));
            b = hired == 0 ? Month(GetServerDate()) : Month(hired);
        }
    } else {
        b = s.excuseBeginMonth + 1;
        if (b > 12) b = 1;
    }
    const int m = CInt(Variant(Right(yearMonth, 2)));
    const int y = CInt(Variant(yearMonth.substr(0, std::min<size_t>(4, yearMonth.size()))));
    const int start = m < b ? (y - 1) * 100 + b : y * 100 + b;
    return {Variant(std::to_string(start)), Variant(yearMonth)};
}

std::pair<int, int> TExcuse::GetLeaveYearRange(int kind, int date, const std::string& person) {
    const LeaveSettings s = LeaveSettings::Read(*this);
    // Each kind reads only the parameters of its own leave year.
    const int type = kind == kKindSpecial ? s.specialsCaleType.Get() : -1;
    const int hired =
        CInt(GetDBConn().DBSelectSQL("Select OnJobDate From ComPerson Where PersonID = " + QuoteStr(person)));
    auto startYear = [&](int startMonth) { return Month(date) < startMonth ? Year(date) - 1 : Year(date); };

    int sy = 0, sm = 0;
    if (kind == kKindPersonal || kind == kKindSick) {
        sm = s.excuseBeginMonth + 1;
        sy = startYear(sm);
    } else if (kind == kKindSpecial) {
        if (hired < 1) return {0, 0};
        if (type == 0) {
            sm = Month(hired);
            sy = startYear(sm);
        } else if (type == 1) {
            sm = s.specialsBaseMonth + 1;
            sy = startYear(sm);
        } else if (type == 2) {
            sm = Month(hired);
            if (sm < Month(date))
                sy = Year(date);
            else if (Month(date) < sm)
                sy = Year(date) - 1;
            else
                sy = Day(date) < Day(hired) ? Year(date) - 1 : Year(date);
        }
    }
    if (kind == kKindSpecial && type == 2) {
        // From one hire anniversary to the day before the next.
        const int first = sy * 10000 + sm * 100 + Day(hired);
        const int last = AddDay(hired % 10000 + sy * 10000 + 10000, -1);
        return {first, last};
    }
    const int first = sy * 10000 + sm * 100 + 1;
    const int p = AddMonth(first + 10000, -1) / 100;  // the year-month eleven months on
    return {first, p * 100 + GetMaxDay(p)};
}

double TExcuse::GetRemainingEntitlement(const std::string& person, int date, const std::string& billNo, int flag,
                                        int kind) {
    if (person.empty() || date == 0) return 0;
    const LeaveSettings s = LeaveSettings::Read(*this);
    double cap = 0;
    if (kind == kKindPersonal) {
        if (!s.capPersonalLeave) return -1;
        cap = s.personalLeaveCap;
    } else if (kind == kKindSick) {
        if (!s.capSickLeave) return -1;
        cap = s.sickLeaveCap;
    }
    if (kind == kKindSpecial) {
        const int type = s.specialsCaleType;
        VariantArray arg{Variant(person), Variant(std::to_string(date))};
        if (type == 1) {
            int m = s.specialsBaseMonth + 1;
            m = std::clamp(m, 1, 12);
            arg[1] = Variant(Year(GetLeaveYearRange(kKindSpecial, date, person).first) * 10000 + m * 100 + 1);
        }
        const int64_t seniority = CInt(DoCOMMethod("QVXHumrs.Reset", ContextNumber(), 3, Variant(arg)));
        cap = CFloat(GetDBConn().DBSelectSQL(" Select SpecNumber From humSpecials  Where Longevity <= " +
                                             Num(seniority) + " Order By Longevity Desc"));
        if (type == 1) {
            const double atDate =
                CFloat(DoCOMMethod("QVXHumrs.Reset", ContextNumber(), 3, Variant(VariantArray{person, date})));
            if (atDate < s.specialWorkAge) cap = 0;
        }
    }
    double remaining = kind == kKindPersonal || kind == kKindSick ? cap : 0;
    if (cap > 0) {
        auto [first, last] = GetLeaveYearRange(kind, date, person);
        const double used =
            GetPrsnPeriodExCount(Db(), person, kind, first, last, billNo + ":" + std::to_string(flag));
        if (kind == kKindPersonal || kind == kKindSick) {
            cap -= used;
        } else if (kind == kKindSpecial) {
            const int unit =
                CInt(GetDBConn().DBSelectSQL("Select UnitName from humExcuseCls where ExcuseCls = " + std::string("5")));
            const double dayHours = s.specialsDayHours;
            if (unit == 0)
                cap -= used;
            else if (unit == 1)
                cap = cap * dayHours - used;
            else if (unit == 2)
                cap = cap * dayHours * 60 - used;
        }
        remaining = cap < 0 ? 0 : cap;
    }
    return remaining;
}

void TExcuse::CheckLeaveQuota(const std::string& person, const std::string& billNo, const std::string& categoryId,
                              int beginDate, int beginTime, int endDate, int endTime, int flag, double count) {
    // A leave of nobody or one that ends before it begins is refused as such, before
    // any cap is weighed (the by-date bill asks this check of every row).
    if (Trim(person).empty()) MakeException(0, 0, msg::kLeavePersonEmpty);
    if (endDate < beginDate) MakeException(0, 0, msg::kEndDateBeforeBegin);
    const std::string k = CStr(GetDBConn().DBSelectSQL(
        "select B.ExcuseCls from humExcuseCls B where B.ExcuseClsID = " + QuoteStr(categoryId)));
    if (k.empty()) MakeException(0, 0, msg::kLeaveCategoryEmpty);
    const int unit = CInt(GetDBConn().DBSelectSQL("Select UnitName from humExcuseCls where ExcuseCls = " + k));
    if (!(k == "5" || k == "0" || (k == "1" && GetLocalType() == 1))) return;
    const int kind = CInt(Variant(k));
    const char* capMessage = kind == kKindPersonal ? msg::kPersonalLeaveOverCap
                             : kind == kKindSick   ? msg::kSickLeaveOverCap
                                                   : msg::kSpecialLeaveOverCap;

    const double rem1 = RoundValue(GetRemainingEntitlement(person, beginDate, billNo, flag, kind), 4);
    auto [first, last] = GetLeaveYearRange(kind, beginDate, person);
    if (first <= endDate && endDate <= last) {
        if (RoundValue(count, 4) > rem1 && rem1 >= 0)
            MakeException(0, 0, capMessage, {Variant(person), Variant(DecimalText(rem1))});
        return;
    }

    // The leave runs into the next leave year: each part against its own year.
    if (kind == kKindSpecial) {
        if (endDate != AddDay(last, 1)) MakeException(0, 0, msg::kSpecialLeaveCrossesYear, {Variant(person)});
        // It may end on the next year's first day only before that day's shift begins.
        const std::string cls = GetPersonClassNo(Db(), person, endDate);
        if (!cls.empty() &&
            endTime >= CInt(DBSelectValue("QvxHumrs.ClassCls", 0, "OnDutyTime", Variant(cls))))
            MakeException(0, 0, msg::kSpecialLeaveCrossesYear, {Variant(person)});
    }
    const double rem2 = RoundValue(GetRemainingEntitlement(person, endDate, billNo, flag, kind), 4);
    // The old year's part runs to the end of its last shift, the new year's part from
    // the begin of its first shift; each counts only the time of the leave that lies
    // in it. A day without a shift is bounded by midnight.
    VariantArray s1 = GetShiftSpan(person, last);
    VariantArray s2 = GetShiftSpan(person, AddDay(last, 1));
    const bool shift1 = CInt(s1[2]) != CInt(s1[3]), shift2 = CInt(s2[2]) != CInt(s2[3]);
    const int oldYearEndDate = shift1 ? static_cast<int>(CInt(s1[1])) : last;
    const int oldYearEndTime = shift1 ? static_cast<int>(CInt(s1[3])) : 2400;
    const int newYearBeginDate = static_cast<int>(CInt(s2[0]));
    const int newYearBeginTime = shift2 ? static_cast<int>(CInt(s2[2])) : 0;
    // The leave's part between two moments; nothing when it does not reach into them.
    auto partWithin = [&](int fromDate, int fromTime, int toDate, int toTime) {
        if (MomentKey(toDate, toTime) <= MomentKey(fromDate, fromTime)) return 0.0;
        return CalExcuse(Db(), person, categoryId, fromDate, toDate, fromTime, toTime, unit, true);
    };
    const bool endsInOldYear = MomentKey(endDate, endTime) < MomentKey(oldYearEndDate, oldYearEndTime);
    const double part1 = partWithin(beginDate, beginTime, endsInOldYear ? endDate : oldYearEndDate,
                                    endsInOldYear ? endTime : oldYearEndTime);
    const bool beginsInNewYear = MomentKey(beginDate, beginTime) > MomentKey(newYearBeginDate, newYearBeginTime);
    const double part2 = partWithin(beginsInNewYear ? beginDate : newYearBeginDate,
                                    beginsInNewYear ? beginTime : newYearBeginTime, endDate, endTime);
    if ((RoundValue(part1, 4) > rem1 || RoundValue(part2, 4) > rem2) && rem1 >= 0 && rem2 >= 0)
        MakeException(0, 0, capMessage, {Variant(person), Variant(DecimalText(rem2))});
}

VariantArray TExcuse::GetShiftSpan(const std::string& person, int date) {
    const std::string cls = GetPersonClassNo(Db(), person, date);
    Variant times = DoCOMMethod("QVXHumrs.ClassCls", ContextNumber(), 0, Variant(cls));
    const int onDuty = CInt(times[0]), offDuty = CInt(times[1]);
    return {Variant(date), Variant(onDuty > offDuty ? AddDay(date, 1) : date), Variant(onDuty), Variant(offDuty)};
}

// ------------------------------------------------------------------ compensatory leave

std::string TExcuse::OverTimeWindow(int beginDate, int beginTime, int term) {
    // Overtime before the leave (within the term when there is one), or earlier on
    // the leave's own date when it has ended by the leave's begin.
    std::string sameDay = " Or (OverTimeDate = " + Num(beginDate) + " And EndTime <= " + Num(beginTime) + "))";
    if (term != 0)
        return " And ((OvertimeDate >= " + Num(AddMonth(beginDate, -term)) + " And OvertimeDate < " +
               Num(beginDate) + ")" + sameDay;
    return " And ((OvertimeDate < " + Num(beginDate) + ")" + sameDay;
}

void TExcuse::PostRedeemChanges(const Variant& changeSet, int source, bool deleted) {
    DeltaDataset d(changeSet);
    if (d.RecordCount() == 0) return;
    const bool leaveSource = source < 2;
    const char* kindField = leaveSource ? "ExcuseCls" : "RedeemType";
    const int b = leaveSource ? kKindCompensatory : 1;
    const int mode = leaveSource ? 1 : 2;
    const int flag = source == 0 ? 1 : source == 1 ? 2 : source == 2 ? 1 : 3;
    const bool byDate = source == 1 || source == 3;

    for (d.First(); !d.Eof(); d.Next()) {
        const int rowNo = byDate ? CInt(d.RealFieldValue("RowNo")) : 0;
        switch (d.Status()) {
            case UpdateStatus::Modified: {
                const int k = CInt(d.RealFieldValue(kindField));
                const std::string p = CStr(d.RealFieldValue("PersonID"));
                const int oldKind = CInt(d.OldValue(kindField));
                const std::string oldPerson = CStr(d.OldValue("PersonID"));
                const bool samePerson = SameText(oldPerson, p);
                // The row left the old person's compensatory accounting.
                if (oldKind == b && !(oldKind == k && samePerson)) RecalcRedeem(oldPerson, -1, 0, "", -1);
                if (k != b) break;
                if (leaveSource) {
                    double old = CFloat(d.OldValue("ExcuseCount"));
                    const double requested = d.Changed("ExcuseCount") ? CFloat(d.NewValue("ExcuseCount")) : old;
                    // Only what the row held as compensatory leave of this person is
                    // released back to the balance.
                    if (!samePerson || oldKind != b) old = 0;
                    // Whatever can change which overtime the row may use (its begin, its
                    // quantity, its category) is weighed again. The row keeps its place
                    // among the person's leave, oldest first: what it held is added back
                    // only from overtime still within its new reach.
                    const bool reach = d.Changed("BeginDate") || d.Changed("BeginTime") ||
                                       d.Changed("ExcuseCount") ||
                                       (d.HasField("ExcuseClsID") && d.Changed("ExcuseClsID"));
                    const int beginDate = CInt(d.RealFieldValue("BeginDate"));
                    const int beginTime = CInt(d.RealFieldValue("BeginTime"));
                    if (samePerson && oldKind == b && reach) {
                        const double cut =
                            d.HasField("CutExcuseCount") ? CFloat(d.OldValue("CutExcuseCount")) : 0;
                        const CompensatoryNeed held{static_cast<int>(CInt(d.OldValue("BeginDate"))),
                                                    static_cast<int>(CInt(d.OldValue("BeginTime"))),
                                                    RoundValue(old - cut, 2)};
                        const auto [freeHours, heldHours] =
                            BalanceWithinReach(p, flag, CStr(d.RealFieldValue("BillNo")), rowNo, held,
                                               {beginDate, beginTime, 0});
                        RefuseOverBalance(p, beginDate, freeHours + heldHours, requested);
                    } else {
                        CheckCompLeaveBalance(p, beginDate, beginTime, old, requested);
                    }
                    GetDBConn().DBExecSQL("Update humExcuse Set RedeemOldExcuseCount = 0 Where Flag <> 3 And BillNo = " +
                                          QuoteStr(CStr(d.RealFieldValue("BillNo"))) + " And RowNo = " + Num(rowNo));
                }
                RecalcRedeem(p, -1, 0, "", -1);
                break;
            }
            case UpdateStatus::Inserted: {
                if (CInt(d.NewValue(kindField)) != b) break;
                const std::string person = CStr(d.NewValue("PersonID"));
                // A bill by date may bring several new rows of one person, and the rows
                // posted before this one have been allocated with it stored beside
                // them: it is weighed against the allocation without itself, not
                // counted twice.
                if (source == 1) RecalcRedeem(person, mode, flag, CStr(d.NewValue("BillNo")), rowNo);
                if (leaveSource)
                    CheckCompLeaveBalance(person, CInt(d.NewValue("BeginDate")), CInt(d.NewValue("BeginTime")), 0,
                                          CFloat(d.NewValue("ExcuseCount")));
                RecalcRedeem(person, -1, 0, "", -1);
                break;
            }
            case UpdateStatus::Deleted: {
                if (CInt(d.OldValue(kindField)) != b) break;
                const std::string person = CStr(d.OldValue("PersonID"));
                if (deleted)
                    RecalcRedeem(person, mode, flag, CStr(d.OldValue("BillNo")), -1);
                else
                    RecalcRedeem(person, -1, 0, "", -1);
                break;
            }
            default: break;
        }
    }
}

// ---- free overtime hours: one person's or everybody's, rebuilt in memory

namespace {

// The redeemable overtime rows with their hours as stored and the hours they hold
// before any leave is taken from them, in the order leave is taken from them.
constexpr const char* kRedeemableOvertime =
    "Select Flag, BillNo, RowNo, PersonID, OverTimeDate, EndTime, UseableRedeemCount, "
    "FieldACount+FieldBCount+FieldCCount+HolidayCount As WorkedHours From HumOverTime Where RedeemType = 1";
constexpr const char* kOvertimeOrder = " Order By OverTimeDate, BeginTime, Flag, BillNo, RowNo";
// The compensatory leave that takes hours, in the order it takes them. A leave whose
// count was fixed when it was granted (RedeemOldExcuseCount) takes that count.
constexpr const char* kCompensatoryLeave =
    "Select A.PersonID, A.BeginDate, A.BeginTime, (case A.RedeemOldExcuseCount when 0 then A.ExcuseCount - "
    "A.CutExcuseCount else A.RedeemOldExcuseCount end) as ExcuseCount From humExcuse A Left Join humExcuseCls B On "
    "A.ExcuseClsID = B.ExcuseClsID Where A.Flag <> 3 And B.ExcuseCls = 12";
constexpr const char* kLeaveOrder = " Order By A.BeginDate, A.BeginTime";

std::optional<double> OptionalNumber(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) return std::nullopt;
    return CFloat(v);
}

std::optional<int64_t> OptionalWhole(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) return std::nullopt;
    return CInt(v);
}

RedeemableOvertime OvertimeFromRow(const std::vector<Variant>& row) {
    RedeemableOvertime o;
    o.flag = row[0];
    o.billNo = row[1];
    o.rowNo = row[2];
    o.date = OptionalWhole(row[4]);
    o.endTime = OptionalWhole(row[5]);
    o.stored = OptionalNumber(row[6]);
    o.free = OptionalNumber(row[7]);
    return o;
}

CompensatoryNeed LeaveFromRow(const std::vector<Variant>& row) {
    return {static_cast<int>(CInt(row[1])), static_cast<int>(CInt(row[2])), RoundValue(CFloat(row[3]), 2)};
}

// Writes the rows whose free hours the rebuild changed.
void WriteFreeHours(Database& db, const std::vector<RedeemableOvertime>& overtime) {
    for (const RedeemableOvertime& o : overtime) {
        if (o.free == o.stored) continue;
        db.Execute("Update HumOverTime Set UseableRedeemCount = ? Where Flag = ? And BillNo = ? And RowNo = ?",
                   {o.free ? Variant(*o.free) : Variant::Null(), o.flag, o.billNo, o.rowNo});
    }
}

// Overtime a leave may take: worked before the leave's date (within the term of months
// when there is one), or earlier on its own date when it had ended by the leave's begin.
bool Redeemable(const RedeemableOvertime& o, const CompensatoryNeed& leave, int term) {
    if (!o.date) return false;
    const int64_t d = *o.date;
    const bool before = d < leave.date && (term == 0 || d >= AddMonth(leave.date, -term));
    const bool sameDay = d == leave.date && o.endTime && *o.endTime <= leave.time;
    return before || sameDay;
}

}  // namespace

// Each leave in turn takes its hours from the earliest overtime that still has free
// hours; need left when the overtime runs out is not carried anywhere.
void TakeLeaveFromOvertime(std::vector<RedeemableOvertime>& overtime, const std::vector<CompensatoryNeed>& leaves,
                           int term) {
    for (const CompensatoryNeed& leave : leaves) {
        double need = leave.hours;
        // A negative or empty leave uses nothing; it must not hand out overtime that
        // was never worked.
        if (need <= 0) continue;
        for (RedeemableOvertime& o : overtime) {
            if (o.excluded || !o.free || *o.free == 0 || !Redeemable(o, leave, term)) continue;
            const double free = RoundValue(*o.free, 2);
            const bool done = need <= free;
            double left = 0;
            if (done)
                left = free - need;
            else
                need -= free;
            // Stored as its decimal text reads, as any quantity written back.
            o.free = std::strtod(DecimalText(left).c_str(), nullptr);
            if (done) break;
        }
    }
}

void TExcuse::RecalcRedeem(const std::string& person, int mode, int flag, const std::string& billNo, int rowNo) {
    if (person.empty()) return;
    const int term = LeaveSettings::Read(*this).makeUpRestTerm;
    Database& db = Db();

    std::vector<RedeemableOvertime> overtime;
    for (const auto& row :
         db.Query(std::string(kRedeemableOvertime) + " And PersonID = ?" + kOvertimeOrder, {Variant(person)}).rows) {
        overtime.push_back(OvertimeFromRow(row));
        // A change to an overtime bill is weighed without that bill.
        if (mode == 2) overtime.back().excluded = CInt(row[0]) == flag && CStr(row[1]) == billNo;
    }

    std::string leaveSql = std::string(kCompensatoryLeave) + " And A.PersonID = ?";
    std::vector<Variant> params{Variant(person)};
    if (mode == 1) {
        // A change to a leave bill (or one of its rows) is weighed without it.
        leaveSql += " And not (A.Flag = ? And A.BillNo = ?";
        params.insert(params.end(), {Variant(flag), Variant(billNo)});
        if (rowNo != -1) {
            leaveSql += " And A.RowNo = ?";
            params.emplace_back(rowNo);
        }
        leaveSql += ")";
    }
    std::vector<CompensatoryNeed> leaves;
    for (const auto& row : db.Query(leaveSql + kLeaveOrder, params).rows) leaves.push_back(LeaveFromRow(row));

    TakeLeaveFromOvertime(overtime, leaves, term);
    WriteFreeHours(db, overtime);
}

bool TExcuse::RecalcAllRedeem() {
    const int term = LeaveSettings::Read(*this).makeUpRestTerm;
    Database& db = Db();
    const ResultSet persons = db.Query("Select PersonID From comPerson Order By PersonID");
    // The persons are taken in blocks; each block's overtime and leave come in two
    // ordered reads over its range of persons, each person's rows together. Blocks
    // keep what is held in memory small whatever the number of persons.
    constexpr size_t kBlock = 500;
    using Range = std::pair<size_t, size_t>;
    auto byPerson = [](const ResultSet& rs, size_t personColumn) {
        std::unordered_map<std::string, Range> ranges;
        for (size_t i = 0; i < rs.rows.size();) {
            const std::string id = CStr(rs.rows[i][personColumn]);
            size_t j = i + 1;
            while (j < rs.rows.size() && CStr(rs.rows[j][personColumn]) == id) ++j;
            ranges.emplace(id, Range{i, j});
            i = j;
        }
        return ranges;
    };

    const size_t total = persons.rows.size();
    size_t done = 0;
    for (size_t first = 0; first < total; first += kBlock) {
        const size_t end = std::min(total, first + kBlock);
        const Variant& low = persons.rows[first][0];
        const Variant& high = persons.rows[end - 1][0];
        const ResultSet overtimeRows =
            db.Query(std::string(kRedeemableOvertime) +
                         " And PersonID >= ? And PersonID <= ? Order By PersonID, OverTimeDate, BeginTime, Flag, "
                         "BillNo, RowNo",
                     {low, high});
        const ResultSet leaveRows =
            db.Query(std::string(kCompensatoryLeave) +
                         " And A.PersonID >= ? And A.PersonID <= ? Order By A.PersonID, A.BeginDate, A.BeginTime",
                     {low, high});
        const auto overtimeOf = byPerson(overtimeRows, 3);
        const auto leaveOf = byPerson(leaveRows, 0);
        for (size_t k = first; k < end; ++k) {
            const std::string person = CStr(persons.rows[k][0]);
            std::vector<RedeemableOvertime> overtime;
            if (auto it = overtimeOf.find(person); it != overtimeOf.end())
                for (size_t i = it->second.first; i < it->second.second; ++i)
                    overtime.push_back(OvertimeFromRow(overtimeRows.rows[i]));
            std::vector<CompensatoryNeed> leaves;
            if (auto it = leaveOf.find(person); it != leaveOf.end())
                for (size_t i = it->second.first; i < it->second.second; ++i)
                    leaves.push_back(LeaveFromRow(leaveRows.rows[i]));
            // Each person is rebuilt whole or not at all: a failure part-way must not
            // leave the person's overtime reset without its allocation.
            db.Savepoint("recalc_person");
            try {
                TakeLeaveFromOvertime(overtime, leaves, term);
                WriteFreeHours(db, overtime);
                db.ReleaseSavepoint("recalc_person");
            } catch (const std::exception&) {
                db.RollbackToSavepoint("recalc_person");
                db.ReleaseSavepoint("recalc_person");
                return false;
            }
            if (progress_) progress_(++done, total);
        }
    }
    return true;
}

void TExcuse::CheckCompLeaveBalance(const std::string& person, int beginDate, int beginTime, double released,
                                    double requested) {
    const int term = LeaveSettings::Read(*this).makeUpRestTerm;
    const double free = CFloat(GetDBConn().DBSelectSQL(
        "Select IsNull(Sum(UseableRedeemCount), 0) As OTUseRedeemCount From HumOverTime Where UseableRedeemCount "
        "<> 0 And  RedeemType=1 and PersonID= " +
        QuoteStr(person) + OverTimeWindow(beginDate, beginTime, term)));
    RefuseOverBalance(person, beginDate, RoundValue(free, 2) + released, requested);
}

void TExcuse::RefuseOverBalance(const std::string& person, int beginDate, double available,
                                double requested) {
    if (RoundValue(requested, 2) <= available) return;
    const int windowStart = AddMonth(beginDate, -LeaveSettings::Read(*this).makeUpRestTerm);
    MakeException(
        0, 0, msg::kCompLeaveOverBalance,
        {Variant(DateToShow(beginDate)), Variant(person),
         Variant(DateToShow(windowStart) + "-" + DateToShow(beginDate)), Variant(DecimalText(available))});
}

std::pair<double, double> TExcuse::BalanceWithinReach(const std::string& person, int flag,
                                                      const std::string& billNo, int rowNo,
                                                      const CompensatoryNeed& held,
                                                      const CompensatoryNeed& moved) {
    const int term = LeaveSettings::Read(*this).makeUpRestTerm;
    Database& db = Db();
    std::vector<RedeemableOvertime> overtime;
    for (const auto& row :
         db.Query(std::string(kRedeemableOvertime) + " And PersonID = ?" + kOvertimeOrder, {Variant(person)})
             .rows)
        overtime.push_back(OvertimeFromRow(row));
    // The person's other compensatory leave, oldest first; the row goes back to the
    // place it had, after the leave that began before it.
    std::vector<CompensatoryNeed> before, after;
    for (const auto& row :
         db.Query(std::string(kCompensatoryLeave) +
                      " And A.PersonID = ? And not (A.Flag = ? And A.BillNo = ? And A.RowNo = ?)" +
                      kLeaveOrder,
                  {Variant(person), Variant(flag), Variant(billNo), Variant(rowNo)})
             .rows) {
        const CompensatoryNeed leave = LeaveFromRow(row);
        (MomentKey(leave.date, leave.time) < MomentKey(held.date, held.time) ? before : after)
            .push_back(leave);
    }
    // What the earlier leave leaves free, then what the row takes of it; the later
    // leave takes from the rest.
    TakeLeaveFromOvertime(overtime, before, term);
    std::vector<double> freeBefore;
    for (const RedeemableOvertime& o : overtime) freeBefore.push_back(o.free.value_or(0));
    TakeLeaveFromOvertime(overtime, {held}, term);
    std::vector<double> taken;
    for (size_t i = 0; i < overtime.size(); ++i)
        taken.push_back(freeBefore[i] - overtime[i].free.value_or(0));
    TakeLeaveFromOvertime(overtime, after, term);

    double freeHours = 0, heldHours = 0;
    for (size_t i = 0; i < overtime.size(); ++i) {
        if (!Redeemable(overtime[i], moved, term)) continue;
        freeHours += RoundValue(overtime[i].free.value_or(0), 2);
        heldHours += taken[i];
    }
    return {RoundValue(freeHours, 2), RoundValue(heldHours, 2)};
}

// ------------------------------------------------------------------ the class

DatasetMap WithLeaveKind(DatasetMap d) {
    d.lookups.push_back({"ExcuseCls", "humExcuseCls", "ExcuseClsID", "ExcuseClsID"});
    return d;
}

namespace {

// Dates and times given as texts: digits that are no date or time of day are bad input.
bool Digits(const std::string& t) {
    return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}
void RequireDateText(const std::string& text, const std::string& field) {
    const std::string t = Trim(text);
    if (!Digits(t)) return;
    if (t.size() > 8) throw InputError(field + " " + t + " is not a date (yyyymmdd)");
    DateValue(Variant(t), field);
}
void RequireTimeText(const std::string& text, const std::string& field) {
    const std::string t = Trim(text);
    if (!Digits(t)) return;
    if (t.size() > 4) throw InputError(field + " " + t + " is not a time of day (hhmm)");
    TimeValue(Variant(t), field);
}

// The leave service's procedures, as other bills call them through DoCOMMethod.
std::vector<ProcedureDef> ExcuseProcedures() {
    using A = ArgType;
    auto opt = [](std::string name, ArgType type) { return ArgDef{std::move(name), type, true}; };
    std::vector<ProcedureDef> p;
    p.push_back({1, "CheckDateTimeRange", ArgShape::Array,
                 {opt("BeginDate", A::Text), opt("EndDate", A::Text), opt("BeginTime", A::Text),
                  opt("EndTime", A::Text), opt("Text5", A::Text), opt("Text6", A::Text)},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     RequireDateText(a.Text(0), "BeginDate");
                     RequireDateText(a.Text(1), "EndDate");
                     RequireTimeText(a.Text(2), "BeginTime");
                     RequireTimeText(a.Text(3), "EndTime");
                     return Variant(o.CheckDateTimeRange(a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Text(4),
                                                         a.Text(5)));
                 })});
    p.push_back({3, "GetLeaveYearStart", ArgShape::Array,
                 {{"Mode", A::Int}, {"YearMonth", A::Text}, opt("PersonID", A::Text)},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     return Variant(o.GetLeaveYearStart(a.Int(0), a.Text(1), a.Text(2)));
                 })});
    p.push_back({4, "CheckLeaveConflict", ArgShape::Array,
                 {opt("BillNo", A::Text), {"PersonID", A::Text}, {"BeginDate", A::Int}, opt("BeginTime", A::Int),
                  {"EndDate", A::Int}, opt("EndTime", A::Int), {"Flag", A::Int}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     o.CheckLeaveConflict(a.Text(0), a.Text(1), DateValue(a[2], "BeginDate"), TimeValue(a[3], "BeginTime"),
                                          DateValue(a[4], "EndDate"), TimeValue(a[5], "EndTime"), a.Int(6));
                     return Variant();
                 })});
    p.push_back({5, "CheckPersonOnJob", ArgShape::Array,
                 {{"PersonID", A::Text}, {"BeginDate", A::Int}, {"EndDate", A::Int}, {"Mode", A::Int},
                  {"MessageChoice", A::Int}, {"WholeSpan", A::Bool}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     o.CheckPersonOnJob(a.Text(0), DateValue(a[1], "BeginDate"), DateValue(a[2], "EndDate"), a.Int(3),
                                        a.Int(4), a.Bool(5));
                     return Variant();
                 })});
    p.push_back({6, "GetRemainingEntitlement", ArgShape::Array,
                 {{"PersonID", A::Text}, {"Date", A::Int}, opt("Unused", A::Any), opt("BillNo", A::Text),
                  {"Flag", A::Int}, {"Kind", A::Int}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     return Variant(
                         o.GetRemainingEntitlement(a.Text(0), DateValue(a[1], "Date"), a.Text(3), a.Int(4), a.Int(5)));
                 })});
    p.push_back({7, "CheckConflictRows", ArgShape::Array,
                 {{"Rows", A::Packet}, {"BeginDate", A::Int}, {"EndDate", A::Int}, opt("BeginTime", A::Int),
                  opt("EndTime", A::Int), {"InBill", A::Bool}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     Dataset rows = Dataset::FromPacket(a[0]);
                     o.CheckConflictRows(rows, DateValue(a[1], "BeginDate"), DateValue(a[2], "EndDate"),
                                         TimeValue(a[3], "BeginTime"), TimeValue(a[4], "EndTime"), a.Bool(5));
                     return Variant();
                 })});
    p.push_back({8, "CheckLeaveQuota", ArgShape::Array,
                 {{"PersonID", A::Text}, opt("BillNo", A::Text), opt("ExcuseClsID", A::Text), {"BeginDate", A::Int},
                  opt("BeginTime", A::Int), {"EndDate", A::Int}, opt("EndTime", A::Int), {"Flag", A::Int},
                  {"ExcuseCount", A::Float}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     o.CheckLeaveQuota(a.Text(0), a.Text(1), a.Text(2), DateValue(a[3], "BeginDate"),
                                       TimeValue(a[4], "BeginTime"), DateValue(a[5], "EndDate"),
                                       TimeValue(a[6], "EndTime"), a.Int(7), a.Float(8));
                     return Variant();
                 })});
    p.push_back({9, "GetLateAllowance", ArgShape::Array,
                 {{"PersonID", A::Text}, {"BeginDate", A::Int}, {"BeginTime", A::Int}},
                 Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                     return Variant(
                         o.GetLateAllowance(a.Text(0), DateValue(a[1], "BeginDate"), TimeValue(a[2], "BeginTime")));
                 })});
    p.push_back({10, "PostRedeemChanges", ArgShape::Array,
                  {{"ChangeSet", A::Packet}, {"Source", A::Int}, {"Deleted", A::Bool}},
                  Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                      o.PostRedeemChanges(a[0], a.Int(1), a.Bool(2));
                      return Variant();
                  })});
    p.push_back({11, "RecalcAllRedeem", ArgShape::None, {},
                  Routine<TExcuse>([](TExcuse& o, const ProcArgs&) -> Variant { return Variant(o.RecalcAllRedeem()); })});
    p.push_back({12, "RecalcRedeem", ArgShape::Single, {{"PersonID", A::Text}},
                  Routine<TExcuse>([](TExcuse& o, const ProcArgs& a) -> Variant {
                      o.RecalcRedeem(a.Text(0), -1, 0, "", -1);
                      return Variant();
                  })});
    return p;
}

}  // namespace

const ClassDescriptor& ExcuseClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TExcuse";
        d.coclass = "Excuse";
        d.progId = "QVXHumrs.Excuse";
        d.clsid = "{B0676538-D7B3-4DE8-9473-B0967D45F03B}";
        d.interfaceName = "IExcuse";
        d.iid = "{BE6A793D-956F-42FA-B628-45FFA92EB6EE}";
        d.keyColumn = "BillNo";
        d.datasets = {WithLeaveKind(SingleRowDataset("humExcuse", 1))};
        d.tables.push_back({"humSpecials", {{"Longevity", kInt}, {"SpecNumber", kFloat}}, {"Longevity"}});
        // Leave rows of both leave bills: Flag 1 by person (RowNo 0), 2 by date.
        d.tables.push_back({"humExcuse",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"ExcuseClsID", kText},
                      {"BeginDate", kInt},
                      {"BeginTime", kInt},
                      {"EndDate", kInt},
                      {"EndTime", kInt},
                      {"ExcuseCount", kFloat},
                      {"ExcuseUnit", kFloat},
                      {"UnitName", kInt},
                      {"IfCutExcuse", kBool},
                      {"CutExcuseNo", kText},
                      {"CutExcuseCount", kFloat},
                      {"RedeemOldExcuseCount", kFloat},
                      {"ExcuseDate", kInt},
                      {"Memo", kText}},
                     {"Flag", "BillNo", "RowNo"}});
        d.indexes.push_back(Index("humExcuse", {"PersonID", "BeginDate"}));
        // A new leave mostly lies after all of the person's earlier ones: the overlap
        // checks find the few that end on or after its first day here.
        d.indexes.push_back(Index("humExcuse", {"PersonID", "EndDate"}));
        d.indexes.push_back(Index("humExcuse", {"BillNo", "RowNo"}));
        d.indexes.push_back(Index("humExcuse", {"CutExcuseNo"}));
        d.create = [] { return std::make_unique<TExcuse>(); };
        d.demo = ExcuseDemo;
        d.procedures = ExcuseProcedures();
        return d;
    }();
    return d;
}

}  // namespace humrs
