#!/usr/bin/env python3
"""Writes schedules.tsv: due dates of recurring schedules worked out by dateutil's rrule.

The table is the reference tst_schedulekinds compares BillSchedule::dueDates() with. rrule is
an implementation of the iCalendar recurrence rules that shares nothing with ours, so the two
agreeing on a few hundred cases (every weekday, month ends, leap years, intervals, weekend
rules) says more than either could alone. Run it again after changing the cases:
    python3 tests/data/makescheduletable.py
It needs python3-dateutil (tools/ensure-deps.sh installs it). The output is deterministic.
"""

import datetime as dt
import os

from dateutil import rrule

KINDS = ("WEEKLY", "BIWEEKLY", "MONTHLY", "NWEEKLY", "NMONTHLY", "NTHWEEKDAY")
RULES = ("DAY", "BEFOREWEEKEND", "AFTERWEEKEND")
WEEKDAYS = (rrule.MO, rrule.TU, rrule.WE, rrule.TH, rrule.FR, rrule.SA, rrule.SU)


def month_day(day_of_month):
    """rrule arguments for day M of a month, or its last day when the month is shorter.

    bymonthday=M alone skips the short months. Among the days 28..M the last one that exists
    is min(M, length of the month), as every month has a 28th; bysetpos=-1 picks it.
    """
    if day_of_month <= 28:
        return {"bymonthday": day_of_month}
    return {"bymonthday": tuple(range(28, day_of_month + 1)), "bysetpos": -1}


def at(day):
    return dt.datetime(day.year, day.month, day.day)


def valid(kind, dow, dom, freq):
    if kind in ("WEEKLY", "BIWEEKLY"):
        return 1 <= dow <= 7
    if kind == "NWEEKLY":
        return 1 <= dow <= 7 and 1 <= freq <= 52
    if kind == "MONTHLY":
        return 1 <= dom <= 31
    if kind == "NMONTHLY":
        return 1 <= dom <= 31 and 1 <= freq <= 24
    if kind == "NTHWEEKDAY":
        return 1 <= dow <= 7 and 1 <= freq <= 5
    return False


def rule_dates(kind, dow, dom, freq, start, end):
    """The dates before the weekend rule, from rrule."""
    if not valid(kind, dow, dom, freq) or end < start:
        return []
    if kind in ("WEEKLY", "BIWEEKLY", "NWEEKLY"):
        weeks = {"WEEKLY": 1, "BIWEEKLY": 2}.get(kind, freq)
        by = {"byweekday": WEEKDAYS[dow - 1]}
        # rrule counts weeks from the start's week, so a weekday earlier in that week would
        # put the first date N weeks on; ours counts from the first date itself.
        first = rrule.rrule(rrule.WEEKLY, dtstart=at(start), count=1, **by)[0]
        dates = rrule.rrule(rrule.WEEKLY, interval=weeks, dtstart=first, until=at(end), **by)
    elif kind in ("MONTHLY", "NMONTHLY"):
        months = 1 if kind == "MONTHLY" else freq
        by = month_day(dom)
        # Likewise months count from the first date's month, which may be the next one.
        first = rrule.rrule(rrule.MONTHLY, dtstart=at(start), count=1, **by)[0]
        dates = rrule.rrule(rrule.MONTHLY, interval=months, dtstart=first.replace(day=1),
                            until=at(end), **by)
    else:
        nth = -1 if freq == 5 else freq
        dates = rrule.rrule(rrule.MONTHLY, byweekday=WEEKDAYS[dow - 1](nth), dtstart=at(start),
                            until=at(end))
    return [d.date() for d in dates]


def shifted(day, weekend_rule):
    weekday = day.isoweekday()
    if weekday < 6 or weekend_rule not in ("BEFOREWEEKEND", "AFTERWEEKEND"):
        return day
    step = 5 - weekday if weekend_rule == "BEFOREWEEKEND" else 8 - weekday
    return day + dt.timedelta(days=step)


def due_dates(kind, dow, dom, freq, weekend_rule, start, end):
    return [shifted(d, weekend_rule) for d in rule_dates(kind, dow, dom, freq, start, end)]


