#!/usr/bin/env bash
# Runs a Windows program of the tests under wine:
#   wine-run.sh BITS PREFIX_DIR PROGRAM.exe [ARGS...]
#   wine-run.sh BITS PREFIX_DIR --init     create the prefix once (test fixture)
#   wine-run.sh BITS PREFIX_DIR --stop     end the prefix's wineserver
# BITS is 32 or 64. 32-bit wine runs in the session of the 32-bit root file
# system (cmake/win32_session), which the 32-bit build's tests go through.
# In the 32-bit session the prefix keeps one wineserver running from --init
# to --stop, so that each program starts without setting wine up again.
# Every program gets a virtual display of its own (Xvfb), whatever DISPLAY
# says, so tests see the same screen everywhere: by default 1024x768 at 16
# bits per pixel; SELVANE_SCREEN=1024x768x24 asks for another.
set -euo pipefail
# shellcheck source=scripts/lib/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/xvfb.sh"

bits="$1"
export WINEPREFIX="$2"
shift 2
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ "$bits" = 32 ]; then
    wine=/usr/lib/wine/wine
    wineserver=/usr/lib/wine/wineserver32
    export WINEARCH=win32
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

case "${1:-}" in
--init)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        "$wine" wineboot -i >/dev/null 2>&1 || true
        "$wineserver" -w
    fi
    [ -f "$WINEPREFIX/system.reg" ]
    # Inside the 32-bit session, whose end ends every process in it, one
    # wineserver stays for the whole run.
    if [ "$bits" = 32 ]; then
        "$wineserver" -p </dev/null >/dev/null 2>&1
    fi
    exit
    ;;
--stop)
    "$wineserver" -k 2>/dev/null || true
    exit 0
    ;;
esac

trap stop_xvfb EXIT

start_xvfb "${SELVANE_SCREEN:-1024x768x16}"

status=0
"$wine" "$@" || status=$?
exit "$status"
