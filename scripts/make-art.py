#!/usr/bin/env python3
"""Draws Mosaryn's binary art: program icon, tray icon, hand cursor, about picture.

Only the standard library is used (struct, zlib), so the art can be rebuilt on
any machine with Python 3 and the output is byte-for-byte reproducible.

    python3 scripts/make-art.py          # writes res/*.ico, res/hand.cur, res/about.png
    python3 scripts/make-art.py --check  # only verifies the files already in res/
"""

import math
import os
import struct
import sys
import zlib

RES_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "res")

# Palette shared by the icons and the about picture.
TEAL = (0x0F, 0x7C, 0x80)
TEAL_DARK = (0x0A, 0x5A, 0x5E)
PAGE = (0xFF, 0xFF, 0xFF)
PAGE_EDGE = (0x5C, 0x66, 0x70)
RING = (0x2E, 0x34, 0x3A)
RING_LIGHT = (0x9A, 0xA4, 0xAE)
DOT = (0x8C, 0x96, 0xA0)
TODAY_RED = (0xE0, 0x3C, 0x31)
SUNDAY_RED = (0xE5, 0x48, 0x3E)
SATURDAY_BLUE = (0x3A, 0x6E, 0xD8)
MEMO_YELLOW = (0xF7, 0xC9, 0x3A)
TODAY_RING = (0x3F, 0xBB, 0xF8)


# ---------------------------------------------------------------------------
# A tiny supersampling rasteriser over straight-alpha RGBA floats.

class Canvas:
    def __init__(self, width, height):
        self.w = width
        self.h = height
        # Premultiplied RGBA in 0..1, composited with "source over".
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def blend(self, x, y, rgb, alpha):
        if alpha <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y * self.w + x]
        inv = 1.0 - alpha
        p[0] = rgb[0] / 255.0 * alpha + p[0] * inv
        p[1] = rgb[1] / 255.0 * alpha + p[1] * inv
        p[2] = rgb[2] / 255.0 * alpha + p[2] * inv
        p[3] = alpha + p[3] * inv

    def fill(self, inside, bbox, rgb, opacity=1.0, ss=4):
        """Fills the shape `inside(x, y)` (continuous pixel coordinates; pixel
        (i, j) covers [i, i+1) x [j, j+1)) with ss*ss samples per pixel."""
        x0, y0, x1, y1 = bbox
        x0 = max(0, int(math.floor(x0)))
        y0 = max(0, int(math.floor(y0)))
        x1 = min(self.w, int(math.ceil(x1)))
        y1 = min(self.h, int(math.ceil(y1)))
        offs = [(k + 0.5) / ss for k in range(ss)]
        total = float(ss * ss)
        for j in range(y0, y1):
            for i in range(x0, x1):
                hits = 0
                for oy in offs:
                    for ox in offs:
                        if inside(i + ox, j + oy):
                            hits += 1
                if hits:
                    self.blend(i, j, rgb, opacity * hits / total)

    def rgba_bytes(self, x, y):
        """Straight-alpha 8-bit RGBA of one pixel."""
        r, g, b, a = self.px[y * self.w + x]
        if a <= 0.0:
            return (0, 0, 0, 0)
        a8 = int(round(a * 255.0))
        if a8 == 0:
            return (0, 0, 0, 0)
        def ch(c):
            return max(0, min(255, int(round(c / a * 255.0))))
        return (ch(r), ch(g), ch(b), a8)


def rrect(x0, y0, x1, y1, r):
    """Rounded rectangle [x0, x1) x [y0, y1) with corner radius r."""
    def inside(x, y):
        if x < x0 or x >= x1 or y < y0 or y >= y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_in, r_out):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        return r_in * r_in <= d <= r_out * r_out
    return inside


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def below(y_limit):
    return lambda x, y: y < y_limit


# ---------------------------------------------------------------------------
# Desk-calendar icon motif.

