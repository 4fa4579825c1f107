#!/usr/bin/env bash
# Starts or stops the X server the window tests draw on.
#   tools/xvfb.sh start DISPLAY    (e.g. :87)
#   tools/xvfb.sh stop DISPLAY
set -euo pipefail

action=${1:?start or stop}
display=${2:?display, for example :87}
number=${display#:}
pidfile="/tmp/vantrel-xvfb-$number.pid"

case "$action" in
start)
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
        exit 0
    fi
    rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$number" ] && exit 0
        sleep 0.1
    done
    echo "Xvfb did not start on $display" >&2
    exit 1
    ;;
stop)
    if [ -f "$pidfile" ]; then
        kill "$(cat "$pidfile")" 2>/dev/null || true
        rm -f "$pidfile"
    fi
    ;;
*)
    echo "usage: $0 start|stop DISPLAY" >&2
    exit 2
    ;;
esac
