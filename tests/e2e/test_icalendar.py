"""Export and import of iCalendar files on the command line, alone and handed to a running calendar that keeps
answering, and from the menu. An independent reader and writer, Debian's python3-icalendar, runs under
/usr/bin/python3."""
import datetime
import os
import subprocess
import tempfile
import time

import harness
from harness import MEMO_DISC, day_of, memo_disc, near, read_dat, start, win, write

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
LIBRARY_EDIT = """
import sys
from icalendar import Calendar
cal = Calendar.from_ical(open(sys.argv[1], 'rb').read())
for e in cal.walk('VEVENT'):
    if str(e['summary']) == '買い物':
        e['description'] = str(e['description']) + '\\nパン'
open(sys.argv[1], 'wb').write(cal.to_ical())
"""
PHONE = ("BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nDTSTART:20260303T100000\r\nDTEND:20260303T110000\r\n"
         "SUMMARY;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=89=EF=8B=63\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\n"
         "DTSTART:19900305T000000\r\nDTEND:19900305T235900\r\nRRULE:YM1 #0\r\nSUMMARY:\x89\xEF\r\nEND:VEVENT\r\n"
         "END:VCALENDAR\r\n").encode("latin-1")
# UTF-16 with its mark and CR line ends; a second birthday on a taken day; a multi-line memo.
BIRTHDAYS = ("\ufeffBEGIN:VCALENDAR\rVERSION:2.0\rBEGIN:VEVENT\rDTSTART;VALUE=DATE:19900503\rRRULE:FREQ=YEARLY;UNTIL=21001231"
             "\rSUMMARY:太郎\rEND:VEVENT \rBEGIN:VEVENT\rDTSTART;VALUE=DATE:19920503\rRRULE:FREQ=YEARLY\rSUMMARY:花子\r"
             "END:VEVENT\rBEGIN:VEVENT\rDTSTART;VALUE=DATE:20260312\rSUMMARY:買い物\rDESCRIPTION:買い物\\n牛乳\r"
             "END:VEVENT\rEND:VCALENDAR\r").encode("utf-16-le")


def library(script, path):
    return subprocess.run(["/usr/bin/python3", "-c", script, path], check=True, capture_output=True,
                          text=True).stdout.splitlines()


def command(s, *args, cwd=None, wait=True):
    """A second Mosaryn.exe with a command line: its exit code and the one line it printed (standard output
    through a file, as from a script); with wait=False the process and its output file."""
    out = tempfile.TemporaryFile()
    p = subprocess.Popen([s.runner, s.exe] + list(args), env=s.env, cwd=cwd, stdout=out, stderr=subprocess.DEVNULL)
    if not wait:
        return p, out
    return finished(p, out)


def finished(p, out):
    code, lines = p.wait(timeout=300), output(out).splitlines()
    assert len(lines) == 1, lines
    return code, lines[0]


def output(f):
    f.seek(0)
    return f.read().decode()


def run(s, *args, **kw):
    return command(s, *args, **kw)[0]


def dat(s):
    return open(os.path.join(s.dir, "qv.dat"), "rb").read()


