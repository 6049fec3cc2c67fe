#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A kept list of 3,000 rows restored by the real main window under Xvfb: the time to the rows
# shown, and the window thread's share of one write of them.
# Usage: bench/kept_list.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vantaro-bench-kept.XXXXXX")
trap 'rm -rf "$work"' EXIT
line=$(bash "$here/../tests/support/xvfb-run-here.sh" "$build/bench/bench_kept_list" "$work")
echo "$line"
field() { sed -n "s/.*$1=\([-0-9.]*\).*/\1/p" <<<"$line"; }
restore=$(field restore_s)
snapshot=$(field snapshot_ms)
meets=$(awk -v r="$restore" 'BEGIN { print (r < 0.2) ? "yes" : "no" }')
printf 'RESULT\tkept list of 3000 rows restored at start-up\t%s s\t< 0.2 s\tsnapshot on the window thread %s ms\t-\t%s\n' \
    "$restore" "$snapshot" "$meets"
