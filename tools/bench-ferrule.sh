#!/usr/bin/env bash
# Extraction speed of the plug-in installer against 7-Zip itself.
#   tools/bench-ferrule.sh [BUILD_DIR] [RUNS]
# Makes one package of about 100 MB (3,000 small files and a few large ones:
# text, incompressible and skewed binary data), packs it with 7zz's default
# 7z settings, then extracts it RUNS times (default 3) each way:
#   - the installer's extraction code (ExtractArchive) in ferrule_bench.exe under Wine,
#   - "7zz x" natively.
# Prints the best time of each and their ratio (goal: at most 1.5). The Wine
# figure is measured inside the program (package already in memory, as the
# installer has it from its resource); the wall time with Wine's start-up is
# printed beside it. Not a test: nothing fails on a slow machine.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/$(tools/arch.sh)}
RUNS=${2:-3}
BUILD=$(cd "$BUILD" && pwd)
cmake --build "$BUILD" --target ferrule_bench >/dev/null
BENCH_EXE="$BUILD/tests/ferrule_bench.exe"
WORK="$BUILD/bench-ferrule"
mkdir -p "$WORK"

if [ ! -f "$WORK/package.7z" ]; then
    echo "bench: making the 100 MB package in $WORK" >&2
    rm -rf "$WORK/src"
    python3 - "$WORK/src" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(2026)
words = ("plug in browser game player folder install register window cache data file "
         "launcher update channel download progress speed account token session value").split()
pool = " ".join(rng.choice(words) for _ in range(1_500_000)).encode()  # about 10 MB of text

def put(rel, data):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)

def text(size):
    out = bytearray()
    while len(out) < size:
        start = rng.randrange(len(pool) - 4096)
        out += pool[start:start + rng.randint(64, 4096)] + bytes([rng.randrange(256)])
    return bytes(out[:size])

total = 0
for i in range(3000):  # many small files, 1 to 32 KB, in nested folders
    size = rng.randint(1024, 32768)
    put("res/%02d/%02d/file%04d.%s" % (i % 17, i % 23, i, rng.choice(["txt", "xml", "js", "bin"])),
        text(size) if i % 4 else rng.randbytes(size))
    total += size
put("big/text.dat", text(30 << 20))
put("big/random.dat", rng.randbytes(12 << 20))
skewed = bytes(rng.choices(range(256), weights=[256 - i for i in range(256)], k=1 << 20))
put("big/skewed.dat", skewed * 8 + rng.randbytes(2 << 20))
print("bench: %.1f MB in %d files" % ((total + (30 << 20) + (12 << 20) + (10 << 20)) / 1e6, 3003), file=sys.stderr)
PY
    (cd "$WORK/src" && LC_ALL=C.UTF-8 7zz a -t7z -bd -y "$WORK/package.7z" . >/dev/null)
fi
echo "bench: package $(du -m "$WORK/package.7z" | cut -f1) MB packed, $(du -sm "$WORK/src" | cut -f1) MB unpacked" >&2

. tools/wine-env.sh "$BUILD"
tools/wineprefix.sh "$BUILD"
wineserver -p 10 || true  # keeps Wine warm between the runs (fails when one runs already)

# Unix path as Wine programs see it (drive Z: is the root).
win_path() { local p=$1; echo "Z:${p//\//\\}"; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
best_native= best_wine= best_wine_wall=
for run in $(seq "$RUNS"); do
    rm -rf "$WORK/out-7zz" "$WORK/out-wine"
    t0=$(now_ms)
    7zz x -y -bd -o"$WORK/out-7zz" "$WORK/package.7z" >/dev/null
    native=$(( $(now_ms) - t0 ))

    t0=$(now_ms)
    line=$("$CORRIN_WINE" "$BENCH_EXE" "$(win_path "$WORK/package.7z")" "$(win_path "$WORK/out-wine")\\" | tr -d '\r')
    wall=$(( $(now_ms) - t0 ))
    case $line in result=0\ *) ;; *) echo "bench: extraction under Wine failed: $line" >&2; exit 1;; esac
    inside=${line##*extract_ms=}
    echo "bench: run $run: 7zz x ${native} ms, installer code ${inside} ms (${wall} ms with Wine start-up)" >&2
    [ -z "$best_native" ] || [ "$native" -lt "$best_native" ] && best_native=$native
    [ -z "$best_wine" ] || [ "$inside" -lt "$best_wine" ] && best_wine=$inside
    [ -z "$best_wine_wall" ] || [ "$wall" -lt "$best_wine_wall" ] && best_wine_wall=$wall
done
diff -r "$WORK/out-7zz" "$WORK/out-wine" >/dev/null || { echo "bench: the two extractions differ" >&2; exit 1; }

echo "7zz x (native):            ${best_native} ms"
echo "installer code (Wine):     ${best_wine} ms (${best_wine_wall} ms with Wine start-up)"
awk -v w="$best_wine" -v ww="$best_wine_wall" -v n="$best_native" \
    'BEGIN { printf "ratio installer/7zz:      %.2f (%.2f with Wine start-up); goal <= 1.5\n", w / n, ww / n }'
