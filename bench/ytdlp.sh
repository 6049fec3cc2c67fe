#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The yt-dlp road: a 1 GiB clip behind an HTML5 video page on nginx (loopback), downloaded by
# the yt-dlp source and by curl -o; the peak resident memory of our process for a 1 MiB and a
# 1 GiB clip; and the time from a stop in the download phase to the last process gone.
# Then the same race through nginx capped at 40 MiB/s a connection (a user on a fast line). One round each by default (a 1 GiB file through yt-dlp is slow on a loaded 2-core machine).
# Usage: bench/ytdlp.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/parts/loopback-download.sh"
source_bench="$build/bench/bench_ytdlp"
rounds=${YTDLP_BENCH_ROUNDS:-1}

bench_work ytdlp
trap 'bash "$nginx_helper" stop "$work/nginx-limited" || true; bench_cleanup' EXIT
mkdir -p "$work/root/youtube"
chmod 755 "$work/root/youtube"
head -c $((1024 * 1024 * 1024)) /dev/urandom >"$work/root/big.mp4"
head -c $((1024 * 1024)) /dev/urandom >"$work/root/small.mp4"
for clip in big small; do
    printf '<html><body><video controls><source src="/%s.mp4" type="video/mp4"></video></body></html>\n' \
        "$clip" >"$work/root/youtube/$clip.html"
done
serve_root
size=$(stat -c %s "$work/root/big.mp4")

# yt-dlp's page read counts as ours.
race_curl "$work/root/big.mp4" "$work/out/oursxxx.flv" "$base/big.mp4" \
    "$source_bench" "$base/youtube/big.html" "$work/out/oursxxx.flv"

big_rss_full=$big_rss
full_ours=$best_ours
full_curl=$best_curl
# A 1 MiB clip is almost only yt-dlp's start and page read: the fixed cost of every job.
timed "$source_bench" "$base/youtube/small.html" "$work/out/smallxxx.flv"
small_seconds=$elapsed
small_rss=$(field peak_rss_kib <<<"$output")
stop_line=$("$source_bench" "$base/youtube/big.html" "$work/out/stopxxx.flv" stop)
stop_ms=$(field stop_to_gone_ms <<<"$stop_line")
left=$(find "$work/out" -name 'stopxxx.flv*' ! -name 'stopxxx.flv' | wc -l)

# The capped server, on its own port, serving the same folder and the same 1 GiB clip: yt-dlp's
# start (a second or more) is a fixed cost, so the race is as long as the unlimited one.
full_base=$base
capped_port=$(NGINX_LIMIT_RATE=40m bash "$nginx_helper" start "$work/nginx-limited" "$work/root")
base="http://127.0.0.1:$capped_port"
race_curl "$work/root/big.mp4" "$work/out/cappedxxx.flv" "$base/big.mp4" \
    "$source_bench" "$base/youtube/big.html" "$work/out/cappedxxx.flv"
capped_ours=$best_ours
capped_curl=$best_curl
base=$full_base
big_rss=$big_rss_full
best_ours=$full_ours
best_curl=$full_curl

mib=$(calc "$size / 1048576")
ours_rate=$(calc "$mib / $best_ours")
curl_rate=$(calc "$mib / $best_curl")
ratio=$(calc "$ours_rate / $curl_rate")
printf 'yt-dlp source 1 GiB: %.1f MiB/s (best %.3f s)\n' "$ours_rate" "$best_ours"
printf 'curl -o       1 GiB: %.1f MiB/s (best %.3f s)\n' "$curl_rate" "$best_curl"
capped_ours_rate=$(calc "$mib / $capped_ours")
capped_curl_rate=$(calc "$mib / $capped_curl")
capped_ratio=$(calc "$capped_ours_rate / $capped_curl_rate")
printf 'capped at 40 MiB/s, 1 GiB: yt-dlp source %.1f MiB/s, curl -o %.1f MiB/s\n' \
    "$capped_ours_rate" "$capped_curl_rate"
printf '1 MiB clip (yt-dlp start and page read): %.3f s\n' "$small_seconds"
printf 'peak RSS of our process: 1 MiB %d KiB, 1 GiB %d KiB\n' "$small_rss" "$big_rss"
printf 'stop to last process gone: %s ms; partial files left: %d\n' "$stop_ms" "$left"

meets=$(awk -v r="$ratio" 'BEGIN { print (r >= 0.8) ? "yes" : "no" }')
printf 'RESULT\tyt-dlp 1 GiB throughput\t%.1f MiB/s\t>= 0.8 x curl\tcurl -o %.1f MiB/s\t%.3f\t%s\n' \
    "$ours_rate" "$curl_rate" "$ratio" "$meets"
meets=$(awk -v r="$capped_ratio" 'BEGIN { print (r >= 0.95) ? "yes" : "no" }')
printf 'RESULT\tyt-dlp 40 MiB/s-capped throughput\t%.1f MiB/s\t>= 0.95 x curl\tcurl -o %.1f MiB/s\t%.3f\t%s\n' \
    "$capped_ours_rate" "$capped_curl_rate" "$capped_ratio" "$meets"
growth=$((big_rss - small_rss))
meets=$([ "$growth" -le 2048 ] && echo yes || echo no)
printf 'RESULT\tyt-dlp peak RSS growth 1 MiB -> 1 GiB\t%d KiB (peak %d KiB)\t<= 2048 KiB\t-\t-\t%s\n' \
    "$growth" "$big_rss" "$meets"
meets=$(awk -v t="$stop_ms" -v l="$left" 'BEGIN { print (t <= 300 && l == 0) ? "yes" : "no" }')
printf 'RESULT\tyt-dlp stop to last process gone\t%s ms\t<= 300 ms\t-\t-\t%s\n' "$stop_ms" "$meets"
