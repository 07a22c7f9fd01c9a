#!/usr/bin/env bash
# tools/wine-run counts a test program as passed only when it exits with 0,
# Wine reported no unhandled exception, and (for a GoogleTest program) its
# own summary passed.
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
exit $status
