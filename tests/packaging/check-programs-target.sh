#!/usr/bin/env bash
# ./run.sh builds the build folder's "programs" target alone, and that target
# makes the programs of the program folder and nothing of the tests.
#   check-programs-target.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1 build=$2
grep -q '^BUILD=$(tools/build.sh "$ARCH" programs)$' "$source/run.sh" || { echo "run.sh builds more than programs"; exit 1; }
direct=$(ninja -C "$build" -t query programs)
for program in Corrin.exe Corrinweb.exe Ferrule.exe OrvDown.dll DuiLib.dll; do
    grep -qx "    bin/$program" <<<"$direct" || { echo "programs does not build bin/$program"; exit 1; }
done
test_inputs=$(ninja -C "$build" -t inputs programs | grep -E '(^|/)tests/|gtest' || true)
if [ -n "$test_inputs" ]; then
    echo "programs needs test code:"
    echo "$test_inputs"
    exit 1
fi
echo "programs: $(ninja -C "$build" -t inputs programs | wc -l) inputs, none from the tests"
