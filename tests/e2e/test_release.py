"""What a user takes: the Windows ZIP, byte for byte the same from a second build of the same sources, with its
guide, licence and checksum; the Linux install with its toggle, its autostart entry and an uninstall that ends
the running calendar and leaves only the user's files."""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import zipfile

import harness

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SCRIPTS = os.path.join(SOURCE, "scripts")


def rebuild(build, tree):
    """The program alone, again, from a copy of the sources in other folders and without the compiler cache."""
    shutil.copytree(SOURCE, os.path.join(tree, "src"), ignore=shutil.ignore_patterns("build*", "out", ".git"))
    kind = re.search(r"^CMAKE_BUILD_TYPE:\w+=(.*)$", open(os.path.join(build, "CMakeCache.txt")).read(), re.M)
    script = "cmake -S src -B out -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DCMAKE_BUILD_TYPE=" \
             "%s >/dev/null && cmake --build out --target Mosaryn >/dev/null" % kind.group(1)
    env = {k: v for k, v in os.environ.items() if not k.startswith("CCACHE")}
    return subprocess.Popen(["bash", "-c", script], cwd=tree, env=env, start_new_session=True)


def dist(build, out):
    subprocess.run(["python3", os.path.join(SCRIPTS, "make-dist.py"), build, out], check=True, capture_output=True)
    return os.path.join(out, [n for n in os.listdir(out) if n.endswith("-win64.zip")][0])


def visible(s):
    return s.xdotool("search", "--onlyvisible", "--name", "^Mosaryn$").strip() != ""


def test_reproducible_zip_and_linux_install_toggle_autostart_uninstall(s):
    tree, home = tempfile.mkdtemp(prefix="mosaryn-rebuild-"), tempfile.mkdtemp(prefix="mosaryn-release-")
    second = rebuild(s.build, tree)  # meanwhile Wine runs the first build
    try:
        journey(s, tree, second, home)
    finally:
        if second.poll() is None:
            os.killpg(second.pid, signal.SIGTERM)
        second.wait()
        shutil.rmtree(tree), shutil.rmtree(home)


def journey(s, tree, second, home):
    objdump = lambda flag: subprocess.run(["x86_64-w64-mingw32-objdump", flag, s.exe], capture_output=True).stdout
    assert b"debug" not in objdump("-h") and b"no symbols" in objdump("-t"), "the shipped program is stripped"
    zip_path = dist(s.build, os.path.join(tree, "first"))
    subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=os.path.dirname(zip_path), check=True)
    with zipfile.ZipFile(zip_path) as z:
        infos = z.infolist()
        assert [i.filename for i in infos] == ["LICENSE.txt", "Mosaryn.exe", "readme.txt"], z.namelist()
        assert {(i.external_attr >> 16, i.date_time) for i in infos} == {(0o100644, infos[0].date_time)}
        guide, licence = z.read("readme.txt").decode("utf-8"), z.read("LICENSE.txt").decode("ascii")
        os.remove(s.exe)
        z.extract("Mosaryn.exe", s.dir)
    assert guide.startswith("\ufeff") and guide.count("\n") == guide.count("\r\n") > 100, guide[:40]
    for heading in ("概要", "インストールと起動", "更新", "使い方", "データファイル", "Windows の起動時の実行",
                    "アンインストール", "ライセンス", "更新履歴"):
        assert "■ " + heading + "\r\n" in guide, heading
    assert "Get-FileHash" in guide and "certutil -hashfile" in guide and "SmartScreen" in guide
    assert "Copyright (c) 2026 the Mosaryn authors\r\n" in licence and licence.count("\n") == licence.count("\r\n")
    s.start(wait=False)
    s.wait_for(lambda: visible(s), 60, "the unpacked calendar")
    assert harness.run(s, "/exit") == 0 and not visible(s) and "PosX" in s.ini_values(), "written at the exit"

    # Two installs: the second one's autostart entry is its own, and the first one's uninstall leaves it.
    config, data = os.path.join(home, "config"), os.path.join(home, "data")
    os.makedirs(config), os.makedirs(data)
    env = {k: v for k, v in dict(s.env, XDG_CONFIG_HOME=config, XDG_DATA_HOME=data).items() if k != "WINEPREFIX"}
    script = lambda action, prefix, autostart="0": subprocess.run(
        [os.path.join(SCRIPTS, "install.sh"), action, s.build], check=True,
        env=dict(env, PREFIX=os.path.join(home, prefix), AUTOSTART=autostart))
    script("install", "a"), script("install", "b", "1")
    autostart, launcher = os.path.join(config, "autostart", "mosaryn.desktop"), os.path.join(home, "b/bin/mosaryn")
    subprocess.run(["desktop-file-validate", autostart, os.path.join(home, "b/share/applications/mosaryn.desktop")],
                   check=True)
    script("uninstall", "a")
    entry = open(autostart).read()
    assert not os.path.exists(os.path.join(home, "a")) and 'Exec="%s"\n' % launcher in entry
    # An entry left by a launcher that is gone is pointed at this one when the calendar starts.
    open(autostart, "w").write(entry.replace(launcher, "/gone/bin/mosaryn"))
    s.apps.append(subprocess.Popen([launcher], env=env))
    s.wait_for(lambda: visible(s), 300, "the launcher's calendar")
    s.wait_for(lambda: open(autostart).read() == entry, 30, "the autostart entry to point at this install")

    # The toggle hides the active calendar and shows it again.
    (window,) = s.xdotool("search", "--onlyvisible", "--name", "^Mosaryn$").split()
    s.xdotool("mousemove", "--window", window, 40, 4, "click", 1)  # on the title line: active
    for shown in (False, True):
        assert subprocess.run([launcher, "--toggle"], env=env, timeout=120).returncode == 0
        s.wait_for(lambda: visible(s) == shown, 10, "the toggle")

    # Uninstalling with the calendar running ends it first; no `wineserver -k` of the test's own.
    script("uninstall", "b")
    left = sorted(os.path.relpath(os.path.join(r, f), home) for r, ds, fs in os.walk(home) for f in fs + ds)
    assert not visible(s) and left == ["config", "data", "data/mosaryn", "data/mosaryn/qv.ini"], left

    assert second.wait(timeout=900) == 0, "the second build"
    for made, first in (("out/Mosaryn.exe", s.build + "/Mosaryn.exe"), (dist(tree + "/out", tree + "/2"), zip_path)):
        assert open(os.path.join(tree, made), "rb").read() == open(first, "rb").read(), made


if __name__ == "__main__":
    harness.main([test_reproducible_zip_and_linux_install_toggle_autostart_uninstall], warm=False)
