#!/usr/bin/env bash
# Benchmark of OrvDown.dll (not a test): one 500 MB package downloaded from
# the local download server through OrvDown.dll under Wine, and the same
# bytes fetched natively with curl in the same run. Prints both throughputs
# and their ratio (goal: OrvDown at least 0.8 of curl).
#   tools/bench-orvdown.sh [BUILD_DIR]        default: build/<arch this machine runs>
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/$(tools/arch.sh)}
[ -f "$BUILD/build.ninja" ] || BUILD=$(tools/build.sh "$(tools/arch.sh)")
BUILD=$(cd "$BUILD" && pwd)
cmake --build "$BUILD" --target OrvDown orvdown_bench >/dev/null

WORK="$BUILD/bench-orvdown"
STATE="$WORK/state"
PKG=901
SIZE_MB=500
python3 tools/pkgserver/pkgserver.py stop --state "$STATE" >/dev/null 2>&1 || true
rm -rf "$WORK/curl" "$WORK/orvdown"
mkdir -p "$WORK/src" "$WORK/curl" "$WORK/orvdown"
if [ ! -f "$WORK/src/.made-$SIZE_MB" ]; then
    echo "bench: making a $SIZE_MB MB package" >&2
    rm -rf "$WORK/src"; mkdir -p "$WORK/src/data"
    for i in 1 2 3 4; do head -c $((SIZE_MB / 5 * 1048576)) /dev/urandom >"$WORK/src/data/part$i.bin"; done
    head -c $((SIZE_MB / 5 * 1048576)) /dev/urandom >"$WORK/src/game.bin"
    python3 tools/pkgserver/makepkg.py "$WORK/src" "$STATE/root" $PKG
    touch "$WORK/src/.made-$SIZE_MB"
fi
python3 tools/pkgserver/pkgserver.py start --state "$STATE" >&2
trap 'python3 tools/pkgserver/pkgserver.py stop --state "$STATE" >/dev/null 2>&1 || true' EXIT
PORT=$(cat "$STATE/port")
BYTES=$(du -b --apparent-size -c "$WORK"/src/game.bin "$WORK"/src/data/*.bin | tail -1 | cut -f1)
now() { date +%s.%N; }

# curl: every file of the package over one kept-alive connection, written to disk.
mapfile -t NAMES < <(grep '^file ' "$STATE/root/$PKG/index" | cut -d' ' -f3-)
ARGS=()
for n in "${!NAMES[@]}"; do ARGS+=(-o "$WORK/curl/$n.bin" "http://127.0.0.1:$PORT/pkg/$PKG/file/$n"); done
t0=$(now); curl -sS --fail "${ARGS[@]}"; t1=$(now)
CURL_S=$(echo "$t1 - $t0" | bc -l)

# OrvDown.dll under Wine (the driver times CreateTask to OnTaskSuccess).
tools/wineprefix.sh "$BUILD"
. tools/wine-env.sh "$BUILD"
OUT=$("$CORRIN_WINE" "$BUILD/tests/orvdown_bench.exe" "$PORT" $PKG "Z:${WORK//\//\\}\\orvdown" | tr -d '\r')
ORV_BYTES=$(echo "$OUT" | awk '/^orvdown/ {print $2}')
ORV_S=$(echo "$OUT" | awk '/^orvdown/ {print $3}')
[ "$ORV_BYTES" = "$BYTES" ] || { echo "bench: OrvDown fetched $ORV_BYTES bytes, expected $BYTES" >&2; exit 1; }
for f in game.bin data/part1.bin data/part4.bin; do
    cmp -s "$WORK/src/$f" "$WORK/orvdown/$f" || { echo "bench: $f differs after the download" >&2; exit 1; }
done

CURL_MBS=$(echo "$BYTES / 1048576 / $CURL_S" | bc -l)
ORV_MBS=$(echo "$BYTES / 1048576 / $ORV_S" | bc -l)
printf 'package      %d bytes (%d files)\n' "$BYTES" "${#NAMES[@]}"
printf 'curl         %8.1f MB/s  (%.2f s)\n' "$CURL_MBS" "$CURL_S"
printf 'OrvDown.dll  %8.1f MB/s  (%.2f s)\n' "$ORV_MBS" "$ORV_S"
printf 'ratio        %8.2f  (goal >= 0.80)\n' "$(echo "$ORV_MBS / $CURL_MBS" | bc -l)"
