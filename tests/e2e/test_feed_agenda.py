"""Subscribed events through `Mosaryn.exe /agenda`, compared with an independent implementation: Debian's
python3-recurring-ical-events (run with /usr/bin/python3) over generated events that mix rules, exceptions,
overrides and zones across DST changes, with Wine's zone set to Asia/Tokyo and to America/New_York. Then the
real calendar showing its kept copies at start: dots on the days and the events in the popup."""
import datetime
import os
import random
import subprocess
import time

import harness
from harness import Geometry, focus, win

ZONES = ["America/New_York", "Europe/London", "Australia/Lord_Howe", "Asia/Tokyo", "UTC"]
WINDOWS_NAMES = {"America/New_York": "Eastern Standard Time", "Asia/Tokyo": "Tokyo Standard Time"}
# Each zone's rules as a VTIMEZONE, London's summer time by RDATE.
VTIMEZONES = """BEGIN:VTIMEZONE\nTZID:America/New_York
BEGIN:DAYLIGHT\nDTSTART:20070311T020000\nTZOFFSETFROM:-0500\nTZOFFSETTO:-0400\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU
END:DAYLIGHT\nBEGIN:STANDARD\nDTSTART:20071104T020000\nTZOFFSETFROM:-0400\nTZOFFSETTO:-0500
RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\nEND:STANDARD\nEND:VTIMEZONE
BEGIN:VTIMEZONE\nTZID:Europe/London\nBEGIN:DAYLIGHT\nDTSTART:20240331T010000\nTZOFFSETFROM:+0000\nTZOFFSETTO:+0100
RDATE:20250330T010000,20260329T010000,20270328T010000\nEND:DAYLIGHT\nBEGIN:STANDARD\nDTSTART:19961027T020000
TZOFFSETFROM:+0100\nTZOFFSETTO:+0000\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\nEND:STANDARD\nEND:VTIMEZONE
BEGIN:VTIMEZONE\nTZID:Australia/Lord_Howe\nBEGIN:DAYLIGHT\nDTSTART:20081005T020000\nTZOFFSETFROM:+1030
TZOFFSETTO:+1100\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=1SU\nEND:DAYLIGHT\nBEGIN:STANDARD\nDTSTART:20080406T020000
TZOFFSETFROM:+1100\nTZOFFSETTO:+1030\nRRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=1SU\nEND:STANDARD\nEND:VTIMEZONE
BEGIN:VTIMEZONE\nTZID:Asia/Tokyo\nBEGIN:STANDARD\nDTSTART:19700101T000000\nTZOFFSETFROM:+0900\nTZOFFSETTO:+0900
END:STANDARD\nEND:VTIMEZONE\n"""
RULES = ["FREQ=DAILY;INTERVAL={n};COUNT={c}", "FREQ=WEEKLY;BYDAY=MO,WE,FR;UNTIL={until}",
         "FREQ=WEEKLY;INTERVAL=2;WKST=SU;BYDAY=TU,SU;COUNT={c}", "FREQ=MONTHLY;BYDAY=2TU;COUNT={c}",
         "FREQ=MONTHLY;BYMONTHDAY=-1", "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1;COUNT={c}",
         "FREQ=MONTHLY;BYMONTHDAY=31;UNTIL={until}", "FREQ=YEARLY;BYMONTH=3,10;BYDAY=-1SU",
         "FREQ=YEARLY;BYYEARDAY=1,100,-1", "FREQ=YEARLY;BYWEEKNO=10,20,-1;BYDAY=MO",
         "FREQ=DAILY;BYMONTH=3,4,10,11;COUNT={c}", "FREQ=YEARLY", "FREQ=MONTHLY;INTERVAL=2;BYDAY=1SU,-1SA",
         "FREQ=WEEKLY;INTERVAL=3;BYDAY=SA;COUNT=100000000"]
FIRST, LAST = datetime.date(2026, 1, 1), datetime.date(2026, 12, 31)

EXPECTED = r"""
import datetime, sys, zoneinfo, icalendar, recurring_ical_events
target, out = zoneinfo.ZoneInfo(sys.argv[1]), []
first, last = datetime.date.fromisoformat(sys.argv[2]), datetime.date.fromisoformat(sys.argv[3])
for name, path in zip(sys.argv[4::2], sys.argv[5::2]):
    cal = icalendar.Calendar.from_ical(open(path, 'rb').read())
    for e in recurring_ical_events.of(cal).between((first.year - 1, 12, 28), (last.year + 1, 1, 4)):
        if str(e.get('STATUS', '')).upper() == 'CANCELLED':
            continue
        start, end = e['DTSTART'].dt, e['DTEND'].dt
        if not isinstance(start, datetime.datetime):
            days = [start + datetime.timedelta(days=i) for i in range(max((end - start).days, 1))]
            out += ['%s\t終日\t%s\t%s' % (d, name, e['SUMMARY']) for d in days if first <= d <= last]
            continue
        start, end = start.astimezone(target), end.astimezone(target)
        day = start.date()
        while day <= (end - datetime.timedelta(seconds=1)).date() or day == start.date():
            begin = datetime.datetime.combine(day, datetime.time(), target)
            a, b = max(start, begin), min(end, begin + datetime.timedelta(days=1))
            minutes = lambda t: (t.replace(tzinfo=None) - begin.replace(tzinfo=None)) // datetime.timedelta(minutes=1)
            if first <= day <= last:
                out.append('%s\t%02d:%02d-%02d:%02d\t%s\t%s' % (day, minutes(a) // 60, minutes(a) % 60,
                                                                minutes(b) // 60, minutes(b) % 60, name, e['SUMMARY']))
            day += datetime.timedelta(days=1)
print('\n'.join(out))
"""


