#!/bin/sh
# Tests the Windows build under Wine, in a fresh Wine prefix of its own:
# - always the serial port class against the simulated amplifier on COM7 of the prefix, and the simulated
#   amplifier inside a Windows program with its line held by the line helper on the host (MinGW and Wine
#   only, no Windows Qt needed), in build-windows-serial/;
# - the Qt-based tests of build-windows/ when Qt for Windows is built (scripts/windows/build-qt.sh, once
#   per machine), those with the main window against the simulated amplifier among them; without it they
#   are skipped, and the run says so.
# With --serial-only the first part alone: scripts/test.sh runs that much when the run so far leaves no room
# for the Windows build of the Qt-based tests (6 minutes on two cores with a warm compiler cache, up to 14
# with a cold one) in its half hour.
# Installs what is missing. Ends with ctest's summary line.
set -eu
serial_only=0
[ "${1:-}" = --serial-only ] && serial_only=1
cd "$(dirname "$0")/../.."
scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 wine
# The simulated amplifier is a program of this machine, not of Windows.
cmake --build build --target vantoria-ampsim >/dev/null

run=$(mktemp -d)
# No menu entries or file associations for what the tests make: Wine would build them in the background.
export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$run"
}
trap cleanup EXIT INT TERM
echo "Making a Wine prefix"
wine-stable wineboot -i >/dev/null 2>&1
# Until the new prefix has settled, Wine's device setup can abort a pending serial wait.
wineserver -w

cmake --no-warn-unused-cli -S . -B build-windows-serial -DCMAKE_TOOLCHAIN_FILE=scripts/windows/toolchain-mingw.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTORIA_SERIAL_ONLY=ON \
    -DVANTORIA_HOST_AMPSIM="$PWD/build/tools/ampsim/vantoria-ampsim" >/dev/null
cmake --build build-windows-serial -j"$(nproc)"
[ "$serial_only" = 0 ] || echo "Qt-based Windows tests not run here: scripts/windows/test.sh runs them"
ctest --test-dir build-windows-serial --output-on-failure
[ "$serial_only" = 0 ] || exit 0
cache="${VANTORIA_WINDOWS_CACHE:-$HOME/.cache/vantoria-windows}"
if ! ls "$cache"/qt-*/vantoria-build.stamp >/dev/null 2>&1 ||
    ! qt=$(scripts/windows/build-qt.sh --if-built 2>/dev/null); then
    echo "Qt-based Windows tests skipped: Qt for Windows is not built on this machine (scripts/windows/build-qt.sh)"
    exit 0
fi
echo "Qt for Windows: $qt"
VANTORIA_WINDOWS_TESTS=1 scripts/windows/build.sh
ctest --test-dir build-windows --output-on-failure