def check_by_hand():
    """Cases worked out on a calendar, so that a wrong rrule argument cannot pass unseen."""
    d = dt.date
    assert rule_dates("NMONTHLY", 0, 31, 1, d(2023, 1, 31), d(2023, 4, 30)) == [
        d(2023, 1, 31), d(2023, 2, 28), d(2023, 3, 31), d(2023, 4, 30)]
    assert rule_dates("NMONTHLY", 0, 30, 1, d(2024, 1, 31), d(2024, 3, 31)) == [
        d(2024, 2, 29), d(2024, 3, 30)]
    # Day 15 from the 20th: the first date is in February, then every third month from there.
    assert rule_dates("NMONTHLY", 0, 15, 3, d(2023, 1, 20), d(2023, 12, 31)) == [
        d(2023, 2, 15), d(2023, 5, 15), d(2023, 8, 15), d(2023, 11, 15)]
    assert rule_dates("NMONTHLY", 0, 29, 12, d(2100, 2, 1), d(2104, 3, 1)) == [
        d(2100, 2, 28), d(2101, 2, 28), d(2102, 2, 28), d(2103, 2, 28), d(2104, 2, 29)]
    # Monday every two weeks from a Wednesday: the 8th, not the 15th.
    assert rule_dates("NWEEKLY", 1, 0, 2, d(2024, 1, 3), d(2024, 1, 31)) == [
        d(2024, 1, 8), d(2024, 1, 22)]
    assert rule_dates("NTHWEEKDAY", 2, 0, 2, d(2024, 1, 10), d(2024, 3, 31)) == [
        d(2024, 2, 13), d(2024, 3, 12)]
    assert rule_dates("NTHWEEKDAY", 5, 0, 5, d(2024, 1, 1), d(2024, 3, 31)) == [
        d(2024, 1, 26), d(2024, 2, 23), d(2024, 3, 29)]
    assert shifted(d(2024, 6, 1), "BEFOREWEEKEND") == d(2024, 5, 31)
    assert shifted(d(2024, 6, 2), "AFTERWEEKEND") == d(2024, 6, 3)
    assert shifted(d(2024, 6, 2), "DAY") == d(2024, 6, 2)


