#!/usr/bin/env bash
# Assembles the installer's package folder in the build tree and packs it
# with 7zz (Debian package 7zip).
#   make-package.sh SOURCE_DIR PLUGIN_DLL STAGE_DIR OUT_7Z OUT_LISTING
# The package holds the repository's files, the built stand-in plug-in DLL,
# an empty folder "cache" (git keeps no empty folders) and a read-only
# "license.txt", so the install shows attributes and empty folders. The
# listing (7zz l -slt, times in UTC) tells the tests what was packed.
set -euo pipefail
src=$1 dll=$2 stage=$3 out=$4 listing=$5
rm -rf "$stage" "$out" "$listing"
mkdir -p "$stage"
cp -r "$src"/. "$stage"/
cp "$dll" "$stage"/
mkdir -p "$stage/cache"
chmod a-w "$stage/license.txt"
export LC_ALL=C.UTF-8 TZ=UTC
(cd "$stage" && 7zz a -t7z -bd -y "$out" . >/dev/null)
7zz l -slt "$out" > "$listing"
