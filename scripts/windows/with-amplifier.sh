#!/bin/sh
# Runs a Windows program under Wine with the simulated amplifier on COM<n> of the Wine prefix.
# Usage: with-amplifier.sh AMPSIM N PROGRAM [ARGUMENTS...]
# The prefix is $WINEPREFIX when it is set (scripts/windows/test.sh makes one for a whole run; a new
# prefix takes about a minute), else one in a temporary folder that is removed afterwards.
set -eu
ampsim=$1 number=$2
shift 2
work=$(mktemp -d)
sim=""
cleanup() {
    [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
    rm -f "${WINEPREFIX:?}/dosdevices/com$number"
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
: "${WINEPREFIX:=$work/prefix}"
export WINEPREFIX WINEDEBUG=-all
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
    wine-stable wineboot -i >/dev/null 2>&1
    wineserver -w # until the new prefix has settled, Wine's device setup can abort a pending serial wait
fi

# A Wine server for this run alone, whose own output goes nowhere: Wine makes a pseudo-terminal it opens
# the server's controlling terminal, so when the simulator closes its end the server hears a hang-up and
# dumps all its objects. It ends a second after the program, and Wine's services with it.
wineserver -k 2>/dev/null || true # what a timed-out test left running
wineserver -p1 2>/dev/null
"$ampsim" --com "$number" --ports-dir "$work/ports" &
sim=$!
tries=0
until [ -L "$work/ports/COM$number" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || { echo "the simulated amplifier did not start" >&2; exit 1; }
    sleep 0.05
done
# Wine opens COM<n> through this link; the simulator's own link points at its pseudo-terminal.
ln -sfn "$(readlink -f "$work/ports/COM$number")" "$WINEPREFIX/dosdevices/com$number"
wine-stable "$@"
