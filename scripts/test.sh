#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite through ctest.
set -eu
cd "$(dirname "$0")/.."
# Only the tests need these: a virtual X server and a mouse for the installed program's window, and the
# package's judges, lintian and appstream.
scripts/setup.sh xvfb xauth xdotool lintian appstream
# Everything: the tests and benchmarks besides what scripts/run.sh builds.
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j2
