#!/usr/bin/env bash
# The capture tool's event-loop stalls and log size under 20,000 loopback datagrams a second.
# Usage: bench/capture_tool.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
"$build/bench/bench_capture_tool" 20000 5
