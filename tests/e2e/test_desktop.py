"""The calendar on the desktop: where and how it is drawn, and what it writes at exit."""
import time

import harness
from harness import near

# Opaque, distinctive colours so the screenshot can be read exactly.
INI = """[Option]
StayTop=No
ShowBegin=Yes
TodayInfo=No
PosX=300
PosY=200
[Design]
BackColor=-14663488
DayBackColor=-1
DropShadow=No
"""
BACK = (0x20, 0x40, 0xC0)  # 0xFF2040C0 as signed: -14663488


def calendar_rect(s):
    w = s.calendar()
    return w["left"], w["top"], w["width"], w["height"]


def test_drawn_at_saved_position_with_its_colours(s):
    s.write_ini(INI)
    s.start()
    left, top, width, height = calendar_rect(s)
    assert (left, top) == (300, 200), (left, top)
    assert 150 < width < 400 and 150 < height < 400, (width, height)
    shot = s.screenshot()
    # Background colour inside, desktop outside.
    assert near(shot.pixel(left + 3, top + 3), BACK, 8), shot.pixel(left + 3, top + 3)
    assert near(shot.pixel(left + width - 4, top + height - 4), BACK, 8)
    assert not near(shot.pixel(left - 3, top + 3), BACK, 60)
    assert not near(shot.pixel(left + width + 3, top + height // 2), BACK, 60)
    # The background ends where the window ends: measure the blue run along a margin row.
    row = top + 3
    run = sum(1 for x in range(left - 20, left + width + 20) if near(shot.pixel(x, row), BACK, 8))
    assert abs(run - width) <= 1, (run, width)
    # White discs (DayBackColor) fill part of the date grid.
    discs = shot.count(left, top + height // 3, left + width, top + height, lambda c: near(c, (255, 255, 255), 6))
    assert discs > 30 * 20, discs


def test_shadow_widens_the_window(s):
    s.write_ini(INI.replace("DropShadow=No", "DropShadow=Yes"))
    s.start()
    left, top, width, height = calendar_rect(s)
    shot = s.screenshot()
    # The shadow band right of the calendar is dark; the calendar's own right edge is 5 pixels in.
    assert near(shot.pixel(left + width - 8, top + height // 2), BACK, 8)
    inside_band = shot.pixel(left + width - 3, top + height // 2)
    assert not near(inside_band, BACK, 30) and max(inside_band) < 60, inside_band


def test_move_and_exit_write_position_and_all_keys(s):
    s.write_ini(INI)
    s.start()
    left, top, width, height = calendar_rect(s)
    # Drag by the top margin (a caption area) with the real pointer.
    s.xdotool("mousemove", left + width // 2, top + 3)
    s.xdotool("click", 1)
    time.sleep(0.5)
    s.xdotool("mousedown", 1)
    for step in range(1, 11):
        s.xdotool("mousemove", left + width // 2 + 12 * step, top + 3 + 9 * step)
        time.sleep(0.05)
    s.xdotool("mouseup", 1)
    time.sleep(0.8)
    moved = s.calendar()
    assert (moved["left"], moved["top"]) == (left + 120, top + 90), moved
    s.probe("send", "QVMainWnd", 0x111, 40032, 0)  # the exit command
    s.wait_for(lambda: not s.windows("QVMainWnd"), 30, "the program to end")
    values = s.ini_values()
    assert values["PosX"] == str(left + 120) and values["PosY"] == str(top + 90), values
    assert len(values) == 48, sorted(values)
    assert values["BackColor"] == "-14663488"
    assert values["MonthFontName"] == "MS UI Gothic"


def test_bad_values_start_and_come_back_unchanged(s):
    bad = {"DayFontSize": "0", "MonthFontSize": "nan", "WeekFontSize": "1000000000", "LNMonthFontSize": "-5",
           "BackImageDraw": "7", "BackImageFile": "Z:" + s.dir.replace("/", "\\"), "PosX": "99999999"}
    text = INI.replace("PosX=300\n", "")
    text += "".join("%s=%s\n" % kv for kv in bad.items() if kv[0] != "PosX")
    text = text.replace("[Option]\n", "[Option]\nPosX=99999999\n")
    s.write_ini(text)
    s.start()
    w = s.calendar()
    assert w["visible"] == 1
    assert 0 <= w["left"] < harness.WIDTH and 0 <= w["top"] < harness.HEIGHT, w  # moved onto the screen
    assert w["width"] < 4000 and w["height"] < 4000, w
    s.probe("send", "QVMainWnd", 0x111, 40032, 0)
    s.wait_for(lambda: not s.windows("QVMainWnd"), 30, "the program to end")
    values = s.ini_values()
    for key, value in bad.items():
        assert values[key] == value, (key, values[key], value)


if __name__ == "__main__":
    harness.main([test_drawn_at_saved_position_with_its_colours, test_shadow_widens_the_window,
                  test_move_and_exit_write_position_and_all_keys, test_bad_values_start_and_come_back_unchanged])
