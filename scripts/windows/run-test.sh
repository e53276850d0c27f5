#!/bin/sh
# Runs one Windows test program under Wine, offscreen, in a fresh working folder that is removed afterwards.
# Usage: run-test.sh QT_PREFIX PROGRAM; the Wine prefix is $WINEPREFIX (scripts/windows/test.sh makes one).
# Wine hands no QT_* variable of this environment to the program, so they are set inside Wine.
set -eu
qt=$1 program=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vantoria-wintest.XXXXXX")
trap 'cd / && rm -rf "$work"' EXIT
cd "$work"
windows() { printf 'Z:%s' "$1" | tr / '\\'; }
export WINEDEBUG=-all WINEPATH="$(windows "$qt/bin")"
fonts=$(windows /usr/share/fonts/truetype/liberation)
# Qt Test's own output finds no console under Wine: it goes to a file, shown afterwards.
rc=0
wine-stable cmd /c "set QT_QPA_PLATFORM=offscreen&& set QT_QPA_FONTDIR=$fonts&& $(windows "$program") -o test-log.txt,txt" ||
    rc=$?
cat test-log.txt 2>/dev/null || echo "no test log: the program did not start (exit code $rc)"
exit $rc
