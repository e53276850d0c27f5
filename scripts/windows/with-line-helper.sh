#!/bin/sh
# Runs a command with the line helper on the host: simulated amplifiers inside Windows programs under Wine
# ask it on COM20 of the prefix for their pseudo-terminals, which it links as COM<n> of the prefix.
# Usage: with-line-helper.sh AMPSIM COMMAND [ARGUMENTS...]; the prefix is $WINEPREFIX (it must exist).
set -eu
ampsim=$1
shift
devices="${WINEPREFIX:?}/dosdevices"
helper=""
# A Wine server for this run alone, whose own output goes nowhere: Wine makes a pseudo-terminal it opens
# the server's controlling terminal, so when the simulator closes its end the server hears a hang-up and
# dumps all its objects. It ends a second after the program, and Wine's services with it.
wineserver -k 2>/dev/null || true # what a timed-out test left running
wineserver -p1 2>/dev/null
cleanup() { [ -z "$helper" ] || { kill "$helper" 2>/dev/null; wait "$helper" 2>/dev/null; } || true; }
trap cleanup EXIT INT TERM
rm -f "$devices/com20" # a helper killed before it could clean up
"$ampsim" --serve-lines 20 --ports-dir "$devices" &
helper=$!
tries=0
until [ -L "$devices/com20" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || { echo "the line helper did not start" >&2; exit 1; }
    sleep 0.05
done
"$@"
