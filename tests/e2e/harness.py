"""Drives the real Mosaryn.exe under Wine. Each test gets a Session: its own Xvfb, the build tree's Wine prefix,
a fresh folder with a copy of Mosaryn.exe (qv.ini and qv.dat start empty), xdotool input, screenshots, the probe."""
import argparse
import datetime
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 1280, 1024
EXIT = ("send", "QVMainWnd", 0x111, 40032, 0)  # the exit command
TRAY = ("QVMainWnd", 0x8000 + 100, 103)  # WM_APP+100 from icon 103, then the mouse message


class Session:
    def __init__(self, build, warm=True):
        self.build = build
        self.runner = os.path.join(build, "wine-run")
        self.probe_exe = os.path.join(build, "tests", "mosaryn_probe.exe")
        self.apps = []
        self.dir = tempfile.mkdtemp(prefix="mosaryn-e2e-")
        shutil.copy(os.path.join(build, "Mosaryn.exe"), self.dir)
        self.exe = os.path.join(self.dir, "Mosaryn.exe")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(build, "wineprefix"), WINEDEBUG="-all",
                        MOSARYN_KEEP_WINE="1")
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % (WIDTH, HEIGHT),
                                      "-nolisten", "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        display = self.xvfb.stdout.readline().strip()  # a free display's number, once it takes connections
        if not display:
            raise RuntimeError("no Xvfb display could be started")
        self.env["DISPLAY"] = ":" + display.decode()
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        if warm:  # without the probe, which the release test does without
            self.probe("list", "QVMainWnd")  # warms the prefix up

    def write_ini(self, text):
        """qv.ini as UTF-16LE with a byte-order mark, as the program writes it."""
        with open(os.path.join(self.dir, "qv.ini"), "wb") as f:
            f.write(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))

    def ini_values(self):
        data = open(os.path.join(self.dir, "qv.ini"), "rb").read()
        lines = data[2:].decode("utf-16-le").splitlines()
        return dict(line.split("=", 1) for line in lines if "=" in line)

    def start(self, wait=True):
        p = subprocess.Popen([self.runner, self.exe], env=self.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        self.apps.append(p)
        if wait:
            self.wait_for(lambda: self.windows("QVMainWnd"), 60, "the calendar window")
            time.sleep(0.5)
        return p

    def exit(self):
        self.probe(*EXIT)
        self.wait_for(lambda: not self.windows("QVMainWnd"), 30, "the program to end")

    def kill(self):
        """Ends every Wine process at once, as a crash or a power cut would: no message, no exit code path."""
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        for p in self.apps:
            p.wait(timeout=30)
        self.apps.clear()

    def away(self):
        self.xdotool("mousemove", 5, 5)
        time.sleep(0.6)

    def probe(self, *args):
        # Through a file, not a pipe: Wine's helper processes may keep a pipe open.
        with tempfile.TemporaryFile() as out:
            subprocess.run([self.runner, self.probe_exe] + [str(a) for a in args], env=self.env, stdout=out,
                           stderr=subprocess.DEVNULL, timeout=60)
            out.seek(0)
            return out.read().decode("utf-8", "replace")

    def windows(self, cls):
        return parse(self.probe("list", cls))

    def visible(self, cls, title=None):
        return [w for w in self.windows(cls) if w["visible"] and title in (None, w.get("title"))]

    def children(self, cls, title=None):
        return parse(self.probe("children", cls, *([title] if title else [])))

    def calendar(self):
        w = self.windows("QVMainWnd")
        return w[0] if w else None

    def click(self, window, dx=None, dy=None, button=1):
        """A real click at a window's centre, or at an offset from its top-left."""
        self.xdotool("mousemove", window["left"] + (window["width"] // 2 if dx is None else dx),
                     window["top"] + (window["height"] // 2 if dy is None else dy))
        time.sleep(0.2)
        self.xdotool("click", button)
        time.sleep(0.4)

    def screenshot(self, save=None):
        if save:
            subprocess.run(["import", "-window", "root", save], env=self.env, timeout=60)
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], env=self.env,
                             capture_output=True, timeout=60).stdout
        return Screen(raw)

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, capture_output=True,
                              timeout=30).stdout.decode()

    def wait_for(self, cond, timeout, what):
        end = time.time() + timeout
        while time.time() < end:
            if cond():
                return
            time.sleep(0.3)
        raise AssertionError("timed out waiting for " + what)

    def close(self):
        try:
            self.kill()
        except subprocess.TimeoutExpired:
            [p.kill() for p in self.apps]
        self.xvfb.terminate()
        self.xvfb.wait(timeout=10)
        shutil.rmtree(self.dir, ignore_errors=True)


def parse(text):
    """The probe's window lines as dicts; numbers (decimal, or 0x.. for the styles) as ints."""
    out = []
    for line in text.splitlines():
        rest, _, title = line.partition(" title=")
        fields = dict(part.split("=", 1) for part in rest.split() if "=" in part)
        out.append(dict(fields, title=title, **{k: int(v, 0) for k, v in fields.items() if k in NUMBERS}))
    return out


NUMBERS = ("id", "visible", "left", "top", "width", "height", "style", "exstyle")


class Screen:
    def __init__(self, raw):
        self.raw = raw

    def pixel(self, x, y):
        i = (y * WIDTH + x) * 3
        return tuple(self.raw[i:i + 3])

    def count(self, x0, y0, x1, y1, pred):
        return sum(1 for y in range(max(0, y0), min(HEIGHT, y1)) for x in range(max(0, x0), min(WIDTH, x1))
                   if pred(self.pixel(x, y)))


def near(c, target, tol=40):
    return all(abs(a - b) <= tol for a, b in zip(c, target))


class Geometry:
    """Cell positions derived from the window size: W = 7D + 76, grid top = H - 6D - 35."""

    def __init__(self, win):
        self.left, self.top, self.width, self.height = win["left"], win["top"], win["width"], win["height"]
        self.d = (self.width - 76) / 7.0
        self.grid_y = self.height - 6 * self.d - 35

    def cell_centre(self, column, row):
        return (int(self.left + 8 + column * (self.d + 10) + self.d / 2),
                int(self.top + self.grid_y + row * (self.d + 5) + self.d / 2))

    def day_centre(self, day):
        """The centre of a day's cell, the month shown being the day's."""
        index = (day.replace(day=1).weekday() + 1) % 7 + day.day - 1
        return self.cell_centre(index % 7, index // 7)


def day_of(year, month, column, row):
    return row * 7 + column - (datetime.date(year, month, 1).weekday() + 1) % 7 + 1


INI = """[Option]
ShowBegin=Yes
TodayInfo=No
PosX=300
PosY=200
[Design]
BackColor=-14663488
"""
BACK = (0x20, 0x40, 0xC0)  # BackColor 0xFF2040C0
MEMO_DISC = (0xF2, 0xC7, 0x44)  # MemodayBackColor default


def start(s, ini=INI):
    s.write_ini(ini)
    s.start()
    return focus(s, Geometry(s.calendar()))


def focus(s, g):
    """A click on the title line activates the calendar; then the pointer goes away."""
    s.xdotool("mousemove", g.left + g.width // 2, g.top + 4)
    s.xdotool("click", 1)
    time.sleep(0.4)
    s.away()
    return g


def await_popup_colour(s, x, y, colour, least=20):
    """Rests the pointer at (x, y) until the day's popup shows more than `least` pixels near `colour`."""
    s.xdotool("mousemove", x, y)
    s.wait_for(lambda: s.visible("DayInfoWnd"), 15, "the popup of the day")
    popup = s.visible("DayInfoWnd")[0]
    box = (popup["left"], popup["top"], popup["left"] + popup["width"], popup["top"] + popup["height"])
    s.wait_for(lambda: s.screenshot().count(*box, lambda p: near(p, colour, 60)) > least, 5, "the popup's colour")


def drag(s, x, y, dx, dy, steps=10):
    """Presses at (x, y) and moves by (dx, dy) per step with the button held."""
    s.xdotool("mousemove", x, y)
    time.sleep(0.3)
    s.xdotool("mousedown", 1)
    for step in range(1, steps + 1):
        s.xdotool("mousemove", x + dx * step, y + dy * step)
        time.sleep(0.05)
    s.xdotool("mouseup", 1)
    time.sleep(0.8)


def memo_disc(s, g, column, row):
    """The pixel where a day cell shows its memo disc."""
    x, y = g.cell_centre(column, row)
    return s.screenshot().pixel(x, int(y + g.d * 0.38))


def read_dat(s):
    """{(key, day): texts} of both sections of qv.dat: one text for a memo, two for a memorial."""
    data, found = open(os.path.join(s.dir, "qv.dat"), "rb").read(), {}
    (memo_len,) = struct.unpack_from("<i", data, 0)
    pos = 4
    while pos < len(data):
        key, length = struct.unpack_from("<ii", data, pos)
        end, pos = pos + 8 + length, pos + 8
        while pos < end:
            (day,), pos, texts = struct.unpack_from("<i", data, pos), pos + 4, []
            for _ in range(1 if end <= 4 + memo_len else 2):
                (n,) = struct.unpack_from("<i", data, pos)
                texts.append(data[pos + 4:pos + 4 + 2 * n].decode("utf-16-le"))
                pos += 4 + 2 * n
            found[(key, day)] = tuple(texts)
    return found


def win(path):
    return "Z:" + path.replace("/", "\\")


def run(s, *args):
    """Runs a second Mosaryn.exe with a command line; its exit code."""
    return subprocess.run([s.runner, s.exe] + list(args), env=s.env, timeout=120, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode


def write(s, name, data):
    path = os.path.join(s.dir, name)
    open(path, "wb").write(data)
    return path


def dialog(s, title):
    return s.visible("#32770", title)


def open_menu_at(s, x, y):
    s.xdotool("mousemove", x, y)
    time.sleep(0.5)
    s.xdotool("click", 3)
    s.wait_for(lambda: s.visible("#32768"), 10, "a menu")
    return s.visible("#32768")[0]



def import_from_menu(s, g, path, timeout=60):
    """The calendar menu's import item with `path`, until the message says one memo line was added."""
    open_menu_at(s, g.left + g.width // 2, g.top + 4)
    s.xdotool("key", "i")
    s.wait_for(lambda: any(w["visible"] for w in s.windows("#32770")), 20, "the open dialog")
    s.xdotool("type", "--delay", "20", win(path))
    s.xdotool("key", "Return")
    s.wait_for(lambda: "メモに追加した行: 1" in s.probe("children", "#32770"), timeout, "the import message")

def main(tests, warm=True):
    """Runs each test function with a fresh Session; prints a closing count line."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    build = os.path.abspath(parser.parse_known_args()[0].build)
    failed = 0
    for test in tests:
        session = Session(build, warm)
        try:
            test(session)
            print("PASS", test.__name__, flush=True)
        except Exception as e:  # report and go on with the next test
            failed += 1
            print("FAIL", test.__name__, "-", repr(e), flush=True)
            try:
                session.screenshot(save=os.path.join(build, "e2e-fail-%s.png" % test.__name__))
            except Exception:
                pass
        finally:
            session.close()
    print("%d passed, %d failed" % (len(tests) - failed, failed))
    sys.exit(1 if failed else 0)
