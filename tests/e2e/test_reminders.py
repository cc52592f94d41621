"""Reminders on the real program in Tokyo time with a lead of 5 minutes: a missed one at start, one from
the timer, a click on the balloon, nothing twice after a restart, and /reminders refusing bad arguments."""
import datetime
import os
import struct
import time
from zoneinfo import ZoneInfo

import harness
from harness import INI, run, win, write

ZONE = "Asia/Tokyo"
MINUTE = datetime.timedelta(minutes=1)


def memo_file(memos):
    """qv.dat holding these (start, text) lines, one memo per day."""
    days = {}
    for start, text in memos:
        days.setdefault(start.date(), []).append("%d:%02d %s" % (start.hour, start.minute, text))
    blocks = b""
    for day, lines in sorted(days.items()):
        text = "\r\n".join(lines).encode("utf-16-le")
        entry = struct.pack("<ii", day.day, len(text) // 2) + text
        blocks += struct.pack("<ii", day.year * 100 + day.month, len(entry)) + entry
    return struct.pack("<i", len(blocks)) + blocks


def wait_balloon(s, what, timeout):
    """The text of the balloon on screen that holds `what` (its title cannot be read under Wine)."""
    found = []
    s.wait_for(lambda: found.extend(b for b in s.probe("balloons").splitlines() if what in b) or found, timeout,
               "a balloon with " + what)
    return found[0]


def test_missed_timed_clicked_and_never_twice(s):
    s.env["TZ"] = ZONE
    while datetime.datetime.now().second > 40:  # the timer's reminder must stay a minute away from the start
        time.sleep(0.5)
    now = datetime.datetime.now(ZoneInfo(ZONE)).replace(second=0, microsecond=0, tzinfo=None)
    missed, dropped, timed = now - 3 * MINUTE, now - 30 * MINUTE, now + 6 * MINUTE
    memos = [(missed, "歯医者"), (dropped, "朝会"), (timed, "会議")]
    s.write_ini(INI + "[Reminder]\nEnabled=Yes\nLeadMinutes=5\n")
    open(os.path.join(s.dir, "qv.dat"), "wb").write(memo_file(memos))
    s.start()
    assert "ほか" not in wait_balloon(s, "分前に開始", 30)  # 朝会 started more than 15 minutes ago
    s.wait_for(lambda: s.ini_values().get("LastShown") == (missed - 5 * MINUTE).strftime("%Y-%m-%dT%H:%M"), 10,
               "LastShown")

    # What the shell sends for a click on the balloon (Wine's own balloon does not send it).
    s.probe("hide", "QVMainWnd")
    s.probe("post", "QVMainWnd", 0x8064, 103, 0x405)
    s.wait_for(lambda: s.visible("DayInfoWnd") and s.visible("QVMainWnd"), 10, "the calendar and the day's popup")

    wait_balloon(s, "あと 5 分", 100)
    s.wait_for(lambda: s.ini_values().get("LastShown") == (timed - 5 * MINUTE).strftime("%Y-%m-%dT%H:%M"), 10,
               "LastShown of the timer's reminder")

    # Started again: nothing comes back, neither at start nor when an import hands over a line due now.
    s.kill()
    s.start()
    call = datetime.datetime.now(ZoneInfo(ZONE)).replace(second=0, microsecond=0, tzinfo=None)
    ics = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:test\r\nBEGIN:VEVENT\r\nUID:call\r\nDTSTART:%s\r\n"
           "SUMMARY:電話\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n" % call.strftime("%Y%m%dT%H%M%S"))
    assert run(s, "/import", win(write(s, "call.ics", ics.encode("utf-8")))) == 0
    assert "ほか" not in wait_balloon(s, "", 30)

    assert run(s, "/reminders", "2026-12-08", win(os.path.join(s.dir, "out.txt"))) == 2  # the file is missing


if __name__ == "__main__":
    harness.main([test_missed_timed_clicked_and_never_twice])
