#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The update of a 3 MiB engine from a release page on loopback (signature, hash, trial run and
# rename included), best and median of five rounds. The update runs off the window's thread; the
# window's stall during it is measured with the window (bench/window_stall.cpp).
# Usage: bench/engine_update.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
rounds=${ENGINE_UPDATE_BENCH_ROUNDS:-5}

line=$("$build/bench/bench_engine_update" "$rounds" | tee /dev/stderr | tail -n 1)
best=$(sed -n 's/.*best=\([0-9.]*\).*/\1/p' <<<"$line")
median=$(sed -n 's/.*median=\([0-9.]*\).*/\1/p' <<<"$line")
printf 'RESULT\tengine update 3 MiB (loopback)\tbest %.3f s, median %.3f s\t-\t-\t-\t-\n' \
    "$best" "$median"
