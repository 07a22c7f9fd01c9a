#!/usr/bin/env bash
# Player benchmark: builds webgame_bench and runs it under Wine + Xvfb with the
# local back-end, as the tests do. It starts Corrinweb.exe through the fake
# launcher five times and prints, per run and as medians, the time from the
# hand-over to the first tab's loaded page (goal <= 1.5 s) and from message
# 6026 to the new tab's loaded page (goal <= 300 ms), then the working sets
# of the player's processes with 1 and with 12 tabs. Not a test: run it by hand.
#   tools/bench-webgame.sh [BUILD_DIR]     (default: the test build, build/<arch>)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/$(tools/arch.sh)}
[ -f "$BUILD/build.ninja" ] || BUILD=$(tools/build.sh "$(tools/arch.sh)")
BUILD=$(cd "$BUILD" && pwd)
cmake --build "$BUILD" --target webgame_bench >/dev/null
export CORRIN_TOOLS=$(pwd)/tools CORRIN_BUILD=$BUILD
exec xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
    . "$CORRIN_TOOLS/wine-env.sh" "$CORRIN_BUILD"
    "$CORRIN_TOOLS/wineprefix.sh" "$CORRIN_BUILD"
    wineserver -p
    "$CORRIN_WINE" wineboot </dev/null >/dev/null 2>&1 || true
    "$CORRIN_TOOLS/backend/backend.sh" start "$CORRIN_BUILD" "$CORRIN_TOOLS/backend/sample-data.json" >/dev/null
    rc=0
    "$CORRIN_WINE" "$CORRIN_BUILD/tests/webgame_bench.exe" --gtest_brief=1 2>/dev/null | tr -d "\r" | grep -v "^\[" || rc=$?
    "$CORRIN_TOOLS/backend/backend.sh" stop "$CORRIN_BUILD"
    wineserver -k || true
    exit $rc'
