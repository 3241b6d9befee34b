#!/usr/bin/env python3
"""Writes a realistic vdir store of N events for the calendar benchmark.

Five years (2022 to 2026) of a working person's calendars: two synced accounts
with three calendars each and two local calendars. N counts occurrences over
the five years, about 27 a day at 50k: single meetings (in Berlin, New York,
Tokyo, UTC or floating time, many with attendees and alarms), all-day events,
and recurring series (daily, weekly, monthly, yearly; ended by COUNT or UNTIL,
or endless yearly ones such as birthdays) with EXDATEs and moved occurrences.

With --files, N counts item files instead: a heavier user's store of twenty
calendars, 15 % of its items recurring (daily, weekly and monthly, each with
EXDATEs and a moved occurrence; a few endless weekly ones), about 1,400
occurrences a month at 50,000 files.

usage: bench/calendar/make_store.py ROOT N [--files] [--seed S]"""
import argparse
import datetime as dt
import pathlib
import random

ZONES = ["Europe/Berlin", "America/New_York", "Asia/Tokyo", None, "floating"]
CALENDARS = ["work/team", "work/projects", "work/travel", "home/family", "home/sport",
             "home/school", "personal", "birthdays"]
# Three synced accounts and five local calendars.
MANY_CALENDARS = ([f"work/{name}" for name in ("team", "projects", "travel", "clients", "hiring",
                                               "oncall")]
                  + [f"home/{name}" for name in ("family", "sport", "school", "garden", "house")]
                  + [f"club/{name}" for name in ("board", "events", "training", "matches")]
                  + ["personal", "birthdays", "holidays", "reading", "side-project"])
VTIMEZONE_BERLIN = """BEGIN:VTIMEZONE\r
TZID:Europe/Berlin\r
BEGIN:STANDARD\r
DTSTART:19701025T030000\r
RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r
TZOFFSETFROM:+0200\r
TZOFFSETTO:+0100\r
END:STANDARD\r
BEGIN:DAYLIGHT\r
DTSTART:19700329T020000\r
RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r
TZOFFSETFROM:+0100\r
TZOFFSETTO:+0200\r
END:DAYLIGHT\r
END:VTIMEZONE\r
"""


def stamp(moment, zone):
    if zone is None:
        return ":" + moment.strftime("%Y%m%dT%H%M%SZ")
    if zone == "floating":
        return ":" + moment.strftime("%Y%m%dT%H%M%S")
    return f";TZID={zone}:" + moment.strftime("%Y%m%dT%H%M%S")


def people(rng):
    lines = [f"ORGANIZER;CN=Lea Boss:mailto:lea{rng.randrange(50)}@example.org"]
    for _ in range(rng.randrange(1, 8)):
        n = rng.randrange(500)
        status = rng.choice(["ACCEPTED", "TENTATIVE", "DECLINED", "NEEDS-ACTION"])
        lines.append(f"ATTENDEE;CN=Person {n};PARTSTAT={status};ROLE=REQ-PARTICIPANT:"
                     f"mailto:p{n}@example.org")
    return lines


def alarm(minutes):
    return ["BEGIN:VALARM", "ACTION:DISPLAY", "DESCRIPTION:Reminder",
            f"TRIGGER:-PT{minutes}M", "END:VALARM"]


def single(rng, uid, start, zone):
    length = rng.choice([15, 30, 45, 60, 90, 120])
    lines = ["BEGIN:VEVENT", f"UID:{uid}", f"SUMMARY:Meeting {uid[:8]}",
             "DTSTART" + stamp(start, zone),
             "DTEND" + stamp(start + dt.timedelta(minutes=length), zone),
             f"LOCATION:Room {rng.randrange(1, 40)}", "DESCRIPTION:Agenda and notes follow."]
    if rng.random() < 0.6:
        lines += people(rng)
    if rng.random() < 0.7:
        lines += alarm(rng.choice([5, 10, 15, 30]))
    return lines + ["END:VEVENT"]


def all_day(rng, uid, start):
    days = rng.choice([1, 1, 1, 2, 3, 7])
    end = start + dt.timedelta(days=days)
    return ["BEGIN:VEVENT", f"UID:{uid}", f"SUMMARY:Day off {uid[:6]}",
            "DTSTART;VALUE=DATE:" + start.strftime("%Y%m%d"),
            "DTEND;VALUE=DATE:" + end.strftime("%Y%m%d"), "TRANSP:TRANSPARENT", "END:VEVENT"]


