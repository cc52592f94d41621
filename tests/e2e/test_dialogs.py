"""Editing days through the real dialogs: memo, memorial day, and the about box."""
import datetime
import os
import struct
import time

import harness
from harness import near
from test_interaction import day_of, open_menu_at, start

MEMO_DISC = (0xF2, 0xC7, 0x44)      # MemodayBackColor default
MEMORIAL_TEXT = (0xFF, 0x80, 0x40)  # MemorialdayFontColor default


def read_dat(s):
    data = open(os.path.join(s.dir, "qv.dat"), "rb").read()
    (memo_len,) = struct.unpack_from("<i", data, 0)
    memos, pos = {}, 4
    while pos < 4 + memo_len:
        key, length = struct.unpack_from("<ii", data, pos)
        end, pos = pos + 8 + length, pos + 8
        while pos < end:
            day, n = struct.unpack_from("<ii", data, pos)
            memos[(key, day)] = data[pos + 8:pos + 8 + 2 * n].decode("utf-16-le")
            pos += 8 + 2 * n
    memorials = {}
    while pos < len(data):
        key, length = struct.unpack_from("<ii", data, pos)
        end, pos = pos + 8 + length, pos + 8
        while pos < end:
            day, a = struct.unpack_from("<ii", data, pos)
            name = data[pos + 8:pos + 8 + 2 * a].decode("utf-16-le")
            pos += 8 + 2 * a
            (b,) = struct.unpack_from("<i", data, pos)
            memorials[(key, day)] = (name, data[pos + 4:pos + 4 + 2 * b].decode("utf-16-le"))
            pos += 4 + 2 * b
    return memos, memorials


def dialog_open(s, title):
    return any(w["visible"] and w.get("title") == title for w in s.windows("#32770"))


def disc_colour(s, g, column, row):
    x, y = g.cell_centre(column, row)
    return s.screenshot().pixel(x, int(y + g.d * 0.38))


def test_memo_is_saved_drawn_shown_and_kept(s):
    g = start(s)
    assert not near(disc_colour(s, g, 3, 1), MEMO_DISC, 20)
    today = datetime.date.today()
    day = day_of(today.year, today.month, 3, 1)
    open_menu_at(s, *g.cell_centre(3, 1))  # a Wednesday of the shown month
    s.xdotool("key", "m")
    s.wait_for(lambda: dialog_open(s, "メモ"), 20, "the memo dialog")
    s.xdotool("type", "--delay", "30", "first line")
    s.xdotool("key", "Return")
    s.xdotool("type", "--delay", "30", "second line")
    s.xdotool("key", "Tab", "Return")  # to OK, and press it
    s.wait_for(lambda: not dialog_open(s, "メモ"), 20, "the dialog to close")
    memos, _ = read_dat(s)
    assert memos == {(today.year * 100 + today.month, day): "first line\r\nsecond line"}, memos
    assert near(disc_colour(s, g, 3, 1), MEMO_DISC, 20), disc_colour(s, g, 3, 1)
    # Resting on the day opens its popup: date line and two memo lines make it taller than one line.
    # (The right click stopped the hover timer: come to the day from another cell.)
    s.xdotool("mousemove", *g.cell_centre(2, 1))
    time.sleep(0.3)
    s.xdotool("mousemove", *g.cell_centre(3, 1))
    s.wait_for(lambda: any(w["visible"] for w in s.windows("DayInfoWnd")), 10, "the popup")
    popup = [w for w in s.windows("DayInfoWnd") if w["visible"]][0]
    assert popup["height"] > 3 * 12, popup
    s.xdotool("key", "Escape")
    # A new start reads it back.
    s.probe("send", "QVMainWnd", 0x111, 40032, 0)
    s.wait_for(lambda: not s.windows("QVMainWnd"), 30, "the program to end")
    s.start()
    s.xdotool("mousemove", 5, 5)
    time.sleep(0.5)
    assert near(disc_colour(s, g, 3, 1), MEMO_DISC, 20)


def test_memorial_day_is_saved_and_drawn(s):
    g = start(s)
    today = datetime.date.today()
    day = day_of(today.year, today.month, 4, 1)
    open_menu_at(s, *g.cell_centre(4, 1))  # a Thursday of the shown month
    s.xdotool("key", "a")
    s.wait_for(lambda: dialog_open(s, "記念日"), 20, "the memorial-day dialog")
    assert "%d月%d日" % (today.month, day) in s.probe("texts", "#32770")
    s.xdotool("type", "--delay", "30", "Wedding")
    s.xdotool("key", "Return")  # the default button
    s.wait_for(lambda: not dialog_open(s, "記念日"), 20, "the dialog to close")
    _, memorials = read_dat(s)
    assert memorials == {(today.month, day): ("Wedding", "")}, memorials
    s.xdotool("mousemove", 5, 5)
    time.sleep(0.5)
    shot = s.screenshot()
    x, y = g.cell_centre(4, 1)
    r = int(g.d / 2)
    orange = shot.count(x - r, y - r, x + r, y + r, lambda c: near(c, MEMORIAL_TEXT, 50))
    assert orange > 5, orange


def test_about_box_keeps_open_on_escape_and_closes_on_enter(s):
    start(s)
    s.probe("post", "QVMainWnd", 0x8000 + 100, 103, 0x0204)  # the tray menu
    s.wait_for(lambda: any(w["visible"] for w in s.windows("#32768")), 10, "the tray menu")
    s.xdotool("key", "a")
    title = "Mosarynについて..."
    s.wait_for(lambda: dialog_open(s, title), 20, "the about box")
    texts = s.probe("texts", "#32770")
    assert "Mosaryn Version 1.01" in texts and "mosaryn" in texts.lower(), texts
    s.xdotool("key", "Escape")
    time.sleep(1)
    assert dialog_open(s, title)
    s.xdotool("key", "Return")
    s.wait_for(lambda: not dialog_open(s, title), 20, "the about box to close")


if __name__ == "__main__":
    harness.main([test_memo_is_saved_drawn_shown_and_kept, test_memorial_day_is_saved_and_drawn,
                  test_about_box_keeps_open_on_escape_and_closes_on_enter])
