"""The calendar among other programs: the tray icon after a shell restart, and a click that acts where it
lands after another window took the foreground."""
import subprocess
import time

import harness
from harness import start
from test_interaction import title_signature


def tray_icon(s):
    return s.probe("tray", "QVMainWnd", "modify").strip() == "ok"


def test_stale_click_and_tray_icon_after_a_shell_restart(s):
    g = start(s)
    before = title_signature(s, g)
    # The '>' button: on the title line, 2.25 button widths from the right margin; the title height
    # is the month font's share (9 of 9 + 7 points) of the two text rows.
    t = (g.height - 6 * g.d - 53) * 9 / 16
    s.xdotool("mousemove", int(g.left + g.width - 8 - 1.75 * 0.8 * t), int(g.top + 8 + t / 2))
    time.sleep(1.0)  # the hover area is now '>'
    s.apps.append(subprocess.Popen([s.runner, s.probe_exe, "front", "8000"], env=s.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    time.sleep(3.0)  # another program's window in front, the pointer still on '>'
    s.click(s.calendar(), g.width // 2, int(8 + t / 2))  # on the title
    s.away()
    assert title_signature(s, g) == before, "the month changed"

    assert tray_icon(s)
    s.probe("tray", "QVMainWnd", "delete")  # the shell ended: its icons are gone
    assert not tray_icon(s)
    s.probe("broadcast", "TaskbarCreated")  # and started again
    s.wait_for(lambda: tray_icon(s), 10, "the icon to be added again")


if __name__ == "__main__":
    harness.main([test_stale_click_and_tray_icon_after_a_shell_restart])