# Per-size layout, in pixels. The 16 px layout sits on whole pixels so that it
# stays crisp; the larger ones add day columns and rounder shapes.
ICON_LAYOUTS = {
    16: dict(page=(1, 1, 15, 16), radius=1.6, edge=1.0, header=6,
             rings=[(4, 0, 6, 4), (10, 0, 12, 4)],
             cols=[3, 6, 9, 12], rows=[7, 10, 13], dot=(1, 1),
             today=(2, 1), today_pad=1),
    32: dict(page=(2, 3, 30, 31), radius=3.0, edge=1.0, header=11,
             rings=[(8, 0, 11, 7), (21, 0, 24, 7)],
             cols=[5, 9, 13, 17, 21, 25], rows=[13, 17, 21, 25], dot=(2, 2),
             today=(3, 2), today_pad=1),
    48: dict(page=(3, 4, 45, 46), radius=4.5, edge=1.0, header=16,
             rings=[(12, 0, 16, 10), (32, 0, 36, 10)],
             cols=[7, 12, 17, 22, 27, 32, 37], rows=[19, 24, 29, 34, 39], dot=(4, 3),
             today=(4, 2), today_pad=1),
}


def draw_calendar_icon(size):
    lay = ICON_LAYOUTS[size]
    c = Canvas(size, size)
    px0, py0, px1, py1 = lay["page"]
    r = lay["radius"]
    e = lay["edge"]
    hy = lay["header"]
    ss = 8

    # Page outline, white page, then the header band clipped to the page top.
    c.fill(rrect(px0, py0, px1, py1, r), (px0, py0, px1, py1), PAGE_EDGE, ss=ss)
    c.fill(rrect(px0 + e, py0 + e, px1 - e, py1 - e, max(r - e, 0.5)),
           (px0, py0, px1, py1), PAGE, ss=ss)
    c.fill(both(rrect(px0, py0, px1, py1, r), below(hy)), (px0, py0, px1, hy),
           TEAL_DARK, ss=ss)
    c.fill(both(rrect(px0 + e, py0 + e, px1 - e, py1, max(r - e, 0.5)), below(hy - e)),
           (px0, py0, px1, hy), TEAL, ss=ss)

    # Binder rings reaching above the page.
    for (rx0, ry0, rx1, ry1) in lay["rings"]:
        rr = min(rx1 - rx0, ry1 - ry0) / 2.0
        c.fill(rrect(rx0, ry0, rx1, ry1, rr), (rx0, ry0, rx1, ry1), RING, ss=ss)
        if rx1 - rx0 >= 3:
            # A highlight line so the ring reads as metal, not as a hole.
            hw = (rx1 - rx0) / 3.0
            c.fill(rrect(rx0 + hw, ry0 + hw, rx0 + 2 * hw, ry1 - hw, hw / 2),
                   (rx0, ry0, rx1, ry1), RING_LIGHT, ss=ss)

    # Day cells, one of them highlighted as today.
    dw, dh = lay["dot"]
    cols, rows = lay["cols"], lay["rows"]
    tc, tr = lay["today"]
    pad = lay["today_pad"]
    for ri, y in enumerate(rows):
        for ci, x in enumerate(cols):
            if (ci, ri) == (tc, tr):
                continue
            colour = DOT
            if size > 16 and ci == 0:
                colour = SUNDAY_RED
            elif size > 16 and ci == len(cols) - 1:
                colour = SATURDAY_BLUE
            c.fill(rrect(x, y, x + dw, y + dh, min(dw, dh) * 0.25), (x, y, x + dw, y + dh),
                   colour, ss=ss)
    x, y = cols[tc], rows[tr]
    hx0, hy0, hx1, hy1 = x - pad, y - pad, x + dw + pad, y + dh + pad
    c.fill(rrect(hx0, hy0, hx1, hy1, 1.0 if size > 16 else 0.4), (hx0, hy0, hx1, hy1),
           TODAY_RED, ss=ss)
    return c


def draw_tray_icon():
    """16 px variant for the notification area: the page fills the whole
    square (no side margin) and the edge is darker so the icon holds up on
    both light and dark taskbars."""
    c = Canvas(16, 16)
    ss = 8
    c.fill(rrect(0, 1, 16, 16, 1.8), (0, 1, 16, 16), (0x30, 0x38, 0x40), ss=ss)
    c.fill(rrect(1, 2, 15, 15, 1.0), (0, 1, 16, 16), PAGE, ss=ss)
    c.fill(both(rrect(0, 1, 16, 16, 1.8), below(6)), (0, 1, 16, 6), TEAL_DARK, ss=ss)
    c.fill(both(rrect(1, 2, 15, 16, 1.0), below(6)), (0, 1, 16, 6), TEAL, ss=ss)
    # Mid-grey rings: visible both on the teal band and above it on a dark
    # or a light taskbar.
    for rx in (3, 11):
        c.fill(rrect(rx, 0, rx + 2, 4, 1.0), (rx, 0, rx + 2, 4), (0x86, 0x90, 0x9A), ss=ss)
    # 2x2 day cells in a 4x3 grid; today is a red block.
    cols = [2, 5, 8, 11]
    rows = [7, 10, 13]
    for ri, y in enumerate(rows):
        for ci, x in enumerate(cols):
            if (ci, ri) == (2, 1):
                continue
            c.fill(rrect(x, y, x + 2 + (1 if ci == 3 else 0), y + 1, 0.1),
                   (x, y, x + 3, y + 1), (0x78, 0x82, 0x8C), ss=ss)
    c.fill(rrect(7, 9, 11, 12, 0.3), (7, 9, 11, 12), TODAY_RED, ss=ss)
    return c


