#!/usr/bin/env bash
# Benchmark of the launcher's downloads (not a test): one 200 MB package from
# a download server of its own, fetched by OrvDown.dll alone and by Corrin
# (an update of an installed game, from the table to success), in turns,
# several times, in the same session. Without a user limit the launcher
# holds the library to 100 MiB/s (104857600 B/s), so the library alone is
# timed both with that limit (the launcher's cost is the ratio to it; goal:
# at least 0.9) and without any (for reference). Also prints the longest the
# launcher's window thread took to answer at the download's start (until the
# task knows its package) and over the whole download (goal: 50 ms). The
# same figures for pauses, resumes and a cancel of eleven tasks come from
# download_flow_tests ("benchmark:" lines).
#   tools/bench-downloads.sh [BUILD_DIR] [ROUNDS]   default: build/<arch this machine runs>, 3 rounds
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/$(tools/arch.sh)}
ROUNDS=${2:-3}
[ -f "$BUILD/build.ninja" ] || BUILD=$(tools/build.sh "$(tools/arch.sh)")
BUILD=$(cd "$BUILD" && pwd)
cmake --build "$BUILD" >/dev/null

WORK="$BUILD/bench-downloads"
STATE="$WORK/state"
PKG=902
SIZE_MB=200
python3 tools/pkgserver/pkgserver.py stop --state "$STATE" >/dev/null 2>&1 || true
if [ ! -f "$WORK/src/.made-$SIZE_MB" ]; then
    echo "bench: making a $SIZE_MB MB package" >&2
    rm -rf "$WORK/src"; mkdir -p "$WORK/src/data"
    for i in 1 2 3; do head -c $((SIZE_MB / 4 * 1048576)) /dev/urandom >"$WORK/src/data/part$i.bin"; done
    head -c $((SIZE_MB / 4 * 1048576)) /dev/urandom >"$WORK/src/game.bin"
    python3 tools/pkgserver/makepkg.py "$WORK/src" "$STATE/root" $PKG
    touch "$WORK/src/.made-$SIZE_MB"
fi
python3 tools/pkgserver/pkgserver.py start --state "$STATE" >&2
trap 'python3 tools/pkgserver/pkgserver.py stop --state "$STATE" >/dev/null 2>&1 || true; rm -rf "$WORK/orvdown"' EXIT
export CORRIN_BENCH_PORT=$(cat "$STATE/port") CORRIN_BENCH_PKG=$PKG CORRIN_TOOLS=$PWD/tools CORRIN_BUILD=$BUILD
export ROUNDS WORK
# One display and one wine server for the whole run; the back-end the launcher expects.
exec xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
    set -euo pipefail
    . "$CORRIN_TOOLS/wine-env.sh" "$CORRIN_BUILD"
    "$CORRIN_TOOLS/wineprefix.sh" "$CORRIN_BUILD"
    wineserver -p
    "$CORRIN_WINE" wineboot </dev/null >/dev/null 2>&1 || true
    "$CORRIN_TOOLS/backend/backend.sh" start "$CORRIN_BUILD" "$CORRIN_TOOLS/backend/sample-data.json" >/dev/null
    trap "\"$CORRIN_TOOLS/backend/backend.sh\" stop \"$CORRIN_BUILD\" >/dev/null 2>&1 || true; wineserver -k || true" EXIT
    library() {  # library [LIMIT]
        rm -rf "$WORK/orvdown"; mkdir -p "$WORK/orvdown"
        "$CORRIN_WINE" "$CORRIN_BUILD/tests/orvdown_bench.exe" "$CORRIN_BENCH_PORT" "$CORRIN_BENCH_PKG" \
            "Z:${WORK//\//\\}\\orvdown" "$@" </dev/null 2>&1 | tr -d "\r" | awk "/^orvdown/ {print \$2, \$3}"
    }
    launcher() {
        "$CORRIN_WINE" "$CORRIN_BUILD/tests/download_speed_tests.exe" --gtest_also_run_disabled_tests \
            --gtest_filter="*DISABLED_LauncherDownloadsALargePackage" </dev/null 2>&1 | tr -d "\r" |
            grep -oE "(launcher [0-9]+ [0-9.]+|window-thread [0-9]+|window-thread-start [0-9]+)" | cut -d" " -f2- |
            paste -sd " "
    }
    rate() { echo "$1 / 1048576 / $2" | bc -l; }
    printf "%-6s %14s %14s %14s %7s %16s %16s\n" round "library MB/s" "limited MB/s" "launcher MB/s" ratio \
        "window thread ms" "at the start ms"
    ratios=()
    for r in $(seq "$ROUNDS"); do
        if [ $((r % 2)) = 1 ]; then
            u=$(library); l=$(library 104857600); c=$(launcher)
        else
            c=$(launcher); l=$(library 104857600); u=$(library)
        fi
        read -r ub us <<<"$u"; read -r lb ls <<<"$l"; read -r cb cs cw cst <<<"$c"
        [ -n "${us:-}" ] && [ -n "${ls:-}" ] && [ -n "${cs:-}" ] ||
            { echo "bench: a round failed (library: $u / $l, launcher: $c)" >&2; exit 1; }
        ur=$(rate "$ub" "$us"); lr=$(rate "$lb" "$ls"); cr=$(rate "$cb" "$cs"); ratio=$(echo "$cr / $lr" | bc -l)
        ratios+=("$ratio")
        printf "%-6d %14.1f %14.1f %14.1f %7.2f %16s %16s\n" "$r" "$ur" "$lr" "$cr" "$ratio" "$cw" "${cst:-?}"
    done
    median=$(printf "%s\n" "${ratios[@]}" | sort -g | awk "{a[NR]=\$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}")
    printf "median ratio launcher / limited library %.2f (goal >= 0.90), load average %s\n" "$median" "$(cut -d" " -f1-3 /proc/loadavg)"
'
