"""Drives the real Mosaryn.exe under Wine on a private virtual display.

Each test makes a Session: its own Xvfb, the build tree's Wine prefix, a fresh
folder holding a copy of Mosaryn.exe (so qv.ini and qv.dat start empty), and
helpers for real input (xdotool), screenshots (ImageMagick) and the probe tool.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 1280, 1024


def build_dir():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    args, _ = parser.parse_known_args()
    return os.path.abspath(args.build)


class Session:
    def __init__(self, build):
        self.build = build
        self.runner = os.path.join(build, "wine-run")
        self.probe_exe = os.path.join(build, "tests", "mosaryn_probe.exe")
        self.xvfb = None
        self.apps = []
        self.dir = tempfile.mkdtemp(prefix="mosaryn-e2e-")
        shutil.copy(os.path.join(build, "Mosaryn.exe"), self.dir)
        self.exe = os.path.join(self.dir, "Mosaryn.exe")
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=os.path.join(build, "wineprefix"), WINEDEBUG="-all", MOSARYN_KEEP_WINE="1")
        self._start_xvfb()
        # Kill anything left in the prefix from an earlier run, then warm it up.
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        self.probe("list", "QVMainWnd")

    @staticmethod
    def _display_free(n):
        lock = "/tmp/.X%d-lock" % n
        if not os.path.exists(lock):
            return True
        try:
            pid = int(open(lock).read().strip())
            os.kill(pid, 0)
            return False
        except (ValueError, ProcessLookupError):
            # Left behind by a server that died: the display is free.
            for stale in (lock, "/tmp/.X11-unix/X%d" % n):
                try:
                    os.remove(stale)
                except OSError:
                    pass
            return True
        except PermissionError:
            return False

    def _start_xvfb(self):
        for n in range(200, 260):
            if not self._display_free(n):
                continue
            self.xvfb = subprocess.Popen(
                ["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % (WIDTH, HEIGHT), "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(50):
                if os.path.exists("/tmp/.X11-unix/X%d" % n):
                    self.env["DISPLAY"] = ":%d" % n
                    return
                if self.xvfb.poll() is not None:
                    break
                time.sleep(0.1)
            self.xvfb.kill()
        raise RuntimeError("no Xvfb display could be started")

    # --- the program -------------------------------------------------------
    def write_ini(self, text):
        """Writes qv.ini as UTF-16LE with a byte-order mark, as the program creates it."""
        with open(os.path.join(self.dir, "qv.ini"), "wb") as f:
            f.write(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))

    def read_ini(self):
        path = os.path.join(self.dir, "qv.ini")
        if not os.path.exists(path):
            return None
        data = open(path, "rb").read()
        if data.startswith(b"\xff\xfe"):
            return data[2:].decode("utf-16-le")
        return data.decode("latin-1")

    def ini_values(self):
        values = {}
        text = self.read_ini() or ""
        for line in text.splitlines():
            if "=" in line and not line.startswith("["):
                k, v = line.split("=", 1)
                values[k.strip()] = v.strip()
        return values

    def start(self, wait=True):
        p = subprocess.Popen([self.runner, self.exe], env=self.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        self.apps.append(p)
        if wait:
            self.wait_for(lambda: len(self.windows("QVMainWnd")) > 0, 60, "the calendar window")
            time.sleep(0.5)
        return p

    def run_once(self, timeout=60):
        """Starts a copy and waits for it to end; returns its exit code."""
        return subprocess.run([self.runner, self.exe], env=self.env, timeout=timeout,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode

    # --- looking at it -----------------------------------------------------
    def probe(self, *args):
        # Output through a file, not a pipe: Wine's helper processes may inherit
        # a pipe and keep it open long after the probe has ended.
        with tempfile.TemporaryFile() as out:
            subprocess.run([self.runner, self.probe_exe] + [str(a) for a in args], env=self.env,
                           stdout=out, stderr=subprocess.DEVNULL, timeout=60)
            out.seek(0)
            return out.read().decode("utf-8", "replace")

    def windows(self, cls):
        return self._parse(self.probe("list", cls))

    def children(self, cls, title=None):
        """Descendant windows of the first top-level window of `cls` (and `title`)."""
        return self._parse(self.probe("children", cls, *([title] if title else [])))

    def click(self, window, dx=None, dy=None, button=1):
        """A real click at a window's centre, or at an offset from its top-left."""
        x = window["left"] + (window["width"] // 2 if dx is None else dx)
        y = window["top"] + (window["height"] // 2 if dy is None else dy)
        self.xdotool("mousemove", x, y)
        time.sleep(0.2)
        self.xdotool("click", button)
        time.sleep(0.4)

    @staticmethod
    def _parse(text):
        out = []
        for line in text.splitlines():
            fields = {}
            rest = line
            if " title=" in rest:
                rest, title = rest.split(" title=", 1)
                fields["title"] = title
            for part in rest.split():
                if "=" in part:
                    k, v = part.split("=", 1)
                    fields[k] = v
            for k in ("hwnd", "id", "visible", "left", "top", "width", "height"):
                if k in fields:
                    fields[k] = int(fields[k])
            for k in ("style", "exstyle"):
                if k in fields:
                    fields[k] = int(fields[k], 16)
            out.append(fields)
        return out

    def calendar(self):
        w = self.windows("QVMainWnd")
        return w[0] if w else None

    def screenshot(self, save=None):
        """The whole virtual display as a Screen of RGB pixels."""
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], env=self.env,
                             capture_output=True, timeout=60).stdout
        if save:
            subprocess.run(["import", "-window", "root", save], env=self.env, timeout=60)
        return Screen(raw, WIDTH, HEIGHT)

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
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        for p in self.apps:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
        if self.xvfb:
            self.xvfb.terminate()  # lets the server remove its lock file
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


class Screen:
    def __init__(self, raw, w, h):
        self.raw, self.w, self.h = raw, w, h

    def pixel(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.raw[i:i + 3])

    def count(self, x0, y0, x1, y1, pred):
        n = 0
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                if pred(self.pixel(x, y)):
                    n += 1
        return n


def near(c, target, tol=40):
    return all(abs(a - b) <= tol for a, b in zip(c, target))


def main(tests):
    """Runs each test function with a fresh Session; prints a closing count line."""
    build = build_dir()
    passed = failed = 0
    for test in tests:
        session = Session(build)
        try:
            test(session)
            passed += 1
            print("PASS", test.__name__, flush=True)
        except Exception as e:  # report and go on with the next test
            failed += 1
            print("FAIL", test.__name__, "-", repr(e), flush=True)
            try:
                shot = os.path.join(build, "e2e-fail-%s.png" % test.__name__)
                session.screenshot(save=shot)
                print("  screenshot:", shot)
            except Exception:
                pass
        finally:
            session.close()
    print("%d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)
