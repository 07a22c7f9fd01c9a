#!/usr/bin/env bash
# Installs what is missing, builds the programs (not the tests), and starts
# the launcher against the local demo back-end under Wine. Uses the current X
# display, or a virtual one.
#   ./run.sh
set -euo pipefail
cd "$(dirname "$0")"
# Install first: whether this machine runs 32-bit code shows only once wine32 is in.
tools/deps.sh i686 >/dev/null
ARCH=$(tools/arch.sh)
BUILD=$(tools/build.sh "$ARCH" programs)
BUILD=$(cd "$BUILD" && pwd)
export CORRIN_TOOLS=$PWD/tools CORRIN_BUILD=$BUILD
exec tools/demo.sh "$BUILD"
