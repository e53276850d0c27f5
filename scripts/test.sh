#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite through ctest; then the unit and
# integration tests once more under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer
# (build-sanitize/).
set -eu
cd "$(dirname "$0")/.."
# Only the tests need these: a virtual X server and a mouse for the installed program's window.
scripts/setup.sh xvfb xauth xdotool
ctest --test-dir build --output-on-failure -j2

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTORIA_SANITIZE=ON \
    -DVANTORIA_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j2 -L 'unit|integration'

