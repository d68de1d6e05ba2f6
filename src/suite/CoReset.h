#pragma once
#include <string>
#include <vector>

#include "framework/ComBase.h"

namespace humrs {

// The attendance and salary figures of the suite, "QVXHumrs.Reset". Computed from
// the person master (comPerson), the salary settings (humPersonSetMain with Flag 1,
// humPersonSetSub), overtime, leave and piece-work rows, and the salary parameters
// of suite/SysParams.h: the salary period's first day, the days and hours of a salary
// month (or the hours of a working day) and the overtime pay factors. A parameter a
// rate is divided by that is not above 0 is bad input naming the key.
//
// Procedures (declared by ResetProcedures, their arguments checked before they run;
// "[0] …" is an array in the first argument, "a / b" the first and the second
// argument; callers go through suite/SuiteCalls.h):
//   3   [0] PersonID, [1] a date (number or digit text; empty or 0: today) -> integer:
//       completed years from the hire date to that date (0 before the first
//       anniversary, without a hire date or for a date before it)
//   7   [0] PersonID, [1] salary month yyyymm / not read -> array R:
//       R[0] one row: FieldAAccount, FieldBAccount, FieldCAccount, HolidayAccount
//            (overtime pay of the salary period's paid overtime at the hourly rate
//            times the segment's factor; eliminated hours come off C, then B, then A),
//            PieceBonus, PieceShortFall (the month's piece-work pay above / below
//            the base salary; both 0 without piece work)
//       R[1] one row: FieldACount, FieldBCount, FieldCCount, HolidayCount (the hours
//            paid), HourRate
//       R[2] leave rates, one row per category that deducts pay (CutPayment):
//            ExcuseID, ExcuseCount (units of the category in one day), Account (one
//            day's wage)
//   9   [0] PersonID, [1] ExcuseClsID, [2] begin date, [3] end date, [4] begin time,
//       [5] end time, [6] unit (0 days, 1 hours, 2 minutes), [7] by shift -> the
//       leave length in the unit (CalExcuse)
//   11  PersonID / salary month yyyymm -> boolean: on the job on some day of the month
//   20  PersonID / salary month yyyymm -> float: the fixed pay of the month (base
//       salary, full-attendance and meal pay where the person has them, the person's
//       salary items added or deducted by item), in proportion to the days on the job
//       in the month; rounded to 2 decimals
//   34  a month request (see ParseOverTimeSelection) -> boolean: eliminates the paid
//       overtime above each person's monthly limit (humOverTimeCls.OverMonth of the
//       person's OverTimeClass, persons with OverTime 1): NotIntoOverTimeValue is set
//       afresh, latest overtime first; false when the request names no valid month
//   38  salary month (yyyymm as text or number) / not read -> array [0] first day,
//       [1] last day of the salary period; [0, 0] for an invalid month
class TReset : public TQVXComBase {
public:
    // The building blocks of the procedures.
    int Seniority(const std::string& personId, int date);
    virtual Variant PayFigures(const std::string& personId, int yearMonth);
    bool OnJobInMonth(const std::string& personId, int yearMonth);
    double SalaryDue(const std::string& personId, int yearMonth);
    bool EliminateOverLimit(const Variant& request);
    VariantArray SalaryPeriod(int yearMonth);
};

std::vector<ProcedureDef> ResetProcedures();

}  // namespace humrs
