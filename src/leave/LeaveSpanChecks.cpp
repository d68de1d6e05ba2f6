// The checks of a leave's span: its order, overlaps with other leave, the person's
// employment over it, and the lateness its shift allows.
#include <algorithm>

#include "core/Convert.h"
#include "core/Text.h"
#include "leave/CoExcuse.h"
#include "leave/LeaveMessages.h"
#include "leave/LeaveSettings.h"
#include "suite/Attendance.h"
#include "suite/ProgIds.h"
#include "utils/DateUtils.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {
// A time of day given as text in its four-digit form (800 is 0800), so that times
// compare as texts; a text that is not a plain number is left as it is.
std::string FourDigitTime(const std::string& text) {
    const std::string t = Trim(text);
    if (t.size() >= 4 || !AllDigits(t))
        return t.empty() ? text : t;
    return std::string(4 - t.size(), '0') + t;
}

// The last day of a span for the rows it may meet: a span within one date whose end
// time is before its begin time runs into the next day, as every overlap check reads it.
int ReachedEndDate(CalendarDay beginDate, TimeOfDay beginTime, CalendarDay endDate, TimeOfDay endTime) {
    if (beginDate == endDate && endTime.value >= 0 && beginTime.value >= 0 && endTime < beginTime)
        return AddDay(endDate.value, 1);
    return endDate.value;
}
}  // namespace

bool TExcuse::CheckDateTimeRange(const std::string& beginDate, const std::string& endDate,
                                 const std::string& beginTimeText, const std::string& endTimeText,
                                 const std::string& text5, const std::string& text6) {
    // Times compare as texts in their four-digit form: 800 is 0800, and "0" the
    // midnight "0000".
    const std::string beginTime = FourDigitTime(beginTimeText), endTime = FourDigitTime(endTimeText);
    if (Trim(endDate).empty() || Trim(beginDate).empty()) return false;
    if (beginDate == endDate && beginTime == endTime) return false;
    if (Trim(text5).empty() || Trim(text6).empty()) return false;
    if (endDate < beginDate) MakeException(msg::kEndDateBeforeBegin);
    // An end time of 0000 on the same day means midnight at its end.
    if (endDate == beginDate && endTime < beginTime && endTime != "0000")
        MakeException(msg::kEndTimeBeforeBegin);
    return true;
}

void TExcuse::CheckLeaveConflict(const std::string& billNo, const std::string& person, CalendarDay beginDate,
                                 TimeOfDay beginTime, CalendarDay endDate, TimeOfDay endTime, int flag) {
    const std::string head =
        "Select A.*, B.ExcuseClsName From humExcuse A Left Join humExcuseCls B On A.ExcuseClsID = "
        "B.ExcuseClsID "
        "Where A.Flag <> 3 And A.PersonID = " +
        QuoteStr(person);
    // A span within one date whose end time is before its begin time runs into the next
    // day, both the one checked and the stored ones: the rows are picked on the days
    // each may reach, and the overlap itself is decided row by row.
    const int reachedEnd = ReachedEndDate(beginDate, beginTime, endDate, endTime);
    const std::string span = " And Not (A.BeginDate > " + std::to_string(reachedEnd) + " Or A.EndDate < " +
                             std::to_string(AddDay(beginDate.value, -1)) + ") ";
    // Rows of other bills of the same kind, then every row of the other kind.
    Variant sameKind = OpenDatasetV(
        head + " And A.BillNo <> " + QuoteStr(billNo) + span + " And A.Flag = " + (flag == 1 ? "1" : "2"),
        -1);
    Dataset otherKind = GetDBConn().OpenDataset(head + span + " And A.Flag = " + (flag == 1 ? "2" : "1"));
    Dataset rows = Dataset::FromPacket(sameKind);
    if (rows.FieldCount() == 0) rows = Dataset(otherKind.Fields());
    rows.CopyDataset(otherKind);
    CheckConflictRows(rows, beginDate, endDate, beginTime, endTime, false);
}