# ---------------------------------------------------------------------------
# Pointing-hand cursor (1 bpp): white hand, black outline, transparent elsewhere.

HAND_HOTSPOT = (12, 5)


def hand_interior():
    """Returns the set of white pixels of the hand, 32 x 32, index finger up
    with its tip centred on the hot spot column."""
    white = set()

    def add_rect(x0, y0, x1, y1):  # inclusive
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                white.add((x, y))

    # Index finger: 3 px wide, its outline tip lands on row 5.
    add_rect(11, 6, 13, 19)
    # Folded fingers, each one lower than the last; the empty columns between
    # them become the outline that separates them.
    add_rect(15, 11, 17, 19)
    add_rect(19, 12, 21, 19)
    add_rect(23, 14, 25, 20)
    # Palm joining the fingers, tapering towards the wrist.
    add_rect(11, 20, 25, 24)
    add_rect(12, 25, 24, 26)
    add_rect(13, 27, 23, 28)
    # Thumb, angled up and to the left; it joins the index finger at row 19.
    add_rect(6, 16, 8, 16)
    add_rect(6, 17, 9, 17)
    add_rect(7, 18, 9, 18)
    add_rect(8, 19, 10, 19)
    add_rect(9, 20, 10, 21)
    add_rect(10, 22, 10, 23)
    return white


def hand_pixels():
    """Returns (white, black) pixel sets. The outline is the 4-neighbour rim
    of the white area, which leaves the corners open and so rounds them."""
    white = hand_interior()
    black = set()
    for (x, y) in white:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            q = (x + dx, y + dy)
            if q not in white:
                black.add(q)
    return white, black


# ---------------------------------------------------------------------------
# About-box picture.

