"""Using the calendar with real input: keys, the pointer, menus, the hot key, the tray menu."""
import datetime
import hashlib
import subprocess
import time

import harness

INI = """[Option]
ShowBegin=Yes
TodayInfo=No
PosX=300
PosY=200
[Design]
BackColor=-14663488
"""


def cell_of(year, month, day):
    """(column, row) of a day of the shown month: the grid starts on the Sunday on or before the 1st."""
    first = (datetime.date(year, month, 1).weekday() + 1) % 7  # 0 = Sunday
    index = first + day - 1
    return index % 7, index // 7


def day_of(year, month, column, row):
    first = (datetime.date(year, month, 1).weekday() + 1) % 7
    return row * 7 + column - first + 1


class Geometry:
    """Cell positions derived from the window size: W = 7D + 76, grid top = H - 6D - 35."""

    def __init__(self, win):
        self.left, self.top = win["left"], win["top"]
        self.width, self.height = win["width"], win["height"]
        self.d = (self.width - 76) / 7.0
        self.grid_y = self.height - 6 * self.d - 35

    def cell_centre(self, column, row):
        x = self.left + 8 + column * (self.d + 10) + self.d / 2
        y = self.top + self.grid_y + row * (self.d + 5) + self.d / 2
        return int(x), int(y)

    def title_box(self):
        return self.left + 8, self.top + 2, self.left + self.width - 8, int(self.top + self.grid_y - 22)


def title_signature(s, g):
    shot = s.screenshot()
    x0, y0, x1, y1 = g.title_box()
    h = hashlib.sha1()
    for y in range(y0, y1):
        for x in range(x0, x1):
            h.update(bytes(shot.pixel(x, y)))
    return h.hexdigest()


