"""At 192 DPI (the prefix's LogPixels, read by every process as it starts): the about box's picture grows with the
dialog around it, and each row of the Design page's item list is at least a line of the page's text high."""
import subprocess

import harness
from harness import dialog, near

DESKTOP = r"HKCU\Control Panel\Desktop"


def child(s, title, id, text=None):
    return [c for c in s.children("#32770", title) if c["id"] == id and text in (None, c["title"])][0]


def open_dialog(s, command, title):
    s.probe("post", "QVMainWnd", 0x111, command, 0)
    s.wait_for(lambda: dialog(s, title), 20, title)


def test_about_picture_and_design_rows_at_192_dpi(s):
    subprocess.run(["wine", "reg", "add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "192", "/f"],
                   env=s.env, check=True, capture_output=True)
    try:
        harness.start(s)
        open_dialog(s, 40035, "Mosarynについて...")
        area, shot = child(s, "Mosarynについて...", 1040), s.screenshot()
        face, left, top = shot.pixel(area["left"] - 2, area["top"] - 2), area["left"], area["top"]
        drawn = [(x, y) for y in range(top, top + area["height"]) for x in range(left, left + area["width"])
                 if not near(shot.pixel(x, y), face, 6)]
        size = [max(p[i] for p in drawn) - min(p[i] for p in drawn) + 1 for i in (0, 1)]
        assert size[0] >= 1.5 * 160 and size[1] >= 1.5 * 95, (size, area)  # 160 x 95 pixels at 96 DPI
        s.probe("post", "#32770", 0x111, 1, 0)  # OK
        s.wait_for(lambda: not dialog(s, "Mosarynについて..."), 20, "the about box to close")

        open_dialog(s, 40020, "Mosarynの設定")
        s.probe("send", "#32770", 0x400 + 101, 1, 0)  # PSM_SETCURSEL: the Design page
        s.wait_for(lambda: child(s, "Mosarynの設定", 1001)["visible"], 20, "the item list")
        rows, label = child(s, "Mosarynの設定", 1001), child(s, "Mosarynの設定", -1, "設定項目(&U)：")
        shot, x, top = s.screenshot(), rows["left"] + rows["width"] * 3 // 5, rows["top"] + 3
        band = next(y for y in range(top, top + rows["height"]) if shot.pixel(x, y) != shot.pixel(x, top)) - top
        assert band >= label["height"], (band, label["height"])  # the first row, selected
    finally:
        subprocess.run(["wine", "reg", "delete", DESKTOP, "/v", "LogPixels", "/f"], env=s.env, capture_output=True)


if __name__ == "__main__":
    harness.main([test_about_picture_and_design_rows_at_192_dpi])
