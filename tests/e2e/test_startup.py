"""Start-up of the real program: its windows, the start-up popup, the calendar on the desktop,
one copy per session, and what it writes at exit."""
import datetime
import os
import struct
import subprocess
import time

import harness
from harness import BACK, drag, near

WS_POPUP, WS_CLIPCHILDREN, WS_SYSMENU, WS_EX_LAYERED = 0x80000000, 0x02000000, 0x00080000, 0x00080000
INI = harness.INI.replace("TodayInfo=No", "TodayInfo=Yes\nStayTop=No") + "DayBackColor=-1\nDropShadow=No\n"


def test_two_starts_draw_move_and_exit(s):
    today = datetime.date.today()  # a memo today, so the start-up popup has something to show
    memo = "today".encode("utf-16-le")
    block = struct.pack("<iiii", today.year * 100 + today.month, 8 + len(memo), today.day, 5) + memo
    open(os.path.join(s.dir, "qv.dat"), "wb").write(struct.pack("<i", len(block)) + block)
    s.write_ini(INI)
    # Two starts at once: one gives way with 0, the other is the calendar.
    s.apps += [subprocess.Popen([s.runner, s.exe], env=s.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
               for _ in range(2)]
    s.wait_for(lambda: any(p.poll() is not None for p in s.apps), 60, "one of the two to give way")
    time.sleep(2)
    assert sorted(p.poll() for p in s.apps if p.poll() is not None) == [0] and len(s.windows("QVMainWnd")) == 1
    [w] = s.windows("QVMainWnd")
    assert w["title"] == "Mosaryn" and w["owner"] == "qvdmywnd", w
    assert w["style"] & (WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU) == WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, w
    assert w["exstyle"] & WS_EX_LAYERED and [o["visible"] for o in s.windows("qvdmywnd")] == [0]
    [popup] = s.visible("DayInfoWnd")
    assert (popup["left"], popup["top"]) == (308, 208), popup  # beside the calendar's corner
    s.xdotool("key", "Escape")
    left, top, width, height = w["left"], w["top"], w["width"], w["height"]
    assert (left, top) == (300, 200) and 150 < width < 400 and 150 < height < 400, w
    shot = s.screenshot()
    # The background colour fills the window exactly; white discs fill part of the grid.
    run = sum(1 for x in range(left - 20, left + width + 20) if near(shot.pixel(x, top + 3), BACK, 8))
    assert abs(run - width) <= 1 and near(shot.pixel(left + width - 4, top + height - 4), BACK, 8), run
    assert shot.count(left, top + height // 3, left + width, top + height, lambda c: near(c, (255,) * 3, 6)) > 600
    # A second start shows the hidden first one, changes no file and ends with 0.
    s.probe("hide", "QVMainWnd")
    before = sorted(os.listdir(s.dir))
    assert harness.run(s) == 0
    assert [c["visible"] for c in s.windows("QVMainWnd")] == [1] and sorted(os.listdir(s.dir)) == before
    # Dragged by the top margin with the real pointer, then ended: the position and every key are written.
    drag(s, left + width // 2, top + 3, 12, 9)
    assert (s.calendar()["left"], s.calendar()["top"]) == (left + 120, top + 90), s.calendar()
    s.exit()
    values = s.ini_values()
    assert (values["PosX"], values["PosY"]) == (str(left + 120), str(top + 90)), values
    assert len(values) == 50 and values["MonthFontName"] == "MS UI Gothic", sorted(values)  # and [Reminder]'s two


if __name__ == "__main__":
    harness.main([test_two_starts_draw_move_and_exit])
