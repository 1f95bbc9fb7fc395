#!/usr/bin/env bash
# The demo: one update of a game folder from a local FTP server, with the real
# update engine under wine, then the launcher on screen.
#
#   scripts/demo.sh
#
# Leaves everything in build/demo: source/ (the generated game files), server/
# (the update set that mkupdate made of them), game/ (the installed game
# folder), launcher.png (a picture of the launcher) and selvane.png (the
# standalone updater after it installed a changed file of a new release). Safe
# to run again: each run starts from a fresh game folder.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
demo="$root/build/demo"
python=/usr/bin/python3   # Debian's: it sees python3-pyftpdlib
helper="$root/tools/demo/demo_helper.py"
# shellcheck source=scripts/lib/xvfb.sh
source "$root/scripts/lib/xvfb.sh"

say() { printf '\n==> %s\n' "$*"; }

# --- What runs in the background, and its cleanup --------------------------
ftp_pid=""
wine_started=""
cleanup() {
    # Our own prefix's wineserver only: other wine programs are left alone.
    if [ -n "$wine_started" ]; then
        "$wineserver" -k 2>/dev/null || true
        "$wineserver" -w 2>/dev/null || true
    fi
    if [ -n "$ftp_pid" ]; then
        kill "$ftp_pid" 2>/dev/null || true
        wait "$ftp_pid" 2>/dev/null || true
    fi
    stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- Build ------------------------------------------------------------------

# The Windows build this machine can run: the shipping 32-bit one when 32-bit
# wine works here, else the 64-bit build of the same sources.
choose_windows_preset() {
    if /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
        preset=win32 wine=/usr/lib/wine/wine wineserver=/usr/lib/wine/wineserver32
        export WINEARCH=win32
    else
        preset=win64 wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver64
        export WINEARCH=win64 WINELOADER="$wine"
    fi
    [ -x "$wineserver" ] || wineserver="$(command -v wineserver)"
}

# Runs a command with its output in build/demo-build.log, shown only when it fails.
quietly() {
    local log="$root/build/demo-build.log"
    mkdir -p "$root/build"
    if ! "$@" >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "failed: $* (whole output in $log)" >&2
        return 1
    fi
}

# Configures a preset once; later runs only build.
configure() {
    [ -f "$root/build/$1/CMakeCache.txt" ] || quietly cmake --preset "$1"
}

build() {
    say "bootstrap (packages, cross-built libjpeg)"
    "$root/scripts/bootstrap.sh"
    choose_windows_preset
    say "building mkupdate (native), the launcher, selvane, vexblit2 and update_demo ($preset)"
    cd "$root"
    configure native
    quietly nice cmake --build --preset native --target mkupdate
    configure "$preset"
    quietly nice cmake --build --preset "$preset" --target launcher selvane vexblit2 update_demo
}

# --- Server side ------------------------------------------------------------

# A game release made of generated files, and the update set mkupdate makes of
# it: guide.txt sent as it is, everything below sounds/ in one pack.
make_update_set() {
    say "making the demo game files and their update set"
    rm -rf "$demo"
    mkdir -p "$demo"
    "$python" "$helper" game "$demo/source"
    "$root/build/native/tools/mkupdate/mkupdate" --source "$demo/source" --out "$demo/server" \
        --version 0001 --plain docs/manual/guide.txt --pack sound.pak=sounds --header "demo release"
    sed 's/^/    /' "$demo/server/update3.dat"
}

start_ftp_server() {
    say "starting an FTP server on 127.0.0.1 over build/demo/server"
    local portfile="$demo/ftp.port"
    "$python" "$helper" serve "$demo/server" "$portfile" 2>"$demo/ftp.log" &
    ftp_pid=$!
    for _ in $(seq 1 100); do
        [ -f "$portfile" ] && break
        kill -0 "$ftp_pid" 2>/dev/null || { cat "$demo/ftp.log" >&2; return 1; }
        sleep 0.1
    done
    ftp_port="$(cat "$portfile")"
    echo "    listening on port $ftp_port (user demo, password demo)"
}

# --- Client side ------------------------------------------------------------

# The installed game folder: the launcher with its pictures and page, and a
# server list that names the local server (lines end in CR LF, as the programs
# write them).
lay_out_game() {
    say "installing the launcher into build/demo/game"
    quietly cmake --install "$root/build/$preset" --prefix "$demo/game"
    printf 'Local 127.0.0.1 %s 10000 demo demo\r\nend\r\n' "$ftp_port" >"$demo/game/isp0.dat"
    sed 's/^/    /' "$demo/game/isp0.dat" | tr -d '\r'
}

# Wine in a prefix of the demo's own, so that stopping its wineserver touches
# nothing else; the user's display when there is one, else a private Xvfb.
start_wine() {
    export WINEPREFIX="$root/build/demo-wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    own_display=""
    if [ -z "${DISPLAY:-}" ]; then
        # 24 bits per pixel: the capture tools misread the colours of a 16-bit screen.
        start_xvfb 1024x768x24
        own_display=1
    fi
    wine_started=1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "creating the wine prefix (first run only)"
        "$wine" wineboot -i >/dev/null 2>&1 || true
        "$wineserver" -w
    fi
}

# Z:\... names the same folder for a Windows program (wine maps Z: to /).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

update_game() {
    say "update run in build/demo/game"
    "$wine" "$root/build/$preset/tools/demo/update_demo.exe" "$(windows_path "$demo/game")"
    say "a second run finds nothing to do"
    "$wine" "$root/build/$preset/tools/demo/update_demo.exe" "$(windows_path "$demo/game")"
    say "the installed files equal the release"
    local rel
    while IFS= read -r rel; do
        cmp -s "$demo/source/$rel" "$demo/game/$rel" || { echo "    differs: $rel" >&2; return 1; }
        echo "    $rel"
    done < <(cd "$demo/source" && find . -type f | sed 's|^\./||' | sort)
}

# Waits for a visible top-level window with this exact title; prints its id.
wait_window() {
    local id=""
    for _ in $(seq 1 150); do
        id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)"
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

show_launcher() {
    say "starting the launcher on display $DISPLAY"
    (cd "$demo/game" && exec "$wine" launcher.exe >/dev/null 2>&1) &
    local launcher_pid=$! id
    if ! id="$(wait_window NORVALE)"; then
        echo "    the launcher's window did not appear" >&2
        return 1
    fi
    sleep 1   # let it paint its pictures
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xwd -root -silent | convert xwd:- -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
        "$demo/launcher.png"
    echo "    saved build/demo/launcher.png"
    if [ -z "$own_display" ]; then
        echo "    close the launcher to end the demo"
        wait "$launcher_pid" || true
    fi
}

# Waits up to 30 s until two files hold the same bytes.
wait_same() {
    for _ in $(seq 1 150); do
        cmp -s "$1" "$2" && return 0
        sleep 0.2
    done
    return 1
}

# A new release in which one file changed: only that file is announced with a
# new version, and selvane.exe installs it. The chooser and the update picture
# are clicked like a player would, at their places in the windows.
run_updater() {
    say "a new release: readme.txt changed"
    printf 'A line added in release 0002.\r\n' >>"$demo/source/readme.txt"
    "$root/build/native/tools/mkupdate/mkupdate" --source "$demo/source" --out "$demo/server" \
        --version 0002 --plain docs/manual/guide.txt --pack sound.pak=sounds --header "demo release" \
        >/dev/null
    sed -i '/ readme\.txt /!s/ 0002 / 0001 /' "$demo/server/update3.dat"
    # The updater sends its own password, whatever the line's sixth field says.
    printf 'Local 127.0.0.1 %s 10000 player -\r\nend\r\n' "$ftp_port" >"$demo/game/isp0.dat"

    say "starting selvane.exe in build/demo/game"
    (cd "$demo/game" && exec "$wine" selvane.exe >/dev/null 2>&1) &
    local updater_pid=$! window chooser id
    if ! window="$(wait_window update)"; then
        echo "    the updater's window did not appear" >&2
        return 1
    fi
    # The chooser: the updater's other visible window, the one without a title.
    for _ in $(seq 1 50); do
        for id in $(xdotool search --onlyvisible --class 'selvane.exe' 2>/dev/null || true); do
            [ "$id" != "$window" ] && [ -z "$(xdotool getwindowname "$id")" ] && chooser="$id"
        done
        [ -n "${chooser:-}" ] && break
        sleep 0.2
    done
    [ -n "${chooser:-}" ] || { echo "    the server chooser did not appear" >&2; return 1; }
    sleep 1
    # X windows of wine's top-level windows are their client areas: OK sits at
    # (144, 352), 100 x 29.
    xdotool mousemove --window "$chooser" 194 366 click 1
    echo "    chose the server, waiting for the to-do list"
    # The new remote list arrives just before the to-do list is shown.
    wait_same "$demo/server/update3.dat" "$demo/game/update3.dat" \
        || { echo "    the updater fetched no remote list" >&2; return 1; }
    sleep 1
    # The update picture: (80, 377), 90 x 26.
    xdotool mousemove --window "$window" 125 390 click 1
    wait_same "$demo/source/readme.txt" "$demo/game/readme.txt" \
        || { echo "    readme.txt was not updated" >&2; return 1; }
    echo "    readme.txt of release 0002 installed"
    sleep 1   # let it paint the finished run
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xwd -root -silent | convert xwd:- -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
        "$demo/selvane.png"
    echo "    saved build/demo/selvane.png"
    # The exit picture, then Yes (the default button) in the confirmation.
    xdotool mousemove --window "$window" 493 390 click 1
    sleep 1
    xdotool key Return
    wait "$updater_pid" || true
}

build
make_update_set
start_ftp_server
lay_out_game
start_wine
update_game
show_launcher
run_updater
say "done"
