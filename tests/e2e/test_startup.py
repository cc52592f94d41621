"""Start-up of the real program: its windows, and one copy per session."""
import os
import subprocess
import time

import harness

WS_POPUP, WS_CLIPCHILDREN, WS_SYSMENU = 0x80000000, 0x02000000, 0x00080000
WS_EX_LAYERED = 0x00080000


def test_window_class_title_styles_owner(s):
    s.start()
    wins = s.windows("QVMainWnd")
    assert len(wins) == 1, wins
    w = wins[0]
    assert w["title"] == "Mosaryn", w
    for bit in (WS_POPUP, WS_CLIPCHILDREN, WS_SYSMENU):
        assert w["style"] & bit, hex(w["style"])
    assert w["exstyle"] & WS_EX_LAYERED, hex(w["exstyle"])
    assert w["owner"] == "qvdmywnd", w
    owners = s.windows("qvdmywnd")
    assert len(owners) == 1 and owners[0]["visible"] == 0, owners


def test_second_start_raises_the_first_and_exits_0(s):
    s.start()
    s.probe("hide", "QVMainWnd")
    assert s.calendar()["visible"] == 0
    before = sorted(os.listdir(s.dir))
    assert s.run_once() == 0
    wins = s.windows("QVMainWnd")
    assert len(wins) == 1, wins
    assert wins[0]["visible"] == 1, wins
    assert sorted(os.listdir(s.dir)) == before, os.listdir(s.dir)
    assert "qv.ini" not in before and "qv.dat" not in before


def test_two_starts_at_once_leave_one_calendar(s):
    a = subprocess.Popen([s.runner, s.exe], env=s.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    b = subprocess.Popen([s.runner, s.exe], env=s.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s.apps += [a, b]
    s.wait_for(lambda: a.poll() is not None or b.poll() is not None, 60, "one of the two to give way")
    time.sleep(2)
    codes = [p.poll() for p in (a, b)]
    assert codes.count(0) >= 1 and codes.count(None) == 1, codes
    assert len(s.windows("QVMainWnd")) == 1


if __name__ == "__main__":
    harness.main([test_window_class_title_styles_owner, test_second_start_raises_the_first_and_exits_0,
                  test_two_starts_at_once_leave_one_calendar])
