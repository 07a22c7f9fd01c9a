#!/usr/bin/env bash
# Runs CTest for one build folder inside one Xvfb display and one wineserver,
# so both live and die together.
#   tools/run-tests.sh BUILD_DIR [ctest arguments...]
set -euo pipefail
BUILD=$(cd "$1" && pwd); shift
TOOLS=$(cd "$(dirname "$0")" && pwd)
export CORRIN_TOOLS=$TOOLS CORRIN_BUILD=$BUILD
exec xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
    . "$CORRIN_TOOLS/wine-env.sh" "$CORRIN_BUILD"
    "$CORRIN_TOOLS/wineprefix.sh" "$CORRIN_BUILD"
    wineserver -p
    # A launcher run (a test, the demo) may leave its autostart value behind:
    # wineboot would start that copy of the launcher at log-on.
    "$CORRIN_WINE" reg delete "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run" /v Corrin /f \
        </dev/null >/dev/null 2>&1 || true
    # A test program ended while it had a scratch folder mapped as a drive
    # leaves that drive behind, and later runs would find its letter taken.
    for link in "$CORRIN_BUILD"/wineprefix/dosdevices/?:; do
        case "$(readlink "$link")" in "$CORRIN_BUILD"/tests/scratch/*) rm -f "$link";; esac
    done
    # Bring up Wine'"'"'s own services now, with no pipe of CTest open: a service
    # started by the first test would hold its output pipe and stall CTest.
    "$CORRIN_WINE" wineboot </dev/null >/dev/null 2>&1 || true
    # Wine imports the root certificates at each process'"'"'s first secure
    # connection under a semaphore all processes share; a process ended in
    # the middle of it would leave the later ones waiting for ever. The guard
    # (tests/harness/RootImportGuard.cpp) imports once and keeps it usable.
    guard="$CORRIN_BUILD/tests/root_import_guard.exe"
    if [ -f "$guard" ]; then
        guardLog="$CORRIN_BUILD/root_import_guard.log"
        "$CORRIN_WINE" "$guard" "Z:${guardLog//\//\\}" </dev/null >/dev/null 2>&1 &
    fi
    rc=0
    ctest --test-dir "$CORRIN_BUILD" --output-on-failure -j "$(nproc)" "$@" || rc=$?
    wineserver -k || true
    exit $rc' ctest-session "$@"
