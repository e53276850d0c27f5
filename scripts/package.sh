#!/bin/sh
# Builds the Debian package build/vantoria_<version>_<arch>.deb from the current sources.
# Install it with:  sudo apt install ./build/vantoria_4.0.3-1_amd64.deb
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --build build -j"$(nproc)"
cpack --config build/CPackConfig.cmake -B build >/dev/null
ls build/vantoria_*.deb
