#!/usr/bin/env bash
# Every program of the shipped 32-bit program folder is large-address-aware
# (IMAGE_FILE_LARGE_ADDRESS_AWARE, 0x20 in the file header's
# Characteristics): without it a 32-bit process has 2 GiB of address space
# even on 64-bit Windows, where it could have 4 GiB.
#   check-i686-large-address.sh I686_PROGRAM_FOLDER
set -uo pipefail
FOLDER=$1
OBJDUMP=i686-w64-mingw32-objdump
if [ ! -d "$FOLDER" ]; then echo "FAIL: no program folder $FOLDER (is the i686 build made?)" >&2; exit 1; fi
checked=0; bad=0
while IFS= read -r -d '' exe; do
    characteristics=$("$OBJDUMP" -p "$exe" | awk '$1 == "Characteristics" {print $2; exit}')
    if [ -z "$characteristics" ]; then
        echo "FAIL: $OBJDUMP shows no Characteristics of $exe" >&2; bad=1
    elif (( (characteristics & 0x20) == 0 )); then
        echo "FAIL: $exe is not large-address-aware (Characteristics $characteristics)" >&2; bad=1
    fi
    checked=$((checked + 1))
done < <(find "$FOLDER" -maxdepth 1 -type f -iname '*.exe' -print0)
if [ $checked -eq 0 ]; then echo "FAIL: no .exe in $FOLDER to check" >&2; exit 1; fi
if [ $bad -ne 0 ]; then exit 1; fi
echo "$checked programs, all large-address-aware"
