#!/usr/bin/env python3
"""Packs the Windows release: <output>/Mosaryn-<version>-win64.zip and SHA256SUMS.

The ZIP holds LICENSE.txt, Mosaryn.exe and readme.txt, the Japanese guide (both texts
in CRLF lines for Notepad, the guide in UTF-8 with a byte-order mark). Its bytes depend
only on those contents: sorted entries, mode 0644, and every entry dated at the commit
(SOURCE_DATE_EPOCH when set; 1980-01-01 outside a git checkout).
    make-dist.py <build dir> [<output dir>, default <build dir>/dist]
"""
import hashlib
import os
import re
import subprocess
import sys
import time
import zipfile

source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def version():
    """1.0.1.0 in the version record is released as 1.0.1."""
    text = open(os.path.join(source, "res", "resource.h"), encoding="utf-8").read()
    full = re.search(r'#define MOSARYN_VERSION_STR "(\d+)\.(\d+)\.(\d+)\.\d+"', text)
    return ".".join(full.groups())


def entry_time():
    stamp = os.environ.get("SOURCE_DATE_EPOCH")
    if not stamp:
        git = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"], capture_output=True, text=True)
        stamp = git.stdout.strip() if git.returncode == 0 else ""
    # A ZIP cannot date anything before 1980, and counts seconds in twos.
    return time.gmtime(max(int(stamp or 0), 315532800))[:6]


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def readme(ver):
    text = open(os.path.join(source, "docs", "readme.txt"), encoding="utf-8").read()
    return ("\ufeff" + crlf(text.replace("@VERSION@", ver))).encode("utf-8")


def main(build, dist):
    ver = version()
    os.makedirs(dist, exist_ok=True)
    name = "Mosaryn-%s-win64.zip" % ver
    path = os.path.join(dist, name)
    entries = {
        "LICENSE.txt": crlf(open(os.path.join(source, "LICENSE"), encoding="utf-8").read()).encode("utf-8"),
        "Mosaryn.exe": open(os.path.join(build, "Mosaryn.exe"), "rb").read(),
        "readme.txt": readme(ver),
    }
    when = entry_time()
    with zipfile.ZipFile(path + ".tmp", "w") as z:
        for entry in sorted(entries):
            info = zipfile.ZipInfo(entry, when)
            info.create_system = 3  # Unix, so that the mode below is what unpacking gives
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, entries[entry], compresslevel=9)
    os.replace(path + ".tmp", path)
    digest = hashlib.sha256(open(path, "rb").read()).hexdigest()
    with open(os.path.join(dist, "SHA256SUMS"), "w") as f:
        f.write("%s  %s\n" % (digest, name))
    print(path)


if __name__ == "__main__":
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    main(build, os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else os.path.join(build, "dist"))
