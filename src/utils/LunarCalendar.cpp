#include "utils/LunarCalendar.h"

#include <cstdint>
#include <iterator>

namespace humrs {

namespace {

using namespace std::chrono;

// One lunar year of the table.
struct LunarYear {
    // Bit n set: the (n+1)-th month of the year, counting a leap month in its
    // place, has 30 days; clear: 29 days.
    std::uint16_t longMonths;
    // The month that a leap month follows; 0 when the year has no leap month.
    std::uint8_t leapMonth;
    // New Year's Day (first day of the first month) in the Gregorian year of
    // the same number.
    std::uint8_t newYearMonth;
    std::uint8_t newYearDay;
};

constexpr int kFirstYear = 1900;

// The lunar years 1900 to 2099, printed by scripts/lunar_table.py from Debian's
// python3-lunardate and checked day by day against a second, independent
// conversion (an astronomical one: ICU's Chinese calendar) and against new moons
// and solar terms computed to the second for Beijing time (VSOP87 and ELP
// theories, as PyEphem implements them).
//
// The official calendar puts the first day of a month on the day (Beijing time,
// UTC+8) of the new moon, and a month without a major solar term is a leap
// month. Before 1929 it was computed for Beijing's local mean time (116°25'E,
// UTC+7:45:40) with the astronomy of the day; for those years the calendars as
// published then rule, as python3-lunardate has them. A computation for Beijing
// mean time today differs from them twice, both within minutes of midnight: the
// 4th month of 1906 (new moon 23:52 on 04-23; published: 04-24) and the leap
// month of 1922 (major term 23:58 on 07-23; published: after the 5th month).
//
// The astronomical conversion differs from this table in eleven years, always
// where a new moon or a major solar term falls within minutes of midnight and
// that conversion puts it on the wrong side:
//   1917 and 1922  leap months after the 2nd and the 5th month, as published then
//                  (major terms within two minutes of midnight, Beijing mean
//                  time), not after the 3rd and the 6th
//   1954-02-03     New Year's Day (new moon 23:55), not 02-04
//   1955-02-22     2nd month (new moon 23:54)
//   1987           leap month after the 6th month: the major term of 1987-08-24
//                  00:01 falls in the month that begins that day, so the month
//                  from 07-26 has none
//   1999-01-17     12th month (new moon 23:46)
//   2012-08-17     7th month (new moon 23:54)
//   2018-11-08     10th month (new moon 00:02), not 11-07
//   2027-02-06     New Year's Day (new moon 23:56), not 02-07
//   2030-02-03     New Year's Day (new moon 00:07), not 02-02
//   2070-03-12     2nd month (new moon 23:51)
//
// Published tables disagree with each other on five months. There the new moon
// computed for Beijing time rules, as the official almanacs recompute past and
// future years with current astronomy; python3-lunardate has the other day in
// each case, and scripts/lunar_table.py moves these month starts:
//   1933-07-23  6th month (new moon 00:03); 1933-07-22 is day 30 of the leap 5th month
//   1954-11-25  11th month (new moon 20:30); the 10th month has 29 days
//   1956-12-02  11th month (new moon 16:12); the 10th month has 29 days
//   1978-09-03  8th month (new moon 00:09); 1978-09-02 is day 30 of the 7th month,
//               and Mid-Autumn is 1978-09-17
//   2057-09-29  9th month. The new moon falls within seconds of midnight: 23:59:49
//               on 09-28 with a TT-UT of 124 s, but every current forecast of
//               TT-UT for 2057 is below the 113 s that would keep it on 09-28
//               (it is 69 s today), so the month begins 09-29 and Double Ninth
//               is 2057-10-07. To be confirmed when the official almanac for
//               2057 appears.
// clang-format off
constexpr LunarYear kYears[] = {
    {0x16d2,  8, 1, 31},  // 1900
    {0x0752,  0, 2, 19},  // 1901
    {0x0ea5,  0, 2,  8},  // 1902
    {0x164a,  5, 1, 29},  // 1903
    {0x064b,  0, 2, 16},  // 1904
    {0x0a9b,  0, 2,  4},  // 1905
    {0x1556,  4, 1, 25},  // 1906
    {0x056a,  0, 2, 13},  // 1907
    {0x0b59,  0, 2,  2},  // 1908
    {0x1752,  2, 1, 22},  // 1909
    {0x0752,  0, 2, 10},  // 1910
    {0x1b25,  6, 1, 30},  // 1911
    {0x0b25,  0, 2, 18},  // 1912
    {0x0a4b,  0, 2,  6},  // 1913
    {0x14ab,  5, 1, 26},  // 1914
    {0x02ad,  0, 2, 14},  // 1915
    {0x056b,  0, 2,  3},  // 1916
    {0x0b69,  2, 1, 23},  // 1917
    {0x0da9,  0, 2, 11},  // 1918
    {0x1d92,  7, 2,  1},  // 1919
    {0x0e92,  0, 2, 20},  // 1920
    {0x0d25,  0, 2,  8},  // 1921
    {0x1a4d,  5, 1, 28},  // 1922
    {0x0a56,  0, 2, 16},  // 1923
    {0x02b6,  0, 2,  5},  // 1924
    {0x15b5,  4, 1, 24},  // 1925
    {0x06d4,  0, 2, 13},  // 1926
    {0x0ea9,  0, 2,  2},  // 1927
    {0x1e92,  2, 1, 23},  // 1928
    {0x0e92,  0, 2, 10},  // 1929
    {0x0d26,  6, 1, 30},  // 1930
    {0x052b,  0, 2, 17},  // 1931
    {0x0a57,  0, 2,  6},  // 1932
    {0x12b6,  5, 1, 26},  // 1933
    {0x0b5a,  0, 2, 14},  // 1934
    {0x06d4,  0, 2,  4},  // 1935
    {0x0ec9,  3, 1, 24},  // 1936
    {0x0749,  0, 2, 11},  // 1937
    {0x1693,  7, 1, 31},  // 1938
    {0x0a93,  0, 2, 19},  // 1939
    {0x052b,  0, 2,  8},  // 1940
    {0x0a5b,  6, 1, 27},  // 1941
    {0x0aad,  0, 2, 15},  // 1942
    {0x056a,  0, 2,  5},  // 1943
    {0x1b55,  4, 1, 25},  // 1944
    {0x0ba4,  0, 2, 13},  // 1945
    {0x0b49,  0, 2,  2},  // 1946
    {0x1a93,  2, 1, 22},  // 1947
    {0x0a95,  0, 2, 10},  // 1948
    {0x152d,  7, 1, 29},  // 1949
    {0x0536,  0, 2, 17},  // 1950
    {0x0aad,  0, 2,  6},  // 1951
    {0x15aa,  5, 1, 27},  // 1952
    {0x05b2,  0, 2, 14},  // 1953
    {0x0da5,  0, 2,  3},  // 1954
    {0x1d4a,  3, 1, 24},  // 1955
    {0x0d4a,  0, 2, 12},  // 1956
    {0x0a95,  8, 1, 31},  // 1957
    {0x0a97,  0, 2, 18},  // 1958
    {0x0556,  0, 2,  8},  // 1959
    {0x0ab5,  6, 1, 28},  // 1960
    {0x0ad5,  0, 2, 15},  // 1961
    {0x06d2,  0, 2,  5},  // 1962
    {0x0ea5,  4, 1, 25},  // 1963
    {0x0ea5,  0, 2, 13},  // 1964
    {0x064a,  0, 2,  2},  // 1965
    {0x0c97,  3, 1, 21},  // 1966
    {0x0a9b,  0, 2,  9},  // 1967
    {0x155a,  7, 1, 30},  // 1968
    {0x056a,  0, 2, 17},  // 1969
    {0x0b69,  0, 2,  6},  // 1970
    {0x1752,  5, 1, 27},  // 1971
    {0x0b52,  0, 2, 15},  // 1972
    {0x0b25,  0, 2,  3},  // 1973
    {0x164b,  4, 1, 23},  // 1974
    {0x0a4b,  0, 2, 11},  // 1975
    {0x14ab,  8, 1, 31},  // 1976
    {0x02ad,  0, 2, 18},  // 1977
    {0x056d,  0, 2,  7},  // 1978
    {0x0b69,  6, 1, 28},  // 1979
    {0x0da9,  0, 2, 16},  // 1980
    {0x0d92,  0, 2,  5},  // 1981
    {0x1d25,  4, 1, 25},  // 1982
    {0x0d25,  0, 2, 13},  // 1983
    {0x1a4d, 10, 2,  2},  // 1984
    {0x0a56,  0, 2, 20},  // 1985
    {0x02b6,  0, 2,  9},  // 1986
    {0x05b5,  6, 1, 29},  // 1987
    {0x06d5,  0, 2, 17},  // 1988
    {0x0ea9,  0, 2,  6},  // 1989
    {0x1e92,  5, 1, 27},  // 1990
    {0x0e92,  0, 2, 15},  // 1991
    {0x0d26,  0, 2,  4},  // 1992
    {0x0a56,  3, 1, 23},  // 1993
    {0x0a57,  0, 2, 10},  // 1994
    {0x14d6,  8, 1, 31},  // 1995
    {0x035a,  0, 2, 19},  // 1996
    {0x06d5,  0, 2,  7},  // 1997
    {0x16c9,  5, 1, 28},  // 1998
    {0x0749,  0, 2, 16},  // 1999
    {0x0693,  0, 2,  5},  // 2000
    {0x152b,  4, 1, 24},  // 2001
    {0x052b,  0, 2, 12},  // 2002
    {0x0a5b,  0, 2,  1},  // 2003
    {0x155a,  2, 1, 22},  // 2004
    {0x056a,  0, 2,  9},  // 2005
    {0x1b55,  7, 1, 29},  // 2006
    {0x0ba4,  0, 2, 18},  // 2007
    {0x0b49,  0, 2,  7},  // 2008
    {0x1a93,  5, 1, 26},  // 2009
    {0x0a95,  0, 2, 14},  // 2010
    {0x052d,  0, 2,  3},  // 2011
    {0x0aad,  4, 1, 23},  // 2012
    {0x0ab5,  0, 2, 10},  // 2013
    {0x15aa,  9, 1, 31},  // 2014
    {0x05d2,  0, 2, 19},  // 2015
    {0x0da5,  0, 2,  8},  // 2016
    {0x1d4a,  6, 1, 28},  // 2017
    {0x0d4a,  0, 2, 16},  // 2018
    {0x0c95,  0, 2,  5},  // 2019
    {0x152e,  4, 1, 25},  // 2020
    {0x0556,  0, 2, 12},  // 2021
    {0x0ab5,  0, 2,  1},  // 2022
    {0x15b2,  2, 1, 22},  // 2023
    {0x06d2,  0, 2, 10},  // 2024
    {0x0ea5,  6, 1, 29},  // 2025
    {0x0725,  0, 2, 17},  // 2026
    {0x064b,  0, 2,  6},  // 2027
    {0x0c97,  5, 1, 26},  // 2028
    {0x0cab,  0, 2, 13},  // 2029
    {0x055a,  0, 2,  3},  // 2030
    {0x0ad6,  3, 1, 23},  // 2031
    {0x0b69,  0, 2, 11},  // 2032
    {0x1752, 11, 1, 31},  // 2033
    {0x0b52,  0, 2, 19},  // 2034
    {0x0b25,  0, 2,  8},  // 2035
    {0x1a4b,  6, 1, 28},  // 2036
    {0x0a4b,  0, 2, 15},  // 2037
    {0x04ab,  0, 2,  4},  // 2038
    {0x055b,  5, 1, 24},  // 2039
    {0x05ad,  0, 2, 12},  // 2040
    {0x0b6a,  0, 2,  1},  // 2041
    {0x1b52,  2, 1, 22},  // 2042
    {0x0d92,  0, 2, 10},  // 2043
    {0x1d25,  7, 1, 30},  // 2044
    {0x0d25,  0, 2, 17},  // 2045
    {0x0a55,  0, 2,  6},  // 2046
    {0x14ad,  5, 1, 26},  // 2047
    {0x04b6,  0, 2, 14},  // 2048
    {0x05b5,  0, 2,  2},  // 2049
    {0x0daa,  3, 1, 23},  // 2050
    {0x0ec9,  0, 2, 11},  // 2051
    {0x1e92,  8, 2,  1},  // 2052
    {0x0e92,  0, 2, 19},  // 2053
    {0x0d26,  0, 2,  8},  // 2054
    {0x0a56,  6, 1, 28},  // 2055
    {0x0a57,  0, 2, 15},  // 2056
    {0x04d6,  0, 2,  4},  // 2057
    {0x06d5,  4, 1, 24},  // 2058
    {0x0755,  0, 2, 12},  // 2059
    {0x0749,  0, 2,  2},  // 2060
    {0x0e93,  3, 1, 21},  // 2061
    {0x0693,  0, 2,  9},  // 2062
    {0x152b,  7, 1, 29},  // 2063
    {0x052b,  0, 2, 17},  // 2064
    {0x0a5b,  0, 2,  5},  // 2065
    {0x155a,  5, 1, 26},  // 2066
    {0x056a,  0, 2, 14},  // 2067
    {0x0b65,  0, 2,  3},  // 2068
    {0x174a,  4, 1, 23},  // 2069
    {0x0b4a,  0, 2, 11},  // 2070
    {0x1a95,  8, 1, 31},  // 2071
    {0x0a95,  0, 2, 19},  // 2072
    {0x052d,  0, 2,  7},  // 2073
    {0x0aad,  6, 1, 27},  // 2074
    {0x0ab5,  0, 2, 15},  // 2075
    {0x05aa,  0, 2,  5},  // 2076
    {0x0ba5,  4, 1, 24},  // 2077
    {0x0da5,  0, 2, 12},  // 2078
    {0x0d4a,  0, 2,  2},  // 2079
    {0x1c95,  3, 1, 22},  // 2080
    {0x0c96,  0, 2,  9},  // 2081
    {0x194e,  7, 1, 29},  // 2082
    {0x0556,  0, 2, 17},  // 2083
    {0x0ab5,  0, 2,  6},  // 2084
    {0x15b2,  5, 1, 26},  // 2085
    {0x06d2,  0, 2, 14},  // 2086
    {0x0ea5,  0, 2,  3},  // 2087
    {0x0e4a,  4, 1, 24},  // 2088
    {0x068b,  0, 2, 10},  // 2089
    {0x0c97,  8, 1, 30},  // 2090
    {0x04ab,  0, 2, 18},  // 2091
    {0x055b,  0, 2,  7},  // 2092
    {0x0ad6,  6, 1, 27},  // 2093
    {0x0b6a,  0, 2, 15},  // 2094
    {0x0752,  0, 2,  5},  // 2095
    {0x1725,  4, 1, 25},  // 2096
    {0x0b45,  0, 2, 12},  // 2097
    {0x0a8b,  0, 2,  1},  // 2098
    {0x149b,  2, 1, 21},  // 2099
};
// clang-format on

constexpr int kYearCount = static_cast<int>(std::size(kYears));
// The first day after lunar year 2099.
constexpr year_month_day kEndOfTable = year{2100} / February / 9;

constexpr int MonthCount(const LunarYear& y) { return y.leapMonth == 0 ? 12 : 13; }

constexpr int MonthLength(const LunarYear& y, int position) {
    return ((y.longMonths >> position) & 1) != 0 ? 30 : 29;
}

// New Year's Day of the table's year `index`; for kYearCount the day after the
// table's last year.
constexpr sys_days NewYear(int index) {
    if (index == kYearCount) return sys_days{kEndOfTable};
    const LunarYear& y = kYears[index];
    return sys_days{year{kFirstYear + index} / month{y.newYearMonth} / day{y.newYearDay}};
}

// Every year's months end on the day before the next New Year, no month bit
// lies beyond the year's months, and leap months are 1 to 12.
constexpr bool TableIsConsistent() {
    for (int i = 0; i < kYearCount; ++i) {
        const LunarYear& y = kYears[i];
        if (y.leapMonth > 12 || (y.longMonths >> MonthCount(y)) != 0) return false;
        int length = 0;
        for (int n = 0; n < MonthCount(y); ++n) length += MonthLength(y, n);
        if (NewYear(i) + days{length} != NewYear(i + 1)) return false;
    }
    return true;
}
static_assert(TableIsConsistent(), "lunar year table: month lengths do not meet the next New Year");

constexpr QVXDate ToQVXDate(sys_days day) {
    const year_month_day ymd{day};
    return static_cast<int>(ymd.year()) * 10000 + static_cast<int>(static_cast<unsigned>(ymd.month())) * 100 +
           static_cast<int>(static_cast<unsigned>(ymd.day()));
}
static_assert(ToQVXDate(NewYear(0)) == kLunarFirstDate &&
                  ToQVXDate(NewYear(kYearCount) - days{1}) == kLunarLastDate,
              "the covered range in the header does not match the table");

// The month number and leap flag of the (position+1)-th month of a year.
constexpr void MonthAt(const LunarYear& y, int position, int& monthNumber, bool& isLeap) {
    if (y.leapMonth != 0 && position >= y.leapMonth) {
        isLeap = position == y.leapMonth;
        monthNumber = isLeap ? y.leapMonth : position;
    } else {
        isLeap = false;
        monthNumber = position + 1;
    }
}

}  // namespace

LunarDate GetLunarDate(year_month_day date) {
    const QVXDate qvx = Date2QVXDate(date);
    if (qvx < kLunarFirstDate || qvx > kLunarLastDate) return {};

    const sys_days target = sys_days{date};
    // A lunar year begins in January or February of the Gregorian year of its number.
    int index = static_cast<int>(date.year()) - kFirstYear;
    if (index >= kYearCount || target < NewYear(index)) --index;

    const LunarYear& y = kYears[index];
    int offset = (target - NewYear(index)).count();
    for (int position = 0; position < MonthCount(y); ++position) {
        const int length = MonthLength(y, position);
        if (offset < length) {
            LunarDate lunar;
            lunar.year = kFirstYear + index;
            lunar.day = offset + 1;
            MonthAt(y, position, lunar.month, lunar.isLeapMonth);
            return lunar;
        }
        offset -= length;
    }
    return {};  // not reached: the table's years meet without gaps
}

LunarDate GetLunarDate(QVXDate date) {
    if (!IsValidDate(date)) return {};
    return GetLunarDate(QVXDate2Date(date));
}

QVXDate LunarToQVXDate(int year, int month, int day, bool isLeapMonth) {
    const int index = year - kFirstYear;
    if (index < 0 || index >= kYearCount) return 0;
    if (month < 1 || month > 12 || day < 1 || day > 30) return 0;
    const LunarYear& y = kYears[index];
    if (isLeapMonth && y.leapMonth != month) return 0;

    // Months after a leap month sit one place further on.
    const bool afterLeap = y.leapMonth != 0 && (month > y.leapMonth || isLeapMonth);
    const int position = month - 1 + (afterLeap ? 1 : 0);
    if (day > MonthLength(y, position)) return 0;

    int offset = day - 1;
    for (int n = 0; n < position; ++n) offset += MonthLength(y, n);
    return Date2QVXDate(NewYear(index) + days{offset});
}

}  // namespace humrs
