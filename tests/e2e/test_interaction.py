"""Using the calendar with real input: keys, the pointer, menus, the day dialogs, iCalendar files handed to the
running calendar, the hot key, the tray icon."""
import datetime
import hashlib
import os
import subprocess
import time

import harness
from harness import MEMO_DISC, day_of, dialog, focus, memo_disc, near, open_menu_at, read_dat, run, start, win, write

MEMORIAL_TEXT = (0xFF, 0x80, 0x40)  # MemorialdayFontColor default


def title_signature(s, g):
    shot, h = s.screenshot(), hashlib.sha1()
    for y in range(g.top + 2, int(g.top + g.grid_y - 22)):
        for x in range(g.left + 8, g.left + g.width - 8):
            h.update(bytes(shot.pixel(x, y)))
    return h.hexdigest()


def rest_on(s, x, y):
    s.xdotool("mousemove", x - 3, y)
    time.sleep(0.3)
    s.xdotool("mousemove", x, y)


def test_keys_pointer_menus_day_dialogs_about_box_hot_key_and_tray(s):
    g = start(s)
    now = title_signature(s, g)
    seen = []
    for key in ("Right", "Left", "Up", "Down"):
        s.xdotool("key", key)
        time.sleep(0.5)
        seen.append(title_signature(s, g))
    assert seen[0] != now and seen[1] == now and seen[2] not in (now, seen[0]) and seen[3] == now, seen
    # "1" then "2" quickly is December, "1" alone January, "0" this month again.
    for typed in ("12", "1", "0"):
        s.xdotool("type", "--delay", "20", typed)
        time.sleep(0.7)
        seen.append(title_signature(s, g))
    assert seen[5] != seen[4] and seen[6] == now and (seen[4] == now) == (datetime.date.today().month == 12)
    # The buttons appear under the pointer and the leave timer takes them away once it has left.
    s.xdotool("mousemove", g.left + g.width // 2, g.top + 4)
    time.sleep(0.6)
    assert title_signature(s, g) != now
    s.xdotool("mousemove", 5, 5)
    time.sleep(0.8)
    assert title_signature(s, g) == now
    # The about box from the tray menu: Escape keeps it open, Enter closes it.
    s.probe("post", *harness.TRAY, 0x0204)
    s.wait_for(lambda: s.visible("#32768"), 10, "the tray menu")
    s.xdotool("key", "a")
    s.wait_for(lambda: dialog(s, "Mosarynについて..."), 20, "the about box")
    assert "Mosaryn Version 1.01" in s.probe("children", "#32770")
    s.xdotool("key", "Escape")
    time.sleep(1)
    assert dialog(s, "Mosarynについて...")
    s.xdotool("key", "Return")
    s.wait_for(lambda: not dialog(s, "Mosarynについて..."), 20, "the about box to close")
    today = datetime.date.today()
    key, day = today.year * 100 + today.month, lambda column: day_of(today.year, today.month, column, 1)
    x, y = g.cell_centre(3, 1)  # a Wednesday of the shown month
    disc = lambda: memo_disc(s, g, 3, 1)
    assert not near(disc(), MEMO_DISC, 20)
    # An iCalendar import on the command line goes to the running calendar, which draws it at once.
    event = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:%d%02d\r\nSUMMARY:%s\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"
    phone = (key, day(5))
    assert run(s, "/import", win(write(s, "phone.ics", (event % (phone + ("from phone",))).encode()))) == 0
    assert read_dat(s) == {phone: ("from phone",)} and near(memo_disc(s, g, 5, 1), MEMO_DISC, 20)
    open_menu_at(s, x, y)
    s.xdotool("key", "m")
    s.wait_for(lambda: dialog(s, "メモ"), 20, "the memo dialog")
    assert "%d年%d月%d日" % (today.year, today.month, day(3)) in s.probe("children", "#32770")
    s.xdotool("type", "--delay", "30", "first line")
    s.xdotool("key", "Return")
    s.xdotool("type", "--delay", "30", "second line")
    s.xdotool("key", "Tab", "Return")  # to OK, and press it
    s.wait_for(lambda: not dialog(s, "メモ"), 20, "the memo dialog to close")
    memo_key = (key, day(3))  # the calendar's own save keeps the import
    assert read_dat(s) == {memo_key: ("first line\r\nsecond line",), phone: ("from phone",)}, read_dat(s)
    assert near(disc(), MEMO_DISC, 20), disc()
    before = open(os.path.join(s.dir, "qv.dat"), "rb").read()
    assert run(s, "/import", win(write(s, "bad.ics", b"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n"))) == 1
    assert open(os.path.join(s.dir, "qv.dat"), "rb").read() == before
    assert run(s, "/export", win(os.path.join(s.dir, "out.ics"))) == 0
    assert b"SUMMARY:first line" in open(os.path.join(s.dir, "out.ics"), "rb").read()
    # Resting on it shows the date line and two memo lines (coming from another cell restarts the timer).
    s.click(s.calendar(), None, 4)  # the calendar active again, as the popup needs
    rest_on(s, *g.cell_centre(2, 1))
    rest_on(s, x, y)
    s.wait_for(lambda: s.visible("DayInfoWnd"), 10, "the popup")
    popup = s.visible("DayInfoWnd")[0]
    assert popup["height"] > 3 * 12 and abs(popup["left"] - x) <= 2 and abs(popup["top"] - y) <= 2, popup
    s.xdotool("key", "Escape")
    # Its import item: an open dialog, then a message with what was done.
    menu = (key, day(6))
    path = write(s, "menu.ics", (event % (menu + ("from menu",))).encode())
    harness.import_from_menu(s, g, path)
    s.xdotool("key", "Return")
    assert read_dat(s)[menu] == ("from menu",) and len(s.windows("QVMainWnd")) == 1
    mx, my = g.cell_centre(4, 1)  # a Thursday
    open_menu_at(s, mx, my)
    s.xdotool("key", "a")
    s.wait_for(lambda: dialog(s, "記念日"), 20, "the memorial-day dialog")
    assert "%d月%d日" % (today.month, day(4)) in s.probe("children", "#32770")
    s.xdotool("type", "--delay", "30", "Wedding")
    s.xdotool("key", "Return")  # the default button
    s.wait_for(lambda: not dialog(s, "記念日"), 20, "the memorial-day dialog to close")
    assert read_dat(s)[(today.month, day(4))] == ("Wedding", "")
    s.away()
    r = int(g.d / 2)
    assert s.screenshot().count(mx - r, my - r, mx + r, my + r, lambda c: near(c, MEMORIAL_TEXT, 50)) > 5
    # A new start reads the memo back; then the hot key, a click on the tray icon and its menu's exit.
    s.exit()
    s.start()
    assert near(memo_disc(s, focus(s, g), 3, 1), MEMO_DISC, 20)
    s.xdotool("key", "alt+c")
    s.wait_for(lambda: s.calendar()["visible"] == 0, 10, "the calendar to hide")
    s.probe("post", *harness.TRAY, 0x0201)  # a left click on the icon
    s.wait_for(lambda: s.calendar()["visible"] == 1, 10, "the calendar to show")
    s.probe("post", *harness.TRAY, 0x0204)
    s.wait_for(lambda: s.visible("#32768"), 10, "the tray menu")
    s.xdotool("key", "x")
    s.wait_for(lambda: not s.windows("QVMainWnd"), 30, "the program to end")
    values = s.ini_values()
    assert (values["PosX"], values["PosY"]) == (str(g.left), str(g.top)), values


def test_taken_hot_key_is_reported(s):
    s.apps.append(subprocess.Popen([s.runner, s.probe_exe, "hotkey-hold", str(ord("C")), "1", "30000"], env=s.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    time.sleep(2)
    s.write_ini(harness.INI)
    s.start(wait=False)
    s.wait_for(lambda: dialog(s, "Mosaryn"), 60, "the error message")
    assert "ホットキーの登録に失敗しました。他のホットキーを設定してください。" in s.probe("children", "#32770")


if __name__ == "__main__":
    harness.main([test_keys_pointer_menus_day_dialogs_about_box_hot_key_and_tray, test_taken_hot_key_is_reported])
