#!/bin/sh
# Runs a Windows program under Wine with the simulated amplifier on COM<n> of the Wine prefix.
# Usage: with-amplifier.sh AMPSIM N PROGRAM [ARGUMENTS...]
# The prefix is $WINEPREFIX when it is set (scripts/windows/test.sh makes one for a whole run; a new
# prefix takes about a minute), else one in a temporary folder that is removed afterwards.
set -eu
. "$(dirname "$0")/simulator-beside.sh"
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

own_wine_server
"$ampsim" --com "$number" --ports-dir "$work/ports" &
sim=$!
wait_for_link "$work/ports/COM$number" "the simulated amplifier"
# Wine opens COM<n> through this link; the simulator's own link points at its pseudo-terminal.
ln -sfn "$(readlink -f "$work/ports/COM$number")" "$WINEPREFIX/dosdevices/com$number"
wine-stable "$@"
