#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite through ctest.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
ctest --test-dir build --output-on-failure -j2