def draw_about():
    W, H = 160, 95
    c = Canvas(W, H)
    # Soft diagonal gradient: pale sky blue to warm white.
    top = (0xE3, 0xF1, 0xFB)
    bot = (0xFB, 0xF6, 0xEE)
    for y in range(H):
        for x in range(W):
            t = min(1.0, max(0.0, (y / (H - 1)) * 0.75 + (x / (W - 1)) * 0.25))
            rgb = tuple(int(round(top[k] + (bot[k] - top[k]) * t)) for k in range(3))
            c.blend(x, y, rgb, 1.0)

    # A few faint background circles for depth.
    c.fill(disc(14, 80, 26), (0, 50, 42, 95), (0xC8, 0xE6, 0xF6), opacity=0.55)
    c.fill(disc(150, 12, 22), (126, 0, 160, 36), (0xF6, 0xE2, 0xC8), opacity=0.55)

    px0, py0, px1, py1 = 34.0, 11.0, 126.0, 89.0
    r = 5.0
    # Drop shadow: stacked widening rounded rectangles at low opacity.
    for k in range(5, 0, -1):
        grow = k * 0.9
        c.fill(rrect(px0 + 1.5 - grow, py0 + 2.5 - grow, px1 + 1.5 + grow, py1 + 2.5 + grow, r + grow),
               (px0 - 8, py0 - 8, px1 + 8, py1 + 8), (0x30, 0x40, 0x50), opacity=0.06)
    # Page and header band.
    c.fill(rrect(px0, py0, px1, py1, r), (px0, py0, px1, py1), (0xC9, 0xD2, 0xDA))
    c.fill(rrect(px0 + 0.8, py0 + 0.8, px1 - 0.8, py1 - 0.8, r - 0.8), (px0, py0, px1, py1), PAGE)
    hy = py0 + 17
    c.fill(both(rrect(px0, py0, px1, py1, r), below(hy)), (px0, py0, px1, hy), TEAL)
    c.fill(both(rrect(px0, py0, px1, py1, r), lambda x, y: hy - 2.0 <= y < hy),
           (px0, hy - 3, px1, hy), TEAL_DARK, opacity=0.5)
    # Month title as a white bar with a small accent, no font needed.
    c.fill(rrect(66, py0 + 7, 94, py0 + 11.5, 2.25), (66, py0 + 6, 94, py0 + 12), PAGE, opacity=0.95)
    # Binder rings: dark loop with a light highlight, over the page top.
    for cx in (52.0, 108.0):
        c.fill(rrect(cx - 2.5, py0 - 6, cx + 2.5, py0 + 6, 2.5), (cx - 3, py0 - 7, cx + 3, py0 + 7), RING)
        c.fill(rrect(cx - 1.0, py0 - 4.8, cx + 0.4, py0 + 4.5, 0.7), (cx - 2, py0 - 6, cx + 1, py0 + 6),
               (0xB8, 0xC2, 0xCC))
        c.fill(disc(cx, py0 + 7.5, 1.6), (cx - 2, py0 + 5, cx + 2, py0 + 10), TEAL_DARK)

    # Weekday labels as tiny bars, then 5 weeks of day discs.
    gx0, pitch_x = px0 + 10.0, 12.0
    gy_label, gy0, pitch_y = hy + 5.0, hy + 13.5, 10.5
    for col in range(7):
        cx = gx0 + col * pitch_x
        colour = SUNDAY_RED if col == 0 else SATURDAY_BLUE if col == 6 else (0x9A, 0xA4, 0xAE)
        c.fill(rrect(cx - 3.0, gy_label - 1.0, cx + 3.0, gy_label + 1.0, 1.0),
               (cx - 4, gy_label - 2, cx + 4, gy_label + 2), colour)
    c.fill(lambda x, y: px0 + 4 <= x < px1 - 4 and gy_label + 3.5 <= y < gy_label + 4.3,
           (px0, gy_label + 3, px1, gy_label + 5), (0xDD, 0xE3, 0xE8))

    today = (3, 2)
    memo = (5, 3)
    first_col, last_day = 2, 31  # the month starts on a Tuesday
    for week in range(5):
        for col in range(7):
            idx = week * 7 + col - first_col
            if idx < 0 or idx >= last_day:
                continue
            cx = gx0 + col * pitch_x
            cy = gy0 + week * pitch_y
            if col == 0:
                colour = SUNDAY_RED
            elif col == 6:
                colour = SATURDAY_BLUE
            elif (col, week) == memo:
                colour = MEMO_YELLOW
            else:
                colour = (0xB4, 0xBD, 0xC6)
            rad = 3.3 if (col, week) != memo else 3.6
            c.fill(disc(cx, cy, rad), (cx - 5, cy - 5, cx + 5, cy + 5), colour)
            if (col, week) == today:
                c.fill(ring(cx, cy, 4.4, 5.6), (cx - 7, cy - 7, cx + 7, cy + 7), TODAY_RING)
    return c


# ---------------------------------------------------------------------------
# File writers.

def dib_icon_entry(canvas):
    """32-bit BGRA DIB with an AND mask, as stored inside .ico files."""
    w, h = canvas.w, canvas.h
    xor = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up
        for x in range(w):
            r, g, b, a = canvas.rgba_bytes(x, y)
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(w):
            if canvas.rgba_bytes(x, y)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return bytes(header + xor + mask)


