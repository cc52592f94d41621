#!/usr/bin/env python3
"""Takes the pictures in README.md from the real program under Wine on a virtual display.

Wine hands a layered window's alpha to the X server; a compositing manager (xcompmgr)
blends it over a desktop picture (hsetroot), so that the translucency and the shadow show.
Without one they would be blended with black. Each picture is cropped to the calendar
and written to docs/.
    make-screenshots.py <build dir>
"""
import datetime
import os
import struct
import subprocess
import sys
import time

source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(source, "tests", "e2e"))
import harness  # noqa: E402
from harness import Geometry, focus  # noqa: E402
from test_interaction import rest_on  # noqa: E402

DOCS = os.path.join(source, "docs")
INI = "[Option]\nShowBegin=Yes\nTodayInfo=No\nPosX=120\nPosY=100\n[Design]\n"
PICTURE_INI = ("BackImageFile=%s\nBackImagePos=1\nBackImageDraw=2\nBackImageAlpha=150\nDropShadow=Yes\n"
               "BackColor=%d\nMonthFontSize=12\nWeekFontSize=8\nDayFontSize=12\nLNMonthFontSize=9\n")


def text(s):
    data = s.encode("utf-16-le")
    return struct.pack("<i", len(s)) + data


def day_file(today):
    """qv.dat with a memo on today and a memorial day three days later."""
    memo = struct.pack("<i", today.day) + text("打ち合わせ 10:00\n資料を印刷して持っていく")
    memo_block = struct.pack("<ii", today.year * 100 + today.month, len(memo)) + memo
    memorial = struct.pack("<i", today.day + 3) + text("結婚記念日") + text("")
    return (struct.pack("<i", len(memo_block)) + memo_block +
            struct.pack("<ii", today.month, len(memorial)) + memorial)


def crop(s, name, box):
    x0, y0, x1, y1 = box
    path = os.path.join(DOCS, name)
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (x1 - x0, y1 - y0, x0, y0),
                    "+repage", "-strip", "+dither", "-colors", "256", "-define", "png:compression-level=9", path], env=s.env, check=True)
    print(path)


def around(win, margin=24):
    return (win["left"] - margin, win["top"] - margin, win["left"] + win["width"] + margin,
            win["top"] + win["height"] + margin)


def take(build, name, ini, popup=False):
    s = harness.Session(build)
    # Connected for the whole run, it also keeps Xvfb from resetting (and dropping the picture).
    compositor = subprocess.Popen(["xcompmgr"], env=s.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        desktop = os.path.join(s.dir, "desktop.png")
        subprocess.run(["convert", "-size", "%dx%d" % (harness.WIDTH, harness.HEIGHT), "-seed", "11",
                        "plasma:#2f6690-#d9a441", "-blur", "0x12", desktop], check=True)
        time.sleep(0.5)
        subprocess.run(["hsetroot", "-fill", desktop], env=s.env, check=True, stdout=subprocess.DEVNULL)
        picture = os.path.join(s.dir, "picture.jpg")
        subprocess.run(["convert", "-size", "480x360", "-seed", "5", "plasma:#f4e1c1-#7fb069", "-blur", "0x3",
                        picture], check=True)
        today = datetime.date.today()
        if today.day > 25:  # the memorial day must stay in this month
            today = today.replace(day=20)
        harness.write(s, "qv.dat", day_file(today))
        s.write_ini(INI + (PICTURE_INI % (harness.win(picture), 0x60FFFFFF) if ini else ""))
        s.start()
        win = s.calendar()
        assert s.screenshot().pixel(win["left"] - 4, win["top"] - 4) != (0, 0, 0), "no desktop picture"
        if not popup:
            time.sleep(1)
            crop(s, name, around(win))
            return
        g = Geometry(win)
        focus(s, g)
        index = (today.replace(day=1).weekday() + 1) % 7 + today.day - 1  # the grid starts on a Sunday
        rest_on(s, *g.cell_centre(index % 7, index // 7))
        s.wait_for(lambda: any(w["visible"] for w in s.windows("DayInfoWnd")), 20, "the day popup")
        time.sleep(0.5)
        info = [w for w in s.windows("DayInfoWnd") if w["visible"]][0]
        x0, y0, x1, y1 = around(win)
        crop(s, name, (x0, y0, max(x1, info["left"] + info["width"] + 16), max(y1, info["top"] + info["height"] + 16)))
    finally:
        compositor.kill()
        compositor.wait()
        s.close()


if __name__ == "__main__":
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    take(build, "calendar.png", False)
    take(build, "calendar-picture-shadow.png", True)
    take(build, "day-popup.png", False, popup=True)
