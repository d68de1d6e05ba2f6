#include "utils/DateUtils.h"

#include "core/Errors.h"

#include <algorithm>
#include <ctime>
#include <optional>

namespace humrs {

namespace {

using namespace std::chrono;

constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;

bool YearMonthInRange(int y, int m) { return y >= kMinYear && y <= kMaxYear && m >= 1 && m <= 12; }

// The day count of yyyymmdd, letting the day number run past the month's end
// (or below its first day) into the neighbouring months. Empty when the year
// or month is out of range.
std::optional<sys_days> ToDays(QVXDate date) {
    if (date <= 0) return std::nullopt;
    const int y = Year(date);
    const int m = Month(date);
    if (!YearMonthInRange(y, m)) return std::nullopt;
    return sys_days{year{y} / month{static_cast<unsigned>(m)} / 1} + days{Day(date) - 1};
}

QVXDate FromDaysChecked(sys_days d) {
    const year_month_day ymd{d};
    const int y = static_cast<int>(ymd.year());
    if (y < kMinYear || y > kMaxYear) return 0;
    return Date2QVXDate(ymd);
}

}  // namespace

QVXDate Date2QVXDate(year_month_day date) {
    if (!date.ok()) return 0;
    const int y = static_cast<int>(date.year());
    if (y < kMinYear || y > kMaxYear) return 0;
    return y * 10000 + static_cast<int>(static_cast<unsigned>(date.month())) * 100 +
           static_cast<int>(static_cast<unsigned>(date.day()));
}

QVXDate Date2QVXDate(sys_days date) { return Date2QVXDate(year_month_day{date}); }

year_month_day QVXDate2Date(QVXDate date) {
    return year{Year(date)} / month{static_cast<unsigned>(Month(date))} / day{static_cast<unsigned>(Day(date))};
}

int Year(QVXDate date) { return date / 10000; }
int Month(QVXDate date) { return date / 100 % 100; }
int Day(QVXDate date) { return date % 100; }

int GetMaxDay(int yearMonth) {
    const int y = yearMonth / 100;
    const int m = yearMonth % 100;
    if (!YearMonthInRange(y, m)) return 0;
    const year_month_day_last last{year{y}, month_day_last{month{static_cast<unsigned>(m)}}};
    return static_cast<int>(static_cast<unsigned>(last.day()));
}

bool IsValidDate(QVXDate date) {
    if (date <= 0) return false;
    const int y = Year(date);
    if (y < kMinYear || y > kMaxYear) return false;
    return QVXDate2Date(date).ok();
}

void RequireDateOrZero(int64_t value, const std::string& field) {
    if (value == 0) return;
    if (value > 0 && value <= 99991231 && IsValidDate(static_cast<QVXDate>(value))) return;
    throw InputError(field + " " + std::to_string(value) + " is not a date (yyyymmdd on the calendar, or 0)");
}

QVXDate AddDay(QVXDate date, int n) {
    const auto d = ToDays(date);
    if (!d) return 0;
    return FromDaysChecked(*d + days{n});
}

QVXDate AddMonth(QVXDate date, int n) {
    if (date <= 0) return 0;
    const int y = Year(date);
    const int m = Month(date);
    const int d = Day(date);
    if (!YearMonthInRange(y, m) || d < 1 || d > 31) return 0;

    // Month arithmetic on a zero-based month index, floor division for n < 0.
    const long long index = static_cast<long long>(y) * 12 + (m - 1) + n;
    const long long ty = index >= 0 ? index / 12 : (index - 11) / 12;
    const int tm = static_cast<int>(index - ty * 12) + 1;
    if (ty < kMinYear || ty > kMaxYear) return 0;

    const int target = static_cast<int>(ty) * 100 + tm;
    return target * 100 + std::min(d, GetMaxDay(target));
}

int DaysBetween(QVXDate from, QVXDate to) {
    const auto a = ToDays(from);
    const auto b = ToDays(to);
    if (!a || !b) return 0;
    return static_cast<int>((*b - *a).count());
}

int WeekDay(QVXDate date) {
    if (!IsValidDate(date)) return -1;
    return static_cast<int>(weekday{sys_days{QVXDate2Date(date)}}.c_encoding());
}

QVXDate TodayQVXDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

std::string DateToText(QVXDate date, int yearType, int dispType, bool padMonth, bool padDay,
                       const std::string& separator) {
    if (date <= 0) return "";
    auto pad = [](int n, int width) {
        std::string t = std::to_string(n);
        return t.size() < static_cast<size_t>(width) ? std::string(width - t.size(), '0') + t : t;
    };
    const int y = date / 10000, m = date / 100 % 100, d = date % 100;
    const std::string ys = yearType == 1 ? pad(y % 100, 2) : yearType == 2 ? std::to_string(y - 1911) : std::to_string(y);
    const std::string ms = padMonth ? pad(m, 2) : std::to_string(m);
    const std::string ds = padDay ? pad(d, 2) : std::to_string(d);
    if (dispType == 1) return ys + "年" + ms + "月" + ds + "日";
    return ys + separator + ms + separator + ds;
}

}  // namespace humrs