def feed_key(url):
    """The kept copy's name: 16 hex digits of FNV-1a over the address's UTF-16 units."""
    h = 14695981039346656037
    for c in url:
        for byte in (ord(c) & 0xFF, ord(c) >> 8):
            h = ((h ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def keep(s, url, body):
    os.makedirs(os.path.join(s.dir, "qv.feeds"), exist_ok=True)
    path = os.path.join(s.dir, "qv.feeds", feed_key(url) + ".ics")
    open(path, "wb").write(body.replace("\n", "\r\n").encode())
    return path


def subscriptions(entries):
    lines = ["[Subscriptions]", "Count=%d" % len(entries)]
    for i, (name, url, colour) in enumerate(entries, 1):
        lines += ["Name%d=%s" % (i, name), "Url%d=%s" % (i, url), "Color%d=%d" % (i, colour), "Shown%d=Yes" % i]
    return "\n".join(lines) + "\n"


def stamp(t, zone):
    return t.strftime("%Y%m%dT%H%M%S") + ("Z" if zone == "UTC" else "")


def prop(name, t, zone, own_names):
    if isinstance(t, datetime.datetime):
        tzid = "" if zone == "UTC" else ";TZID=" + (WINDOWS_NAMES.get(zone, zone) if own_names else zone)
        return "%s%s:%s" % (name, tzid, stamp(t, zone))
    return "%s;VALUE=DATE:%s" % (name, t.strftime("%Y%m%d"))


def generate(rnd, count, own_names):
    """`count` series and single events; own_names: Windows zone names where there are some, and no VTIMEZONE."""
    from dateutil.rrule import rrulestr
    events = []
    for i in range(count):
        zone, all_day = rnd.choice(ZONES), rnd.random() < 0.25
        day = datetime.date(2025, 10, 1) + datetime.timedelta(days=rnd.randrange(420))
        # From 06:00 to 20:45, at most three hours long, moved by -3 or +1 hours: no time falls where the
        # clocks change (pytz, under the library, reads those otherwise than RFC 5545).
        start = day if all_day else datetime.datetime.combine(day, datetime.time(rnd.randrange(6, 21),
                                                                                 rnd.choice([0, 15, 30, 45])))
        end = start + (datetime.timedelta(days=rnd.randrange(1, 4)) if all_day else
                       datetime.timedelta(minutes=rnd.choice([0, 30, 60, 90, 180])))
        uid, summary = "ev%d@test" % i, "予定%d%s" % (i, "b" if own_names else "")
        lines = ["BEGIN:VEVENT", "UID:" + uid, prop("DTSTART", start, zone, own_names),
                 (prop("DTEND", end, zone, own_names) if rnd.random() < 0.7 or all_day else
                  "DURATION:PT%dM" % ((end - start).seconds // 60)), "SUMMARY:" + summary]
        extra = []
        if rnd.random() < 0.7:
            until = datetime.datetime(2026, rnd.randrange(2, 13), 1, 12)
            if until.date() <= day:  # an UNTIL before the start: the library drops even the start
                until = datetime.datetime.combine(day + datetime.timedelta(days=rnd.randrange(20, 200)),
                                                  datetime.time(12))
            until_text = until.strftime("%Y%m%d") if all_day else until.strftime("%Y%m%dT%H%M%SZ")
            rule = rnd.choice(RULES).format(n=rnd.randrange(1, 4), c=rnd.randrange(5, 40), until=until_text)
            lines.append("RRULE:" + rule)
            base = datetime.datetime.combine(start, datetime.time()) if all_day else start
            utc_until = datetime.datetime(2026, 12, 31) if "UNTIL" not in rule else until - datetime.timedelta(days=1)
            instances = [t for t in rrulestr(rule.split(";UNTIL")[0], dtstart=base).between(
                base, utc_until, inc=True)][:60]
            picks = rnd.sample(instances[1:], max(0, min(len(instances) - 1, 3)))
            as_time = (lambda t: t.date()) if all_day else (lambda t: t)
            for n, t in enumerate(picks):
                if n == 0:
                    lines.append(prop("EXDATE", as_time(t), zone, own_names))
                elif n == 1:  # moved, or cancelled
                    moved = t + (datetime.timedelta(days=1) if all_day else datetime.timedelta(hours=rnd.choice([-3, 1])))
                    moved_end = moved + (end - start)
                    extra += ["BEGIN:VEVENT", "UID:" + uid, prop("RECURRENCE-ID", as_time(t), zone, own_names),
                              prop("DTSTART", as_time(moved), zone, own_names),
                              prop("DTEND", as_time(moved_end), zone, own_names), "SUMMARY:%s 変更" % summary]
                    extra += ["STATUS:CANCELLED"] if rnd.random() < 0.3 else []
                    extra.append("END:VEVENT")
                elif not all_day:  # at a minute no instance has: the library would list a coinciding one twice
                    lines.append(prop("RDATE", t.replace(hour=rnd.randrange(6, 21), minute=5), zone, own_names))
        if rnd.random() < 0.05:
            lines.append("STATUS:CANCELLED")
        events.append("\n".join(lines + ["END:VEVENT"] + extra))
    head = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//test//generated//\n" + ("" if own_names else VTIMEZONES)
    return head + "\n".join(events) + "\nEND:VCALENDAR\n"


def test_agenda_matches_recurring_ical_events(s):
    rnd = random.Random(20)
    feeds = [("仕事", "https://example.invalid/work.ics", generate(rnd, 180, False)),
             ("家族", "webcal://example.invalid/family.ics", generate(rnd, 180, True))]
    s.write_ini(subscriptions([(n, u, -16776961) for n, u, _ in feeds]))
    paths = [keep(s, url, body) for _, url, body in feeds]
    out = os.path.join(s.dir, "agenda.txt")
    for zone in ("Asia/Tokyo", "America/New_York"):
        s.env["TZ"] = zone
        subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True)  # a new zone for the next process
        assert harness.run(s, "/agenda", FIRST.isoformat(), LAST.isoformat(), win(out)) == 0, zone
        raw = open(out, "rb").read()
        assert not raw.startswith(b"\xef\xbb\xbf") and raw.count(b"\n") == raw.count(b"\r\n")
        ours = [line for line in raw.decode().split("\r\n") if line and line.split("\t")[2] != "祝日"]
        args = ["/usr/bin/python3", "-c", EXPECTED, zone, FIRST.isoformat(), LAST.isoformat()]
        for (name, _, _), path in zip(feeds, paths):
            args += [name, path]
        theirs = subprocess.run(args, check=True, capture_output=True, text=True).stdout.split("\n")
        theirs = [line for line in theirs if line]
        assert len(theirs) > 2000, len(theirs)
        assert sorted(ours) == sorted(theirs), (zone, sorted(set(ours) ^ set(theirs))[:12])
        # By date, then all-day items, then start time.
        order = [(l[:10], l.split("\t")[1] != "終日", l.split("\t")[1]) for l in ours]
        assert order == sorted(order), [a for a, b in zip(order, order[1:]) if a > b][:3]
    codes = [harness.run(s, "/agenda", *args) for args in (
        ("2026-01-01", "2027-01-02", win(out)), ("2026-02-30", "2026-03-01", win(out)), ("2026-03-01", win(out)),
        ("2026-01-01", "2026-01-02", win(os.path.join(s.dir, "none", "x.txt"))))]
    assert codes == [2, 2, 2, 1], codes  # 366 days at most, real dates, three arguments; a file that cannot be written
    # The import reads its times through the same zones: 09:00 in New York is 23:00 in Tokyo.
    s.env["TZ"] = "Asia/Tokyo"
    subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True)
    ics = harness.write(s, "ny.ics", ("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;TZID=America/New_York:20261208T090000\r\n"
                                      "SUMMARY:NY\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n").encode())
    assert harness.run(s, "/import", win(ics)) == 0 and harness.read_dat(s) == {(202612, 8): ("23:00 NY",)}


def test_kept_copies_show_at_start(s):
    """Without any server: the kept copy shows as dots and in the popup of a day that has nothing else."""
    today = datetime.date.today()
    day = today.replace(day=12 if today.day != 12 else 13)
    body = ("BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nUID:1\nDTSTART;TZID=Asia/Tokyo:%s\nDURATION:PT1H\n"
            "SUMMARY:歯医者\nLOCATION:駅前\nEND:VEVENT\nEND:VCALENDAR\n") % day.strftime("%Y%m%dT093000")
    keep(s, "https://example.invalid/me.ics", body)
    s.env["TZ"] = "Asia/Tokyo"
    s.write_ini(harness.INI + subscriptions([("私", "https://example.invalid/me.ics", -16776961)]))
    s.start()
    g = focus(s, Geometry(s.calendar()))
    x, y = g.day_centre(day)
    dot_y = int(y - g.d / 2 + g.d - 1 - 2.5 * max(2, g.d * 0.07))
    screen = s.screenshot()
    assert screen.count(x - 4, dot_y - 3, x + 4, dot_y + 4, lambda p: harness.near(p, (0, 0, 255), 60)) > 0
    harness.await_popup_colour(s, x, y, (0, 0, 255))  # the event's line in its calendar's colour
    s.exit()


if __name__ == "__main__":
    harness.main([test_agenda_matches_recurring_ical_events, test_kept_copies_show_at_start])
