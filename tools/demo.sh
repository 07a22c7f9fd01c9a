#!/usr/bin/env bash
# The demo run of one build folder: the local back-end with its sample data,
# then the launcher from the program folder. Runs what exists so far.
#   tools/demo.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
TOOLS=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
    echo "demo: no X display; running on a virtual one (xvfb)" >&2
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
. "$TOOLS/wine-env.sh" "$BUILD"
"$TOOLS/wineprefix.sh" "$BUILD"
BIN=$BUILD/bin
if [ -x "$TOOLS/backend/demo.sh" ]; then
    "$TOOLS/backend/demo.sh" "$BUILD" &
    BACKEND=$!
    trap 'kill $BACKEND 2>/dev/null || true' EXIT
fi
if [ -f "$BIN/Corrin.exe" ]; then
    "$CORRIN_WINE" "$BIN/Corrin.exe"
else
    echo "demo: Corrin.exe is not built yet; the program folder holds:" >&2
    ls "$BIN" >&2
    if [ -f "$BIN/Ferrule.exe" ]; then
        echo "demo: running Ferrule.exe -s" >&2
        "$CORRIN_WINE" "$BIN/Ferrule.exe" -s && echo "demo: Ferrule.exe exited $?" >&2
    fi
fi
