#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine + Xvfb.
#   ./test.sh [ctest arguments...]     e.g. ./test.sh -R Logger
set -euo pipefail
cd "$(dirname "$0")"
# Install first: whether this machine runs 32-bit code shows only once wine32 is in.
tools/deps.sh i686 >/dev/null
ARCH=$(tools/arch.sh)
BUILD=$(tools/build.sh "$ARCH")
if [ "$ARCH" != i686 ]; then
    # This kernel cannot run 32-bit code, so the tests run a 64-bit build of
    # the same sources; the shipped 32-bit programs are still built.
    echo "test: this machine runs no 32-bit code; testing the x86_64 build, building i686 as well" >&2
    tools/build.sh i686 >/dev/null
fi
exec tools/run-tests.sh "$BUILD" "$@"
