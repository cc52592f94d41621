#!/bin/bash
# Starts the installed calendar under Wine. The program keeps qv.ini and qv.dat beside
# itself, so it runs from a copy in the per-user data directory, which also holds the
# Wine prefix (made on first start, without any download).
set -eu
lib=$(cd "$(dirname "$(readlink -f "$0")")/../lib/mosaryn" && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}/mosaryn
mkdir -p "$data"
# Replaced by renaming, never rewritten in place: a running copy keeps its file.
if ! cmp -s "$lib/Mosaryn.exe" "$data/Mosaryn.exe"; then
    cp "$lib/Mosaryn.exe" "$data/Mosaryn.exe.new"
    mv -f "$data/Mosaryn.exe.new" "$data/Mosaryn.exe"
fi
# A second start only raises the running calendar: Wine must not be stopped under it.
export MOSARYN_BUILD_DIR=$data WINEPREFIX=$data/wineprefix MOSARYN_KEEP_WINE=1
exec "$lib/wine-run.sh" "$data/Mosaryn.exe" "$@"
