#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite through ctest.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
# Only the tests need these: a virtual X server and a mouse for the installed program's window.
missing=""
for p in xvfb xauth xdotool; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi
ctest --test-dir build --output-on-failure -j2
