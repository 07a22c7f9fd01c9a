#!/usr/bin/env bash
# Fails when a program or DLL of a program folder imports a compiler runtime
# DLL (libgcc_s, libstdc++, libwinpthread, libssp, libatomic, libgomp,
# libquadmath): the shipped files must run on a machine that has none of them.
#   check-runtime-imports.sh OBJDUMP FOLDER [OBJDUMP FOLDER]...
# Every folder must exist (and hold programs).
set -uo pipefail
checked=0; bad=0
while [ $# -ge 2 ]; do
    objdump=$1; folder=$2; shift 2
    if [ ! -d "$folder" ]; then echo "FAIL: no program folder $folder (is that build made?)" >&2; exit 1; fi
    before=$checked
    while IFS= read -r -d '' file; do
        imports=$("$objdump" -p "$file" 2>&1) || { echo "FAIL: $objdump cannot read $file" >&2; bad=1; continue; }
        runtime=$(grep -iE 'DLL Name: *(libgcc_s|libstdc\+\+|libwinpthread|libssp|libatomic|libgomp|libquadmath)' <<<"$imports")
        if [ -n "$runtime" ]; then
            echo "FAIL: $file imports a compiler runtime DLL:" >&2
            echo "$runtime" >&2
            bad=1
        fi
        checked=$((checked + 1))
    done < <(find "$folder" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)
    if [ $checked -eq $before ]; then echo "FAIL: no .exe or .dll in $folder to check" >&2; exit 1; fi
done
echo "checked $checked files"
if [ $bad -ne 0 ]; then echo "compiler runtime imports found" >&2; exit 1; fi
