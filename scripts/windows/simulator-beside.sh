# Sourced by the scripts that run a Windows program under Wine with a simulator of the host beside it.

# A Wine server for this run alone, whose own output goes nowhere: Wine makes a pseudo-terminal it opens
# the server's controlling terminal, so when the simulator closes its end the server hears a hang-up and
# dumps all its objects. It ends a second after the program, and Wine's services with it.
own_wine_server() {
    wineserver -k 2>/dev/null || true # what a timed-out test left running
    wineserver -p1 2>/dev/null
}

# Until the simulator has made its link LINK; WHAT names it when it does not within five seconds.
wait_for_link() {
    tries=0
    until [ -L "$1" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || { echo "$2 did not start" >&2; exit 1; }
        sleep 0.05
    done
}
