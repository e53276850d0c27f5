#!/bin/sh
# Builds the Debian package build/vantoria_<version>_<arch>.deb from the current sources.
# Install it with:  sudo apt install ./build/vantoria_4.0.3-1_amd64.deb
# Only what the package holds is built, in a folder of its own without the tests and benchmarks; CPack would
# otherwise build everything of that folder before it installs.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DVANTORIA_BENCHMARKS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build/package -j"$(nproc)" --target vantoria vantoria-ampsim manual package-docs
cpack --config build/package/CPackConfig.cmake -B "$(pwd)/build" >/dev/null
ls build/vantoria_*.deb
