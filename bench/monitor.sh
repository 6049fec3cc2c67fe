#!/usr/bin/env bash
# The raw monitor: decoding rate from buffers, then the loopback share against tcpdump.
# Usage: bench/monitor.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
"$build/bench/bench_monitor_decode"
"$build/bench/bench_monitor_loopback" 20000 5
