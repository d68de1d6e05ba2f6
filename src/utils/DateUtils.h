#pragma once
#include <string>
// Calendar dates as the HR tables store them.
//
// A QVXDate is the integer yyyymmdd (20050131 is 31 January 2005); 0 means
// "no date". A year-month is the integer yyyymm (200502). All arithmetic goes
// through std::chrono civil dates (proleptic Gregorian calendar); nothing here
// keeps state or touches the database.
#include <chrono>

namespace humrs {

using QVXDate = int;

// yyyymmdd of a civil date; 0 when the date is not a valid calendar day.
QVXDate Date2QVXDate(std::chrono::year_month_day date);
// yyyymmdd of a day count (the date part of a system-clock time point).
QVXDate Date2QVXDate(std::chrono::sys_days date);

// The civil date of yyyymmdd, field by field. No check is made: for 0 or an
// impossible date (20050230) the result's ok() is false.
std::chrono::year_month_day QVXDate2Date(QVXDate date);

// Fields of yyyymmdd by plain integer arithmetic (no validity check).
int Year(QVXDate date);
int Month(QVXDate date);
int Day(QVXDate date);

// Days in the month yyyymm (200002 gives 29, 190002 gives 28); 0 when the
// month is not 1 to 12 or the year is not 1 to 9999.
int GetMaxDay(int yearMonth);

// True for a real calendar day with a year from 1 to 9999; false for 0.
bool IsValidDate(QVXDate date);
// Raises InputError naming `field` unless the value is 0 (no date entered) or a date
// on the calendar within the supported years.
void RequireDateOrZero(int64_t value, const std::string& field);

// The date n days later (n below 0 goes back). A day number past the month's
// end counts on into the next month and day 0 is the last day of the month
// before, so AddDay(20050229, -1) is 20050228. 0 when the year or the month is
// out of range (which includes the "no date" 0) or the result leaves years 1
// to 9999.
QVXDate AddDay(QVXDate date, int n);

// The date n months later (n below 0 goes back), keeping the day of the month.
// Month-end rule: when the target month is shorter than that day, the result is
// the target month's last day:
//   AddMonth(20050131, 1)  = 20050228
//   AddMonth(20040229, 12) = 20050228
//   AddMonth(20050331, -1) = 20050228
//   AddMonth(20050610, -3) = 20050310
// The clamp is not remembered: AddMonth(AddMonth(20050131, 1), 1) is 20050328.
// A day above the month's own length (20050230) is clamped the same way.
// 0 when the year or month is out of range, the day is 0 or above 31, or the
// result leaves years 1 to 9999.
QVXDate AddMonth(QVXDate date, int n);

// Days from `from` to `to`: positive when `to` is later, 0 for the same day.
// Out-of-month day numbers are counted on as in AddDay. 0 when either date's
// year or month is out of range.
int DaysBetween(QVXDate from, QVXDate to);

// Day of the week, 0 = Sunday to 6 = Saturday; -1 for an invalid date.
int WeekDay(QVXDate date);

// Today's date by the system clock in the machine's local time zone.
QVXDate TodayQVXDate();

// Display text of a date; "" for no date. yearType 0 four digits, 1 two digits,
// 2 years since 1911; dispType 0 the parts joined by the separator, 1 with 年月日.
// The defaults give the short form yyyy/mm/dd.
std::string DateToText(QVXDate date, int yearType = 0, int dispType = 0, bool padMonth = true, bool padDay = true,
                       const std::string& separator = "/");

}  // namespace humrs
