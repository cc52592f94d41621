"""Background pictures on the real calendar: a picture is drawn, and a 20000 x 20000 PNG is
refused from its header, so the calendar comes up with its background colour and stays small."""
import os
import struct
import zlib

import harness
from harness import BACK, near

INI = harness.INI + "BackImagePos=1\nBackImageFile=%s\n"
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
            if b"mosaryn.exe" in open("/proc/%s/cmdline" % pid, "rb").read().split(b"\0")[0].lower():
                peak = max([peak] + [int(l.split()[1]) // 1024 for l in open("/proc/%s/status" % pid) if l.startswith("VmHWM:")])
        except OSError:
            pass
    return peak


def test_picture_drawn_and_huge_picture_refused_without_cost(s):
    for name, width, height, expected in [("small.png", 120, 90, PICTURE), ("huge.png", 20000, 20000, BACK)]:
        path = os.path.join(s.dir, name)
        write_png(path, width, height, PICTURE)
        s.write_ini(INI % ("Z:" + path.replace("/", "\\")))
        s.start()
        s.wait_for(lambda: s.calendar()["visible"], 30, "the calendar")
        w = s.calendar()
        # Inside the margin: the picture, or the background colour when it is refused.
        got = s.screenshot().pixel(w["left"] + 4, w["top"] + w["height"] // 2)
        assert near(got, expected, 12), (name, got)
        peak = peak_memory_mb()  # decoding the huge one would need well over a gigabyte
        assert 0 < peak < 300, (name, peak)
        s.kill()


if __name__ == "__main__":
    harness.main([test_picture_drawn_and_huge_picture_refused_without_cost])
