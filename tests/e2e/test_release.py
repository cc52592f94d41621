"""What a user takes: the Windows ZIP, byte for byte the same from a second build of the same sources, with its
guide, licence and checksum; the Linux install with its toggle, its autostart entry and an uninstall that ends
the running calendar and leaves only the user's files."""
import hashlib
import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import zipfile

import harness

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SCRIPTS = os.path.join(SOURCE, "scripts")


def rebuild(build, tree):
    """Builds the program alone again from a copy of the sources in other folders, with no compiler cache."""
    listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"], cwd=SOURCE,
                            capture_output=True, text=True)
    for name in listed.stdout.splitlines() if listed.returncode == 0 else []:
        if os.path.isfile(os.path.join(SOURCE, name)):
            os.makedirs(os.path.dirname(os.path.join(tree, "src", name)), exist_ok=True)
            shutil.copy(os.path.join(SOURCE, name), os.path.join(tree, "src", name))
    if listed.returncode != 0:
        shutil.copytree(SOURCE, os.path.join(tree, "src"), ignore=shutil.ignore_patterns("build*", ".git"))
    kind = re.search(r"^CMAKE_BUILD_TYPE:\w+=(.*)$", open(os.path.join(build, "CMakeCache.txt")).read(), re.M)
    env = {k: v for k, v in os.environ.items() if not k.startswith("CCACHE")}
    script = "cmake -S src -B out -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake " \
             "-DCMAKE_BUILD_TYPE=%s >/dev/null && cmake --build out --target Mosaryn >/dev/null" % kind.group(1)
    return subprocess.Popen(["bash", "-c", script], cwd=tree, env=env, start_new_session=True)


def pe_header(exe):
    """The PE header's time stamp, its symbol table's place and count, and the section names."""
    data = open(exe, "rb").read(4096)
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    sections, stamp, symbols, count, optional = struct.unpack_from("<HIIIH", data, pe + 6)
    first = pe + 24 + optional
    names = [data[first + 40 * i:first + 40 * i + 8].rstrip(b"\0").decode() for i in range(sections)]
    return stamp, symbols, count, names


def dist(build, out):
    subprocess.run(["python3", os.path.join(SCRIPTS, "make-dist.py"), build, out], check=True, capture_output=True)
    (name,) = [n for n in os.listdir(out) if n.endswith("-win64.zip")]
    return os.path.join(out, name)


def visible(s):
    return s.xdotool("search", "--onlyvisible", "--name", "^Mosaryn$").strip() != ""


def test_reproducible_zip_and_linux_install_toggle_autostart_uninstall(s):
    tree = tempfile.mkdtemp(prefix="mosaryn-rebuild-")
    second = rebuild(s.build, tree)  # meanwhile Wine runs the first build
    try:
        journey(s, tree, second)
    finally:
        if second.poll() is None:
            os.killpg(second.pid, signal.SIGTERM)
            second.wait()
        shutil.rmtree(tree)


