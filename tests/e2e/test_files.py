"""The program's files when something else happens to them: left half-replaced by a stopped save, held by another
program at start, changed by an import while a day dialog is open, named by an export, or holding the last day."""
import datetime
import os
import struct
import subprocess

import harness
from harness import INI, day_of, dialog, open_menu_at, read_dat, run, start, win, write

TODAY = datetime.date.today()
KEY = TODAY.year * 100 + TODAY.month
EXTRA = "[Mine]\nkeep=1\nPath=C:\\写真\\背景.png\n"
EVENT = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART%s\r\n%sSUMMARY:%s\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"


def utf16(text):
    return b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le")


def dat(memos):
    """qv.dat with one memo block per month: {(key, day): text}."""
    blocks = b""
    for key in sorted({k for k, _ in memos}):
        entries = b"".join(struct.pack("<ii", d, len(t)) + t.encode("utf-16-le")
                           for (k, d), t in sorted(memos.items()) if k == key)
        blocks += struct.pack("<ii", key, len(entries)) + entries
    return struct.pack("<i", len(blocks)) + blocks


def ics(s, name, start, summary, rule=""):
    return win(write(s, name, (EVENT % (start, rule, summary)).encode()))


def test_interrupted_replacement_is_recovered_and_exports_never_destroy(s):
    # What the system's two-rename ReplaceFileW left when stopped between its renames: no file, the whole new
    # version as ".new", the old one as "rf….tmp".
    write(s, "qv.ini.new", utf16(INI.replace("PosX=300", "PosX=340") + EXTRA))
    write(s, "rf1a2b.tmp", utf16(INI))
    write(s, "qv.dat.new", dat({(KEY, TODAY.day): "recovered"}))
    write(s, "rf1a2c.tmp", dat({}))
    s.env["TZ"] = "Asia/Tokyo"
    s.start()
    assert s.calendar()["left"] == 340 and s.ini_values()["Path"] == "C:\\写真\\背景.png", s.ini_values()
    assert read_dat(s) == {(KEY, TODAY.day): ("recovered",)}
    assert sorted(os.listdir(s.dir)) == ["Mosaryn.exe", "qv.dat", "qv.ini"], os.listdir(s.dir)

    folder = os.path.join(s.dir, "folder")
    os.mkdir(folder)
    write(s, "folder/inside.txt", b"mine")
    kept = {name: open(os.path.join(s.dir, name), "rb").read() for name in ("qv.dat", "qv.ini")}
    for target in (folder, os.path.join(s.dir, "qv.dat"), os.path.join(s.dir, "QV.INI")):
        assert run(s, "/export", win(target)) == 1, target
    assert {name: open(os.path.join(s.dir, name), "rb").read() for name in kept} == kept
    assert os.listdir(folder) == ["inside.txt"]

    # The last day the program can write goes out and comes back; a day after it is refused.
    assert run(s, "/import", ics(s, "last.ics", ";VALUE=DATE:99991231", "last")) == 0
    assert run(s, "/import", ics(s, "late.ics", ":99991231T230000Z", "late")) == 0
    data = read_dat(s)
    assert data == {(KEY, TODAY.day): ("recovered",), (999912, 31): ("last",)}, data
    out = os.path.join(s.dir, "out.ics")
    assert run(s, "/export", win(out)) == 0 and b"DTSTART;VALUE=DATE:99991231" in open(out, "rb").read()
    os.remove(os.path.join(s.dir, "qv.dat"))
    assert run(s, "/import", win(out)) == 0 and read_dat(s) == data


def test_settings_held_at_start_are_reported_and_never_written_over(s):
    s.write_ini(INI + EXTRA)
    path = os.path.join(s.dir, "qv.ini")
    before = open(path, "rb").read()
    holder = subprocess.Popen([s.runner, s.probe_exe, "hold", win(path), "6000"], env=s.env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
    s.apps.append(holder)
    assert holder.stdout.readline().strip() == b"held"
    s.start(wait=False)
    s.wait_for(lambda: dialog(s, "Mosaryn"), 60, "the report")
    text = s.probe("children", "#32770", "Mosaryn")
    assert "設定ファイル (qv.ini) を読み込めませんでした" in text and win(path) in text and "Sharing violation" in text
    s.probe("post", "#32770", 0x111, 1, 0)
    holder.wait(timeout=60)
    assert open(path, "rb").read() == before
    # Read at the first change after it was freed: the change, and everything else as the file had it.
    calendar = s.calendar()
    open_menu_at(s, calendar["left"] + calendar["width"] // 2, calendar["top"] + 4)
    s.xdotool("key", "t")
    s.wait_for(lambda: s.ini_values().get("StayTop") == "Yes", 20, "StayTop in qv.ini")
    values = s.ini_values()
    assert (values["PosX"], values["keep"], values["Path"], values["BackColor"]) == (
        "300", "1", "C:\\写真\\背景.png", "-14663488"), values
    s.wait_for(lambda: s.calendar()["left"] == 300, 10, "the calendar at the file's position")


def test_import_while_a_day_dialog_is_open_is_kept(s):
    g = start(s)
    day = day_of(TODAY.year, TODAY.month, 3, 1)
    open_menu_at(s, *g.cell_centre(3, 1))
    s.xdotool("key", "m")
    s.wait_for(lambda: dialog(s, "メモ"), 20, "the memo dialog")
    s.xdotool("type", "--delay", "30", "typed")
    assert run(s, "/import", ics(s, "memo.ics", ";VALUE=DATE:%d%02d%02d" % (TODAY.year, TODAY.month, day),
                                 "imported")) == 0
    assert "追加された行を末尾に加えています" in s.probe("children", "#32770", "メモ")  # the edit box's text is its own
    s.xdotool("key", "Tab", "Return")
    s.wait_for(lambda: not dialog(s, "メモ"), 20, "the memo dialog to close")
    assert read_dat(s)[(KEY, day)] == ("typed\r\nimported",), read_dat(s)

    day = day_of(TODAY.year, TODAY.month, 4, 1)
    open_menu_at(s, *g.cell_centre(4, 1))
    s.xdotool("key", "a")
    s.wait_for(lambda: dialog(s, "記念日"), 20, "the memorial-day dialog")
    assert run(s, "/import", ics(s, "yearly.ics", ";VALUE=DATE:2000%02d%02d" % (TODAY.month, day), "記念",
                                 "RRULE:FREQ=YEARLY\r\n")) == 0
    s.xdotool("key", "Return")
    s.wait_for(lambda: not dialog(s, "記念日"), 20, "the memorial-day dialog to close")
    assert read_dat(s)[(TODAY.month, day)] == ("記念", "")


if __name__ == "__main__":
    harness.main([test_interrupted_replacement_is_recovered_and_exports_never_destroy,
                  test_settings_held_at_start_are_reported_and_never_written_over,
                  test_import_while_a_day_dialog_is_open_is_kept])