void TExcuse::CheckConflictRows(Dataset& rows, CalendarDay beginDate, CalendarDay endDate,
                                TimeOfDay beginTime, TimeOfDay endTime, bool inBill) {
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const TimeOfDay rowBeginTime = TimeOf(rows["BeginTime"], "BeginTime");
        const TimeOfDay rowEndTime = TimeOf(rows["EndTime"], "EndTime");
        const CalendarDay rowBeginDate = DayOf(rows["BeginDate"], "BeginDate");
        const CalendarDay rowEndDate = DayOf(rows["EndDate"], "EndDate");
        // A row without times entered takes no part in the overlap check.
        if (rowBeginTime.value <= 0 || rowEndTime.value <= 0) continue;
        if (!IsTimeConflict(rowBeginDate.value, rowBeginTime.value, rowEndDate.value, rowEndTime.value,
                            beginDate.value, beginTime.value, endDate.value, endTime.value))
            continue;
        const Message& label = inBill || CInt(rows["Flag"]) != 1 ? msg::kLabelByDate : msg::kLabelByPerson;
        Variant className = rows.HasField("ExcuseClsName") ? rows["ExcuseClsName"] : Variant("");
        MakeException(msg::kLeaveConflict,
                      {Variant(label.text), rows["BillNo"], className, Variant(DateToShow(rowBeginDate.value)),
                       Variant(QvxTime2Show(rowBeginTime.value)), Variant(DateToShow(rowEndDate.value)),
                       Variant(QvxTime2Show(rowEndTime.value))});
    }
}

void TExcuse::CheckPersonOnJob(const std::string& person, CalendarDay beginDate, CalendarDay endDate,
                               int mode, int messageChoice, bool wholeSpan) {
    if (person.empty()) return;
    if (GetIsOnWork(Db(), person, beginDate.value, endDate.value, wholeSpan)) return;
    const Message& message = messageChoice == 0 ? msg::kPersonOffJobPartly : msg::kPersonOffJob;
    if (mode == 0)
        MakeException(message, {Variant(person)});
    else if (mode == 1)
        AddMessage(FormatMessage(message, {Variant(person)}), 2, 0);
}

int TExcuse::GetLateAllowance(const std::string& person, CalendarDay beginDate, TimeOfDay beginTime) {
    // A night shift that began the day before and is still running at the leave's
    // begin decides the allowance.
    const int date = beginDate.value, time = beginTime.value;
    const int previousDay = AddDay(date, -1);
    const std::string previousClass = GetPersonClassNo(Db(), person, previousDay);
    if (!previousClass.empty()) {
        Variant shift = DBSelectValue(prog_id::kClassCls, 0, " OnDutyTime,OffDutyTime,LateTimeOver",
                                      Variant(previousClass));
        if (shift.IsArray()) {
            const int onDuty = CInt(shift[0]), offDuty = CInt(shift[1]);
            if (onDuty > offDuty &&
                IsBetweenTwoTime(previousDay, onDuty, date, offDuty, date, time, date, time))
                return CInt(shift[2]);
        }
    }
    const std::string ownClass = GetPersonClassNo(Db(), person, date);
    if (ownClass.empty()) return 0;
    return CInt(DBSelectValue(prog_id::kClassCls, 0, "LateTimeOver", Variant(ownClass)));
}

std::string TExcuse::DateToShow(int date) {
    std::string text = QVXData2Show(date);
    const LeaveSettings s = LeaveSettings::Read(*this);
    if (s.commonDateStyle) return text;
    // The separator is the first character of the text, which may be a wide one.
    return QVXData2Show(date, s.yearStyle, s.dispStyle >= 2 && s.dispStyle != 4 ? 1 : 0, true, true,
                        FirstCharacter(s.separator));
}

}  // namespace humrs
