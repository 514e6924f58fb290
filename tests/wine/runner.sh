# Sourced by the Wine tests: a private X display, a fresh Wine prefix in a
# temporary folder, launching the Windows executable under Wine, pass/fail
# bookkeeping and clean-up. Needs no CMake: the build tree that made the
# executable is a cross build that cannot run tests itself.
#
#   source tests/wine/runner.sh
#   wine_runner_start SOURCE_DIR    (exits 77 with "SKIPPED: ..." when Wine
#                                    itself cannot start)
#   run_under_wine WORKDIR          (then wait_for_test_window, press_key, ...)
#   wine_runner_finish              (prints "N passed, N failed", exits)

WINE_WORK=
WINE_PASSED=0
WINE_FAILED=0
DEMO_LOG=
DEMO_ERR=

# How long Wine may take for things it normally does in seconds; generous
# for loaded CI machines, never a measure of success.
WINEBOOT_LIMIT=150
WINDOW_LIMIT=60
OUTPUT_LIMIT=30
EXIT_LIMIT=30

check() {
    local description=$1
    shift
    if "$@"; then
        WINE_PASSED=$((WINE_PASSED + 1))
        echo "ok: $description"
    else
        WINE_FAILED=$((WINE_FAILED + 1))
        echo "FAILED: $description"
    fi
}

equals() { [ "$1" = "$2" ]; }
at_least() { [ "$1" -ge "$2" ]; }

wine_runner_cleanup() {
    stop_demo
    if [ -n "$WINE_WORK" ] && [ -d "$WINE_WORK/prefix" ]; then
        # Only this prefix's server and the Windows processes it runs.
        timeout 20 wineserver -k >/dev/null 2>&1 || true
        timeout 20 wineserver -w >/dev/null 2>&1 || true
    fi
    stop_xvfb
    if [ -n "$WINE_WORK" ]; then
        rm -rf "$WINE_WORK"
    fi
}

# wine_skip REASON: what ran before Wine was needed still counts.
wine_skip() {
    echo "SKIPPED: $*"
    echo "$WINE_PASSED passed, $WINE_FAILED failed"
    [ "$WINE_FAILED" -eq 0 ] || exit 1
    exit 77
}

# wine_runner_start SOURCE_DIR: display first, then a fresh prefix.
wine_runner_start() {
    local source_dir=$1
    source "$source_dir/scripts/lib/xvfb.sh"

    local tool
    for tool in Xvfb xdotool; do
        if ! command -v "$tool" >/dev/null; then
            echo "FAILED: $tool is not installed"
            exit 1
        fi
    done
    if ! command -v wine >/dev/null; then
        wine_skip "Wine is not installed (Debian: wine wine64)"
    fi

    WINE_WORK=$(mktemp -d)
    trap wine_runner_cleanup EXIT

    # Everything Wine and Mesa write stays in the temporary folder: the
    # prefix, the server socket, menu entries and shader caches.
    export WINEPREFIX="$WINE_WORK/prefix"
    export WINEARCH=win64
    export WINEDEBUG=-all
    # No Mono or Gecko installer dialogs, no desktop menu entries.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export TMPDIR="$WINE_WORK/tmp"
    export XDG_CONFIG_HOME="$WINE_WORK/xdg/config"
    export XDG_DATA_HOME="$WINE_WORK/xdg/data"
    export XDG_CACHE_HOME="$WINE_WORK/xdg/cache"
    mkdir -p "$TMPDIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

    if ! wine --version >"$WINE_WORK/wine-version.txt" 2>&1; then
        wine_skip "wine --version fails: $(tail -n 3 "$WINE_WORK/wine-version.txt")"
    fi
    echo "$(cat "$WINE_WORK/wine-version.txt") on Xvfb, prefix $WINEPREFIX"

    start_xvfb || { echo "FAILED: Xvfb does not start"; exit 1; }

    if ! timeout "$WINEBOOT_LIMIT" wine wineboot --init >"$WINE_WORK/wineboot.txt" 2>&1; then
        wine_skip "wineboot cannot make a prefix: $(tail -n 3 "$WINE_WORK/wineboot.txt")"
    fi
    if ! timeout "$WINEBOOT_LIMIT" wineserver -w; then
        wine_skip "the Wine prefix does not settle after wineboot"
    fi
    if [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
        wine_skip "wineboot made no usable prefix: $(tail -n 3 "$WINE_WORK/wineboot.txt")"
    fi
}

# run_under_wine WORKDIR: starts WORKDIR/fxdemo.exe under Wine in WORKDIR.
# Its standard output (the program's lines, CR LF as on Windows) goes to
# DEMO_LOG, Wine's own messages to DEMO_ERR.
run_under_wine() {
    local workdir=$1
    DEMO_LOG="$workdir/console.txt"
    DEMO_ERR="$workdir/wine-stderr.txt"
    DEMO_STATUS=
    (cd "$workdir" && exec wine fxdemo.exe) >"$DEMO_LOG" 2>"$DEMO_ERR" &
    DEMO_PID=$!
}

# stop_demo: ends a run that is still going (after a failed check).
stop_demo() {
    if [ -n "${DEMO_PID:-}" ] && kill -0 "$DEMO_PID" 2>/dev/null; then
        kill -9 "$DEMO_PID" 2>/dev/null || true
        wait "$DEMO_PID" 2>/dev/null || true
    fi
}

# The program's output with the CR of each CR LF removed.
console() {
    tr -d '\r' <"$DEMO_LOG"
}

# wait_for_test_window: prints the id of the visible window titled "test".
wait_for_test_window() {
    local deadline=$((SECONDS + WINDOW_LIMIT)) id
    while [ "$SECONDS" -lt "$deadline" ]; do
        id=$(xdotool search --onlyvisible --name '^test$' 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        if ! kill -0 "$DEMO_PID" 2>/dev/null; then
            return 1
        fi
        sleep 0.2
    done
    return 1
}

# wait_until LIMIT COMMAND...: polls until COMMAND succeeds or the program
# has ended.
wait_until() {
    local limit=$1
    shift
    local deadline=$((SECONDS + limit))
    while [ "$SECONDS" -lt "$deadline" ]; do
        if "$@"; then
            return 0
        fi
        if ! kill -0 "$DEMO_PID" 2>/dev/null; then
            "$@"
            return
        fi
        sleep 0.2
    done
    return 1
}

# Shows what the program and Wine printed, for a failed case.
show_output() {
    echo "--- console output (first 30 lines) ---"
    console | head -n 30
    echo "--- Wine's messages (last 20 lines) ---"
    tail -n 20 "$DEMO_ERR"
    echo "---"
}

wine_runner_finish() {
    echo "$WINE_PASSED passed, $WINE_FAILED failed"
    [ "$WINE_FAILED" -eq 0 ] && [ "$WINE_PASSED" -gt 0 ]
    exit
}
