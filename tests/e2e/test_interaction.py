"""Using the calendar with real input: keys, the pointer, menus, the day dialogs, the hot key, the tray icon."""
import datetime
import hashlib
import os
import struct
import subprocess
import time

import harness
from harness import day_of, near, open_menu_at, start

MEMO_DISC = (0xF2, 0xC7, 0x44)  # MemodayBackColor default
MEMORIAL_TEXT = (0xFF, 0x80, 0x40)  # MemorialdayFontColor default


def title_signature(s, g):
    shot, h = s.screenshot(), hashlib.sha1()
    for y in range(g.top + 2, int(g.top + g.grid_y - 22)):
        for x in range(g.left + 8, g.left + g.width - 8):
            h.update(bytes(shot.pixel(x, y)))
    return h.hexdigest()


def test_keys_digits_and_the_buttons_under_the_pointer(s):
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


def rest_on(s, x, y):
    s.xdotool("mousemove", x - 3, y)
    time.sleep(0.3)
    s.xdotool("mousemove", x, y)


def read_dat(s):
    """{(key, day): texts} of both sections of qv.dat."""
    data, found = open(os.path.join(s.dir, "qv.dat"), "rb").read(), {}
    (memo_len,) = struct.unpack_from("<i", data, 0)
    pos = 4
    while pos < len(data):
        key, length = struct.unpack_from("<ii", data, pos)
        end, pos = pos + 8 + length, pos + 8
        while pos < end:
            (day,), pos, texts = struct.unpack_from("<i", data, pos), pos + 4, []
            for _ in range(1 if end <= 4 + memo_len else 2):
                (n,) = struct.unpack_from("<i", data, pos)
                texts.append(data[pos + 4:pos + 4 + 2 * n].decode("utf-16-le"))
                pos += 4 + 2 * n
            found[(key, day)] = tuple(texts)
    return found


def dialog(s, title):
    return s.visible("#32770", title)


def test_day_dialogs_menus_and_the_about_box(s):
    g = start(s)
    # The about box from the tray menu: Escape keeps it open, Enter closes it.
    s.probe("post", *harness.TRAY, 0x0204)
    s.wait_for(lambda: s.visible("#32768"), 10, "the tray menu")
    s.xdotool("key", "a")
    s.wait_for(lambda: dialog(s, "Mosarynについて..."), 20, "the about box")
    assert "Mosaryn Version 1.01" in s.probe("texts", "#32770")
    s.xdotool("key", "Escape")
    time.sleep(1)
    assert dialog(s, "Mosarynについて...")
    s.xdotool("key", "Return")
    s.wait_for(lambda: not dialog(s, "Mosarynについて..."), 20, "the about box to close")
    today = datetime.date.today()
    x, y = g.cell_centre(3, 1)  # a Wednesday of the shown month
    disc = lambda: s.screenshot().pixel(x, int(y + g.d * 0.38))
    assert not near(disc(), MEMO_DISC, 20)
    day_menu = open_menu_at(s, x, y)
    s.xdotool("key", "m")
    s.wait_for(lambda: dialog(s, "メモ"), 20, "the memo dialog")
    assert "%d年%d月%d日" % (today.year, today.month, day_of(today.year, today.month, 3, 1)) in s.probe(
        "texts", "#32770")
    s.xdotool("type", "--delay", "30", "first line")
    s.xdotool("key", "Return")
    s.xdotool("type", "--delay", "30", "second line")
    s.xdotool("key", "Tab", "Return")  # to OK, and press it
    s.wait_for(lambda: not dialog(s, "メモ"), 20, "the memo dialog to close")
    memo_key = (today.year * 100 + today.month, day_of(today.year, today.month, 3, 1))
    assert read_dat(s) == {memo_key: ("first line\r\nsecond line",)}, read_dat(s)
    assert near(disc(), MEMO_DISC, 20), disc()
    # Resting on it shows the date line and two memo lines (coming from another cell restarts the timer).
    s.click(s.calendar(), None, 4)  # the calendar active again, as the popup needs
    rest_on(s, *g.cell_centre(2, 1))
    rest_on(s, x, y)
    s.wait_for(lambda: s.visible("DayInfoWnd"), 10, "the popup")
    popup = s.visible("DayInfoWnd")[0]
    assert popup["height"] > 3 * 12 and abs(popup["left"] - x) <= 2 and abs(popup["top"] - y) <= 2, popup
    s.xdotool("key", "Escape")
    # Outside the grid and on a day of the next month the six-row calendar menu opens, not the day menu.
    for where in ((g.left + g.width // 2, g.top + 4), g.cell_centre(6, 5)):
        assert open_menu_at(s, *where)["height"] > day_menu["height"]
        s.xdotool("key", "Escape")
        time.sleep(0.5)
    mx, my = g.cell_centre(4, 1)  # a Thursday
    open_menu_at(s, mx, my)
    s.xdotool("key", "a")
    s.wait_for(lambda: dialog(s, "記念日"), 20, "the memorial-day dialog")
    assert "%d月%d日" % (today.month, day_of(today.year, today.month, 4, 1)) in s.probe("texts", "#32770")
    s.xdotool("type", "--delay", "30", "Wedding")
    s.xdotool("key", "Return")  # the default button
    s.wait_for(lambda: not dialog(s, "記念日"), 20, "the memorial-day dialog to close")
    assert read_dat(s)[(today.month, day_of(today.year, today.month, 4, 1))] == ("Wedding", "")
    s.xdotool("mousemove", 5, 5)
    time.sleep(0.5)
    r = int(g.d / 2)
    assert s.screenshot().count(mx - r, my - r, mx + r, my + r, lambda c: near(c, MEMORIAL_TEXT, 50)) > 5
    # A new start reads the memo back.
    s.exit()
    s.start()
    s.xdotool("mousemove", 5, 5)
    time.sleep(0.5)
    assert near(disc(), MEMO_DISC, 20)


def test_hot_key_tray_click_and_exit_from_the_tray_menu(s):
    g = start(s)
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
    assert "ホットキーの登録に失敗しました。他のホットキーを設定してください。" in s.probe("texts", "#32770")


if __name__ == "__main__":
    harness.main([test_keys_digits_and_the_buttons_under_the_pointer,
                  test_day_dialogs_menus_and_the_about_box, test_hot_key_tray_click_and_exit_from_the_tray_menu,
                  test_taken_hot_key_is_reported])
