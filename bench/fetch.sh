#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fetch throughput and memory: 1 GiB from nginx on loopback with FetchToFile and with curl -o,
# best of five rounds each, and the peak resident memory of a 1 MiB and a 1 GiB fetch, each
# beside curl's own.
# Usage: bench/fetch.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/parts/loopback-download.sh"
fetch="$build/bench/bench_fetch"
rounds=${FETCH_BENCH_ROUNDS:-5}

bench_work fetch
head -c $((1024 * 1024 * 1024)) /dev/urandom >"$work/root/big.bin"
head -c $((1024 * 1024)) /dev/urandom >"$work/root/small.bin"
serve_root
size=$(stat -c %s "$work/root/big.bin")

race_curl "$work/root/big.bin" "$work/out/ours.bin" "$base/big.bin" \
    "$fetch" "$base/big.bin" "$work/out/ours.bin"

small_line=$("$fetch" "$base/small.bin" "$work/out/small.bin")
small_rss=$(field peak_rss_kib <<<"$small_line")
# curl's peak resident memory for the same two files, the reference of the memory figure.
curl_rss() {
    /usr/bin/time -f '%M' curl --noproxy '*' -s -o "$work/out/curl-rss.bin" "$1" 2>&1 >/dev/null |
        tail -n 1
    rm -f "$work/out/curl-rss.bin"
}
curl_small_rss=$(curl_rss "$base/small.bin")
curl_big_rss=$(curl_rss "$base/big.bin")

mib=$(calc "$size / 1048576")
ours_rate=$(calc "$mib / $best_ours")
curl_rate=$(calc "$mib / $best_curl")
printf 'FetchToFile 1 GiB: %.1f MiB/s (best %.3f s)\n' "$ours_rate" "$best_ours"
printf 'curl -o     1 GiB: %.1f MiB/s (best %.3f s)\n' "$curl_rate" "$best_curl"
printf 'throughput ratio FetchToFile/curl: %.3f (target >= 0.9)\n' "$(calc "$ours_rate / $curl_rate")"
printf 'peak RSS: 1 MiB fetch %d KiB, 1 GiB fetch %d KiB, difference %d KiB (target <= 2048)\n' \
    "$small_rss" "$big_rss" $((big_rss - small_rss))
printf 'curl -o peak RSS: 1 MiB %d KiB, 1 GiB %d KiB, difference %d KiB\n' \
    "$curl_small_rss" "$curl_big_rss" $((curl_big_rss - curl_small_rss))

ratio=$(calc "$ours_rate / $curl_rate")
meets=$(awk -v r="$ratio" 'BEGIN { print (r >= 0.9) ? "yes" : "no" }')
printf 'RESULT\tfetch 1 GiB throughput\t%.1f MiB/s\t>= 0.9 x curl\tcurl -o %.1f MiB/s\t%.3f\t%s\n' \
    "$ours_rate" "$curl_rate" "$ratio" "$meets"
growth=$((big_rss - small_rss))
curl_growth=$((curl_big_rss - curl_small_rss))
meets=$([ "$growth" -le 2048 ] && echo yes || echo no)
printf 'RESULT\tfetch peak RSS growth 1 MiB -> 1 GiB\t%d KiB (peak %d KiB)\t<= 2048 KiB\tcurl -o %d KiB (peak %d KiB)\t%s (peaks)\t%s\n' \
    "$growth" "$big_rss" "$curl_growth" "$curl_big_rss" "$(awk -v a="$big_rss" -v b="$curl_big_rss" 'BEGIN { printf "%.2f", a / b }')" "$meets"
