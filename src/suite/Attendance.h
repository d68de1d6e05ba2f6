#pragma once
// Attendance helpers that read the database: employment, a person's work class
// (shift) on a date, leave length by shift, leave used in a period, and the daily
// attendance detail kept in step with leave, overtime and hourly work rows.
//
// Employment. A person is on the job on a date when comPerson.OnJobDate is set
// (not 0), the date is not before it, and LeaveJobDate is 0 or the date is not
// after it. The leaving date is the person's last day on the job: a resignation
// effective on the 10th still counts the 10th as worked, the 11th no longer.
//
// Work class of a date. A row of humPersonClassDate for the person and date wins
// (an empty ClassID there makes the date a rest day); otherwise the person's work
// schedule (humPersonExtend.JobSch) gives the class of the weekday through
// humJobScheduleDay (0 = Sunday); no schedule, no row or an empty ClassID means a
// rest day ("").
//
// Shift time. A class works from OnDutyTime to OffDutyTime; an off-duty time
// below the on-duty time ends on the next day (night shift), an off-duty time 0
// after a later on-duty time is the end of the same day. The break RestBeginTime
// to RestEndTime (-1 for none) is not working time. A night shift belongs to the
// date it starts on.
#include <string>

#include "db/Database.h"
#include "framework/Dataset.h"
#include "core/Variant.h"
#include "utils/DateUtils.h"

namespace humrs {

// ---- Employment ------------------------------------------------------------

// Whether the person is on the job on the date. False for an unknown person, an
// empty person or date 0.
bool GetIsOnWork(Database& db, const std::string& personId, QVXDate date);

// Whether the person is on the job on every day of the span (wholeSpan true) or on
// at least one day of it (wholeSpan false). An end date 0 means the begin date
// alone; an end before the begin is read the other way round. A year-month
// (yyyymm) given instead of a date stands for its first day as begin and its last
// day as end, so a salary month may be passed as it is.
bool GetIsOnWork(Database& db, const std::string& personId, QVXDate beginDate, QVXDate endDate, bool wholeSpan);

// Whether the person is subject to attendance on the date: on the job on that date
// and marked NeedAttend in humPersonExtend.
bool GetPersonNeedAttend(Database& db, const std::string& personId, QVXDate date);

// The persons on the job, as text for an SQL condition ("'P001','P002'", or
// "P001,P002" unquoted), in PersonID order; "" when nobody is.
//   wholeSpan        on the job on every day of the span (else on some day of it)
//   attendOnly       only persons subject to attendance (humPersonExtend.NeedAttend)
//   quoted           each identifier as an SQL string literal
//   excludeSuspended leave out persons on leave without pay (WorkState 5)
std::string GetPersonIDOnWork(Database& db, QVXDate beginDate, QVXDate endDate, bool wholeSpan,
                              bool attendOnly = false, bool quoted = true, bool excludeSuspended = false);
// The same for one date.
std::string GetPersonIDOnWork(Database& db, QVXDate date, bool attendOnly = false, bool quoted = true,
                              bool excludeSuspended = false);

// Refuses (BusinessError) the first row whose person is not on the job on the row's
// date, naming the person and the date. `data` is dataset data or a change set;
// deleted rows and rows without a person are passed over, a changed row is checked
// with its values as they will be stored.
void CheckGetIsOnWork(Database& db, const Variant& data, const std::string& dateField,
                      const std::string& personField);
// The rows of a bill's dataset: the refusal points at the row's person in dataset
// `datasetIndex` of the bill when it is given (not below 0).
void CheckGetIsOnWork(Database& db, const Dataset& data, const std::string& dateField,
                      const std::string& personField, int datasetIndex = -1);

// ---- Work classes ----------------------------------------------------------

// The person's work class on the date; "" on a rest day.
std::string GetPersonClassNo(Database& db, const std::string& personId, QVXDate date);

// The class on the date under the given schedule: the person's own class of that
// date when there is one, else the schedule's class of the weekday; "" on a rest day.
std::string GetClassNo(Database& db, const std::string& personId, const std::string& jobSch, QVXDate date);

// ---- Leave -----------------------------------------------------------------

// Units of a leave count (humExcuseCls.UnitName).
enum ExcuseUnitKind { kUnitDays = 0, kUnitHours = 1, kUnitMinutes = 2 };

// The length of the leave from (beginDate, beginTime) to (endDate, endTime) in the
// unit: 0 days, 1 hours, 2 minutes; a negative unit takes the category's UnitName.
// With byShift the count is the working time of the person's shifts inside the span
// (each shift's working time less its break; rest days count nothing), in days as
// the fraction of each shift's working time; without it the plain elapsed time
// (a day being 24 hours). A begin time below 0 is the start of the begin date, an
// end time below 0 the end of the end date; on a single date an end time below the
// begin time ends on the next day ("0000" is midnight). Rounded to 4 decimals. A span
// of more than about ten years is not counted by shift: it raises InputError.
double CalExcuse(Database& db, const std::string& personId, const std::string& categoryId, QVXDate beginDate,
                 QVXDate endDate, int beginTime, int endTime, int unit, bool byShift = true);

// The person's leave of a category kind (humExcuseCls.ExcuseCls) whose BeginDate lies
// in [firstDay, lastDay]: the sum of ExcuseCount - CutExcuseCount over the leave rows
// (Flag 3 left out). excludeKey "BillNo:Flag" leaves out the rows of that bill
// ("BillNo" alone: of that bill number under any Flag; "" leaves out nothing). The
// bill number is taken as it stands, blanks included.
double GetPrsnPeriodExCount(Database& db, const std::string& personId, int categoryKind, QVXDate firstDay,
                            QVXDate lastDay, const std::string& excludeKey);

// ---- Attendance detail -----------------------------------------------------

// Kinds of rows whose change set ResetDetail is given.
enum DetailKind { kDetailLeave = 0, kDetailOverTime = 1, kDetailHourWork = 2 };

// Rebuilds humAttendDetail for the persons and dates a change set touches (both
// the stored and the new values of changed rows):
//   kind 0 leave      LeaveMinutes from humExcuse (Flag 3 left out), by shift;
//                     dates from BeginDate - 1 (a night shift reaching into the
//                     leave) to EndDate
//   kind 1 overtime   OverTimeHours, the hours of HumOverTime rows on OverTimeDate
//   kind 2 hourly     HourWorkHours, the span BeginTime..EndTime of
//                     HumHourSalarySub rows on WorkDate
// Each figure is recomputed from the stored rows, so this runs after the rows are
// written or deleted; byPerson (by-person bill) and deleted (after a delete) only
// say where the change set comes from. A detail row whose three figures are all 0
// is removed.
void ResetDetail(Database& db, int kind, const Variant& changeSet, bool byPerson, bool deleted);

}  // namespace humrs
