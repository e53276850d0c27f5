#!/bin/sh
# Installs what is missing, builds the program and the simulator (the tests are left to scripts/test.sh, so
# a first start waits for two programs, not the whole suite), and starts Vantoria in the folder run/
# together with the simulated amplifier (type QT34 on ports/COM2, which the automatic port search finds
# first). The simulator stops when the program ends. The settings and language files are created in run/ on
# the first start.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --build build -j"$(nproc)" --target vantoria vantoria-ampsim
mkdir -p run
cd run
../build/tools/ampsim/vantoria-ampsim --type QT34 --com 2 >ampsim.log 2>&1 &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true' EXIT INT TERM
../build/vantoria
