// Leave entitlements: the leave year of a kind, what is left of its cap, and the
// check of a leave against it, each part of a leave against its own leave year.
#include <algorithm>

#include "core/Convert.h"
#include "core/Text.h"
#include "leave/CoExcuse.h"
#include "leave/LeaveMessages.h"
#include "leave/LeaveSettings.h"
#include "suite/Attendance.h"
#include "suite/ProgIds.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"

namespace humrs {

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

std::pair<int, int> TExcuse::GetLeaveYearRange(LeaveKind kind, CalendarDay day, const std::string& person) {
    const int date = day.value;
    const LeaveSettings s = LeaveSettings::Read(*this);
    // Each kind reads only the parameters of its own leave year.
    const int type = kind == LeaveKind::SpecialAnnual ? s.specialsCaleType.Get() : -1;
    const int hired =
        CInt(GetDBConn().DBSelectSQL("Select OnJobDate From ComPerson Where PersonID = " + QuoteStr(person)));
    auto startYear = [&](int startMonth) { return Month(date) < startMonth ? Year(date) - 1 : Year(date); };

    int sy = 0, sm = 0;
    if (kind == LeaveKind::Personal || kind == LeaveKind::Sick) {
        sm = s.excuseBeginMonth + 1;
        sy = startYear(sm);
    } else if (kind == LeaveKind::SpecialAnnual) {
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
    if (kind == LeaveKind::SpecialAnnual && type == 2) {
        // From one hire anniversary to the day before the next.
        const int first = sy * 10000 + sm * 100 + Day(hired);
        const int last = AddDay(hired % 10000 + sy * 10000 + 10000, -1);
        return {first, last};
    }
    const int first = sy * 10000 + sm * 100 + 1;
    const int p = AddMonth(first + 10000, -1) / 100;  // the year-month eleven months on
    return {first, p * 100 + GetMaxDay(p)};
}

double TExcuse::GetRemainingEntitlement(const std::string& person, CalendarDay day, const std::string& billNo,
                                        int flag, LeaveKind kind) {
    const int date = day.value;
    if (person.empty() || date == 0) return 0;
    const LeaveSettings s = LeaveSettings::Read(*this);
    const bool yearlyCap = kind == LeaveKind::Personal || kind == LeaveKind::Sick;
    double cap = 0;
    if (kind == LeaveKind::Personal) {
        if (!s.capPersonalLeave) return -1;
        cap = s.personalLeaveCap;
    } else if (kind == LeaveKind::Sick) {
        if (!s.capSickLeave) return -1;
        cap = s.sickLeaveCap;
    }
    if (kind == LeaveKind::SpecialAnnual) {
        const int type = s.specialsCaleType;
        // Seniority at the leave's date, or under type 1 at the base month of its leave year.
        int seniorityDate = date;
        if (type == 1) {
            int m = s.specialsBaseMonth + 1;
            m = std::clamp(m, 1, 12);
            seniorityDate = Year(GetLeaveYearRange(LeaveKind::SpecialAnnual, day, person).first) * 10000 + m * 100 + 1;
        }
        const int seniority = suite::Seniority(*this, person, seniorityDate);
        cap = CFloat(GetDBConn().DBSelectSQL(" Select SpecNumber From humSpecials  Where Longevity <= " +
                                             std::to_string(seniority) + " Order By Longevity Desc"));
        if (type == 1) {
            if (suite::Seniority(*this, person, date) < s.specialWorkAge) cap = 0;
        }
    }
    double remaining = yearlyCap ? cap : 0;
    if (cap > 0) {
        auto [first, last] = GetLeaveYearRange(kind, day, person);
        const double used =
            GetPrsnPeriodExCount(Db(), person, Code(kind), first, last, billNo + ":" + std::to_string(flag));
        if (yearlyCap) {
            cap -= used;
        } else if (kind == LeaveKind::SpecialAnnual) {
            const int unit = CInt(GetDBConn().DBSelectSQL(
                "Select UnitName from humExcuseCls where ExcuseCls = " + CodeText(LeaveKind::SpecialAnnual)));
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

void TExcuse::CheckLeaveQuota(const std::string& person, const std::string& billNo,
                              const std::string& categoryId, CalendarDay beginDay, TimeOfDay beginAt,
                              CalendarDay endDay, TimeOfDay endAt, int flag, double count) {
    const int beginDate = beginDay.value, beginTime = beginAt.value, endDate = endDay.value,
              endTime = endAt.value;
    // A leave of nobody or one that ends before it begins is refused as such, before
    // any cap is weighed (the by-date bill asks this check of every row).
    if (Trim(person).empty()) MakeException(msg::kLeavePersonEmpty);
    if (endDate < beginDate) MakeException(msg::kEndDateBeforeBegin);
    const std::string k = CStr(GetDBConn().DBSelectSQL(
        "select B.ExcuseCls from humExcuseCls B where B.ExcuseClsID = " + QuoteStr(categoryId)));
    if (k.empty()) MakeException(msg::kLeaveCategoryEmpty);
    const int unit =
        CInt(GetDBConn().DBSelectSQL("Select UnitName from humExcuseCls where ExcuseCls = " + k));
    // Only personal leave, special annual leave and (under local type 1) sick leave are capped.
    if (!(k == CodeText(LeaveKind::SpecialAnnual) || k == CodeText(LeaveKind::Personal) ||
          (k == CodeText(LeaveKind::Sick) && GetLocalType() == 1)))
        return;
    const LeaveKind kind = static_cast<LeaveKind>(CInt(Variant(k)));
    const Message& capMessage = kind == LeaveKind::Personal ? msg::kPersonalLeaveOverCap
                             : kind == LeaveKind::Sick   ? msg::kSickLeaveOverCap
                                                         : msg::kSpecialLeaveOverCap;

    const double rem1 = RoundValue(GetRemainingEntitlement(person, beginDay, billNo, flag, kind), 4);
    auto [first, last] = GetLeaveYearRange(kind, beginDay, person);
    if (first <= endDate && endDate <= last) {
        if (RoundValue(count, 4) > rem1 && rem1 >= 0)
            MakeException(capMessage, {Variant(person), Variant(DecimalText(rem1))});
        return;
    }

    // The leave runs into the next leave year: each part against its own year.
    if (kind == LeaveKind::SpecialAnnual) {
        if (endDate != AddDay(last, 1)) MakeException(msg::kSpecialLeaveCrossesYear, {Variant(person)});
        // It may end on the next year's first day only before that day's shift begins.
        const std::string cls = GetPersonClassNo(Db(), person, endDate);
        if (!cls.empty() &&
            endTime >= CInt(DBSelectValue(prog_id::kClassCls, 0, "OnDutyTime", Variant(cls))))
            MakeException(msg::kSpecialLeaveCrossesYear, {Variant(person)});
    }
    const double rem2 = RoundValue(GetRemainingEntitlement(person, endDay, billNo, flag, kind), 4);
    // The old year's part runs to the end of its last shift, the new year's part from
    // the begin of its first shift; each counts only the time of the leave that lies
    // in it. A day without a shift is bounded by midnight.
    VariantArray s1 = GetShiftSpan(person, CalendarDay(last));
    VariantArray s2 = GetShiftSpan(person, CalendarDay(AddDay(last, 1)));
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
    const bool beginsInNewYear =
        MomentKey(beginDate, beginTime) > MomentKey(newYearBeginDate, newYearBeginTime);
    const double part2 = partWithin(beginsInNewYear ? beginDate : newYearBeginDate,
                                    beginsInNewYear ? beginTime : newYearBeginTime, endDate, endTime);
    if ((RoundValue(part1, 4) > rem1 || RoundValue(part2, 4) > rem2) && rem1 >= 0 && rem2 >= 0)
        MakeException(capMessage, {Variant(person), Variant(DecimalText(rem2))});
}

VariantArray TExcuse::GetShiftSpan(const std::string& person, CalendarDay day) {
    const int date = day.value;
    const std::string cls = GetPersonClassNo(Db(), person, date);
    const auto [onDuty, offDuty] = suite::DutyTimes(*this, cls);
    return {Variant(date), Variant(onDuty > offDuty ? AddDay(date, 1) : date), Variant(onDuty),
            Variant(offDuty)};
}

}  // namespace humrs
