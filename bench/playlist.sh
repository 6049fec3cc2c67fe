#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A 1,000-entry RSS feed on nginx (loopback) added through the main window's add command under
# Xvfb: the time to the rows shown, split into yt-dlp's own time and ours, and the longest stall
# of the window's event loop while it is read.
# Usage: bench/playlist.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
nginx_helper="$here/../tests/support/nginx-loopback.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/vantaro-bench-playlist.XXXXXX")
cleanup() {
    bash "$nginx_helper" stop "$work/nginx" || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/root/youtube" "$work/out"
chmod 755 "$work" "$work/root" "$work/root/youtube"
port=$(bash "$nginx_helper" start "$work/nginx" "$work/root")
base="http://127.0.0.1:$port"
{
    echo '<?xml version="1.0"?><rss version="2.0"><channel><title>Long feed</title>'
    for i in $(seq 1000); do
        echo "<item><title>Clip number $i</title><enclosure url=\"$base/youtube/clip.html?n=$i\" type=\"text/html\"/></item>"
    done
    echo '</channel></rss>'
} >"$work/root/youtube/long.xml"

line=$(cd "$work" && bash "$here/../tests/support/xvfb-run-here.sh" \
    "$build/bench/bench_playlist" "$base/youtube/long.xml" "$work/out")
echo "$line"
field() { sed -n "s/.*$1=\([-0-9.]*\).*/\1/p" <<<"$line"; }
rows=$(field rows)
[ "$rows" = 1000 ] || { echo "expected 1000 rows, got $rows"; exit 1; }
ours=$(field ours_s)
ytdlp=$(field ytdlp_s)
reading=$(field reading_ms)
total=$(field total_s)
stall=$(field max_stall_ms)
idle=$(field idle_stall_ms)
meets=$(awk -v o="$ours" 'BEGIN { print (o < 0.1) ? "yes" : "no" }')
printf 'RESULT\tplaylist 1000 entries, our time to rows shown\t%s s (total %s s, answer to rows %s ms)\t< 0.1 s\tyt-dlp alone %s s\t-\t%s\n' \
    "$ours" "$total" "$reading" "$ytdlp" "$meets"
meets=$(awk -v s="$stall" 'BEGIN { print (s < 16) ? "yes" : "no" }')
printf 'RESULT\tplaylist read, longest event-loop stall\t%s ms\t< 16 ms\tidle loop %s ms\t-\t%s\n' \
    "$stall" "$idle" "$meets"
