#!/usr/bin/env bash
# Times row updates of the local game table as they happen during downloads:
# one progress write per running game, round after round, through CLocalDB
# on the real sqlite3.dll under Wine. Goal: under 1 ms per update on average.
#   tools/bench-db.sh [BUILD_DIR] [UPDATES] [GAMES]
# BUILD_DIR defaults to the build of this machine's test architecture
# (tools/build.sh makes it when missing). Not a test: it prints figures.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-}
UPDATES=${2:-10000}
GAMES=${3:-10}
if [ -z "$BUILD" ]; then
    BUILD=$(tools/build.sh "$(tools/arch.sh)")
fi
cmake --build "$BUILD" --target db_bench >/dev/null
tools/wineprefix.sh "$BUILD"
. tools/wine-env.sh "$BUILD"
WORK="$BUILD/bench-db"
rm -rf "$WORK"
mkdir -p "$WORK"
echo "bench-db: $UPDATES progress updates over $GAMES games, file on $(df -P "$WORK" | awk 'NR==2 {print $1}')"
rc=0
timeout 600 "$CORRIN_WINE" "$BUILD/tests/db_bench.exe" "Z:$(cd "$WORK" && pwd | tr / '\\')" "$UPDATES" "$GAMES" || rc=$?
rm -rf "$WORK"
exit $rc
