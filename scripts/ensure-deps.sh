#!/bin/bash
# Installs the Debian packages the build and the tests need, when missing.
set -eu
packages=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake ninja-build make
    wine wine64 xvfb xauth x11-utils fonts-ipafont-gothic fonts-liberation fonts-wine
    googletest imagemagick xdotool python3 python3-icalendar util-linux procps
    desktop-file-utils xcompmgr hsetroot unicode-cldr-core python3-recurring-ical-events openssl
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=
if [ "$(id -u)" != 0 ]; then
    command -v sudo >/dev/null 2>&1 || { echo "Run as root or install: ${missing[*]}" >&2; exit 1; }
    sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
