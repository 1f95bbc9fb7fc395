#!/usr/bin/env bash
# Starts the launcher under wine on a virtual display and saves PNG pictures of
# the main menu in both picture sets, of the settings window, of the update
# window in both sets and of the server chooser over it into docs/:
#   tools/screenshots.sh [BUILD_DIR]        (default: build/win64, built and installed here)
# Needs Xvfb, wine64, xdotool and ImageMagick (scripts/apt/*.txt).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=scripts/lib/xvfb.sh
source "$root/scripts/lib/xvfb.sh"
build="$(realpath -m "${1:-$root/build/win64}")"  # wine wants an absolute prefix
docs="$root/docs"
mkdir -p "$docs"

cmake --build "$build" --target launcher >/dev/null
game="$(mktemp -d)"
cmake --install "$build" --prefix "$game" >/dev/null

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

# Waits for a top-level window with this exact title and prints its X id.
wait_window() {
    local title="$1" id=""
    for _ in $(seq 1 100); do
        id="$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1 || true)"
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    echo "no window titled $title" >&2
    return 1
}

# Prints the X id of the visible window whose outer size is about w x h (the
# chooser has no title to search by).
window_of_size() {
    local w="$1" h="$2" id
    for _ in $(seq 1 100); do
        for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$id")"
            if [ $((WIDTH - w)) -ge 0 ] && [ $((WIDTH - w)) -le 12 ] &&
               [ $((HEIGHT - h)) -ge 0 ] && [ $((HEIGHT - h)) -le 40 ]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.2
    done
    echo "no window of about ${w}x$h" >&2
    return 1
}

# Clicks at client coordinates of a window whose client area is cw wide and
# ch high, the frame being drawn by wine around it.
click_client() {
    local id="$1" cw="$2" ch="$3" x="$4" y="$5" border
    eval "$(xdotool getwindowgeometry --shell "$id")"
    border=$(( (WIDTH - cw) / 2 ))
    xdotool mousemove --window "$id" $((border + x)) $((HEIGHT - ch - border + y)) click 1
}

# Saves the part of the screen that a window covers.
shoot() {
    local id="$1" file="$2" x y w h
    eval "$(xdotool getwindowgeometry --shell "$id")"
    x=$X y=$Y w=$WIDTH h=$HEIGHT
    sleep 0.5
    xwd -root -silent | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage -strip "$file"
    echo "saved $file"
}

run_launcher() {  # locale set
    local locale="$1" set="$2" menu
    (cd "$game" && LC_ALL="$locale" "$wine" launcher.exe >/dev/null 2>&1 &)
    menu="$(wait_window NORVALE)"
    shoot "$menu" "$docs/main-menu-$set.png"
    # Pressing the settings button (left 67, top 307, 158 x 54 in the client area)
    # shows the settings window.
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    local frame_x=$(( (WIDTH - 289 + 5) / 2 )) frame_y=$(( HEIGHT - 478 ))
    if [ "$set" = s ]; then
        xdotool mousemove --window "$menu" $((frame_x + 146)) $((frame_y + 334)) mousedown 1
        sleep 0.5
        shoot "$menu" "$docs/main-menu-pressed-$set.png"
        xdotool mouseup 1
        shoot "$(wait_window Setup)" "$docs/settings-$set.png"
    else
        xdotool mousemove --window "$menu" $((frame_x + 146)) $((frame_y + 334)) click 1
        shoot "$(wait_window Setup)" "$docs/settings-$set.png"
    fi
    wineserver -k 2>/dev/null || true
    sleep 1
}

# The update window of one picture set: the update button of the main menu
# (left 67, top 240) shows it, and its run starts with the server chooser.
run_update_window() {  # locale set
    local locale="$1" set="$2" menu update chooser
    (cd "$game" && LC_ALL="$locale" "$wine" launcher.exe >/dev/null 2>&1 &)
    menu="$(wait_window NORVALE)"
    click_client "$menu" 289 478 146 267
    update="$(wait_window update)"
    chooser="$(window_of_size 400 400)"
    # Stacking is a window manager's job, and there is none here: wine leaves
    # the chooser, shown from inside the update window's showing, under that
    # window. Move the update window aside while the chooser is up.
    eval "$(xdotool getwindowgeometry --shell "$update")"
    local ux=$X uy=$Y
    xdotool windowmove "$update" 0 760
    shoot "$chooser" "$docs/chooser-$set.png"
    click_client "$chooser" 400 400 200 366
    sleep 0.5
    xdotool windowmove "$update" "$ux" "$uy"
    xdotool mousemove --window "$update" 300 300
    sleep 1
    sleep 0.5
    shoot "$update" "$docs/update-$set.png"
    wineserver -k 2>/dev/null || true
    sleep 1
}

# Two servers for the chooser to offer.
printf 'Server-A 127.0.0.1 2121 30000 demo demo\r\nServer-B 127.0.0.1 2122 30000 demo demo\r\nend\r\n' \
    >"$game/isp0.dat"

run_launcher zh_TW.UTF-8 c
run_launcher en_US.UTF-8 s
run_update_window zh_TW.UTF-8 c
run_update_window zh_CN.UTF-8 s
