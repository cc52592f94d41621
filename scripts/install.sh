#!/bin/bash
# Installs the built calendar for a Linux desktop, where it runs under Wine, or removes it.
#   install.sh install|uninstall <build dir>
# PREFIX (default ~/.local) receives the program, the `mosaryn` launcher, the menu entry
# and its icon. AUTOSTART=1 turns "start at logon" on: the desktop's autostart entry, which
# the General page's box keeps from then on. qv.ini and qv.dat stay in the per-user data
# directory, where the launcher runs the program; uninstalling leaves them there.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
action=${1:-}
build=${2:-$here/../build}
prefix=$(realpath -m "${PREFIX:-$HOME/.local}")
lib=$prefix/lib/mosaryn
launcher=$prefix/bin/mosaryn
entry=$prefix/share/applications/mosaryn.desktop
icon=$prefix/share/icons/hicolor/48x48/apps/mosaryn.png
autostart=${XDG_CONFIG_HOME:-$HOME/.config}/autostart/mosaryn.desktop
data=${XDG_DATA_HOME:-$HOME/.local/share}/mosaryn
# The folders the install made, so that uninstalling leaves none of them behind empty.
made=$lib/folders

make_folder() {
    local folder=$1 missing=()
    while [ ! -d "$folder" ]; do
        missing+=("$folder")
        folder=$(dirname "$folder")
    done
    mkdir -p "$1"
    [ ${#missing[@]} -eq 0 ] || printf '%s\n' "${missing[@]}" >>"$made.new"
}

case $action in
install)
    # The entry's Exec line quotes the launcher; these characters would need escapes there.
    case $prefix in *[\"\`\$\\%]*) echo "install: PREFIX must not contain \" \` \$ \\ %" >&2; exit 1 ;; esac
    rm -f "$made.new"
    make_folder "$lib"
    [ -f "$made" ] && cat "$made" >>"$made.new" # a second install keeps what the first one made
    touch "$made.new"
    for folder in "$(dirname "$launcher")" "$(dirname "$entry")" "$(dirname "$icon")"; do
        make_folder "$folder"
    done
    install -m 644 "$build/Mosaryn.exe" "$lib/Mosaryn.exe"
    install -m 755 "$here/wine-run.sh" "$lib/wine-run.sh"
    install -m 644 "$here/wine-fonts.reg" "$lib/wine-fonts.reg"
    install -m 755 "$here/mosaryn-launcher.sh" "$launcher"
    convert "$here/../res/mosaryn.ico[2]" "PNG32:$icon" # the 48 x 48 picture of the program's icon
    text=$(<"$here/mosaryn.desktop.in")
    text=${text//@LAUNCHER@/$launcher}
    printf '%s\n' "${text//@ICON@/$icon}" >"$entry"
    if [ "${AUTOSTART:-0}" = 1 ]; then
        make_folder "$(dirname "$autostart")"
        install -m 644 "$entry" "$autostart"
    fi
    mv -f "$made.new" "$made"
    echo "Installed; start it with $launcher or from the application menu."
    ;;
uninstall)
    # The calendar saves and ends; then the prefix's Wine server, which writes into the prefix
    # as it goes, must be gone before the prefix is removed.
    if [ -x "$launcher" ]; then
        "$launcher" --exit || echo "uninstall: the running calendar did not end; stopping Wine" >&2
    fi
    if [ -d "$data/wineprefix" ]; then
        WINEPREFIX=$data/wineprefix wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX=$data/wineprefix wineserver -w >/dev/null 2>&1 || true
    fi
    # Only this install's autostart entry: another PREFIX may have written the one there now.
    if [ -f "$autostart" ] && grep -qxF "Exec=\"$launcher\"" "$autostart"; then
        rm -f "$autostart"
    fi
    folders=()
    # Children before their parents.
    [ -f "$made" ] && mapfile -t folders < <(sort -r -u "$made")
    rm -f "$lib/Mosaryn.exe" "$lib/wine-run.sh" "$lib/wine-fonts.reg" "$made" "$launcher" "$entry" "$icon"
    # The launcher's copy of the program and its Wine prefix go too; the user's files stay.
    rm -rf "$data/Mosaryn.exe" "$data/wineprefix" "$data/.wineprefix.lock" "$data/.xvfb-display"
    for folder in "${folders[@]}" "$data"; do
        rmdir "$folder" 2>/dev/null || true
    done
    echo "Removed; qv.ini and qv.dat are kept in $data."
    ;;
*)
    echo "usage: install.sh install|uninstall <build dir>" >&2
    exit 2
    ;;
esac
