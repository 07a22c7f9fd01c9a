#!/usr/bin/env bash
# Fails when a program or DLL of a program folder imports a compiler runtime
# DLL (libgcc_s, libstdc++, libwinpthread): the shipped files must run on a
# machine that has none of them.
#   check-runtime-imports.sh OBJDUMP FOLDER [OBJDUMP FOLDER]...
# A pair whose folder does not exist is skipped, except the first.
set -uo pipefail
checked=0; bad=0; first=1
while [ $# -ge 2 ]; do
    objdump=$1; folder=$2; shift 2
    if [ ! -d "$folder" ]; then
        if [ $first = 1 ]; then echo "no program folder $folder" >&2; exit 1; fi
        continue
    fi
    first=0
    while IFS= read -r -d '' file; do
        imports=$("$objdump" -p "$file" 2>&1) || { echo "FAIL: $objdump cannot read $file" >&2; bad=1; continue; }
        runtime=$(grep -iE 'DLL Name: *(libgcc_s|libstdc\+\+|libwinpthread)' <<<"$imports")
        if [ -n "$runtime" ]; then
            echo "FAIL: $file imports a compiler runtime DLL:" >&2
            echo "$runtime" >&2
            bad=1
        fi
        checked=$((checked + 1))
    done < <(find "$folder" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)
done
if [ $checked -eq 0 ]; then echo "no .exe or .dll found to check" >&2; exit 1; fi
echo "checked $checked files"
if [ $bad -ne 0 ]; then echo "compiler runtime imports found" >&2; exit 1; fi
