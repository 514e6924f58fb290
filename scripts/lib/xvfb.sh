# Helpers to run the demo on a private virtual X display and drive it like a
# user: start a display, wait for the window, press keys, take screenshots.

XVFB_PID=
DEMO_PID=

# start_xvfb: starts a display on a free number and exports DISPLAY.
# -noreset: by default the server resets whenever its last client leaves, and
# a program connecting during that reset is turned away. Polling xdotool
# comes and goes all the time, so without it the program under test would
# now and then find no display at start.
start_xvfb() {
    local numberfile
    numberfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp -noreset 3>"$numberfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    local tries
    for tries in $(seq 1 100); do
        if [ -s "$numberfile" ]; then
            export DISPLAY=":$(head -n 1 "$numberfile")"
            rm -f "$numberfile"
            return 0
        fi
        sleep 0.1
    done
    rm -f "$numberfile"
    echo "could not start Xvfb" >&2
    return 1
}

stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# launch_demo EXECUTABLE WORKDIR LOG [ARGUMENT...]: starts the program in
# WORKDIR, its standard output and error going through a pipe into LOG, as
# when a user filters them. The program writes each line at once, as on a
# console, so LOG can be watched while it runs.
launch_demo() {
    local executable=$1 workdir=$2 log=$3
    shift 3
    (cd "$workdir" && exec "$executable" "$@") > >(cat >"$log") 2>&1 &
    DEMO_PID=$!
}

# wait_for_window: prints the id of the window titled "test".
wait_for_window() {
    local tries id
    for tries in $(seq 1 300); do
        id=$(xdotool search --name '^test$' 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        if ! kill -0 "$DEMO_PID" 2>/dev/null; then
            return 1
        fi
        sleep 0.1
    done
    return 1
}

# press_key WINDOW KEY: focuses the window and types the key (X keysym name).
press_key() {
    xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers "$2"
}

# close_window WINDOW: what a window manager's close button does, a
# WM_DELETE_WINDOW request, sent by the helper SEND_CLOSE_REQUEST names.
# (xdotool's windowclose destroys the window outright instead.)
close_window() {
    "$SEND_CLOSE_REQUEST" "$1"
}

# screenshot WINDOW FILE
screenshot() {
    import -window "$1" "$2"
}

# wait_for_exit SECONDS: waits for the program and sets DEMO_STATUS to its
# exit status; kills it and returns 1 when it does not end in time.
DEMO_STATUS=
wait_for_exit() {
    local limit=$1 tries
    for tries in $(seq 1 $((limit * 10))); do
        if ! kill -0 "$DEMO_PID" 2>/dev/null; then
            DEMO_STATUS=0
            wait "$DEMO_PID" || DEMO_STATUS=$?
            return 0
        fi
        sleep 0.1
    done
    kill -9 "$DEMO_PID" 2>/dev/null || true
    wait "$DEMO_PID" 2>/dev/null || true
    return 1
}
