#!/usr/bin/env bash
# Runs a Windows program of the tests under wine:
#   wine-run.sh BITS PREFIX_DIR PROGRAM.exe [ARGS...]
#   wine-run.sh BITS PREFIX_DIR --init [WINE_DESKTOP.exe]
#                                          create the prefix once (test fixture)
#   wine-run.sh BITS PREFIX_DIR --stop     end the prefix's wineserver
# BITS is 32 or 64. 32-bit wine runs in the session of the 32-bit root file
# system (cmake/win32_session), which the 32-bit build's tests go through.
# In the 32-bit session the prefix keeps one wineserver running from --init
# to --stop, so that each program starts without setting wine up again, and
# with WINE_DESKTOP (cmake/win32_session/wine_desktop_win.cpp) one wine
# desktop too, on an X server of its own: wine would otherwise start the
# desktop process again for every program and give it only 10 s, too little
# in an emulated VM on a busy machine. A program that asks for another
# screen gets a desktop of its own on it, started and waited for the same way.
# Every program gets a virtual display of its own (Xvfb), whatever DISPLAY
# says, so tests see the same screen everywhere: by default 1024x768 at 16
# bits per pixel; SELVANE_SCREEN=1024x768x24 asks for another.
set -euo pipefail
# shellcheck source=scripts/lib/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/xvfb.sh"

default_screen=1024x768x16

bits="$1"
export WINEPREFIX="$2"
shift 2
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ "$bits" = 32 ]; then
    wine=/usr/lib/wine/wine
    wineserver=/usr/lib/wine/wineserver32
    export WINEARCH=win32
    # Started by wine's boot, winemenubuilder would start the desktop process
    # too, racing the session's keeper; the tests need no menu entries.
    WINEDLLOVERRIDES="${WINEDLLOVERRIDES};winemenubuilder.exe=d"
    if [ ! -x "$wine" ] || ! /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
        echo "32-bit wine cannot run here: run it through cmake/win32_session/session.py" >&2
        exit 1
    fi
else
    wine=/usr/lib/wine/wine64
    wineserver=/usr/lib/wine/wineserver64
    export WINEARCH=win64
    export WINELOADER="$wine"
fi

# What the session's desktop leaves for the programs and --stop: the tool,
# its X server, its log. In the session /tmp is the session's own; elsewhere
# the prefix's name keeps builds apart.
desktop_dir="/tmp/selvane-wine-desktop-$(printf '%s' "$WINEPREFIX" | sha1sum | cut -c1-12)"

start_session_desktop() {
    local tool="$1" fifo word=""
    rm -rf "$desktop_dir"
    mkdir -p "$desktop_dir"
    start_xvfb "$default_screen"
    printf '%s\n' "$xvfb_pid" >"$desktop_dir/xvfb.pid"
    fifo="$desktop_dir/ready"
    mkfifo "$fifo"
    # It stays for the session; its first line says the desktop is up, and
    # the end of its output without that line says it failed.
    "$wine" "$tool" hold <"/dev/null" >"$fifo" 2>"$desktop_dir/hold.log" &
    read -r word <"$fifo" || true
    if [ "${word%$'\r'}" != ready ]; then
        echo "wine's desktop did not come up:" >&2
        cat "$desktop_dir/hold.log" >&2
        exit 1
    fi
    printf '%s\n' "$tool" >"$desktop_dir/tool"
}

stop_session_desktop() {
    if [ -f "$desktop_dir/xvfb.pid" ]; then
        xvfb_pid="$(cat "$desktop_dir/xvfb.pid")"
        kill "$xvfb_pid" 2>/dev/null || true
        rm -rf "$desktop_dir"
    fi
}

case "${1:-}" in
--init)
    tool="${2:-}"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        "$wine" wineboot -i >/dev/null 2>&1 || true
        "$wineserver" -w
    fi
    [ -f "$WINEPREFIX/system.reg" ]
    # Inside the 32-bit session, whose end ends every process and mount in
    # it, one wineserver stays for the whole run, and the programs' temporary
    # files stay in memory: in the VM the prefix is on a 9p share, where
    # every file operation is slow.
    if [ "$bits" = 32 ]; then
        if [ -n "${SELVANE_WIN32_SESSION:-}" ]; then
            temp="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
            mkdir -p "$temp"
            mountpoint -q "$temp" || mount -t tmpfs -o mode=700 selvane-wine-temp "$temp"
        fi
        "$wineserver" -p </dev/null >/dev/null 2>&1
        if [ -n "$tool" ]; then
            start_session_desktop "$tool"
        fi
    fi
    exit
    ;;
--stop)
    "$wineserver" -k 2>/dev/null || true
    stop_session_desktop
    exit 0
    ;;
esac

trap stop_xvfb EXIT

screen="${SELVANE_SCREEN:-$default_screen}"
start_xvfb "$screen"

status=0
if [ "$screen" != "$default_screen" ] && [ -f "$desktop_dir/tool" ]; then
    program="$1"
    shift
    case "$program" in /*) ;; *) program="$PWD/$program" ;; esac
    "$wine" "$(cat "$desktop_dir/tool")" run "selvane-$$" "Z:${program//\//\\}" "$@" || status=$?
else
    "$wine" "$@" || status=$?
fi
exit "$status"
