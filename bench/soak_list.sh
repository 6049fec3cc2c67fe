#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A long list through the real main window under a private X server: resident memory and open
# descriptors every 25 rows of 300, and what is left at the end.
# Usage: bench/soak_list.sh BUILD_DIR  (SOAK_ROWS changes the number of rows)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vantaro-bench-soak.XXXXXX")
trap 'rm -rf "$work"' EXIT
bash "$here/../tests/support/xvfb-run-here.sh" "$build/bench/bench_soak_list" "$work" \
    "${SOAK_ROWS:-300}"
