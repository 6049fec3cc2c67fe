#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main window's longest event-loop stall while it updates a 3 MiB yt-dlp from a release page
# on loopback (target: under 16 ms), beside the idle loop's own.
# Usage: bench/engine_update_stall.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)

line=$(QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_engine_update_stall" |
    tee /dev/stderr | tail -n 1)
stall=$(sed -n 's/.*longest stall=\([0-9.]*\).*/\1/p' <<<"$line")
idle=$(sed -n 's/.*idle=\([0-9.]*\).*/\1/p' <<<"$line")
printf 'RESULT\twindow stall during a 3 MiB engine update\t%s ms (idle %s ms)\t16 ms\t-\t-\t-\n' \
    "$stall" "$idle"
