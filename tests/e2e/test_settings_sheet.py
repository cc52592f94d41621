"""The settings sheet with real input: a day colour, the background transparency, Tab, Esc, opening twice."""
import time

import harness
from harness import BACK, near, open_menu_at, start

SHEET = "Mosarynの設定"
PICKED = (255, 128, 128)  # the first basic colour of the colour dialog


def child(s, cid, title=SHEET, cls="#32770"):
    return [c for c in s.children(cls, title) if c["id"] == cid and c["visible"]][0]


def weekday_pixels(s, g, colour):
    shot = s.screenshot()
    top = int(g.top + g.grid_y)
    return shot.count(g.left, top, g.left + g.width, g.top + g.height, lambda c: near(c, colour, 12))


def open_sheet(s, g, drag=True):
    open_menu_at(s, g.left + g.width // 2, g.top + 4)
    s.xdotool("key", "e")
    s.wait_for(lambda: s.visible("#32770", SHEET), 20, "the settings sheet")
    sheet = s.visible("#32770", SHEET)[0]
    # Dragged by its caption so that it no longer covers the calendar.
    s.xdotool("mousemove", sheet["left"] + 150, sheet["top"] + 10)
    s.xdotool("mousedown", 1)
    for step in range(1, 9 if drag else 1):
        s.xdotool("mousemove", sheet["left"] + 150, sheet["top"] + 10 + 50 * step)
        time.sleep(0.05)
    s.xdotool("mouseup", 1)
    time.sleep(0.5)


def test_change_apply_ok_and_keep(s):
    g = start(s)
    assert weekday_pixels(s, g, PICKED) == 0
    before = s.screenshot().pixel(g.left + 3, g.top + 3)
    assert near(before, BACK, 8)
    open_sheet(s, g)

    # Design tab, item "日付", the weekday colour button, the first basic colour, OK.
    tab = [c for c in s.children("#32770", SHEET) if c["class"] == "SysTabControl32"][0]
    s.click(tab, 85, 10)
    s.click(child(s, 1001), 30, 3 * 20 + 10)
    s.click(child(s, 1024))
    s.wait_for(lambda: any(w.get("title") == "Color" for w in s.windows("#32770")), 20, "the colour dialog")
    s.click(child(s, 720, "Color"), 15, 10)
    s.click(child(s, 1, "Color"))
    s.wait_for(lambda: not any(w.get("title") == "Color" for w in s.windows("#32770")), 20, "the colour dialog to close")

    # Item "背景": background transparency one page (20 %) up with the keyboard.
    s.click(child(s, 1001), 30, 0 * 20 + 10)
    track = child(s, 1006)
    s.click(track, 8, track["height"] // 2)  # on the thumb: focus without moving it
    s.xdotool("key", "Next")
    time.sleep(0.5)
    assert child(s, 1017)["title"] == "20%", child(s, 1017)

    s.click(child(s, 12321))  # Apply
    time.sleep(1.0)
    assert weekday_pixels(s, g, PICKED) > 20
    after = s.screenshot().pixel(g.left + 3, g.top + 3)
    dimmed = tuple(int(c * 204 / 255) for c in BACK)  # alpha 204 over the black desktop
    assert near(after, dimmed, 6), (after, dimmed)

    s.click(child(s, 1))  # OK
    s.wait_for(lambda: not any(w.get("title") == SHEET for w in s.windows("#32770")), 20, "the sheet to close")
    s.exit()
    values = s.ini_values()
    assert values["DayFontColor"] == str(0xFFFF8080 - (1 << 32)), values["DayFontColor"]
    assert values["BackColor"] == str(0xCC2040C0 - (1 << 32)), values["BackColor"]

    s.start()
    s.xdotool("mousemove", 5, 5)
    time.sleep(0.5)
    assert weekday_pixels(s, g, PICKED) > 20
    assert near(s.screenshot().pixel(g.left + 3, g.top + 3), dimmed, 6)
    # Opened a second time it stays one sheet; Tab moves the focus, Esc closes it.
    open_sheet(s, g)
    open_sheet(s, g, drag=False)
    assert len(s.visible("#32770", SHEET)) == 1
    focus = s.probe("focus")
    s.xdotool("key", "Tab")
    time.sleep(0.5)
    assert s.probe("focus") != focus, focus
    s.xdotool("key", "Escape")
    s.wait_for(lambda: not s.visible("#32770", SHEET), 20, "Esc to close the sheet")


if __name__ == "__main__":
    harness.main([test_change_apply_ok_and_keep])
