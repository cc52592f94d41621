"""The program's files when something else happens to them: left half-replaced by a stopped save, changed by an import
while a day dialog is open, named by an export, or holding the last day."""
import datetime
import os
import struct

import harness
from harness import INI, day_of, dialog, open_menu_at, read_dat, run, start, win, write

TODAY = datetime.date.today()
KEY = TODAY.year * 100 + TODAY.month
EXTRA = "[Mine]\nkeep=1\nPath=C:\\写真\\背景.png\n"
EVENT = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART%s\r\n%sSUMMARY:%s\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"


def utf16(text):
    return b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le")


def dat(key=None, day=0, text=""):
    """qv.dat with one memo, or none."""
    entry = struct.pack("<ii", day, len(text)) + text.encode("utf-16-le")
    block = struct.pack("<ii", key, len(entry)) + entry if key else b""
    return struct.pack("<i", len(block)) + block


def ics(s, name, start, summary, rule=""):
    return win(write(s, name, (EVENT % (start, rule, summary)).encode()))


def test_interrupted_replacement_is_recovered_and_exports_never_destroy(s):
    # What the system's two-rename ReplaceFileW left when stopped between its renames: no file, the whole new
    # version as ".new", the old one as "rf….tmp".
    write(s, "qv.ini.new", utf16(INI.replace("PosX=300", "PosX=340") + EXTRA))
    write(s, "rf1a2b.tmp", utf16(INI))
    write(s, "qv.dat.new", dat(KEY, TODAY.day, "recovered"))
    write(s, "rf1a2c.tmp", dat())
    s.env["TZ"] = "Asia/Tokyo"
    s.start()
    assert s.calendar()["left"] == 340 and s.ini_values()["Path"] == "C:\\写真\\背景.png", s.ini_values()
    assert read_dat(s) == {(KEY, TODAY.day): ("recovered",)}
    assert sorted(os.listdir(s.dir)) == ["Mosaryn.exe", "qv.dat", "qv.ini"], os.listdir(s.dir)

    os.mkdir(os.path.join(s.dir, "folder"))
    write(s, "folder/inside.txt", b"mine")
    kept = [open(os.path.join(s.dir, name), "rb").read() for name in ("qv.dat", "qv.ini")]
    for target in ("folder", "qv.dat", "QV.INI"):
        assert run(s, "/export", win(os.path.join(s.dir, target))) == 1, target
    assert [open(os.path.join(s.dir, name), "rb").read() for name in ("qv.dat", "qv.ini")] == kept
    assert os.listdir(os.path.join(s.dir, "folder")) == ["inside.txt"]

    # The last day the program can write goes out and comes back; a day after it is refused.
    assert run(s, "/import", ics(s, "last.ics", ";VALUE=DATE:99991231", "last")) == 0
    assert run(s, "/import", ics(s, "late.ics", ":99991231T230000Z", "late")) == 0
    data = read_dat(s)
    assert data == {(KEY, TODAY.day): ("recovered",), (999912, 31): ("last",)}, data
    out = os.path.join(s.dir, "out.ics")
    assert run(s, "/export", win(out)) == 0 and b"DTSTART;VALUE=DATE:99991231" in open(out, "rb").read()
    os.remove(os.path.join(s.dir, "qv.dat"))
    assert run(s, "/import", win(out)) == 0 and read_dat(s) == data


def ok_button(s, title):
    # Clicked, not keyed: the command run meanwhile may have taken the keyboard focus under Wine.
    return [c for c in s.children("#32770", title) if c["id"] == 1 and c["visible"]][0]


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
    s.click(ok_button(s, "メモ"))
    s.wait_for(lambda: not dialog(s, "メモ"), 20, "the memo dialog to close")
    assert read_dat(s)[(KEY, day)] == ("typed\r\nimported",), read_dat(s)

    day = day_of(TODAY.year, TODAY.month, 4, 1)
    open_menu_at(s, *g.cell_centre(4, 1))
    s.xdotool("key", "a")
    s.wait_for(lambda: dialog(s, "記念日"), 20, "the memorial-day dialog")
    s.xdotool("type", "--delay", "30", "mine")
    assert run(s, "/import", ics(s, "yearly.ics", ";VALUE=DATE:2000%02d%02d" % (TODAY.month, day), "記念",
                                 "RRULE:FREQ=YEARLY\r\n")) == 0
    s.click(ok_button(s, "記念日"))  # OK asks before the typed name replaces the imported one
    s.wait_for(lambda: dialog(s, "Mosaryn"), 20, "the question")
    s.xdotool("key", "n")  # no: the stored entry stays
    s.wait_for(lambda: not dialog(s, "記念日"), 20, "the memorial-day dialog to close")
    assert read_dat(s)[(TODAY.month, day)] == ("記念", "")


if __name__ == "__main__":
    harness.main([test_interrupted_replacement_is_recovered_and_exports_never_destroy,
                  test_import_while_a_day_dialog_is_open_is_kept])
