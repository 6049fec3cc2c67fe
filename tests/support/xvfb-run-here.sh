#!/usr/bin/env bash
# Starts a private Xvfb display and runs the given command on it; the display is stopped after.
# Usage: xvfb-run-here.sh COMMAND [ARGS...]
# Xvfb picks a free display number itself and reports it once it accepts connections, so runs
# started side by side (other test runs, benchmarks) never share or steal a display. The server
# never resets when its last client leaves, so a client started just after another ended finds it.
set -euo pipefail
work=$(mktemp -d "${TMPDIR:-/tmp}/xvfb-run-here.XXXXXX")
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true; wait $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
number=""
read -r -t 60 number <"$work/display" || true
[ -n "$number" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
# A runtime folder of its own: the program's one-per-user socket lies there, so programs started
# by runs side by side never meet.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
unset QT_QPA_PLATFORM
"$@"
