#include "utils/TimeUtils.h"

#include "core/Errors.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace humrs {

bool IsValidTime(int64_t hhmm) { return hhmm >= 0 && hhmm <= 2400 && hhmm % 100 < 60; }

void RequireTimeOrUnset(int64_t value, const std::string& field) {
    if (value == -1 || IsValidTime(value)) return;
    throw InputError(field + " " + std::to_string(value) + " is not a time of day (hhmm from 0000 to 2400, or -1)");
}

namespace {

constexpr int64_t kMinutesPerDay = 24 * 60;

// A span on a running minute count: [begin, end). Empty when end <= begin.
struct Span {
    int64_t begin;
    int64_t end;
    bool Empty() const { return end <= begin; }
};

bool Overlaps(const Span& a, const Span& b) {
    if (a.Empty() || b.Empty()) return false;
    return std::max(a.begin, b.begin) < std::min(a.end, b.end);
}

// Minutes from the epoch day to the start of `date`; empty for an invalid date.
std::optional<int64_t> DayStart(QVXDate date) {
    if (!IsValidDate(date)) return std::nullopt;
    const std::chrono::sys_days days{QVXDate2Date(date)};
    return static_cast<int64_t>(days.time_since_epoch().count()) * kMinutesPerDay;
}

// A moment given as date and time of day; empty when either is not given.
std::optional<int64_t> Moment(QVXDate date, int time) {
    if (time < 0) return std::nullopt;
    const auto start = DayStart(date);
    if (!start) return std::nullopt;
    return *start + TimeToMinutes(time);
}

// A span that begins on `date`; an end time below the begin time is on the next day.
std::optional<Span> SpanOfDate(QVXDate date, int begin, int end) {
    if (begin < 0 || end < 0) return std::nullopt;
    const auto start = DayStart(date);
    if (!start) return std::nullopt;
    Span s{*start + TimeToMinutes(begin), *start + TimeToMinutes(end)};
    if (end < begin) s.end += kMinutesPerDay;
    return s;
}

// A span from (beginDate, beginTime) to (endDate, endTime). A span within one
// date whose end time is below its begin time is read as ending the next day.
std::optional<Span> SpanOfMoments(QVXDate beginDate, int beginTime, QVXDate endDate, int endTime) {
    const auto b = Moment(beginDate, beginTime);
    const auto e = Moment(endDate, endTime);
    if (!b || !e) return std::nullopt;
    Span s{*b, *e};
    if (beginDate == endDate && endTime < beginTime) s.end += kMinutesPerDay;
    return s;
}

int64_t FloorMod(int64_t a, int64_t m) {
    const int64_t r = a % m;
    return r < 0 ? r + m : r;
}

// A daily-repeating span laid on the clock: begins within [0, 1440) and lasts
// more than 0 and at most a whole day.
Span ClockSpan(int begin, int end) {
    const int64_t b = TimeToMinutes(begin);
    int64_t length = FloorMod(TimeToMinutes(end) - b, kMinutesPerDay);
    if (length == 0) length = kMinutesPerDay;
    const int64_t start = FloorMod(b, kMinutesPerDay);
    return Span{start, start + length};
}

}  // namespace

int TimeToMinutes(int hhmm) {
    if (hhmm < 0) return -1;
    return hhmm / 100 * 60 + hhmm % 100;
}

int MinutesToTime(int minutes) {
    if (minutes < 0) return -1;
    return minutes / 60 * 100 + minutes % 60;
}

bool IsTimeConflict(int begin1, int end1, int begin2, int end2) {
    if (begin1 < 0 || end1 < 0 || begin2 < 0 || end2 < 0) return false;
    const Span a = ClockSpan(begin1, end1);
    const Span b = ClockSpan(begin2, end2);
    // Both begin within the same day and last at most a day, so yesterday's,
    // today's and tomorrow's copies of the second span are all that can meet
    // the first.
    for (int64_t shift : {-kMinutesPerDay, int64_t{0}, kMinutesPerDay}) {
        if (Overlaps(a, Span{b.begin + shift, b.end + shift})) return true;
    }
    return false;
}

bool IsTimeConflict(QVXDate date, int begin1, int end1, int begin2, int end2) {
    return IsTimeConflict(date, begin1, end1, date, begin2, end2);
}

bool IsTimeConflict(QVXDate date1, int begin1, int end1, QVXDate date2, int begin2, int end2) {
    const auto a = SpanOfDate(date1, begin1, end1);
    const auto b = SpanOfDate(date2, begin2, end2);
    return a && b && Overlaps(*a, *b);
}

bool IsTimeConflict(QVXDate beginDate1, int beginTime1, QVXDate endDate1, int endTime1,
                    QVXDate beginDate2, int beginTime2, QVXDate endDate2, int endTime2) {
    const auto a = SpanOfMoments(beginDate1, beginTime1, endDate1, endTime1);
    const auto b = SpanOfMoments(beginDate2, beginTime2, endDate2, endTime2);
    return a && b && Overlaps(*a, *b);
}

bool IsBetweenTwoTime(QVXDate beginDate1, int beginTime1, QVXDate endDate1, int endTime1,
                      QVXDate beginDate2, int beginTime2, QVXDate endDate2, int endTime2) {
    const auto outer = SpanOfMoments(beginDate1, beginTime1, endDate1, endTime1);
    const auto inner = SpanOfMoments(beginDate2, beginTime2, endDate2, endTime2);
    if (!outer || !inner) return false;
    return outer->begin <= inner->begin && inner->end <= outer->end && inner->begin <= inner->end;
}

double DistOfTime(QVXDate beginDate, int beginTime, QVXDate endDate, int endTime, TTimeType type) {
    const auto b = Moment(beginDate, beginTime);
    const auto e = Moment(endDate, endTime);
    if (!b || !e) return 0;
    const double minutes = static_cast<double>(*e - *b);
    switch (type) {
        case TTimeType::Hour:
            return minutes / 60.0;
        case TTimeType::Day:
            return minutes / static_cast<double>(kMinutesPerDay);
        case TTimeType::Minute:
        default:
            return minutes;
    }
}

std::string QvxTime2Show(int hhmm) {
    if (hhmm < 0) return "";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", hhmm / 100, hhmm % 100);
    return buf;
}

}  // namespace humrs