def series(rng, uid, start, zone):
    """The series' lines and about how many occurrences it has in the five years."""
    freq = rng.choice(["DAILY", "WEEKLY", "WEEKLY", "WEEKLY", "MONTHLY", "YEARLY"])
    rule = f"RRULE:FREQ={freq}"
    step = {"DAILY": 1, "WEEKLY": 7, "MONTHLY": 30, "YEARLY": 365}[freq]
    if freq == "YEARLY":
        occurrences = 5  # endless, like a birthday
    elif rng.random() < 0.5:
        occurrences = rng.randrange(5, 30)
        rule += f";COUNT={occurrences}"
    else:
        days = rng.randrange(30, 400)
        occurrences = days // step + 1
        rule += ";UNTIL=" + (start + dt.timedelta(days=days)).strftime("%Y%m%dT%H%M%SZ")
    master = single(rng, uid, start, zone)
    master.insert(-1, rule)
    overrides = []
    if freq in ("DAILY", "WEEKLY"):
        exdate = start + dt.timedelta(days=step * rng.randrange(1, 4))
        master.insert(-1, "EXDATE" + stamp(exdate, zone))
        moved = start + dt.timedelta(days=step * 4)
        overrides = ["BEGIN:VEVENT", f"UID:{uid}", "RECURRENCE-ID" + stamp(moved, zone),
                     f"SUMMARY:Meeting {uid[:8]} (moved)",
                     "DTSTART" + stamp(moved + dt.timedelta(hours=2), zone),
                     "DTEND" + stamp(moved + dt.timedelta(hours=3), zone), "END:VEVENT"]
    return master + overrides, occurrences


def nth(start, freq, k):
    """The k-th occurrence after the first of a daily, weekly or monthly rule."""
    if freq == "MONTHLY":
        month = start.month - 1 + k
        return start.replace(year=start.year + month // 12, month=month % 12 + 1)
    return start + dt.timedelta(days=k * (7 if freq == "WEEKLY" else 1))


def heavy_series(rng, uid, start, zone):
    """A series of the --files store: every one has an EXDATE and a moved occurrence."""
    freq = rng.choice(["DAILY", "WEEKLY", "WEEKLY", "WEEKLY", "MONTHLY", "MONTHLY"])
    if freq == "MONTHLY":
        start = start.replace(day=min(start.day, 28))  # every month has the day
    rule = f"RRULE:FREQ={freq}"
    if freq == "WEEKLY" and rng.random() < 0.005:
        pass  # endless, like a standing team meeting
    elif rng.random() < 0.5:
        rule += f";COUNT={rng.randrange(5, 7)}"
    else:
        last = {"DAILY": rng.randrange(5, 12), "WEEKLY": rng.randrange(5, 8),
                "MONTHLY": rng.randrange(5, 7)}[freq]
        rule += ";UNTIL=" + nth(start, freq, last).strftime("%Y%m%dT235959Z")
    master = single(rng, uid, start, zone)
    master.insert(-1, rule)
    master.insert(-1, "EXDATE" + stamp(nth(start, freq, rng.randrange(1, 4)), zone))
    moved = nth(start, freq, 4)
    return master + ["BEGIN:VEVENT", f"UID:{uid}", "RECURRENCE-ID" + stamp(moved, zone),
                     f"SUMMARY:Meeting {uid[:8]} (moved)",
                     "DTSTART" + stamp(moved + dt.timedelta(hours=2), zone),
                     "DTEND" + stamp(moved + dt.timedelta(hours=3), zone), "END:VEVENT"]


def item(rng, uid, kind):
    """An item's text and its number of occurrences."""
    day = dt.datetime(2022, 1, 1) + dt.timedelta(days=rng.randrange(5 * 365))
    start = day.replace(hour=rng.randrange(7, 19), minute=rng.choice([0, 15, 30, 45]))
    zone = rng.choice(ZONES)
    occurrences = 1
    if kind == "all-day":
        body = all_day(rng, uid, day)
    elif kind == "series":
        body, occurrences = series(rng, uid, start, zone)
    elif kind == "heavy series":
        body = heavy_series(rng, uid, start, zone)
    else:
        body = single(rng, uid, start, zone)
    text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//zuna bench//EN\r\n"
    if zone == "Europe/Berlin":
        text += VTIMEZONE_BERLIN
    return text + "\r\n".join(body) + "\r\nEND:VCALENDAR\r\n", occurrences


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("events", type=int)
    parser.add_argument("--files", action="store_true")
    parser.add_argument("--seed", type=int, default=7)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    root = pathlib.Path(args.root)
    calendars = MANY_CALENDARS if args.files else CALENDARS
    series_share = 0.15 if args.files else 0.06
    for calendar in calendars:
        (root / calendar).mkdir(parents=True, exist_ok=True)
        (root / calendar / "displayname").write_text(calendar.split("/")[-1].title() + "\n")
        (root / calendar / "color").write_text(f"#{rng.randrange(1 << 24):06X}\n")
    n = total = 0
    while (n if args.files else total) < args.events:
        uid = f"{n:08d}-{rng.randrange(1 << 32):08x}@bench.zuna"
        r = rng.random()
        kind = ("series" if r < series_share else "all-day" if r < series_share + 0.10
                else "single")
        if kind == "series" and args.files:
            kind = "heavy series"
        text, occurrences = item(rng, uid, kind)
        (root / rng.choice(calendars) / f"{uid}.ics").write_text(text)
        n += 1
        total += occurrences


if __name__ == "__main__":
    main()
