#pragma once
// Times of day and time spans of attendance, leave and overtime.
//
// A time of day is the integer hhmm (830 is 08:30). 0 is the start of a day
// and 2400 its end (midnight at the end of that day); a negative time means
// "not entered". A span runs from its begin to its end; the end itself is not
// part of it, so spans that only touch (08:00-12:00 and 12:00-13:00) do not
// overlap.
#include <string>

#include "utils/DateUtils.h"

namespace humrs {

// hhmm to minutes since the start of the day (2400 gives 1440); -1 for a
// negative (not entered) time.
int TimeToMinutes(int hhmm);
// Minutes since the start of a day to hhmm (1440 gives 2400; larger values keep
// counting hours, 1500 gives 2500); -1 for a negative count.
int MinutesToTime(int minutes);

// --- Overlap of two spans -------------------------------------------------
// Every form is false when a time of either span is negative (not entered) or,
// in the dated forms, a date is not a valid calendar day.

// A time of day hhmm from 0000 to 2400 (the end of the day), minutes below 60.
bool IsValidTime(int64_t hhmm);
// Raises InputError naming `field` unless the value is -1 (no time entered) or a
// time of day.
void RequireTimeOrUnset(int64_t value, const std::string& field);

// Two spans of the working day's clock, without dates, repeating every day (a
// shift pattern against an overtime pattern). A span whose end is not after its
// begin passes midnight: 2200-0600 is 22:00 to 06:00 of the next morning,
// 1600-0 runs to midnight, and a span whose end equals its begin (0-0, 800-800)
// is a whole day. Because the pattern repeats, 2200-0200 overlaps 0100-0300.
bool IsTimeConflict(int begin1, int end1, int begin2, int end2);

// Two spans that both begin on `date`. A span whose end time is below its begin
// time ends on the next day (2200-0600); one whose end equals its begin is
// empty and overlaps nothing. 2200-0200 does not overlap 0100-0300 of the same
// date (that is the early morning before), but does overlap 0100-0300 of the
// next date in the six-argument form.
bool IsTimeConflict(QVXDate date, int begin1, int end1, int begin2, int end2);

// As above, each span beginning on its own date.
bool IsTimeConflict(QVXDate date1, int begin1, int end1, QVXDate date2, int begin2, int end2);

// Two spans given by begin (date, time) and end (date, time). When a span's end
// date equals its begin date and its end time is below its begin time, it ends
// on the next day (2200-0600 again). Any other span whose end is not after its
// begin is empty and overlaps nothing.
bool IsTimeConflict(QVXDate beginDate1, int beginTime1, QVXDate endDate1, int endTime1,
                    QVXDate beginDate2, int beginTime2, QVXDate endDate2, int endTime2);

// True when the second span lies within the first, borders included: it begins
// no earlier and ends no later. The second span may be a single moment (its
// begin equal to its end). Spans are read as in the eight-argument
// IsTimeConflict (same-date end time below begin time ends the next day).
// False when a time is negative or a date is invalid.
bool IsBetweenTwoTime(QVXDate beginDate1, int beginTime1, QVXDate endDate1, int endTime1,
                      QVXDate beginDate2, int beginTime2, QVXDate endDate2, int endTime2);

// --- Length of a span -----------------------------------------------------

enum class TTimeType {
    Minute = 1,
    Hour = 2,
    Day = 3,
};

// Time from (beginDate, beginTime) to (endDate, endTime), taken literally:
// an end before the begin gives a negative length. An end time of 2400 is
// midnight at the end of endDate. Minute gives whole minutes; Hour and Day give
// the same length in hours (minutes / 60) and days (minutes / 1440), unrounded.
// 0 when a time is negative or a date is invalid.
double DistOfTime(QVXDate beginDate, int beginTime, QVXDate endDate, int endTime, TTimeType type);

// --- Display --------------------------------------------------------------

// "hh:mm" with two-digit hours and minutes (830 gives "08:30", 2400 "24:00");
// "" for a negative (not entered) time.
std::string QvxTime2Show(int hhmm);

}  // namespace humrs
