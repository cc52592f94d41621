"""Background pictures on the real calendar: a picture is drawn, and a 20000 x 20000 PNG is
refused from its header, so the calendar comes up at once, answers and stays small."""
import os
import struct
import time
import zlib

import harness
from harness import near

INI = """[Option]
ShowBegin=Yes
TodayInfo=No
PosX=300
PosY=200
[Design]
BackColor=-14663488
BackImagePos=1
BackImageFile=%s
"""
BACK = (0x20, 0x40, 0xC0)
PICTURE = (0xE0, 0x30, 0x20)


def write_png(path, width, height, rgb):
    """A PNG of one colour, compressed row by row so it never needs the whole picture."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    row, packer, body = b"\x00" + bytes(rgb) * width, zlib.compressobj(6), []
    for _ in range(height):
        body.append(packer.compress(row))
    body.append(packer.flush())
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", b"".join(body)) + chunk(b"IEND", b""))


def peak_memory_mb():
    """The largest resident peak (VmHWM) of the Wine processes running the calendar."""
    peak = 0
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            argv = open("/proc/%s/cmdline" % pid, "rb").read().split(b"\0")
            if b"mosaryn.exe" not in argv[0].lower():
                continue
            for line in open("/proc/%s/status" % pid):
                if line.startswith("VmHWM:"):
                    peak = max(peak, int(line.split()[1]) // 1024)
        except OSError:
            pass
    return peak


def test_picture_drawn_and_huge_picture_refused_without_cost(s):
    # The probe polls through Wine processes of its own, so times are loose: the calendar with
    # the 20000 x 20000 picture used to take over 10 s.
    cases = [("small.png", 120, 90, PICTURE, 30), ("huge.png", 20000, 20000, BACK, 5)]
    for name, width, height, expected, within in cases:
        path = os.path.join(s.dir, name)
        write_png(path, width, height, PICTURE)
        s.write_ini(INI % ("Z:" + path.replace("/", "\\")))
        started = time.monotonic()
        s.start(wait=False)
        s.wait_for(lambda: (s.calendar() or {}).get("visible") == 1, 30, "the calendar")
        shown = time.monotonic() - started
        time.sleep(0.5)
        w = s.calendar()
        shot = s.screenshot()
        # Inside the margin: the picture, or the background colour when it is refused.
        got = shot.pixel(w["left"] + 4, w["top"] + w["height"] // 2)
        assert near(got, expected, 12), (name, got)
        peak = peak_memory_mb()
        assert 0 < peak < 300, (name, peak)
        assert shown < within, (name, shown)
        harness.subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True)
        for app in s.apps:
            app.wait(timeout=10)
        s.apps.clear()


if __name__ == "__main__":
    harness.main([test_picture_drawn_and_huge_picture_refused_without_cost])
