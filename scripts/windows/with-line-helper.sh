#!/bin/sh
# Runs a command with the line helper on the host: simulated amplifiers inside Windows programs under Wine
# ask it on COM20 of the prefix for their pseudo-terminals, which it links as COM<n> of the prefix.
# Usage: with-line-helper.sh AMPSIM COMMAND [ARGUMENTS...]; the prefix is $WINEPREFIX (it must exist).
set -eu
. "$(dirname "$0")/simulator-beside.sh"
ampsim=$1
shift
devices="${WINEPREFIX:?}/dosdevices"
helper=""
own_wine_server
cleanup() { [ -z "$helper" ] || { kill "$helper" 2>/dev/null; wait "$helper" 2>/dev/null; } || true; }
trap cleanup EXIT INT TERM
rm -f "$devices/com20" # a helper killed before it could clean up
"$ampsim" --serve-lines 20 --ports-dir "$devices" &
helper=$!
wait_for_link "$devices/com20" "the line helper"
"$@"
