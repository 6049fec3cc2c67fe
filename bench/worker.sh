#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The download worker: Stop to end in each phase, and 1 GiB from nginx on loopback through the
# worker with a host on a Qt event loop, against FetchToFile alone (medians of paired rounds).
# Usage: bench/worker.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
nginx_helper="$here/../tests/support/nginx-loopback.sh"
rounds=${WORKER_BENCH_ROUNDS:-5}

work=$(mktemp -d "${TMPDIR:-/tmp}/vantaro-bench-worker.XXXXXX")
cleanup() {
    bash "$nginx_helper" stop "$work/nginx" || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/root" "$work/run"
chmod 755 "$work" "$work/root"
# Random bytes when the disk has room for them and the copies, otherwise a sparse file.
free_kib=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
if [ "$free_kib" -gt $((4 * 1024 * 1024)) ]; then
    head -c $((1024 * 1024 * 1024)) /dev/urandom >"$work/root/big.bin"
else
    truncate -s $((1024 * 1024 * 1024)) "$work/root/big.bin"
fi
port=$(bash "$nginx_helper" start "$work/nginx" "$work/root")
"$build/bench/bench_worker" "http://127.0.0.1:$port" "$work/root" "$work/run" "$rounds"
