"""Export and import of iCalendar files on the command line (the hand-over to a running calendar and the menu
are in test_interaction). An independent reader and writer, Debian's python3-icalendar, runs under /usr/bin/python3."""
import datetime
import os
import subprocess

import harness
from harness import read_dat, run, win, write

HAND = ("\ufeffBEGIN:VCALENDAR\nVERSION:2.0\nPRODID:hand\nBEGIN:VTIMEZONE\nTZID:Asia/Tokyo\nEND:VTIMEZONE\n"
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20260301\nSummary:日本語の予定\\, ok\nBEGIN:VALARM\nACTION:DISPLAY\n"
        "END:VALARM\nEND:VEVENT\nBEGIN:VEVENT\nDTSTART;TZID=\"Asia/Tokyo\":20260310T083000\nSUMMARY:会議\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART:20260310T200000Z\nSUMMARY:utc\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20260330\nDTEND;VALUE=DATE:20260402\nSUMMARY:旅行\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20240229\nRRULE:FREQ=YEARLY\nSUMMARY:閏日\nEND:VEVENT\n"
        "BEGIN:VTODO\nDTSTART;VALUE=DATE:20260302\nSUMMARY:todo\nEND:VTODO\nEND:VCALENDAR\n").encode()
# Folded in the middle of 予 (e4 ba 88), as careless writers do.
HAND = HAND.replace("日本語の予定".encode(), "日本語の".encode() + b"\xe4\n \xba\x88" + "定".encode())

LIBRARY_WRITE = """
import datetime, sys, pytz
from icalendar import Calendar, Event
cal = Calendar(); cal.add('prodid', '-//lib//'); cal.add('version', '2.0')
for summary, start, rule in [('こどもの日メモ', datetime.date(2026, 5, 5), None),
        ('Berlin, call', pytz.timezone('Europe/Berlin').localize(datetime.datetime(2026, 5, 6, 9, 15)), None),
        ('イブ', datetime.date(2025, 12, 24), {'freq': 'yearly'})]:
    e = Event(); e.add('summary', summary); e.add('dtstart', start); e.add('uid', summary + '@lib')
    if rule: e.add('rrule', rule)
    cal.add_component(e)
open(sys.argv[1], 'wb').write(cal.to_ical())
"""
LIBRARY_READ = """
import sys
from icalendar import Calendar
for e in Calendar.from_ical(open(sys.argv[1], 'rb').read()).walk('VEVENT'):
    print(str(e['summary']), e['dtstart'].dt.isoformat(), e['dtend'].dt.isoformat(), e.get('rrule', {}).get('FREQ'),
          str(e['uid']), sep='|')
"""


def library(script, path):
    return subprocess.run(["/usr/bin/python3", "-c", script, path], check=True, capture_output=True,
                          text=True).stdout.splitlines()


def dat(s):
    return open(os.path.join(s.dir, "qv.dat"), "rb").read()


def test_command_line_import_export_round_trip(s):
    s.env["TZ"] = "Asia/Tokyo"
    hand = write(s, "hand.ics", HAND)
    assert run(s, "/import", win(hand)) == 0
    assert read_dat(s) == {(202603, 1): ("日本語の予定, ok",), (202603, 10): ("08:30 会議",), (202603, 11): ("05:00 utc",),
                           (202603, 30): ("旅行",), (202603, 31): ("旅行",), (202604, 1): ("旅行",),
                           (2, 29): ("閏日", "")}, read_dat(s)
    before = dat(s)
    assert run(s, "/import", win(hand)) == 0 and dat(s) == before  # nothing twice
    for broken in (b"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\nEND:VCALENDAR\r\n", b"not a calendar\r\n",
                   b"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:\xff\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"):
        assert run(s, "/import", win(write(s, "broken.ics", broken))) == 1 and dat(s) == before, broken
    for args in (["/import"], ["/frobnicate", "x"], ["/export", "a", "b"]):
        assert run(s, *args) == 2, args
    assert not s.windows("QVMainWnd")

    lib = os.path.join(s.dir, "lib.ics")
    library(LIBRARY_WRITE, lib)
    assert run(s, "/import", win(lib)) == 0
    data = read_dat(s)  # a memo holds one text, a memorial (month, day) two
    assert (data[(202605, 5)], data[(202605, 6)], data[(12, 24)]) == (
        ("こどもの日メモ",), ("16:15 Berlin, call",), ("イブ", "")), data

    out = os.path.join(s.dir, "out.ics")
    assert run(s, "/export", win(out)) == 0
    raw = open(out, "rb").read()
    assert not raw.startswith(b"\xef\xbb\xbf") and raw.count(b"\n") == raw.count(b"\r\n")
    assert max(len(line) for line in raw.split(b"\r\n")) <= 75
    rows = [line.split("|") for line in library(LIBRARY_READ, out)]
    day = lambda key, d: datetime.date(key // 100, key % 100, d) if key > 12 else datetime.date(2000, key, d)
    expected = {(texts[0], str(day(*k)), str(day(*k) + datetime.timedelta(days=1)),
                 "['YEARLY']" if len(texts) == 2 else "None") for k, texts in data.items()}
    assert {tuple(row[:4]) for row in rows} == expected, {tuple(row[:4]) for row in rows} ^ expected
    uids = [row[4] for row in rows]
    assert len(set(uids)) == len(uids)
    assert run(s, "/export", win(out)) == 0 and [line.split("|")[4] for line in library(LIBRARY_READ, out)] == uids

    os.remove(os.path.join(s.dir, "qv.dat"))  # into an empty data file: the same days come back
    assert run(s, "/import", win(out)) == 0 and read_dat(s) == data


if __name__ == "__main__":
    harness.main([test_command_line_import_export_round_trip])
