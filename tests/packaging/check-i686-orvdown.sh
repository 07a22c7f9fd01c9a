#!/usr/bin/env bash
# What only the shipped 32-bit build shows about OrvDown.dll, where exports
# are stdcall (the callee removes its arguments, and the linker decorates
# each name with their size):
# - the DLL exports its 9 functions by their plain names, and nothing else;
# - the argument sizes the compiler gave each function (the decorated
#   names of the object file, made from the interface header) are the ones
#   of the .def that the import library is made from, and of that library;
# - every 32-bit program that imports the DLL imports names it exports.
#   check-i686-orvdown.sh SOURCE_DIR I686_BUILD_DIR
set -uo pipefail
SRC=$1; BUILD=$2
OBJDUMP=i686-w64-mingw32-objdump; NM=i686-w64-mingw32-nm
DLL=$BUILD/bin/OrvDown.dll
OBJ=$BUILD/platform/orvdown/CMakeFiles/OrvDown.dir/src/Exports.cpp.obj
IMPLIB=$BUILD/lib/OrvDown.dll.a
DEF=$SRC/platform/orvdown/OrvDown.def
NAMES="ConnectSSS CreateTask DeletePkg DownInit DownUninit PauseTask RepairTask SetTotalSpeedLimit StopTask"
for f in "$DLL" "$OBJ" "$IMPLIB" "$DEF"; do
    [ -f "$f" ] || { echo "FAIL: $f missing (is the i686 build made?)" >&2; exit 1; }
done
bad=0
fail() { echo "FAIL: $*" >&2; bad=1; }

# Names of the DLL's export table, sorted.
exports=$("$OBJDUMP" -p "$DLL" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $3}' | sort)
want=$(tr ' ' '\n' <<<"$NAMES" | sort)
[ "$exports" = "$want" ] || fail "OrvDown.dll exports [$(echo $exports)], expected [$(echo $want)]"

# Decorated names: the compiler's (object file), the .def's and the import library's.
compiled=$("$NM" "$OBJ" | awk '$2 == "T" && $3 ~ /@[0-9]+$/ {sub(/^_/, "", $3); print $3}' | sort)
declared=$(awk '/^EXPORTS/ {on = 1; next} on && NF {print $1}' "$DEF" | sort)
imported=$("$NM" "$IMPLIB" | awk '$2 == "I" && $3 ~ /^__imp__/ {sub(/^__imp__/, "", $3); print $3}' | sort)
[ "$(wc -l <<<"$compiled")" = 9 ] || fail "Exports.cpp.obj defines $(wc -l <<<"$compiled") stdcall functions, expected 9: $(echo $compiled)"
[ "$compiled" = "$declared" ] || fail "argument sizes of the header [$(echo $compiled)] differ from OrvDown.def [$(echo $declared)]"
[ "$compiled" = "$imported" ] || fail "argument sizes of the header [$(echo $compiled)] differ from the import library [$(echo $imported)]"
for n in $NAMES; do
    grep -qx "$n@[0-9]*" <<<"$compiled" || fail "$n is not a stdcall function of the interface"
done

# Importers find what they import.
importers=0
while IFS= read -r -d '' exe; do
    names=$("$OBJDUMP" -p "$exe" | sed -n '/DLL Name: OrvDown.dll/,/^$/p' | awk 'NR > 2 && NF >= 3 {print $3}')
    [ -n "$names" ] || continue
    importers=$((importers + 1))
    for n in $names; do
        grep -qx "$n" <<<"$exports" || fail "$exe imports $n, which OrvDown.dll does not export"
    done
done < <(find "$BUILD/bin" "$BUILD/tests" -maxdepth 1 -type f -iname '*.exe' -print0)
[ $importers -gt 0 ] || fail "no 32-bit program imports OrvDown.dll to check"

if [ $bad -ne 0 ]; then exit 1; fi
echo "OrvDown.dll: 9 plain exports, stdcall sizes $(echo $compiled), $importers importers"
