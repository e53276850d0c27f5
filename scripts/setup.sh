#!/bin/sh
# Installs what is missing on Debian 12 (apt-get; sudo when not root) and configures the build in build/;
# the caller builds what it needs from there. dpkg-dev and file make the Debian package, desktop-file-utils
# checks its menu entry, qt6-translations-l10n gives Qt's own dialogs the chosen language,
# the Qt SQL drivers keep the measurement records (libsqlite3-dev: the program sets up SQLite's file
# locking itself). Further packages that a caller needs (the tests, the screenshots) are given as arguments. Safe to run again: it installs
# nothing that is there.
set -eu
cd "$(dirname "$0")/.."

packages="cmake g++ make qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqcustomplot-dev \
libqcustomplot2.1-qt6 libxkbcommon-dev pkg-config fonts-crosextra-carlito fonts-liberation fontconfig \
qt6-translations-l10n libqt6sql6-sqlite libqt6sql6-psql libsqlite3-dev dpkg-dev file desktop-file-utils $*"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    # Waits for another apt run that holds the package manager's lock instead of failing.
    $sudo apt-get -o DPkg::Lock::Timeout=600 update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends $missing
fi

# A compiler cache where the machine has one: a second checkout builds from the first one's work.
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
    launcher="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
else
    launcher=""
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher >/dev/null
