#!/usr/bin/env bash
# Installs what is missing, then configures and builds one architecture:
# everything, or only the given targets ("programs": the program folder).
#   tools/build.sh ARCH [TARGET...]     prints the build folder (build/ARCH)
set -euo pipefail
cd "$(dirname "$0")/.."
ARCH=$1
shift
TARGETS=()
if [ $# -gt 0 ]; then TARGETS=(--target "$@"); fi
DEPS=$(tools/deps.sh "$ARCH" | tail -1)
BUILD=build/$ARCH
if [ ! -f "$BUILD/build.ninja" ]; then
    # A compiler cache, when the machine has one, makes rebuilds of other checkouts cheap.
    LAUNCHER=()
    if command -v ccache >/dev/null; then
        LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$ARCH.cmake" \
        -DCORRIN_DEPS_PREFIX="$DEPS" "${LAUNCHER[@]}" >/dev/null
fi
cmake --build "$BUILD" "${TARGETS[@]}" -- -k 0 >&2 || { echo "build of $ARCH failed" >&2; exit 1; }
echo "$BUILD"
