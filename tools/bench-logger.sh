#!/usr/bin/env bash
# Logger benchmark: builds bench_logger and runs it under Wine. It writes
# 100,000 lines through the logger (file only) and the same lines with plain
# fwprintf + fflush, and prints microseconds per line for both and the ratio.
#   tools/bench-logger.sh [BUILD_DIR]     (default: the test build, build/<arch>)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/$(tools/arch.sh)}
[ -f "$BUILD/build.ninja" ] || BUILD=$(tools/build.sh "$(tools/arch.sh)")
cmake --build "$BUILD" --target bench_logger >/dev/null
export CORRIN_TOOLS=$PWD/tools CORRIN_BUILD=$(cd "$BUILD" && pwd)
# Same session shape as the tests: one display, one wineserver, ended together.
exec xvfb-run -a bash -c '
    . "$CORRIN_TOOLS/wine-env.sh" "$CORRIN_BUILD"
    "$CORRIN_TOOLS/wineprefix.sh" "$CORRIN_BUILD"
    wineserver -p
    rc=0
    "$CORRIN_WINE" "$CORRIN_BUILD/tests/bench_logger.exe" || rc=$?
    wineserver -k || true
    exit $rc'
