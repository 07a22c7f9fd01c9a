#!/usr/bin/env bash
# A process that ends in the middle of Wine's root-certificate import does not
# leave the next process's first certificate check waiting: the test session's
# guard (root_import_guard.exe, started by tools/run-tests.sh) gives it back.
#   check-root-import-guard.sh WINE_RUN BUILD_DIR PROBE_EXE
set -uo pipefail
run=$1 build=$2 probe=$3
"$run" --build "$build" "$probe" take-root-import >/dev/null 2>&1 &
taker=$!
sleep 1
start=$(date +%s)
out=$(timeout 60 "$run" --build "$build" "$probe" root-store 2>&1)
rc=$?
took=$(( $(date +%s) - start ))
wait $taker
if [ $rc -ne 0 ] || [ $took -gt 30 ]; then
    echo "FAILED: the root store opened with $rc after $took s: $out"
    exit 1
fi
echo "ok: the root store opened $took s after a process ended holding its import"
