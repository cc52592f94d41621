#!/usr/bin/env python3
"""Packs the Windows release: build/dist/Mosaryn-<version>-win64.zip and SHA256SUMS.

The ZIP holds Mosaryn.exe and readme.txt, the Japanese guide, in UTF-8 with a
byte-order mark and CRLF line ends, as Notepad expects.
    make-dist.py <build dir>
"""
import hashlib
import os
import re
import sys
import zipfile

source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def version():
    """1.0.1.0 in the version record is released as 1.0.1."""
    text = open(os.path.join(source, "res", "resource.h"), encoding="utf-8").read()
    full = re.search(r'#define MOSARYN_VERSION_STR "(\d+)\.(\d+)\.(\d+)\.\d+"', text)
    return ".".join(full.groups())


def readme(ver):
    text = open(os.path.join(source, "docs", "readme.txt"), encoding="utf-8").read()
    return ("\ufeff" + text.replace("@VERSION@", ver).replace("\r\n", "\n").replace("\n", "\r\n")).encode("utf-8")


def main(build):
    ver = version()
    dist = os.path.join(build, "dist")
    os.makedirs(dist, exist_ok=True)
    name = "Mosaryn-%s-win64.zip" % ver
    path = os.path.join(dist, name)
    exe = os.path.join(build, "Mosaryn.exe")
    with zipfile.ZipFile(path + ".tmp", "w", zipfile.ZIP_DEFLATED) as z:
        z.write(exe, "Mosaryn.exe")
        z.writestr(zipfile.ZipInfo("readme.txt", z.getinfo("Mosaryn.exe").date_time), readme(ver),
                   zipfile.ZIP_DEFLATED)
    os.replace(path + ".tmp", path)
    digest = hashlib.sha256(open(path, "rb").read()).hexdigest()
    with open(os.path.join(dist, "SHA256SUMS"), "w") as f:
        f.write("%s  %s\n" % (digest, name))
    print(path)


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build"))
