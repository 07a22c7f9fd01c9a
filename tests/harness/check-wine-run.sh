#!/usr/bin/env bash
# tools/wine-run counts a test program as passed only when it exits with 0,
# Wine reported no unhandled exception, and (for a GoogleTest program) its
# own summary passed; a program past its bound is ended with its output shown.
#   check-wine-run.sh WINE_RUN BUILD_DIR PROBE_EXE
set -uo pipefail
run=$1 build=$2 probe=$3
status=0
expect() {
    local want=$1; shift
    "$run" --build "$build" "$probe" "$@" >/dev/null 2>&1
    local rc=$?
    if { [ "$want" = pass ] && [ $rc -ne 0 ]; } || { [ "$want" = fail ] && [ $rc -eq 0 ]; }; then
        echo "FAILED: wine-run on '$*' gave $rc, expected to $want"
        status=1
    else
        echo "ok: '$*' -> $rc ($want)"
    fi
}
expect pass pass --gtest_color=no
expect fail failed-summary --gtest_color=no
expect fail no-summary --gtest_color=no
expect fail reported-crash --gtest_color=no
expect fail crash-after-failure --gtest_color=no
expect pass no-summary
expect fail reported-crash
# A program that runs past its bound is ended, and what it printed is shown.
shown=$(CORRIN_TEST_TIMEOUT=3 "$run" --build "$build" "$probe" hang --gtest_color=no 2>&1)
rc=$?
if [ $rc -eq 0 ] || ! grep -q 'Probe.Hangs' <<<"$shown" || ! grep -q 'did not end within' <<<"$shown"; then
    echo "FAILED: a hanging program gave $rc and showed: $shown"
    status=1
else
    echo "ok: hang -> $rc, its output shown"
fi
exit $status
