#!/usr/bin/env bash
# Benchmark of OrvDown.dll (not a test): one 500 MB package downloaded from
# the local download server through OrvDown.dll under Wine, and the same
# bytes fetched natively with curl from the same server, in turns, several
# times. Prints both throughputs and their ratio for every round and the
# median ratio (goal: OrvDown at least 0.8 of curl).
#   tools/bench-orvdown.sh [BUILD_DIR] [ROUNDS]   default: build/<arch this machine runs>, 5 rounds
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/$(tools/arch.sh)}
ROUNDS=${2:-5}
[ -f "$BUILD/build.ninja" ] || BUILD=$(tools/build.sh "$(tools/arch.sh)")
BUILD=$(cd "$BUILD" && pwd)
cmake --build "$BUILD" --target OrvDown orvdown_bench >/dev/null

WORK="$BUILD/bench-orvdown"
STATE="$WORK/state"
PKG=901
SIZE_MB=500
python3 tools/pkgserver/pkgserver.py stop --state "$STATE" >/dev/null 2>&1 || true
mkdir -p "$WORK/src"
if [ ! -f "$WORK/src/.made-$SIZE_MB" ]; then
    echo "bench: making a $SIZE_MB MB package" >&2
    rm -rf "$WORK/src"; mkdir -p "$WORK/src/data"
    for i in 1 2 3 4; do head -c $((SIZE_MB / 5 * 1048576)) /dev/urandom >"$WORK/src/data/part$i.bin"; done
    head -c $((SIZE_MB / 5 * 1048576)) /dev/urandom >"$WORK/src/game.bin"
    python3 tools/pkgserver/makepkg.py "$WORK/src" "$STATE/root" $PKG
    touch "$WORK/src/.made-$SIZE_MB"
fi
python3 tools/pkgserver/pkgserver.py start --state "$STATE" >&2
tools/wineprefix.sh "$BUILD"
. tools/wine-env.sh "$BUILD"
# Wine's services start now, holding no pipe of this script.
"$CORRIN_WINE" wineboot </dev/null >/dev/null 2>&1 || true
trap 'python3 tools/pkgserver/pkgserver.py stop --state "$STATE" >/dev/null 2>&1 || true; rm -rf "$WORK/curl" "$WORK/orvdown"' EXIT
PORT=$(cat "$STATE/port")
BYTES=$(du -b --apparent-size -c "$WORK"/src/game.bin "$WORK"/src/data/*.bin | tail -1 | cut -f1)
mapfile -t NAMES < <(grep '^file ' "$STATE/root/$PKG/index" | cut -d' ' -f3-)
now() { date +%s.%N; }
mbs() { echo "$BYTES / 1048576 / $1" | bc -l; }

# curl: every file of the package over one kept-alive connection, written to disk.
curl_round() {
    rm -rf "$WORK/curl"; mkdir -p "$WORK/curl"
    local args=() n t0 t1
    for n in "${!NAMES[@]}"; do args+=(-o "$WORK/curl/$n.bin" "http://127.0.0.1:$PORT/pkg/$PKG/file/$n"); done
    t0=$(now); curl -sS --fail "${args[@]}"; t1=$(now)
    echo "$t1 - $t0" | bc -l
}

# OrvDown.dll under Wine (the driver times CreateTask to OnTaskSuccess).
orvdown_round() {
    rm -rf "$WORK/orvdown"; mkdir -p "$WORK/orvdown"
    local out got seconds f
    "$CORRIN_WINE" "$BUILD/tests/orvdown_bench.exe" "$PORT" $PKG "Z:${WORK//\//\\}\\orvdown" </dev/null \
        >"$WORK/orvdown.out" 2>&1 || { cat "$WORK/orvdown.out" >&2; exit 1; }
    out=$(tr -d '\r' <"$WORK/orvdown.out")
    got=$(echo "$out" | awk '/^orvdown/ {print $2}')
    seconds=$(echo "$out" | awk '/^orvdown/ {print $3}')
    [ "$got" = "$BYTES" ] || { echo "bench: OrvDown fetched $got bytes, expected $BYTES" >&2; exit 1; }
    for f in game.bin data/part1.bin data/part4.bin; do
        cmp -s "$WORK/src/$f" "$WORK/orvdown/$f" || { echo "bench: $f differs after the download" >&2; exit 1; }
    done
    echo "$seconds"
}

printf 'package %d bytes (%d files), %d rounds, load average %s\n' "$BYTES" "${#NAMES[@]}" "$ROUNDS" \
    "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-6s %14s %14s %7s\n' round 'curl MB/s' 'OrvDown MB/s' ratio
RATIOS=()
for r in $(seq "$ROUNDS"); do
    # Alternate which goes first, so that neither always meets a warmer cache.
    if [ $((r % 2)) = 1 ]; then c=$(curl_round); o=$(orvdown_round); else o=$(orvdown_round); c=$(curl_round); fi
    cr=$(mbs "$c"); orr=$(mbs "$o"); ratio=$(echo "$orr / $cr" | bc -l)
    RATIOS+=("$ratio")
    printf '%-6d %14.1f %14.1f %7.2f\n' "$r" "$cr" "$orr" "$ratio"
done
MEDIAN=$(printf '%s\n' "${RATIOS[@]}" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}')
printf 'median ratio %.2f (goal >= 0.80), load average after %s\n' "$MEDIAN" "$(cut -d' ' -f1-3 /proc/loadavg)"
