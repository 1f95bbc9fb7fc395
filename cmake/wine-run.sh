#!/usr/bin/env bash
# Runs a Windows program of the tests under wine:
#   wine-run.sh BITS PREFIX_DIR PROGRAM.exe [ARGS...]
#   wine-run.sh BITS PREFIX_DIR --init     create the prefix once (test fixture)
#   wine-run.sh BITS PREFIX_DIR --stop     end the prefix's wineserver
# BITS is 32 or 64. 32-bit wine needs a kernel that runs 32-bit Linux
# programs; where it cannot run, the wrapper exits 77 and the test is skipped.
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
    export WINEARCH=win32
    if [ ! -x "$wine" ] || ! /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
        echo "32-bit wine cannot run on this machine: skipped" >&2
        exit 77
    fi
else
    wine=/usr/lib/wine/wine64
    export WINEARCH=win64
    export WINELOADER="$wine"
fi

case "${1:-}" in
--init)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        "$wine" wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    [ -f "$WINEPREFIX/system.reg" ]
    exit
    ;;
--stop)
    wineserver -k 2>/dev/null || true
    exit 0
    ;;
esac

trap stop_xvfb EXIT

start_xvfb "${SELVANE_SCREEN:-1024x768x16}"

status=0
"$wine" "$@" || status=$?
exit "$status"