def journey(s, tree, second):
    stamp, symbols, count, sections = pe_header(s.exe)
    # Long section names (".debug_info") live in the symbol table's strings: "/4".
    assert (stamp, symbols, count) == (0, 0, 0) and not [n for n in sections if n.startswith("/") or "debug" in n], \
        (stamp, symbols, count, sections)
    home = tempfile.mkdtemp(prefix="mosaryn-release-")
    zip_path = dist(s.build, os.path.join(home, "dist"))
    subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=os.path.dirname(zip_path), check=True,
                   capture_output=True)
    with zipfile.ZipFile(zip_path) as z:
        infos = z.infolist()
        assert [i.filename for i in infos] == ["LICENSE.txt", "Mosaryn.exe", "readme.txt"], z.namelist()
        assert {(i.external_attr >> 16, i.date_time) for i in infos} == {(0o100644, infos[0].date_time)}
        guide, licence = z.read("readme.txt").decode("utf-8"), z.read("LICENSE.txt").decode("ascii")
        os.remove(s.exe)
        z.extract("Mosaryn.exe", s.dir)
    assert guide.startswith("\ufeff") and guide.count("\n") == guide.count("\r\n") > 100, guide[:40]
    for heading in ("概要", "動作環境", "インストールと起動", "更新", "使い方", "設定", "データファイル",
                    "Windows の起動時の実行", "アンインストール", "ライセンス", "更新履歴"):
        assert "■ " + heading + "\r\n" in guide, heading
    assert "Get-FileHash" in guide and "certutil -hashfile" in guide and "SmartScreen" in guide
    assert "Copyright (c) 2026 the Mosaryn authors\r\n" in licence and licence.count("\n") == licence.count("\r\n")
    assert os.listdir(s.dir) == ["Mosaryn.exe"]
    s.start(wait=False)
    s.wait_for(lambda: visible(s), 60, "the unpacked calendar")
    assert harness.run(s, "/exit") == 0 and not visible(s)
    assert "PosX" in s.ini_values(), "qv.ini beside the unpacked program, written at the exit"

    # Two installs: the second one's autostart entry is its own, and the first one's uninstall leaves it.
    config, data = os.path.join(home, "config"), os.path.join(home, "data")
    os.makedirs(config), os.makedirs(data)
    env = dict(s.env, XDG_CONFIG_HOME=config, XDG_DATA_HOME=data)
    env.pop("WINEPREFIX")
    install = os.path.join(SCRIPTS, "install.sh")
    for prefix, autostart in (("a", "0"), ("b", "1")):
        subprocess.run([install, "install", s.build], env=dict(env, PREFIX=os.path.join(home, prefix),
                                                                 AUTOSTART=autostart), check=True)
    autostart, launcher = os.path.join(config, "autostart", "mosaryn.desktop"), os.path.join(home, "b/bin/mosaryn")
    subprocess.run(["desktop-file-validate", autostart, os.path.join(home, "b/share/applications/mosaryn.desktop")],
                   check=True)
    subprocess.run([install, "uninstall", s.build], env=dict(env, PREFIX=os.path.join(home, "a")), check=True)
    assert not os.path.exists(os.path.join(home, "a")) and 'Exec="%s"\n' % launcher in open(autostart).read()
    # An entry left by a launcher that is gone is pointed at this one when the calendar starts.
    entry = open(autostart).read()
    open(autostart, "w").write(entry.replace('Exec="%s"\n' % launcher, 'Exec="/gone/bin/mosaryn"\n'))
    s.apps.append(subprocess.Popen([launcher], env=env))
    s.wait_for(lambda: visible(s), 300, "the launcher's calendar")
    s.wait_for(lambda: open(autostart).read() == entry, 30, "the autostart entry to point at this install")

    # The toggle hides the active calendar and shows it again.
    (window,) = s.xdotool("search", "--onlyvisible", "--name", "^Mosaryn$").split()
    s.xdotool("mousemove", "--window", window, 40, 4, "click", 1)  # on the title line: active
    for shown in (False, True):
        assert subprocess.run([launcher, "--toggle"], env=env, timeout=120).returncode == 0
        s.wait_for(lambda: visible(s) == shown, 10, "the toggle to " + ("show" if shown else "hide"))

    # Uninstalling with the calendar running ends it first; no `wineserver -k` of the test's own.
    subprocess.run([install, "uninstall", s.build], env=dict(env, PREFIX=os.path.join(home, "b")), check=True)
    assert not visible(s)
    left = sorted(os.path.relpath(os.path.join(r, f), home) for r, ds, fs in os.walk(home) for f in fs + ds)
    assert [p for p in left if not p.startswith("dist")] == ["config", "data", "data/mosaryn",
                                                              "data/mosaryn/qv.ini"], left

    assert second.wait(timeout=900) == 0, "the second build"
    digest = lambda path: hashlib.sha256(open(path, "rb").read()).hexdigest()
    assert digest(os.path.join(tree, "out", "Mosaryn.exe")) == digest(os.path.join(s.build, "Mosaryn.exe"))
    assert open(dist(os.path.join(tree, "out"), os.path.join(tree, "dist")), "rb").read() == \
        open(zip_path, "rb").read(), "the second build's ZIP"
    shutil.rmtree(home)


if __name__ == "__main__":
    harness.main([test_reproducible_zip_and_linux_install_toggle_autostart_uninstall], warm=False)