def icon_file(canvases):
    entries = [dib_icon_entry(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for c, data in zip(canvases, entries):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    return bytes(out)


def cursor_file(white, black, hotspot, size=32):
    stride = ((size + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for y in range(size - 1, -1, -1):
        xrow = bytearray(stride)
        arow = bytearray(stride)
        for x in range(size):
            bit = 0x80 >> (x % 8)
            if (x, y) in white:
                xrow[x // 8] |= bit          # colour 1 = white, AND 0 = opaque
            elif (x, y) in black:
                pass                          # colour 0 = black, AND 0 = opaque
            else:
                arow[x // 8] |= bit          # AND 1, XOR 0 = transparent
        xor += xrow
        andm += arow
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 2)
    data = header + palette + xor + andm
    out = struct.pack("<HHH", 0, 2, 1)
    out += struct.pack("<BBBBHHII", size, size, 2, 0, hotspot[0], hotspot[1], len(data), 6 + 16)
    return bytes(out + data)


def png_file(canvas):
    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF)
    raw = bytearray()
    for y in range(canvas.h):
        raw.append(0)  # filter: none
        for x in range(canvas.w):
            raw += bytes(canvas.rgba_bytes(x, y))
    ihdr = struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------
# Self-check: parse the written files back.

class CheckError(Exception):
    pass


def expect(cond, msg):
    if not cond:
        raise CheckError(msg)


def check_icondir(data, kind, name):
    expect(len(data) >= 6, name + ": too short")
    reserved, typ, count = struct.unpack_from("<HHH", data, 0)
    expect(reserved == 0 and typ == kind, "%s: bad directory header (type %d)" % (name, typ))
    entries = []
    for i in range(count):
        w, h, colours, res, f1, f2, size, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        expect(off + size <= len(data), "%s: entry %d runs past end of file" % (name, i))
        bih = struct.unpack_from("<IiiHHIIiiII", data, off)
        expect(bih[0] == 40, "%s: entry %d header size %d" % (name, i, bih[0]))
        expect(bih[1] == (w or 256) and bih[2] == 2 * (h or 256),
               "%s: entry %d DIB size %dx%d vs directory %dx%d" % (name, i, bih[1], bih[2], w, h))
        bpp = bih[4]
        stride = ((w * bpp + 31) // 32) * 4
        mask_stride = ((w + 31) // 32) * 4
        palette = 4 * (1 << bpp) if bpp <= 8 else 0
        expect(size == 40 + palette + stride * h + mask_stride * h,
               "%s: entry %d byte count %d does not match its bitmap" % (name, i, size))
        entries.append(dict(w=w, h=h, f1=f1, f2=f2, bpp=bpp, off=off, colours=colours))
    return entries


def icon_alpha(data, e, x, y):
    off = e["off"] + 40 + ((e["h"] - 1 - y) * e["w"] + x) * 4
    b, g, r, a = data[off:off + 4]
    return (r, g, b, a)


def check_icon(path, sizes):
    data = open(path, "rb").read()
    name = os.path.basename(path)
    entries = check_icondir(data, 1, name)
    expect([e["w"] for e in entries] == sizes, "%s: sizes %s" % (name, [e["w"] for e in entries]))
    for e in entries:
        expect(e["bpp"] == 32 and e["f1"] == 1 and e["f2"] == 32, name + ": not 32-bit")
        w = e["w"]
        # Corners stay transparent, and the AND mask agrees with alpha
        # everywhere (old shells draw from the mask alone).
        expect(icon_alpha(data, e, 0, 0)[3] == 0, "%s %d: top-left corner not transparent" % (name, w))
        mask_off = e["off"] + 40 + w * w * 4
        mask_stride = ((w + 31) // 32) * 4
        for y in range(w):
            for x in range(w):
                bit = data[mask_off + (w - 1 - y) * mask_stride + x // 8] & (0x80 >> (x % 8))
                transparent = icon_alpha(data, e, x, y)[3] == 0
                expect(bool(bit) == transparent, "%s %d: AND mask disagrees at (%d,%d)" % (name, w, x, y))
        has_teal = any(icon_alpha(data, e, x, y) == TEAL + (255,) for y in range(w) for x in range(w))
        has_red = any(icon_alpha(data, e, x, y) == TODAY_RED + (255,) for y in range(w) for x in range(w))
        expect(has_teal and has_red, "%s %d: header band or today mark missing" % (name, w))


def check_cursor(path):
    data = open(path, "rb").read()
    name = os.path.basename(path)
    entries = check_icondir(data, 2, name)
    expect(len(entries) == 1, name + ": expected one image")
    e = entries[0]
    expect((e["w"], e["h"], e["bpp"]) == (32, 32, 1), name + ": not a 32x32 1bpp cursor")
    expect((e["f1"], e["f2"]) == HAND_HOTSPOT, "%s: hot spot (%d,%d)" % (name, e["f1"], e["f2"]))
    base = e["off"] + 40
    pal = data[base:base + 8]
    expect(pal == bytes((0, 0, 0, 0, 255, 255, 255, 0)), name + ": palette is not black/white")
    xor_off, and_off = base + 8, base + 8 + 128

    def pixel(x, y):
        row = 31 - y
        bit = 0x80 >> (x % 8)
        a = data[and_off + row * 4 + x // 8] & bit
        c = data[xor_off + row * 4 + x // 8] & bit
        if a:
            expect(not c, "%s: inverting pixel at (%d,%d)" % (name, x, y))
            return "."
        return "W" if c else "B"

    hx, hy = HAND_HOTSPOT
    expect(pixel(hx, hy) == "B", name + ": hot spot is not on the fingertip outline")
    expect(pixel(hx, hy + 1) == "W", name + ": no white finger below the hot spot")
    expect(all(pixel(x, y) == "." for y in range(hy) for x in range(32)),
           name + ": something is drawn above the fingertip")
    expect(pixel(0, 0) == "." and pixel(31, 31) == ".", name + ": corners not transparent")


def check_png(path, size):
    data = open(path, "rb").read()
    name = os.path.basename(path)
    expect(data[:8] == b"\x89PNG\r\n\x1a\n", name + ": bad signature")
    pos, idat, ihdr, tags = 8, b"", None, []
    while pos < len(data):
        (length,) = struct.unpack_from(">I", data, pos)
        tag = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack_from(">I", data, pos + 8 + length)
        expect(crc == zlib.crc32(tag + body) & 0xFFFFFFFF, "%s: bad CRC in %r" % (name, tag))
        tags.append(tag)
        if tag == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif tag == b"IDAT":
            idat += body
        pos += 12 + length
    expect(tags[0] == b"IHDR" and tags[-1] == b"IEND", name + ": chunk order")
    w, h, depth, ctype, _, _, interlace = ihdr
    expect((w, h) == size, "%s: size %dx%d" % (name, w, h))
    expect(depth == 8 and ctype == 6 and interlace == 0, name + ": not 8-bit RGBA")
    raw = zlib.decompress(idat)
    expect(len(raw) == h * (1 + 4 * w), name + ": pixel data length")
    expect(all(raw[y * (1 + 4 * w)] == 0 for y in range(h)), name + ": unexpected filter byte")

    def rgba(x, y):
        o = y * (1 + 4 * w) + 1 + 4 * x
        return tuple(raw[o:o + 4])
    colours = {rgba(x, y) for y in range(h) for x in range(w)}
    for want, label in ((TEAL, "header"), (SUNDAY_RED, "Sunday"), (SATURDAY_BLUE, "Saturday"),
                        (MEMO_YELLOW, "memo"), (TODAY_RING, "today ring")):
        expect(want + (255,) in colours, "%s: no %s colour" % (name, label))
    # Opaque throughout, so the dialog can draw it over any background.
    expect(all(c[3] == 255 for c in colours), name + ": picture is not opaque")
    # Supersampled edges: the today ring fades into the white page through
    # several in-between shades of the same hue.
    def ring_blend(c):
        t = (255 - c[0]) / float(255 - TODAY_RING[0])
        return 0.05 < t < 0.95 and all(
            abs(c[k] - (255 + t * (TODAY_RING[k] - 255))) <= 2 for k in range(3))
    expect(sum(1 for c in colours if ring_blend(c)) >= 4, name + ": edges are not anti-aliased")


def self_check():
    check_icon(os.path.join(RES_DIR, "mosaryn.ico"), [16, 32, 48])
    check_icon(os.path.join(RES_DIR, "tray.ico"), [16])
    check_cursor(os.path.join(RES_DIR, "hand.cur"))
    check_png(os.path.join(RES_DIR, "about.png"), (160, 95))


def main(argv):
    if "--check" not in argv:
        os.makedirs(RES_DIR, exist_ok=True)
        outputs = {
            "mosaryn.ico": icon_file([draw_calendar_icon(s) for s in (16, 32, 48)]),
            "tray.ico": icon_file([draw_tray_icon()]),
            "hand.cur": cursor_file(*hand_pixels(), HAND_HOTSPOT),
            "about.png": png_file(draw_about()),
        }
        for name, data in outputs.items():
            with open(os.path.join(RES_DIR, name), "wb") as f:
                f.write(data)
    try:
        self_check()
    except CheckError as err:
        print("make-art: check failed: %s" % err, file=sys.stderr)
        return 1
    print("make-art: res/mosaryn.ico, res/tray.ico, res/hand.cur, res/about.png OK")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
