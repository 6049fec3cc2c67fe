#!/usr/bin/env bash
# Times the load of 10,000, 50,000 and 100,000-entry list files into the shown list grid.
# Usage: bench/list_load.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_list_load"
