#!/usr/bin/env bash
# The program starts under a real X server, shows its main window titled with the language code,
# and stays up until it is closed.
set -euo pipefail
program=${1:?path of vantaro}
here=$(cd "$(dirname "$0")" && pwd)
check() {
    log=$(mktemp "${TMPDIR:-/tmp}/vantaro-e2e.XXXXXX")
    trap 'rm -f "$log"' EXIT
    "$program" >"$log" 2>&1 &
    pid=$!
    title=""
    # The first start on a fresh machine builds font caches: allow it time.
    for _ in $(seq 1 300); do
        title=$(xdotool search --all --pid "$pid" --name 'Vantaro' getwindowname 2>/dev/null | head -n 1 || true)
        [ -n "$title" ] && break
        sleep 0.1
    done
    sleep 3
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "vantaro exited early:"; cat "$log"; exit 1
    fi
    kill "$pid"; wait "$pid" 2>/dev/null || true
    expected="Vantaro 2.0 - YouTube & Dailymotion Enabled - 01/2014-FR"
    if [ "$title" != "$expected" ]; then
        echo "window title was '$title', expected '$expected'"; exit 1
    fi
    echo "vantaro stayed up; title: $title"
}
export -f check
export program
bash "$here/../support/xvfb-run-here.sh" bash -c check
