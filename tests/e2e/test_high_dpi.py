"""At 192 DPI (the prefix's LogPixels, read by every process as it starts): the about box's picture grows with the
dialog around it, and each row of the Design page's item list is at least a line of the page's text high."""
import subprocess

import harness
from harness import dialog, near

DESKTOP = r"HKCU\Control Panel\Desktop"


def child(s, title, id, text=None):
    (found,) = [c for c in s.children("#32770", title) if c["id"] == id and text in (None, c["title"])]
    return found


def test_about_picture_and_design_rows_at_192_dpi(s):
    subprocess.run(["wine", "reg", "add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "192", "/f"],
                   env=s.env, check=True, capture_output=True)
    try:
        harness.start(s)
        s.probe("post", "QVMainWnd", 0x111, 40035, 0)  # the about box
        s.wait_for(lambda: dialog(s, "Mosarynについて..."), 20, "the about box")
        area, shot = child(s, "Mosarynについて...", 1040), s.screenshot()
        face = shot.pixel(area["left"] - 2, area["top"] - 2)
        drawn = [(x, y) for y in range(area["top"], area["top"] + area["height"])
                 for x in range(area["left"], area["left"] + area["width"]) if not near(shot.pixel(x, y), face, 6)]
        width = max(x for x, _ in drawn) - min(x for x, _ in drawn) + 1
        height = max(y for _, y in drawn) - min(y for _, y in drawn) + 1
        assert width >= 1.5 * 160 and height >= 1.5 * 95, (width, height, area)  # 160 x 95 at 96 DPI
        s.probe("post", "#32770", 0x111, 1, 0)  # OK
        s.wait_for(lambda: not dialog(s, "Mosarynについて..."), 20, "the about box to close")

        s.probe("post", "QVMainWnd", 0x111, 40020, 0)  # the settings sheet, on its Design page
        s.wait_for(lambda: dialog(s, "Mosarynの設定"), 20, "the settings sheet")
        s.probe("send", "#32770", 0x400 + 101, 1, 0)  # PSM_SETCURSEL
        s.wait_for(lambda: [c for c in s.children("#32770", "Mosarynの設定") if c["id"] == 1001 and c["visible"]],
                   20, "the item list")
        rows, label = child(s, "Mosarynの設定", 1001), child(s, "Mosarynの設定", -1, "設定項目(&U)：")
        shot = s.screenshot()
        x, top = rows["left"] + rows["width"] * 3 // 5, rows["top"] + 3
        selected = shot.pixel(x, top)  # the first row's highlight
        band = next(y for y in range(top, rows["top"] + rows["height"]) if shot.pixel(x, y) != selected) - top
        assert band >= label["height"], (band, label["height"])
    finally:
        subprocess.run(["wine", "reg", "delete", DESKTOP, "/v", "LogPixels", "/f"], env=s.env, capture_output=True)


if __name__ == "__main__":
    harness.main([test_about_picture_and_design_rows_at_192_dpi])
