#!/usr/bin/env bash
# Starts a private Xvfb display and runs the given command on it; the display is stopped after.
# Usage: xvfb-run-here.sh COMMAND [ARGS...]
set -euo pipefail
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=":$n"
        break
    fi
done
: "${display:?no free X display}"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true; wait $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
export DISPLAY="$display"
unset QT_QPA_PLATFORM
"$@"
