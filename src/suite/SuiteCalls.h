#pragma once
// How a class asks the suite's outside objects: one routine per procedure, named after
// what it asks. Each carries the callee's ProgID, the procedure's number and its
// argument layout, and runs the procedure through the caller's DoCOMMethod: with the
// caller's context number, inside the caller's transaction. The callees declare the
// procedures (suite/CoReset.h, CoClassCls.h, CoChkAttend.h; the leave service and the
// allowance bill in their own folders), so a call that does not fit its declaration is
// bad input.
#include <string>
#include <utility>

#include "core/Variant.h"

namespace humrs {

class Dataset;
class TQVXComBase;

// The bill whose rows a change set of the leave service's posting holds, numbered as
// the leave and overtime bills pass it.
enum class RedeemSource : int {
    LeaveByPerson = 0,
    LeaveByDate = 1,
    OvertimeByPerson = 2,
    OvertimeByDate = 3
};

namespace suite {

// ---- "QVXHumrs.Reset"

// Procedure 3: completed years from the person's hire date to `date` (yyyymmdd; 0 is
// today); 0 before the first anniversary or without a hire date.
int Seniority(TQVXComBase& caller, const std::string& person, int date);

// Procedure 7: the pay figures of a salary month, as data packets (columns in
// suite/CoReset.h).
struct PayFigures {
    Variant amounts;     // one row: overtime pay by segment, piece-work bonus and shortfall
    Variant hours;       // one row: paid overtime hours by segment, the hourly rate
    Variant leaveRates;  // one row per category that deducts pay
};
PayFigures MonthPayFigures(TQVXComBase& caller, const std::string& person, int yearMonth);

// Procedure 9: the length of a leave in `unit` (0 days, 1 hours, 2 minutes; -1 the
// category's own), counted by the person's shift when byShift. A time of -1 is not
// entered.
struct LeaveSpan {
    std::string person;
    std::string categoryId;  // ExcuseClsID
    int beginDate = 0;
    int endDate = 0;
    int beginTime = -1;
    int endTime = -1;
    int unit = -1;
    bool byShift = true;
};
Variant LeaveLength(TQVXComBase& caller, const LeaveSpan& span);

// Procedure 11: whether the person is on the job on some day of the salary month yyyymm.
bool OnJobInMonth(TQVXComBase& caller, const std::string& person, int yearMonth);

// Procedure 20: the person's fixed pay of the salary month yyyymm, in proportion to the
// days on the job; rounded to 2 decimals.
double SalaryDue(TQVXComBase& caller, const std::string& person, int yearMonth);

// Procedure 34: eliminates the paid overtime above each selected person's monthly
// limit; false when the request (as ParseOverTimeSelection reads it) names no month.
bool EliminateOverLimit(TQVXComBase& caller, const Variant& request);

// Procedure 38: the first and the last day of the salary period of yyyymm; (0, 0) for
// an invalid month.
std::pair<int, int> SalaryPeriod(TQVXComBase& caller, int yearMonth);

// ---- "QVXHumrs.ClassCls"

// Procedure 0: the on-duty and off-duty times (hhmm) of a work class; (0, 0) for an
// empty or unknown class. An off-duty time below the on-duty time is on the next day.
std::pair<int, int> DutyTimes(TQVXComBase& caller, const std::string& classId);

// ---- "QvxHumrs.ChkAttend" (the request as ParseOverTimeSelection reads it; the second
// argument is Null, as the attendance check is called)

// Procedure 10: takes back the selected month's eliminations.
void ClearEliminations(TQVXComBase& caller, const Variant& request);

// Procedure 11: the selected overtime rows that the attendance records do not cover,
// one description each, joined with ","; "" when all agree.
std::string AttendMismatches(TQVXComBase& caller, const Variant& request);

// ---- The component's classes that bills of another kind call

// "QVXHumrs.Excuse" procedure 10: re-allocates the compensatory leave of the persons
// a change set of `source` touches (after its rows are written or deleted).
void PostRedeemChanges(TQVXComBase& caller, const Variant& changes, RedeemSource source, bool deleted);

// "QVXHumrs.SubsidyCut" procedure 2: the person's account number at a salary bank.
std::string PersonBankAccount(TQVXComBase& caller, const std::string& person, const std::string& bank);

// ---- Within a subsystem: the leave service ("QVXHumrs.Excuse") and the overtime
// bill ("QVXHumrs.Overtime") checking a row of a bill by date. Each check refuses the
// bill itself; `flag` is the Flag of the caller's rows, which the check leaves out of
// "other bills" together with the caller's own bill number.

// A span of a leave or an overtime: dates yyyymmdd, times of day hhmm.
struct DaySpan {
    int beginDate = 0;
    int beginTime = 0;
    int endDate = 0;
    int endTime = 0;
};

// Leave procedure 4: the person's leave stored by other bills must not meet `span`.
void CheckLeaveConflict(TQVXComBase& caller, const std::string& ownBill, const std::string& person,
                        const DaySpan& span, int flag);
// Leave procedure 5: the person (as the client gave it) must be on the job from `beginDate` to `endDate`; `mode`
// and `messageChoice` choose the days looked at and the message, `wholeSpan` whether
// a day off the job anywhere in the span refuses.
void CheckPersonOnJob(TQVXComBase& caller, const Variant& person, int beginDate, int endDate, int mode,
                      int messageChoice, bool wholeSpan);
// Leave procedure 7: the rows `others` (a data packet of the same bill) must not meet
// the span of the row under the cursor of `row`.
void CheckConflictRows(TQVXComBase& caller, const Variant& others, const Dataset& row);
// Leave procedure 8: the leave must fit the person's entitlement of the category.
void CheckLeaveQuota(TQVXComBase& caller, const std::string& person, const std::string& billNo,
                     const std::string& category, const DaySpan& span, int flag, double count);
// Leave procedure 9: the minutes of lateness the person may take as personal leave on
// the day; 0 when no allowance applies.
int LateAllowance(TQVXComBase& caller, const std::string& person, int beginDate, int beginTime);

// Overtime procedure 3: whether beginTime-endTime falls in the working hours of the
// work class.
bool IsInClassWorkTime(TQVXComBase& caller, const std::string& classId, int beginTime, int endTime);
// Overtime procedure 1: the person's overtime stored by other bills must not meet the
// span on `date`; `ownBill` is the caller's bill number as stored.
void CheckOvertimeConflict(TQVXComBase& caller, const Variant& ownBill, const std::string& person, int date,
                           int beginTime, int endTime, int flag);
// Overtime procedure 6: the rows `others` (a data packet of the same bill) must not
// meet the span on `date`; `byDateLabel` names rows as the bill by date does.
void CheckOvertimeRows(TQVXComBase& caller, const Variant& others, int date, int beginTime, int endTime,
                       bool byDateLabel);

}  // namespace suite
}  // namespace humrs
