"""Kill storm: the real program, changed through its own menu and memo dialog, is killed with SIGKILL (every process
of its Wine session, as a power cut would end them) at a random moment 0-50 ms after a change, and started again.
Every change it had finished saving before is there, and the last change is there whole or not at all; qv.ini's other
keys and sections and every memo stay. --rounds N (default 30: one kill each); `make kill-storm` runs 300."""
import argparse
import os
import random
import signal
import sys
import time

import harness
from harness import INI, Geometry, day_of, read_dat

EXTRA = "[Mine]\nkeep=1\nPath=C:\\写真\\背景.png\n"
KEPT = {"keep": "1", "Path": "C:\\写真\\背景.png", "PosX": "300", "BackColor": "-14663488"}
ROUNDS = [30]


def wine_processes(s):
    """Every process started in this session's Wine prefix (the program, wineserver and its helpers)."""
    mark = b"\0WINEPREFIX=" + s.env["WINEPREFIX"].encode() + b"\0"
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if mark in b"\0" + open("/proc/%s/environ" % pid, "rb").read() + b"\0":
                found.append(int(pid))
        except OSError:
            pass
    return [p for p in found if p not in (os.getpid(), s.xvfb.pid)]


def alive(pid):
    try:
        return open("/proc/%d/stat" % pid).read().split(") ")[1][0] != "Z"
    except (OSError, IndexError):
        return False


def power_cut(s):
    pids = wine_processes(s)
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    for p in s.apps:
        p.wait(timeout=30)
    s.apps.clear()
    s.wait_for(lambda: not any(alive(p) for p in pids), 30, "the killed processes to end")


def files(s):
    """StayTop and the memos as the files hold them; qv.ini's other keys must be as they were."""
    values = s.ini_values()
    assert {k: values.get(k) for k in KEPT} == KEPT, values
    memos = read_dat(s) if os.path.exists(os.path.join(s.dir, "qv.dat")) else {}
    return values.get("StayTop") == "Yes", memos


def saved(s, check):
    """While the program runs, a reader on Linux may fall between the unlink and the rename of Wine's replacement."""
    try:
        return check(files(s))
    except FileNotFoundError:
        return False


def shown(s, name=".*"):
    """Visible X windows of the session by title; found through xdotool, which, unlike the probe, starts no Wine
    process (each costs about a second)."""
    return set(s.xdotool("search", "--onlyvisible", "--name", name).split())


def started(s):
    s.start(wait=False)  # recovery runs in the window's creation, before it is shown
    s.wait_for(lambda: shown(s, "^Mosaryn$"), 90, "the calendar")
    geometry = dict(line.split("=") for line in s.xdotool("getwindowgeometry", "--shell",
                                                          shown(s, "^Mosaryn$").pop()).split())
    return Geometry({"left": int(geometry["X"]), "top": int(geometry["Y"]), "width": int(geometry["WIDTH"]),
                     "height": int(geometry["HEIGHT"])})


def menu_key(s, x, y, key):
    before = shown(s)
    s.xdotool("mousemove", x, y)
    s.xdotool("click", 3)
    s.wait_for(lambda: shown(s) - before, 10, "a menu")
    s.xdotool("key", key)


def stay_top(s, g, wait):
    menu_key(s, g.left + g.width // 2, g.top + 4, "t")  # the change
    if wait is not None:
        s.wait_for(lambda: saved(s, lambda f: f[0] == wait), 20, "StayTop saved")


def memo(s, g, cell, text, wait):
    menu_key(s, *g.cell_centre(*cell), "m")
    s.wait_for(lambda: shown(s, "^メモ$"), 20, "the memo dialog")
    s.xdotool("type", "--delay", "20", text)  # over the selected old text
    s.xdotool("key", "Tab", "Return")  # the change: OK
    if wait:
        s.wait_for(lambda: saved(s, lambda f: (text,) in f[1].values()), 20, "the memo saved")


def test_kill_storm(s):
    s.write_ini(INI + EXTRA)
    stay, memos = False, {}
    today = time.localtime()
    survived = {"qv.ini": 0, "qv.dat": 0}
    g = started(s)
    for r in range(ROUNDS[0]):
        cell = (r % 7, 1 + r // 7 % 3)
        key = (today.tm_year * 100 + today.tm_mon, day_of(today.tm_year, today.tm_mon, *cell))
        text = "round %d" % r
        # One change acknowledged (saved before the next starts), the other cut off by the kill.
        if r % 2 == 0:
            stay_top(s, g, not stay)
            stay = not stay
            memo(s, g, cell, text, False)
        else:
            memo(s, g, cell, text, True)
            memos[key] = (text,)
            stay_top(s, g, None)
        time.sleep(random.uniform(0, 0.05))
        power_cut(s)
        g = started(s)
        found_stay, found = files(s)
        if r % 2 == 0:
            assert found_stay == stay, r
            assert found in (memos, {**memos, key: (text,)}), (r, found, memos)
            survived["qv.dat"] += found != memos
        else:
            assert found == memos, (r, found, memos)
            survived["qv.ini"] += found_stay != stay
        stay, memos = found_stay, found
        leftovers = set(os.listdir(s.dir)) - {"Mosaryn.exe", "qv.ini", "qv.dat"}
        assert not leftovers, (r, leftovers)
    print("kill storm: %d kills, every acknowledged change kept; the change cut off was saved whole %d times of %d "
          "(qv.ini) and %d of %d (qv.dat), else not at all"
          % (ROUNDS[0], survived["qv.ini"], ROUNDS[0] // 2, survived["qv.dat"], (ROUNDS[0] + 1) // 2), flush=True)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=30)
    ROUNDS[0] = parser.parse_known_args()[0].rounds
    harness.main([test_kill_storm])