def focus_calendar(s, g):
    # A click on the title line activates the calendar; then the pointer goes away.
    s.xdotool("mousemove", g.left + g.width // 2, g.top + 4)
    s.xdotool("click", 1)
    time.sleep(0.4)
    s.xdotool("mousemove", 5, 5)
    time.sleep(0.6)


def rest_on(s, x, y):
    """Comes to (x, y) from a few pixels away, so the pointer arrives on the cell."""
    s.xdotool("mousemove", x - 3, y)
    time.sleep(0.3)
    s.xdotool("mousemove", x, y)


def start(s):
    s.write_ini(INI)
    s.start()
    g = Geometry(s.calendar())
    focus_calendar(s, g)
    return g


def test_arrow_keys_and_digits_change_the_title(s):
    g = start(s)
    now = title_signature(s, g)
    s.xdotool("key", "Right")
    time.sleep(0.5)
    next_month = title_signature(s, g)
    assert next_month != now
    s.xdotool("key", "Left")
    time.sleep(0.5)
    assert title_signature(s, g) == now
    s.xdotool("key", "Up")
    time.sleep(0.5)
    next_year = title_signature(s, g)
    assert next_year not in (now, next_month)
    s.xdotool("key", "Down")
    time.sleep(0.5)
    assert title_signature(s, g) == now
    # "1" then "2" quickly is December; "0" is this month again.
    s.xdotool("type", "--delay", "20", "12")
    time.sleep(0.7)
    december = title_signature(s, g)
    s.xdotool("type", "1")
    time.sleep(0.7)
    january = title_signature(s, g)
    assert january != december
    s.xdotool("type", "0")
    time.sleep(0.7)
    assert title_signature(s, g) == now
    assert (december == now) == (datetime.date.today().month == 12)


def test_resting_on_a_holiday_opens_the_popup_and_a_key_closes_it(s):
    g = start(s)
    s.xdotool("type", "1")  # January of this year: 1 January is a holiday
    time.sleep(0.7)
    x, y = g.cell_centre(*cell_of(datetime.date.today().year, 1, 1))
    rest_on(s, x, y)
    s.wait_for(lambda: any(w["visible"] for w in s.windows("DayInfoWnd")), 10, "the day-information popup")
    popup = [w for w in s.windows("DayInfoWnd") if w["visible"]][0]
    assert abs(popup["left"] - x) <= 2 and abs(popup["top"] - y) <= 2, (popup, x, y)
    s.xdotool("key", "a")
    s.wait_for(lambda: not any(w["visible"] for w in s.windows("DayInfoWnd")), 10, "the popup to close")


def test_plain_day_opens_nothing(s):
    g = start(s)
    s.xdotool("type", "1")
    time.sleep(0.7)
    year = datetime.date.today().year
    plain = next(d for d in range(15, 22) if datetime.date(year, 1, d).weekday() == 2)  # the third Wednesday
    rest_on(s, *g.cell_centre(*cell_of(year, 1, plain)))
    time.sleep(2.5)
    assert not any(w["visible"] for w in s.windows("DayInfoWnd"))


def open_menu_at(s, x, y):
    s.xdotool("mousemove", x, y)
    time.sleep(0.5)
    s.xdotool("click", 3)
    s.wait_for(lambda: any(w["visible"] for w in s.windows("#32768")), 10, "a menu")
    return [w for w in s.windows("#32768") if w["visible"]][0]


def test_right_click_on_a_day_shows_the_day_menu(s):
    g = start(s)
    day_menu = open_menu_at(s, *g.cell_centre(3, 1))  # a day of the shown month
    # Its mnemonic M opens the memo dialog of that day.
    s.xdotool("key", "m")
    s.wait_for(lambda: any(w["visible"] and w.get("title") == "メモ" for w in s.windows("#32770")), 20,
               "the memo dialog")
    today = datetime.date.today()
    label = "%d年%d月%d日" % (today.year, today.month, day_of(today.year, today.month, 3, 1))
    assert label in s.probe("texts", "#32770")
    s.xdotool("key", "Escape")
    s.wait_for(lambda: not any(w["visible"] for w in s.windows("#32770")), 10, "the dialog to close")
    # Outside the grid, and on a day of the next month, the calendar menu opens: six rows, not three.
    calendar_menu = open_menu_at(s, g.left + g.width // 2, g.top + 4)
    s.xdotool("key", "Escape")
    time.sleep(0.5)
    next_month_menu = open_menu_at(s, *g.cell_centre(6, 5))
    s.xdotool("key", "Escape")
    assert day_menu["height"] < calendar_menu["height"] == next_month_menu["height"], (day_menu, calendar_menu)


def test_hot_key_hides_and_shows(s):
    start(s)
    s.xdotool("key", "alt+c")
    s.wait_for(lambda: s.calendar()["visible"] == 0, 10, "the calendar to hide")
    # Hidden: the same hot key shows it again.
    s.probe("send", "QVMainWnd", 0x0312, 107, (ord("C") << 16) | 1)
    s.wait_for(lambda: s.calendar()["visible"] == 1, 10, "the calendar to show")


def test_taken_hot_key_is_reported(s):
    holder = subprocess.Popen([s.runner, s.probe_exe, "hotkey-hold", str(ord("C")), "1", "30000"], env=s.env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s.apps.append(holder)
    time.sleep(2)
    s.write_ini(INI)
    s.start(wait=False)
    s.wait_for(lambda: any(w["visible"] and w.get("title") == "Mosaryn" for w in s.windows("#32770")), 60,
               "the error message")
    texts = s.probe("texts", "#32770")
    assert "ホットキーの登録に失敗しました。他のホットキーを設定してください。" in texts, texts


def test_exit_from_the_tray_menu_saves_the_position(s):
    g = start(s)
    s.probe("post", "QVMainWnd", 0x8000 + 100, 103, 0x0204)  # WM_APP+100: icon 103, right button down
    s.wait_for(lambda: any(w["visible"] for w in s.windows("#32768")), 10, "the tray menu")
    s.xdotool("key", "x")
    s.wait_for(lambda: not s.windows("QVMainWnd"), 30, "the program to end")
    values = s.ini_values()
    assert values["PosX"] == str(g.left) and values["PosY"] == str(g.top), values


if __name__ == "__main__":
    harness.main([test_arrow_keys_and_digits_change_the_title, test_resting_on_a_holiday_opens_the_popup_and_a_key_closes_it,
                  test_plain_day_opens_nothing, test_right_click_on_a_day_shows_the_day_menu, test_hot_key_hides_and_shows,
                  test_taken_hot_key_is_reported, test_exit_from_the_tray_menu_saves_the_position])
