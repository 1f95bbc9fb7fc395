# shellcheck shell=bash
# A private virtual X display for programs run under wine. Source this file.
#   start_xvfb WxHxD   starts Xvfb on a free display number (-displayfd),
#                      exports DISPLAY and sets xvfb_pid
#   stop_xvfb          ends that Xvfb, if one was started
# With `set -e`, start_xvfb fails the script when Xvfb cannot start.

xvfb_pid=""

start_xvfb() {
    local fifo display_number
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r display_number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$display_number"
}

stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
