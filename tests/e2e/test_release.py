"""What a user takes: the Windows ZIP with its guide and checksum, and the Linux install."""
import os
import shutil
import subprocess
import tempfile
import zipfile

import harness

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")


def test_zip_and_linux_install(s):
    subprocess.run(["python3", os.path.join(SCRIPTS, "make-dist.py"), s.build], check=True, capture_output=True)
    dist = os.path.join(s.build, "dist")
    subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=dist, check=True, capture_output=True)
    (name,) = [n for n in os.listdir(dist) if n.endswith("-win64.zip")]
    with zipfile.ZipFile(os.path.join(dist, name)) as z:
        assert sorted(z.namelist()) == ["Mosaryn.exe", "readme.txt"], z.namelist()
        guide = z.read("readme.txt")
        os.remove(s.exe)
        z.extract("Mosaryn.exe", s.dir)
    assert guide.startswith(b"\xef\xbb\xbf") and guide.count(b"\n") == guide.count(b"\r\n") > 100, guide[:40]
    for heading in ("概要", "動作環境", "インストールと起動", "使い方", "設定", "データファイル",
                    "Windows の起動時の実行", "アンインストール", "更新履歴"):
        assert "■ " + heading + "\r\n" in guide.decode("utf-8"), heading
    assert os.listdir(s.dir) == ["Mosaryn.exe"]
    s.start()
    s.probe(*harness.EXIT)
    s.wait_for(lambda: "PosX" in s.ini_values(), 30, "qv.ini beside the unpacked program")
    s.kill()

    # The Linux install into a private prefix, its launcher, and the uninstall.
    home = tempfile.mkdtemp(prefix="mosaryn-install-")
    prefix, data = os.path.join(home, "prefix"), os.path.join(home, "data", "mosaryn")
    env = dict(s.env, PREFIX=prefix, AUTOSTART="1", XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.dirname(data))
    env.pop("WINEPREFIX")
    subprocess.run([os.path.join(SCRIPTS, "install.sh"), "install", s.build], env=env, check=True)
    entries = [os.path.join(prefix, "share/applications/mosaryn.desktop"),
               os.path.join(home, "config/autostart/mosaryn.desktop")]
    subprocess.run(["desktop-file-validate"] + entries, check=True)
    s.apps.append(subprocess.Popen([os.path.join(prefix, "bin", "mosaryn")], env=env))
    s.wait_for(lambda: s.xdotool("search", "--name", "^Mosaryn$").strip(), 240, "the launcher's calendar")
    s.env["WINEPREFIX"] = os.path.join(data, "wineprefix")  # made by now; the probe looks into it
    s.probe(*harness.EXIT)
    s.wait_for(lambda: os.path.exists(os.path.join(data, "qv.ini")), 30, "qv.ini in the data directory")
    subprocess.run(["wineserver", "-k"], env=s.env)
    subprocess.run([os.path.join(SCRIPTS, "install.sh"), "uninstall", s.build], env=env, check=True)
    left = [os.path.join(r, f) for r, _, files in os.walk(home) for f in files]
    assert sorted(left) == [os.path.join(data, "qv.ini")], left
    s.env["WINEPREFIX"] = os.path.join(s.build, "wineprefix")
    shutil.rmtree(home)


if __name__ == "__main__":
    harness.main([test_zip_and_linux_install])
