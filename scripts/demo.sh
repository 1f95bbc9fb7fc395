#!/usr/bin/env bash
# The demo: the launcher under wine on a display, clicked like a player
# clicks it, updating a game folder from a local FTP server.
#
#   scripts/demo.sh
#
# Leaves everything in build/demo: source/ (the generated game files), server/
# (the update set that mkupdate made of them), game/ (the installed game
# folder), pictures of the launcher's windows (launcher.png, chooser.png,
# update-todo.png, update-download.png, update-done.png, also copied to
# docs/demo-*.png) and selvane.png (the standalone updater after it installed a
# changed file of a new release). Safe to run again: each run starts from a
# fresh game folder.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
demo="$root/build/demo"
python=/usr/bin/python3   # Debian's: it sees python3-pyftpdlib
helper="$root/tools/demo/demo_helper.py"
# The demo's own signing key: its public half is built into the programs, and
# the server's list is signed with it (a real key is made and kept as
# tools/mkupdate/README.md says, never in the repository).
demo_key="$root/tools/demo/demo_list.key"
mkupdate="$root/build/native/tools/mkupdate/mkupdate"
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
    say "building mkupdate (native), the launcher, selvane, the game client and vexblit2 ($preset)"
    cd "$root"
    configure native
    quietly nice cmake --build --preset native --target mkupdate
    configure "$preset"
    # Only launcher.exe and selvane.exe carry the key; the tests' programs do not.
    quietly cmake -S "$root" -B "$root/build/$preset" -DSELVANE_LIST_PUBLIC_KEY="$demo_key.pub"
    quietly nice cmake --build --preset "$preset" --target launcher selvane ostrel vexblit2
}

# --- Server side ------------------------------------------------------------

# A game release made of generated files, and the update set mkupdate makes of
# it: guide.txt sent as it is, everything below sounds/ in one pack.
make_update_set() {
    say "making the demo game files and their update set"
    rm -rf "$demo"
    mkdir -p "$demo"
    "$python" "$helper" game "$demo/source"
    "$mkupdate" --source "$demo/source" --out "$demo/server" \
        --version 0001 --plain docs/manual/guide.txt --pack sound.pak=sounds --header "demo release" \
        --key "$demo_key" --expires-days 30
    sed 's/^/    /' "$demo/server/update3.dat" "$demo/server/update3.dat.sig"
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
    if [ -z "${DISPLAY:-}" ]; then
        # 24 bits per pixel: the capture tools misread the colours of a 16-bit screen.
        start_xvfb 1024x768x24
    fi
    wine_started=1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "creating the wine prefix (first run only)"
        "$wine" wineboot -i >/dev/null 2>&1 || true
        "$wineserver" -w
    fi
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

# Waits up to 30 s until two files hold the same bytes.
wait_same() {
    for _ in $(seq 1 150); do
        cmp -s "$1" "$2" && return 0
        sleep 0.2
    done
    return 1
}

# Saves the client area of one window (an X window id) as a picture in build/demo.
capture() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xwd -root -silent | convert xwd:- -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
        "$demo/$2"
    echo "    saved build/demo/$2"
}

# A visible window of this program without a title (the server chooser); prints its id.
wait_untitled() {
    local id
    for _ in $(seq 1 150); do
        for id in $(xdotool search --onlyvisible --class "$1" 2>/dev/null || true); do
            [ -z "$(xdotool getwindowname "$id")" ] && { echo "$id"; return 0; }
        done
        sleep 0.2
    done
    return 1
}

# Waits until the installed game holds every file of the release, byte for byte.
wait_release() {
    local rel
    while IFS= read -r rel; do
        wait_same "$demo/source/$rel" "$demo/game/$rel" || { echo "    differs: $rel" >&2; return 1; }
        echo "    $rel"
    done < <(cd "$demo/source" && find . -type f | sed 's|^\./||' | sort)
}

