#!/bin/bash
# Installs the built calendar for a Linux desktop, where it runs under Wine, or removes it.
#   install.sh install|uninstall <build dir>
# PREFIX (default ~/.local) receives the program, the `mosaryn` launcher, the menu entry
# and its icon; AUTOSTART=1 also adds an entry that starts the calendar with the session.
# qv.ini and qv.dat stay in the per-user data directory, where the launcher runs the
# program; uninstalling leaves them there.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
action=${1:-}
build=${2:-$here/../build}
prefix=${PREFIX:-$HOME/.local}
lib=$prefix/lib/mosaryn
launcher=$prefix/bin/mosaryn
entry=$prefix/share/applications/mosaryn.desktop
icon=$prefix/share/icons/hicolor/48x48/apps/mosaryn.png
autostart=${XDG_CONFIG_HOME:-$HOME/.config}/autostart/mosaryn.desktop
data=${XDG_DATA_HOME:-$HOME/.local/share}/mosaryn

case $action in
install)
    # The entry's Exec line quotes the launcher; these characters would need escapes there.
    case $prefix in *[\"\`\$\\%]*) echo "install: PREFIX must not contain \" \` \$ \\ %" >&2; exit 1 ;; esac
    install -D -m 644 "$build/Mosaryn.exe" "$lib/Mosaryn.exe"
    install -D -m 755 "$here/wine-run.sh" "$lib/wine-run.sh"
    install -D -m 644 "$here/wine-fonts.reg" "$lib/wine-fonts.reg"
    install -D -m 755 "$here/mosaryn-launcher.sh" "$launcher"
    mkdir -p "$(dirname "$icon")" "$(dirname "$entry")"
    convert "$here/../res/mosaryn.ico[2]" "PNG32:$icon" # the 48 x 48 picture of the program's icon
    text=$(<"$here/mosaryn.desktop.in")
    text=${text//@LAUNCHER@/$launcher}
    printf '%s\n' "${text//@ICON@/$icon}" >"$entry"
    if [ "${AUTOSTART:-0}" = 1 ]; then
        install -D -m 644 "$entry" "$autostart"
    fi
    echo "Installed; start it with $launcher or from the application menu."
    ;;
uninstall)
    rm -f "$lib/Mosaryn.exe" "$lib/wine-run.sh" "$lib/wine-fonts.reg" "$launcher" "$entry" "$icon" "$autostart"
    rmdir --ignore-fail-on-non-empty "$lib" 2>/dev/null || true
    # The launcher's copy of the program and its Wine prefix go too; the user's files stay.
    rm -rf "$data/Mosaryn.exe" "$data/wineprefix" "$data/.wineprefix.lock" "$data/.xvfb-display"
    echo "Removed; qv.ini and qv.dat are kept in $data."
    ;;
*)
    echo "usage: install.sh install|uninstall <build dir>" >&2
    exit 2
    ;;
esac
