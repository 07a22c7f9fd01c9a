#!/usr/bin/env bash
# Makes the host locale zh_CN.UTF-8 in a build folder (no system change) and
# prints the folder to give Wine as LOCPATH. A café PC runs Chinese Windows
# (code page 936): Wine takes its code page from LANG/LC_ALL, and maps Chinese
# file names to host names only when the host has that locale.
#   tools/zh-locale.sh BUILD_DIR
set -euo pipefail
DIR=$(cd "$1" && pwd)/locale
if [ ! -d "$DIR/zh_CN.UTF-8" ]; then
    mkdir -p "$DIR"
    localedef -i zh_CN -f UTF-8 "$DIR/zh_CN.UTF-8" >&2
fi
echo "$DIR"