def test_command_line_import_export_round_trip(s):
    s.env["TZ"] = "Asia/Tokyo"
    caller = caller_folder(s)
    hand = write(s, "caller/hand.ics", HAND)
    assert command(s, "/import", "hand.ics", cwd=caller) == (0, "インポートしました: メモに追加した行 6、記念日 1、重複 0、"
                                                            "スキップ 0、一部だけ取り込み 0、繰り返し予定 (最初の日のみ) 0。")
    assert read_dat(s) == {(202603, 1): ("日本語の予定, ok",), (202603, 10): ("08:30 会議",), (202603, 11): ("05:00 utc",),
                           (202603, 30): ("旅行",), (202603, 31): ("旅行",), (202604, 1): ("旅行",),
                           (2, 29): ("閏日", "")}, read_dat(s)
    before, read_dat_before = dat(s), read_dat(s)
    assert run(s, "/import", win(hand)) == 0 and dat(s) == before  # nothing twice
    for broken, reason in ((b"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\nEND:VCALENDAR\r\n", "2 行目: BEGIN"),
                           (b"\x89PNG\r\n\x1a\n\0\0", "iCalendar (.ics) のファイルではありません"),
                           (b"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:\xff\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", "3 行目")):
        code, line = command(s, "/import", win(write(s, "broken.ics", broken)))
        assert code == 1 and line.startswith(reason) and "qv.dat は変更していません" in line and dat(s) == before, line
    for args in (["/import"], ["/frobnicate", "x"], ["/export", "a", "b"], ["/export", ""], ["import", "x"]):
        code, line = command(s, *args)
        assert code == 2 and line.startswith("引数が正しくありません。使い方: Mosaryn.exe /"), (args, line)
    assert not s.windows("QVMainWnd")

    # An old phone's vCalendar 1.0 (quoted-printable Shift_JIS), then UTF-16 with CR line ends from another program.
    assert run(s, "-Import", win(write(s, "phone.vcs", PHONE))) == 0  # a switch in any letter case
    assert run(s, "/import", win(write(s, "birthdays.ics", BIRTHDAYS))) == 0
    data = read_dat(s)
    assert (data[(202603, 3)], data[(3, 5)], data[(5, 3)], data[(202603, 12)]) == (
        ("10:00 会議",), ("会", ""), ("太郎、花子", ""), ("買い物\r\n牛乳",)), data
    for key in ((202603, 3), (3, 5), (5, 3), (202603, 12)):
        del data[key]
    assert data == read_dat_before, data

    lib = os.path.join(s.dir, "lib.ics")
    library(LIBRARY_WRITE, lib)
    assert run(s, "/import", win(lib)) == 0
    data = read_dat(s)  # a memo holds one text, a memorial (month, day) two
    assert (data[(202605, 5)], data[(202605, 6)], data[(12, 24)]) == (
        ("こどもの日メモ",), ("16:15 Berlin, call",), ("イブ", "")), data

    out = os.path.join(caller, "out.ics")
    memorials = sum(len(texts) == 2 for texts in data.values())
    assert command(s, "/export", "out.ics", cwd=caller) == (
        0, "メモ %d 件と記念日 %d 件を書き出しました。" % (len(data) - memorials, memorials))
    raw = open(out, "rb").read()
    assert not raw.startswith(b"\xef\xbb\xbf") and raw.count(b"\n") == raw.count(b"\r\n")
    assert max(len(line) for line in raw.split(b"\r\n")) <= 75
    rows = [line.split("|") for line in library(LIBRARY_READ, out)]
    day = lambda key, d: datetime.date(key // 100, key % 100, d) if key > 12 else datetime.date(2000, key, d)
    expected = {(texts[0].splitlines()[0], str(day(*k)), str(day(*k) + datetime.timedelta(days=1)),
                 "['YEARLY']" if len(texts) == 2 else "None") for k, texts in data.items()}
    assert {tuple(row[:4]) for row in rows} == expected, {tuple(row[:4]) for row in rows} ^ expected
    uids = [row[4] for row in rows]
    assert len(set(uids)) == len(uids)
    assert run(s, "/export", win(out)) == 0 and [line.split("|")[4] for line in library(LIBRARY_READ, out)] == uids

    os.remove(os.path.join(s.dir, "qv.dat"))  # into an empty data file: the same days come back
    assert run(s, "/import", win(out)) == 0 and read_dat(s) == data
    # The multi-line memo edited in another calendar comes back with its new line only.
    library(LIBRARY_EDIT, out)
    assert run(s, "/import", win(out)) == 0 and read_dat(s)[(202603, 12)] == ("買い物\r\n牛乳\r\nパン",)


def caller_folder(s):
    """A folder other than the program's, where relative paths given on the command line must be found."""
    os.mkdir(os.path.join(s.dir, "caller"))
    return os.path.join(s.dir, "caller")


def one_day(s, name, key, day, events, description=""):
    """`events` events on one day (or spread over the days after it with a description), each a line of its own."""
    lines = ["BEGIN:VCALENDAR", "VERSION:2.0"]
    start = datetime.date(key // 100, key % 100, day)
    for i in range(events):
        when = start + datetime.timedelta(days=i % 3000 if description else 0)
        lines += ["BEGIN:VEVENT", "DTSTART;VALUE=DATE:" + when.strftime("%Y%m%d"), "SUMMARY:予定 %d" % i]
        lines += ["DESCRIPTION:" + description] if description else []
        lines += ["END:VEVENT"]
    return write(s, name, "\r\n".join(lines + ["END:VCALENDAR", ""]).encode())


def test_running_calendar_answers_while_it_imports_and_draws_before_it_tells(s):
    g = start(s)
    today = datetime.date.today()
    key, day = today.year * 100 + today.month, lambda column: day_of(today.year, today.month, column, 1)
    caller = caller_folder(s)
    big, small = one_day(s, "big.ics", key, day(2), 50000), one_day(s, "caller/small.ics", key, day(3), 1)
    # The probe sends the calendar a message every 20 ms while two imports are handed over at once.
    stop, watched = os.path.join(s.dir, "stop"), tempfile.TemporaryFile()
    watch = subprocess.Popen([s.runner, s.probe_exe, "answers", "QVMainWnd", win(stop)], env=s.env, stdout=watched,
                             stderr=subprocess.DEVNULL)
    s.wait_for(lambda: "watching" in output(watched), 60, "the probe to watch")
    began = time.time()  # the whole hand-over, for the message when the calendar did not answer
    first, second = command(s, "/import", win(big), wait=False), command(s, "/import", "small.ics", cwd=caller, wait=False)
    (code, line), took = finished(*first), time.time() - began
    assert code == 0 and line.startswith("インポートしました: メモに追加した行 3679、") and "上限の 32000 文字" in line, line
    assert finished(*second) == (0, "インポートしました: メモに追加した行 1、記念日 0、重複 0、スキップ 0、一部だけ取り込み 0、"
                                    "繰り返し予定 (最初の日のみ) 0。")  # relative: the caller's folder, not the calendar's
    open(stop, "w").close()
    watch.wait(timeout=60)
    longest = int(output(watched).split("slowest=")[1].split()[0])
    assert longest < 500, (output(watched), took)
    assert near(memo_disc(s, g, 2, 1), MEMO_DISC, 20) and near(memo_disc(s, g, 3, 1), MEMO_DISC, 20)
    # The running calendar writes a relative export into the caller's folder too.
    assert command(s, "/export", "mine.ics", cwd=caller)[0] == 0 and not os.path.exists(os.path.join(s.dir, "mine.ics"))
    small_day = datetime.date(today.year, today.month, day(3)).strftime("%Y%m%d")
    assert b"DTSTART;VALUE=DATE:" + small_day.encode() in open(os.path.join(caller, "mine.ics"), "rb").read()

    # From the menu: the calendar shows the new memo before the message says so.
    path = one_day(s, "menu.ics", key, day(4), 1)
    harness.import_from_menu(s, g, path)
    assert near(memo_disc(s, g, 4, 1), MEMO_DISC, 20)
    s.xdotool("key", "Return")

    # A calendar started during a long import alone comes up at once and shows the import once it is done.
    s.exit()
    slow = one_day(s, "slow.ics", key, day(5), 150000, "資料を準備\\; 第二会議室")
    alone = command(s, "/import", win(slow), wait=False)
    s.start()
    assert alone[0].poll() is None, "the import ended before the calendar came up"
    assert finished(*alone)[0] == 0
    s.wait_for(lambda: near(memo_disc(s, g, 5, 1), MEMO_DISC, 20), 30, "the imported memo")


if __name__ == "__main__":
    harness.main([test_command_line_import_export_round_trip,
                  test_running_calendar_answers_while_it_imports_and_draws_before_it_tells])
