# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the benchmarks that download from nginx on loopback and hold curl -o beside us:
# a work folder removed at the end, nginx serving it, the timing helpers and curl's round.
# Not a benchmark itself: bench/run-all runs bench/*.sh only.

nginx_helper="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../../tests/support/nginx-loopback.sh"

# bench_work NAME: $work with root/ (served) and out/ (written), removed with nginx at exit.
bench_work() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/vantaro-bench-$1.XXXXXX")
    trap bench_cleanup EXIT
    mkdir -p "$work/root" "$work/out"
    chmod 755 "$work" "$work/root"
}
bench_cleanup() {
    bash "$nginx_helper" stop "$work/nginx" || true
    rm -rf "$work"
}

# serve_root: nginx on a free loopback port serving $work/root; sets $base.
serve_root() {
    local port
    port=$(bash "$nginx_helper" start "$work/nginx" "$work/root")
    base="http://127.0.0.1:$port"
}

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
calc() { awk "BEGIN { print $1 }"; }
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# keep_lower NAME VALUE: NAME takes VALUE when it is empty or higher.
keep_lower() {
    if [ -z "${!1}" ] || less "$2" "${!1}"; then printf -v "$1" '%s' "$2"; fi
}

# timed COMMAND...: runs it, its output in $output and its seconds in $elapsed. Timed from
# outside, process start included, so that neither side of a comparison is favoured.
timed() {
    local start end
    start=$(date +%s.%N)
    output=$("$@")
    end=$(date +%s.%N)
    elapsed=$(calc "$end - $start")
}

# curl_round URL EXPECTED: curl -o of URL, timed into $elapsed, checked against EXPECTED.
curl_round() {
    timed curl --noproxy '*' -s -o "$work/out/curl.bin" "$1"
    cmp -s "$2" "$work/out/curl.bin" || { echo "curl: file differs"; exit 1; }
    rm -f "$work/out/curl.bin"
}

# race_curl EXPECTED OURS_OUT CURL_URL COMMAND...: $rounds rounds of COMMAND (which writes
# OURS_OUT) and of curl -o CURL_URL, both checked against EXPECTED. The best times go to
# $best_ours and $best_curl, the peak_rss_kib our last round printed to $big_rss.
race_curl() {
    local expected=$1 out=$2 url=$3 round
    shift 3
    best_ours=""
    best_curl=""
    for round in $(seq "$rounds"); do
        timed "$@"
        cmp -s "$expected" "$out" || { echo "$(basename "$1"): file differs"; exit 1; }
        rm -f "$out"
        local ours=$elapsed
        big_rss=$(field peak_rss_kib <<<"$output")
        curl_round "$url" "$expected"
        printf 'round %d: %s %.3f s, curl -o %.3f s\n' "$round" "$(basename "$1")" "$ours" "$elapsed"
        keep_lower best_ours "$ours"
        keep_lower best_curl "$elapsed"
    done
}
