#!/usr/bin/env bash
# ConvertMedia against the system's ffmpeg on the same input: ratio of wall times.
set -euo pipefail
"$1/bench/bench_conversion_overhead" 7 20
