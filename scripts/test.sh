#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite through ctest; then the unit and
# integration tests once more under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer
# (build-sanitize/), every fuzz target for a bounded time (build-fuzz/), and the Windows build's tests under
# Wine (scripts/windows/test.sh).
set -eu
cd "$(dirname "$0")/.."
started=$(date +%s)
# Where a compiler cache is used, paths below this checkout count as the same in every checkout.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
# Only the tests need these: a virtual X server and a mouse for the installed program's window, the
# package's judges lintian and appstream, clang with its runtime libraries for the fuzz targets, a PostgreSQL
# that the records' server tests start privately, pdftotext to read the protocols back, and sqlite3, the
# plain reader another program on the PC would be.
scripts/setup.sh xvfb xauth xdotool lintian appstream clang libclang-rt-14-dev postgresql poppler-utils sqlite3
# Everything: the tests and benchmarks besides what scripts/run.sh builds.
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j2

jobs=$(nproc 2>/dev/null || echo 2)
# The compiler cache, where there is one, as scripts/setup.sh chose it for build/.
launcher=$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=\(.*\)/-DCMAKE_C_COMPILER_LAUNCHER=\1 -DCMAKE_CXX_COMPILER_LAUNCHER=\1/p' \
    build/CMakeCache.txt)
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTORIA_SANITIZE=ON \
    -DVANTORIA_BENCHMARKS=OFF $launcher >/dev/null
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j2 -L 'unit|integration'

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVANTORIA_FUZZ=ON \
    -DBUILD_TESTING=OFF -DVANTORIA_BENCHMARKS=OFF $launcher >/dev/null
cmake --build build-fuzz --target fuzzers -j"$jobs"
# A crash, leak, time-out or failed check stops the run; the input that caused it stays in build-fuzz/.
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
fuzzed=0
for target in $(find build-fuzz/tests/fuzz -maxdepth 1 -type f -name 'fuzz_*' | sort); do
    name=$(basename "$target")
    echo "Fuzzing $name for 10 s"
    large=$(find "build-fuzz/large-inputs/$name" -type f 2>/dev/null || true)
    if ! { [ -z "$large" ] || "$target" -timeout=10 -rss_limit_mb=2048 $large; } >"build-fuzz/$name.log" 2>&1 ||
        ! "$target" -max_total_time=10 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="build-fuzz/$name-" \
            "build-fuzz/corpus/$name" >>"build-fuzz/$name.log" 2>&1; then
        tail -n 60 "build-fuzz/$name.log"
        echo "$name failed; its output is in build-fuzz/$name.log, the input that failed in build-fuzz/$name-*"
        exit 1
    fi
    fuzzed=$((fuzzed + 1))
done
echo "fuzz targets: $fuzzed passed, 0 failed"

# The Windows build's tests under Wine. The serial port class always; the Qt-based tests too where Qt for
# Windows is built on this machine (scripts/windows/test.sh says when it is not) and the run so far leaves
# them room in its half hour: about six minutes with a warm compiler cache, up to fourteen with a cold one.
elapsed=$(($(date +%s) - started))
if [ "$elapsed" -le 900 ]; then
    scripts/windows/test.sh
else
    echo "Qt-based Windows tests not run: this run has taken $((elapsed / 60)) minutes already" \
        "(scripts/windows/test.sh runs them)"
    scripts/windows/test.sh --serial-only
fi