# The launcher as a player uses it: the update button of the main menu, the
# server chooser, the update picture, the files arriving from the local server
# (held to a player's pace by the server), and the exit picture at the end. X
# windows of wine's top-level windows are their client areas, so the clicks
# below are the controls' places in the windows.
update_with_launcher() {
    say "starting the launcher on display $DISPLAY"
    # The players' own locale, Chinese (Taiwan): the Traditional set and Big5 texts.
    (cd "$demo/game" && LC_ALL=zh_TW.UTF-8 exec "$wine" launcher.exe >/dev/null 2>&1) &
    local launcher_pid=$! menu chooser window picture
    menu="$(wait_window NORVALE)" || { echo "    the launcher's window did not appear" >&2; return 1; }
    sleep 1   # let it paint its pictures
    capture "$menu" launcher.png

    say "the update button"
    # Button 3 of the main menu: (67, 240), 158 x 54.
    xdotool mousemove --window "$menu" 146 267 click 1
    chooser="$(wait_untitled launcher.exe)" || { echo "    the server chooser did not appear" >&2; return 1; }
    window="$(wait_window update)" || { echo "    the update window did not appear" >&2; return 1; }
    # Stacking is a window manager's job, and a bare display has none: wine
    # leaves the chooser, shown from inside the update window's showing, under
    # that window. The update window steps aside while the chooser is shot.
    eval "$(xdotool getwindowgeometry --shell "$window")"
    local window_x=$X window_y=$Y
    xdotool windowmove "$window" 0 760
    sleep 1
    capture "$chooser" chooser.png
    # OK of the chooser: (151, 352), 99 x 29.
    xdotool mousemove --window "$chooser" 200 366 click 1
    sleep 0.5
    xdotool windowmove "$window" "$window_x" "$window_y"
    echo "    chose the server, waiting for the to-do list"
    wait_same "$demo/server/update3.dat" "$demo/game/update3.dat" \
        || { echo "    the launcher fetched no remote list" >&2; return 1; }
    sleep 1
    capture "$window" update-todo.png

    say "the update picture: every file from the local server"
    local files_before
    files_before="$(find "$demo/game" -type f | wc -l)"
    # The update picture: (80, 377), 90 x 26.
    xdotool mousemove --window "$window" 125 390 click 1
    # The first download has begun: the largest file, still arriving.
    for _ in $(seq 1 150); do
        [ "$(find "$demo/game" -type f | wc -l)" -gt "$files_before" ] && break
        sleep 0.2
    done
    sleep 1
    capture "$window" update-download.png
    say "the installed files equal the release"
    wait_release
    sleep 1   # let it paint the finished run
    capture "$window" update-done.png

    say "the exit picture ends the launcher"
    # The exit picture, then Yes (the default button) in the confirmation.
    xdotool mousemove --window "$window" 493 390 click 1
    sleep 1
    xdotool key Return
    wait "$launcher_pid" || true
    for picture in launcher chooser update-todo update-download update-done; do
        cp "$demo/$picture.png" "$root/docs/demo-$picture.png"
    done
    echo "    copied the pictures to docs/demo-*.png"
}

# A new release in which one file changed: only that file is announced with a
# new version, and selvane.exe installs it. The chooser and the update picture
# are clicked like a player would, at their places in the windows.
run_updater() {
    say "a new release: readme.txt changed"
    printf 'A line added in release 0002.\r\n' >>"$demo/source/readme.txt"
    "$mkupdate" --source "$demo/source" --out "$demo/server" \
        --version 0002 --plain docs/manual/guide.txt --pack sound.pak=sounds --header "demo release" \
        >/dev/null
    sed -i '/ readme\.txt /!s/ 0002 / 0001 /' "$demo/server/update3.dat"
    # Signed once the list is final: sequence 2, one above the first release's.
    "$mkupdate" sign --out "$demo/server" --key "$demo_key" --expires-days 30 | sed 's/^/    /'
    # The updater refuses a list older than the one this folder took last.
    tr -d '\r' <"$demo/game/update2.seq" | sed 's/^/    update2.seq: /'
    # The updater sends its own password, whatever the line's sixth field says.
    printf 'Local 127.0.0.1 %s 10000 player -\r\nend\r\n' "$ftp_port" >"$demo/game/isp0.dat"

    say "starting selvane.exe in build/demo/game"
    (cd "$demo/game" && exec "$wine" selvane.exe >/dev/null 2>&1) &
    local updater_pid=$! window chooser
    if ! window="$(wait_window update)"; then
        echo "    the updater's window did not appear" >&2
        return 1
    fi
    chooser="$(wait_untitled selvane.exe)" \
        || { echo "    the server chooser did not appear" >&2; return 1; }
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
    capture "$window" selvane.png
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
update_with_launcher
run_updater
say "done"
