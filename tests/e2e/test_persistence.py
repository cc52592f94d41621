"""Settings survive a process that ends without any message: each change is in qv.ini at once."""
import os
import subprocess
import time

import harness
from harness import INI, Geometry, focus, open_menu_at
from test_settings_sheet import PICKED, child, open_sheet, weekday_pixels, SHEET

WS_EX_TOPMOST = 0x8


def test_changes_survive_a_killed_process(s):
    g = harness.start(s, INI)

    # StayTop from the calendar menu.
    open_menu_at(s, g.left + g.width // 2, g.top + 4)
    s.xdotool("key", "t")
    s.wait_for(lambda: s.calendar()["exstyle"] & WS_EX_TOPMOST, 10, "the calendar on top")

    # The weekday colour through the settings sheet, with Apply (the sheet stays open).
    open_sheet(s, g)
    tab = [c for c in s.children("#32770", SHEET) if c["class"] == "SysTabControl32"][0]
    s.click(tab, 85, 10)
    s.click(child(s, 1001), 30, 3 * 20 + 10)
    s.click(child(s, 1024))
    s.wait_for(lambda: any(w.get("title") == "Color" for w in s.windows("#32770")), 20, "the colour dialog")
    s.click(child(s, 720, "Color"), 15, 10)
    s.click(child(s, 1, "Color"))
    s.wait_for(lambda: not any(w.get("title") == "Color" for w in s.windows("#32770")), 20, "the colour dialog to close")
    s.click(child(s, 12321))  # Apply
    time.sleep(1.0)

    # Drag the calendar by its title line, once it is active again.
    focus(s, g)
    s.xdotool("mousemove", g.left + g.width // 2, g.top + 3)
    time.sleep(0.3)
    s.xdotool("mousedown", 1)
    for step in range(1, 11):
        s.xdotool("mousemove", g.left + g.width // 2 + 10 * step, g.top + 3 + 7 * step)
        time.sleep(0.05)
    s.xdotool("mouseup", 1)
    time.sleep(1.0)
    moved = s.calendar()
    assert (moved["left"], moved["top"]) == (g.left + 100, g.top + 70), moved

    # No exit, no message: the Wine server takes the process away.
    subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True)
    s.apps[-1].wait(timeout=30)
    values = s.ini_values()
    assert values["StayTop"] == "Yes", values
    assert values["DayFontColor"] == str(0xFFFF8080 - (1 << 32)), values["DayFontColor"]
    assert (values["PosX"], values["PosY"]) == (str(g.left + 100), str(g.top + 70)), values
    assert sorted(os.listdir(s.dir)) == ["Mosaryn.exe", "qv.ini"], os.listdir(s.dir)

    s.start()
    again = s.calendar()
    assert (again["left"], again["top"]) == (moved["left"], moved["top"]), again
    assert again["exstyle"] & WS_EX_TOPMOST, again
    s.xdotool("mousemove", 5, 5)
    time.sleep(0.5)
    assert weekday_pixels(s, Geometry(again), PICKED) > 20


if __name__ == "__main__":
    harness.main([test_changes_survive_a_killed_process])
