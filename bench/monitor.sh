#!/usr/bin/env bash
# The raw monitor: decoding rate from buffers beside tcpdump reading and filtering the same
# datagrams from a capture file, then the loopback share against tcpdump.
# Usage: bench/monitor.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
decode="$build/bench/bench_monitor_decode"
work=$(mktemp -d "${TMPDIR:-/tmp}/vantaro-bench-monitor.XXXXXX")
trap 'rm -rf "$work"' EXIT

output=$("$decode")
echo "$output"
ours=$(sed -n 's/^mix_handler_payload_per_second=//p' <<<"$output")

# tcpdump with the monitor's address filter, over the same mix, best of three.
count=1000000
"$decode" --pcap "$work/mix.pcap" "$count"
best=""
for _ in 1 2 3; do
    start=$(date +%s.%N)
    tcpdump -n -r "$work/mix.pcap" -w /dev/null 'host 192.168.1.10' 2>/dev/null
    end=$(date +%s.%N)
    took=$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')
    if [ -z "$best" ] || awk -v a="$took" -v b="$best" 'BEGIN { exit !(a < b) }'; then
        best=$took
    fi
done
theirs=$(awk -v n="$count" -v t="$best" 'BEGIN { printf "%.0f", n / t }')
printf 'tcpdump -r, same mix, address filter: %.2f M/s (best of 3, %d datagrams)\n' \
    "$(awk -v r="$theirs" 'BEGIN { print r / 1e6 }')" "$count"
awk -v o="$ours" -v t="$theirs" 'BEGIN {
    printf "RESULT\tmonitor decoding, mix of 4 sizes\t%.2f M datagrams/s\t>= 2 M/s\ttcpdump -r %.2f M/s\t%.2f\t%s\n",
        o / 1e6, t / 1e6, o / t, (o >= 2e6) ? "yes" : "no" }'

"$build/bench/bench_monitor_loopback" 20000 5
