#!/usr/bin/env bash
# The demo run of one build folder: the local back-end with its sample data,
# then the launcher from the program folder.
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
# The demo runs an installed copy of the program folder, which keeps its
# settings, log and cookies from one demo to the next; the build's program
# folder stays as built (the tests copy it).
if [ ! -f "$BUILD/bin/Corrin.exe" ]; then
    echo "demo: Corrin.exe is not built" >&2
    exit 1
fi
BIN=$BUILD/demo
mkdir -p "$BIN"
cp -a "$BUILD/bin/." "$BIN/"

"$TOOLS/backend/backend.sh" start "$BUILD" "$TOOLS/backend/sample-data.json" >/dev/null
trap '"$TOOLS/backend/backend.sh" stop "$BUILD"' EXIT
port() { sed -n "s/^$1=//p" "$BUILD/backend/ports.txt"; }
export CORRIN_BACKEND_HOST="127.0.0.1:$(port https)" CORRIN_UPDATE_HOST="127.0.0.1:$(port http)"
python3 "$TOOLS/backend/demo-launcher.py" "$BIN" "$BUILD/backend/ports.txt"
echo "demo: back-end on https://$CORRIN_BACKEND_HOST and http://$CORRIN_UPDATE_HOST" >&2

echo "demo: starting $BIN/Corrin.exe (close its window to end the demo)" >&2
# Chinese Windows, as on a café PC: channel and game names survive the
# programs' ANSI round trips only under code page 936.
LOCPATH=$("$TOOLS/zh-locale.sh" "$BUILD") LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 \
    "$CORRIN_WINE" "$BIN/Corrin.exe" || echo "demo: Corrin.exe exited with $?" >&2
