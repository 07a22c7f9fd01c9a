#!/usr/bin/env bash
# Download throughput of the WinHTTP client (CWinHttp::HttpDownload under
# Wine) against native curl, both fetching the same 200 MB file from a local
# back-end server on 127.0.0.1. Prints both figures and their ratio (goal:
# at least 0.8). Not a test: run it by hand.
# Under Wine 8 the WinHTTP figure is bounded by Wine itself: its WinHTTP reads
# the socket in 8 KiB pieces and each receive costs a wineserver round trip
# (a bare Winsock recv loop under Wine moves about 65 MB/s with 8 KiB reads
# and about 1 GB/s with 1 MiB reads).
#   tools/bench-http.sh [BUILD_DIR]      (default: the build test.sh uses)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${1:-build/$(tools/arch.sh)}
[ -f "$BUILD/build.ninja" ] || BUILD=$(tools/build.sh "$(tools/arch.sh)")
BUILD=$(cd "$BUILD" && pwd)
cmake --build "$BUILD" --target http_bench >/dev/null
SIZE=$((200 * 1024 * 1024))
RUNS=${RUNS:-3}
WORK=$(mktemp -d "$BUILD/bench-http.XXXXXX")
SERVER=""
cleanup() {
    [ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# A server of its own (plain HTTP only), so a running test fixture is left alone.
printf '{"routes":[{"path":"/bench/large.bin","body_size":%d}]}\n' "$SIZE" > "$WORK/routes.json"
python3 "$ROOT/tools/backend/server.py" --state "$WORK" --cert-dir "$WORK" --data "$WORK/routes.json" \
    >"$WORK/server.log" 2>&1 &
SERVER=$!
for _ in $(seq 100); do [ -f "$WORK/ports.txt" ] && break; sleep 0.1; done
PORT=$(sed -n 's/^http=//p' "$WORK/ports.txt")
URL="http://127.0.0.1:$PORT/bench/large.bin"

. tools/wine-env.sh "$BUILD"
tools/wineprefix.sh "$BUILD"
WINFILE="Z:${WORK//\//\\}\\winhttp.bin"

best_wine=0
best_curl=0
for i in $(seq "$RUNS"); do
    out=$("$CORRIN_WINE" "$BUILD/tests/http_bench.exe" "$URL" "$WINFILE" 2>/dev/null | tr -d '\r')
    bytes=${out#bytes=}; bytes=${bytes%% *}; ms=${out##*ms=}
    [ "$bytes" = "$SIZE" ] || { echo "bench: WinHTTP download failed: $out" >&2; exit 1; }
    wine_bps=$(( bytes * 1000 / (ms > 0 ? ms : 1) ))
    curl_bps=$(curl -s -o "$WORK/curl.bin" -w '%{speed_download}' "$URL" | cut -d. -f1)
    [ "$(stat -c %s "$WORK/curl.bin")" = "$SIZE" ] || { echo "bench: curl download failed" >&2; exit 1; }
    rm -f "$WORK/curl.bin" "$WORK/winhttp.bin"
    awk -v i="$i" -v w="$wine_bps" -v c="$curl_bps" \
        'BEGIN { printf "run %d: WinHTTP (Wine) %6.1f MB/s   curl %6.1f MB/s\n", i, w / 1048576, c / 1048576 }'
    [ "$wine_bps" -gt "$best_wine" ] && best_wine=$wine_bps
    [ "$curl_bps" -gt "$best_curl" ] && best_curl=$curl_bps
done
awk -v n="$RUNS" -v w="$best_wine" -v c="$best_curl" 'BEGIN {
    printf "best of %d, 200 MB: WinHTTP under Wine %.1f MB/s, native curl %.1f MB/s, ratio %.2f (goal >= 0.80)\n",
        n, w / 1048576, c / 1048576, w / c }'
