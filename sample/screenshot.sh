#!/usr/bin/env bash
# Starts the sample client under wine on a virtual display and saves its
# window as docs/ostrel.png:
#   sample/screenshot.sh [BUILD_DIR]      (default: build/win64; ostrel is built there)
# The scene is pinned to one frame (--frame), so the picture is the same every
# time apart from the frame-time text. Needs Xvfb, wine64, xdotool and ImageMagick.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=scripts/lib/xvfb.sh
source "$root/scripts/lib/xvfb.sh"
build="$(realpath -m "${1:-$root/build/win64}")"  # wine wants an absolute prefix
out="$root/docs/ostrel.png"

cmake --build "$build" --target ostrel >/dev/null
# The build folder holds a game folder's worth already: the DLL and art beside the program.
game="$(mktemp -d)"
cp -r "$build/sample/ostrel.exe" "$build/sample/vexblit2.dll" "$build/sample/art" "$game/"
printf 'WindowScreen\r\nSimplified\r\n' >"$game/sinfo.txt"

export WINEPREFIX="$build/screenshot-prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
export WINELOADER="$wine"

cleanup() {
    wineserver -k 2>/dev/null || true
    stop_xvfb
    rm -rf "$game"
}
trap cleanup EXIT

# 24 bits per pixel: the capture tools misread the colours of a 16-bit screen.
start_xvfb 1024x768x24
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi

(cd "$game" && "$wine" ostrel.exe --frame 60 >/dev/null 2>&1 &)
id=""
for _ in $(seq 1 100); do
    id="$(xdotool search --onlyvisible --name '^ostrel$' 2>/dev/null | head -n 1 || true)"
    [ -n "$id" ] && break
    sleep 0.2
done
[ -n "$id" ] || { echo "no window titled ostrel" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$id")"
sleep 1  # a few frames, so the frame time has settled
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "$out"
echo "saved $out"
