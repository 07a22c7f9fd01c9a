#!/usr/bin/env bash
# Sound mute benchmark: builds bench_mute and runs it under Wine (as Windows XP,
# so the audio hooks are used). It times a waveOutWrite of 64 KB muted and
# un-muted, and a 64 KB copy, and prints the figures and their ratio.
#   tools/bench-mute.sh [BUILD_DIR]     (default: the test build, build/<arch>)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/$(tools/arch.sh)}
[ -f "$BUILD/build.ninja" ] || BUILD=$(tools/build.sh "$(tools/arch.sh)")
cmake --build "$BUILD" --target bench_mute >/dev/null
exec tools/wine-run --build "$BUILD" "$BUILD/tests/bench_mute.exe"