def cases():
    d = dt.date
    n = 0

    def rule():
        nonlocal n
        n += 1
        return RULES[n % 3]

    # Weekly kinds: a start on each weekday against each due weekday.
    for offset in range(7):
        start = d(2024, 1, 1) + dt.timedelta(days=offset)
        for dow in range(1, 8):
            freq = (1, 2, 3, 4)[(offset + dow) % 4]
            yield ("NWEEKLY", dow, 15, freq, rule(), start, start + dt.timedelta(days=70))
    for freq in (1, 2, 5, 12, 26, 52):
        for start, dow in ((d(2023, 12, 28), 6), (d(2027, 12, 31), 1), (d(2100, 2, 25), 7)):
            yield ("NWEEKLY", dow, 0, freq, rule(), start, d(start.year + 3, 1, 15))
    for kind in ("WEEKLY", "BIWEEKLY"):
        for dow in range(1, 8):
            start = d(2024, 12, 20) + dt.timedelta(days=dow)
            yield (kind, dow, 0, 0, rule(), start, d(2025, 3, 3))

    # Monthly kinds: starts on days 28-31, short and leap Februaries, year ends.
    starts = (d(2023, 1, 28), d(2023, 1, 29), d(2023, 1, 30), d(2023, 1, 31), d(2024, 1, 29),
              d(2024, 1, 31), d(2024, 2, 28), d(2024, 2, 29), d(2100, 1, 31), d(2100, 2, 28),
              d(2027, 12, 31), d(2028, 2, 29), d(2023, 4, 30), d(2023, 7, 15))
    for i, start in enumerate(starts):
        for j, dom in enumerate((1, 15, 28, 29, 30, 31)):
            freq = (1, 2, 3, 4, 12, 24)[(i + j) % 6]
            end = d(start.year + (5 if freq >= 12 else 2), 3, 1)
            yield ("NMONTHLY", 3, dom, freq, rule(), start, end)
    for dom in (1, 28, 29, 30, 31):
        for start in (d(2023, 11, 30), d(2024, 1, 31), d(2099, 12, 31)):
            yield ("MONTHLY", 0, dom, 0, rule(), start, d(start.year + 1, 4, 1))

    # The nth weekday: every K on every weekday, from starts before, on and after it.
    for nth in range(1, 6):
        for dow in range(1, 8):
            start = d(2024, 1, 1) + dt.timedelta(days=3 * (nth + dow))
            yield ("NTHWEEKDAY", dow, 31, nth, rule(), start, d(2025, 1, 31))
    for nth in (1, 4, 5):
        for start in (d(2027, 11, 29), d(2100, 2, 1), d(2028, 2, 1)):
            yield ("NTHWEEKDAY", 7 if nth == 5 else 1, 0, nth, rule(), start,
                   d(start.year + 1, 3, 31))

    # Ranges of one day: on a due date and just off one.
    for weekend_rule in RULES:
        for kind, dow, dom, freq, day in (
                ("NWEEKLY", 6, 0, 3, d(2024, 6, 1)), ("NWEEKLY", 6, 0, 3, d(2024, 6, 2)),
                ("NMONTHLY", 0, 31, 1, d(2024, 6, 30)), ("NMONTHLY", 0, 31, 1, d(2024, 6, 29)),
                ("NTHWEEKDAY", 7, 0, 5, d(2024, 6, 30)), ("NTHWEEKDAY", 7, 0, 1, d(2024, 6, 30)),
                ("WEEKLY", 7, 0, 0, d(2024, 12, 29)), ("MONTHLY", 0, 29, 0, d(2100, 2, 28))):
            yield (kind, dow, dom, freq, weekend_rule, day, day)

    # Fields out of range and kinds that do not recur: no dates.
    for kind, dow, dom, freq in (
            ("NWEEKLY", 1, 0, 0), ("NWEEKLY", 1, 0, 53), ("NWEEKLY", 0, 0, 1),
            ("NWEEKLY", 9, 0, 1), ("WEEKLY", 0, 0, 0), ("BIWEEKLY", 8, 0, 0),
            ("MONTHLY", 0, 0, 0), ("MONTHLY", 0, 40, 0), ("NMONTHLY", 0, 15, 0),
            ("NMONTHLY", 0, 15, 25), ("NMONTHLY", 0, 40, 1), ("NMONTHLY", 0, -1, 1),
            ("NTHWEEKDAY", 1, 0, 0), ("NTHWEEKDAY", 1, 0, 6), ("NTHWEEKDAY", 1, 0, 7),
            ("NTHWEEKDAY", 9, 0, 1), ("SINGLE", 1, 1, 1), ("NOTSET", 1, 1, 1),
            ("YEARLY", 1, 1, 1), ("", 1, 1, 1)):
        yield (kind, dow, dom, freq, rule(), d(2024, 1, 1), d(2024, 12, 31))
    # An end before the start, and a weekend rule this program does not know.
    yield ("NWEEKLY", 1, 0, 1, "DAY", d(2024, 3, 1), d(2024, 2, 1))
    yield ("NMONTHLY", 0, 6, 1, "WEEKEND", d(2024, 1, 1), d(2024, 6, 30))
    yield ("NMONTHLY", 0, 6, 1, "", d(2024, 1, 1), d(2024, 6, 30))


def main():
    check_by_hand()
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "schedules.tsv")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("kind\tdayofweek\tdayofmonth\tfrequency\tweekendrule\tstart\tend\tdates\n")
        for kind, dow, dom, freq, weekend_rule, start, end in cases():
            dates = due_dates(kind, dow, dom, freq, weekend_rule, start, end)
            out.write("\t".join([kind, str(dow), str(dom), str(freq), weekend_rule,
                                 start.isoformat(), end.isoformat(),
                                 ",".join(x.isoformat() for x in dates)]) + "\n")


if __name__ == "__main__":
    main()
