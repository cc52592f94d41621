"""The settings sheet with real input: a day colour, the background transparency, Tab, Esc, opening twice;
and every change (StayTop, the sheet's Apply, a drag) is in qv.ini at once, so it survives a killed process."""
import os
import time

import harness
from harness import BACK, Geometry, drag, focus, near, open_menu_at, start

SHEET = "Mosarynの設定"
PICKED = (255, 128, 128)  # the first basic colour of the colour dialog
WS_EX_TOPMOST = 0x8


def child(s, cid, title=SHEET, cls="#32770"):
    return [c for c in s.children(cls, title) if c["id"] == cid and c["visible"]][0]


def weekday_pixels(s, g, colour):
    return s.screenshot().count(g.left, int(g.top + g.grid_y), g.left + g.width, g.top + g.height,
                                lambda c: near(c, colour, 12))


def open_sheet(s, g, move=True):
    open_menu_at(s, g.left + g.width // 2, g.top + 4)
    s.xdotool("key", "e")
    s.wait_for(lambda: s.visible("#32770", SHEET), 20, "the settings sheet")
    sheet = s.visible("#32770", SHEET)[0]
    drag(s, sheet["left"] + 150, sheet["top"] + 10, 0, 50, 8 if move else 0)  # off the calendar


def gone(s, title):
    return not any(w["title"] == title for w in s.windows("#32770"))


def close_sheet(s, button):
    s.click(child(s, button))
    s.wait_for(lambda: gone(s, SHEET), 20, "the sheet to close")


def test_sheet_apply_ok_and_changes_that_survive_a_killed_process(s):
    g = start(s)
    assert weekday_pixels(s, g, PICKED) == 0 and near(s.screenshot().pixel(g.left + 3, g.top + 3), BACK, 8)
    open_menu_at(s, g.left + g.width // 2, g.top + 4)  # StayTop from the calendar menu
    s.xdotool("key", "t")
    s.wait_for(lambda: s.calendar()["exstyle"] & WS_EX_TOPMOST, 10, "the calendar on top")
    open_sheet(s, g)

    # Design tab, item "日付", the weekday colour button, the first basic colour, OK.
    tab = [c for c in s.children("#32770", SHEET) if c["class"] == "SysTabControl32"][0]
    s.click(tab, 85, 10)
    s.click(child(s, 1001), 30, 3 * 20 + 10)
    s.click(child(s, 1024))
    s.wait_for(lambda: s.visible("#32770", "Color"), 20, "the colour dialog")
    s.click(child(s, 720, "Color"), 15, 10)
    s.click(child(s, 1, "Color"))
    s.wait_for(lambda: gone(s, "Color"), 20, "the colour dialog to close")

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
    dimmed = tuple(int(c * 204 / 255) for c in BACK)  # alpha 204 over the black desktop
    assert near(s.screenshot().pixel(g.left + 3, g.top + 3), dimmed, 6)
    close_sheet(s, 1)  # OK

    # Dragged by its title line once it is active again; then no exit, no message: the process is killed.
    focus(s, g)
    drag(s, g.left + g.width // 2, g.top + 3, 10, 7)
    moved = Geometry(s.calendar())
    assert (moved.left, moved.top) == (g.left + 100, g.top + 70), moved.__dict__
    s.kill()
    colours = {"DayFontColor": str(0xFFFF8080 - (1 << 32)), "BackColor": str(0xCC2040C0 - (1 << 32))}
    values = s.ini_values()
    assert values.items() >= dict(colours, StayTop="Yes", PosX=str(moved.left), PosY=str(moved.top)).items(), values
    assert sorted(os.listdir(s.dir)) == ["Mosaryn.exe", "qv.ini"], os.listdir(s.dir)

    s.start()
    again = s.calendar()
    assert (again["left"], again["top"]) == (moved.left, moved.top) and again["exstyle"] & WS_EX_TOPMOST, again
    s.away()
    assert weekday_pixels(s, moved, PICKED) > 20
    assert near(s.screenshot().pixel(moved.left + 3, moved.top + 3), dimmed, 6)
    # Opened a second time it stays one sheet; Tab moves the focus, Esc closes it.
    open_sheet(s, moved)
    open_sheet(s, moved, move=False)
    assert len(s.visible("#32770", SHEET)) == 1
    focused = s.probe("focus")
    s.xdotool("key", "Tab")
    time.sleep(0.5)
    assert s.probe("focus") != focused, focused
    s.xdotool("key", "Escape")
    s.wait_for(lambda: not s.visible("#32770", SHEET), 20, "Esc to close the sheet")
    s.exit()  # the exit keeps what the sheet wrote
    assert s.ini_values().items() >= colours.items(), s.ini_values()


if __name__ == "__main__":
    harness.main([test_sheet_apply_ok_and_changes_that_survive_a_killed_process])
