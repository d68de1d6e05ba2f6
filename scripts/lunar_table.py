#!/usr/bin/python3
"""Prints the table of lunar years 1900-2099 that src/utils/LunarCalendar.cpp
carries (month lengths, leap month, New Year's Day).

The months come from Debian's python3-lunardate (apt-get install
python3-lunardate), read through its public conversion only, with the month
starts below moved where that package's table departs from the new moon at
Beijing time. LunarCalendar.cpp explains each of them; its test compares every
day with python3-lunardate and expects exactly these differences.

Run with the system interpreter: /usr/bin/python3 scripts/lunar_table.py
"""
import datetime

from lunardate import LunarDate

FIRST_YEAR, LAST_YEAR = 1900, 2099

# (lunar year, month, leap, first day in python3-lunardate, first day kept)
MOVED_MONTH_STARTS = [
    (1933, 6, False, datetime.date(1933, 7, 22), datetime.date(1933, 7, 23)),
    (1954, 11, False, datetime.date(1954, 11, 26), datetime.date(1954, 11, 25)),
    (1956, 11, False, datetime.date(1956, 12, 3), datetime.date(1956, 12, 2)),
    (1978, 8, False, datetime.date(1978, 9, 2), datetime.date(1978, 9, 3)),
    (2057, 9, False, datetime.date(2057, 9, 28), datetime.date(2057, 9, 29)),
]


def months_of(year):
    """(month, leap, first day) of every month of a lunar year, in order."""
    result = []
    for month in range(1, 13):
        for leap in (False, True):
            try:
                first = LunarDate(year, month, 1, leap).toSolarDate()
            except ValueError:
                continue  # no such leap month
            result.append((month, leap, first))
    return result


def main():
    starts = []  # (year, month, leap, first day) for every month, in order
    for year in range(FIRST_YEAR, LAST_YEAR + 1):
        starts += [(year, m, leap, first) for m, leap, first in months_of(year)]
    for year, month, leap, old, new in MOVED_MONTH_STARTS:
        i = starts.index((year, month, leap, old))
        starts[i] = (year, month, leap, new)
    # The day after the last day of lunar year 2099.
    try:
        last_day = LunarDate(LAST_YEAR, 12, 30).toSolarDate()
    except ValueError:
        last_day = LunarDate(LAST_YEAR, 12, 29).toSolarDate()
    end_of_range = last_day + datetime.timedelta(days=1)
    starts.append((LAST_YEAR + 1, 1, False, end_of_range))

    print("// Rows of kYears in src/utils/LunarCalendar.cpp: month lengths, leap month, New Year's Day")
    for year in range(FIRST_YEAR, LAST_YEAR + 1):
        idx = [i for i, s in enumerate(starts) if s[0] == year]
        bits = 0
        leap_month = 0
        for n, i in enumerate(idx):
            length = (starts[i + 1][3] - starts[i][3]).days
            assert length in (29, 30), (year, n, length)
            if length == 30:
                bits |= 1 << n
            if starts[i][2]:
                leap_month = starts[i][1]
        new_year = starts[idx[0]][3]
        print("    {0x%04x, %2d, %d, %2d},  // %d" % (bits, leap_month, new_year.month, new_year.day, year))
    print("// The first day after lunar year %d: %s" % (LAST_YEAR, end_of_range.isoformat()))


if __name__ == "__main__":
    main()
