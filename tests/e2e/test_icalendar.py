"""Export and import of iCalendar files: command line, hand-over to a running calendar, the menu.
An independent reader and writer, Debian's python3-icalendar, runs under /usr/bin/python3."""
import datetime
import os
import subprocess

import harness
from harness import near
from harness import day_of, open_menu_at, start
from test_interaction import MEMO_DISC, dialog, read_dat as read_both

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


def read_dat(s):
    """(memos, memorials) of qv.dat: a memo entry holds one text, a memorial entry two."""
    both = read_both(s)
    return ({k: v[0] for k, v in both.items() if len(v) == 1}, {k: v for k, v in both.items() if len(v) == 2})


def win(path):
    return "Z:" + path.replace("/", "\\")


def run(s, *args):
    return subprocess.run([s.runner, s.exe] + list(args), env=s.env, timeout=120, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode


def library(script, path):
    return subprocess.run(["/usr/bin/python3", "-c", script, path], check=True, capture_output=True,
                          text=True).stdout.splitlines()


def write(s, name, data):
    path = os.path.join(s.dir, name)
    open(path, "wb").write(data)
    return path


def dat(s):
    return open(os.path.join(s.dir, "qv.dat"), "rb").read()


def test_command_line_import_export_round_trip(s):
    s.env["TZ"] = "Asia/Tokyo"
    hand = write(s, "hand.ics", HAND)
    assert run(s, "/import", win(hand)) == 0
    assert read_dat(s) == ({(202603, 1): "日本語の予定, ok", (202603, 10): "08:30 会議", (202603, 11): "05:00 utc",
                            (202603, 30): "旅行", (202603, 31): "旅行", (202604, 1): "旅行"},
                           {(2, 29): ("閏日", "")}), read_dat(s)
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
    memos, memorials = read_dat(s)
    assert memos[(202605, 5)] == "こどもの日メモ" and memos[(202605, 6)] == "09:15 Berlin, call", memos
    assert memorials[(12, 24)] == ("イブ", ""), memorials

    out = os.path.join(s.dir, "out.ics")
    assert run(s, "/export", win(out)) == 0
    raw = open(out, "rb").read()
    assert not raw.startswith(b"\xef\xbb\xbf") and raw.count(b"\n") == raw.count(b"\r\n")
    assert max(len(line) for line in raw.split(b"\r\n")) <= 75
    events = {tuple(line.split("|")[:4]) for line in library(LIBRARY_READ, out)}
    expected = {(text, "%d-%02d-%02d" % (key // 100, key % 100, day),
                 str(datetime.date(key // 100, key % 100, day) + datetime.timedelta(days=1)), "None")
                for (key, day), text in memos.items()}
    expected |= {(name, "2000-%02d-%02d" % (m, d), str(datetime.date(2000, m, d) + datetime.timedelta(days=1)),
                  "['YEARLY']") for (m, d), (name, _) in memorials.items()}
    assert events == expected, events ^ expected
    uids = [line.split("|")[4] for line in library(LIBRARY_READ, out)]
    assert len(set(uids)) == len(uids)
    assert run(s, "/export", win(out)) == 0 and [line.split("|")[4] for line in library(LIBRARY_READ, out)] == uids

    os.remove(os.path.join(s.dir, "qv.dat"))  # into an empty data file: the same days come back
    assert run(s, "/import", win(out)) == 0 and read_dat(s) == (memos, memorials)


def test_running_calendar_takes_over_and_the_menu_imports(s):
    s.env["TZ"] = "Asia/Tokyo"
    g = start(s)
    today = datetime.date.today()
    key, day = today.year * 100 + today.month, day_of(today.year, today.month, 3, 1)
    event = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:%d%02d\r\nSUMMARY:%s\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"
    phone = write(s, "phone.ics", (event % (key, day, "from phone")).encode())
    assert run(s, "/import", win(phone)) == 0
    assert read_dat(s)[0] == {(key, day): "from phone"}
    assert near(s.screenshot().pixel(g.cell_centre(3, 1)[0], int(g.cell_centre(3, 1)[1] + g.d * 0.38)), MEMO_DISC, 20)  # drawn again at once
    # The calendar's own next save keeps what was imported.
    open_menu_at(s, *g.cell_centre(4, 1))
    s.xdotool("key", "m")
    s.wait_for(lambda: dialog(s, "メモ"), 20, "the memo dialog")
    s.xdotool("type", "--delay", "30", "typed")
    s.xdotool("key", "Tab", "Return")
    s.wait_for(lambda: not dialog(s, "メモ"), 20, "the dialog to close")
    assert read_dat(s)[0] == {(key, day): "from phone", (key, day + 1): "typed"}, read_dat(s)
    before = dat(s)
    assert run(s, "/import", win(write(s, "bad.ics", b"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n"))) == 1
    assert dat(s) == before
    out = os.path.join(s.dir, "out.ics")
    assert run(s, "/export", win(out)) == 0 and b"SUMMARY:typed" in open(out, "rb").read()

    # The menu: an open dialog, then a message with what was done.
    menu = write(s, "menu.ics", (event % (key, day + 2, "from menu")).encode())
    open_menu_at(s, g.left + g.width // 2, g.top + 4)
    s.xdotool("key", "i")
    s.wait_for(lambda: any(w["visible"] for w in s.windows("#32770")), 20, "the open dialog")
    s.xdotool("type", "--delay", "20", win(menu))
    s.xdotool("key", "Return")
    s.wait_for(lambda: "メモに追加した行: 1" in s.probe("texts", "#32770"), 20, "the import message")
    s.xdotool("key", "Return")
    assert read_dat(s)[0][(key, day + 2)] == "from menu"
    assert len(s.windows("QVMainWnd")) == 1


if __name__ == "__main__":
    harness.main([test_command_line_import_export_round_trip, test_running_calendar_takes_over_and_the_menu_imports])
