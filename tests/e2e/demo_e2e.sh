#!/usr/bin/env bash
# Runs the real executable on a private Xvfb display and drives it with
# xdotool, checking its console output, exit status and screenshots.
#   demo_e2e.sh SCENARIO EXECUTABLE SOURCE_DIR SEND_CLOSE_REQUEST
set -uo pipefail
scenario=$1
executable=$2
source_dir=$3
export SEND_CLOSE_REQUEST=$4
source "$source_dir/scripts/lib/xvfb.sh"

work=$(mktemp -d)
log="$work/console.txt"
passed=0
failed=0
OTHER_PID=
cleanup() {
    if [ -n "$DEMO_PID" ] && kill -0 "$DEMO_PID" 2>/dev/null; then
        kill -9 "$DEMO_PID" 2>/dev/null || true
    fi
    if [ -n "$OTHER_PID" ]; then
        kill "$OTHER_PID" 2>/dev/null || true
        wait "$OTHER_PID" 2>/dev/null || true
    fi
    stop_xvfb
    if [ -n "${E2E_KEEP:-}" ]; then
        echo "kept $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

check() {
    local description=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $description"
    fi
}

count_lines() { grep -cxF -- "$1" "$log" || true; }
has_line() { grep -qxF -- "$1" "$log"; }
equals() { [ "$1" = "$2" ]; }
at_least() { [ "$1" -ge "$2" ]; }
is_clear_colour() { [ "$1" = "0,32,77" ] || [ "$1" = "0,32,76" ]; }

# The colour of one pixel of a screenshot as "r,g,b" in 0..255.
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# How many pixels of the central region show the clear colour, and how many
# do not.
clear_pixels() {
    convert "$1" -gravity center -crop 40%x50%+0+0 +repage -alpha off -fuzz 2% \
        -fill red -opaque "rgb(0,32,77)" -fill blue +opaque red -format "%[fx:int(mean.r*w*h+0.5)]" info:
}
teapot_pixels() {
    local area
    area=$(convert "$1" -gravity center -crop 40%x50%+0+0 +repage -format "%[fx:w*h]" info:)
    echo $((area - $(clear_pixels "$1")))
}

wait_for_line() {
    local line=$1 count=$2 tries
    for tries in $(seq 1 100); do
        [ "$(count_lines "$line")" -ge "$count" ] && return 0
        sleep 0.1
    done
    return 1
}

# wait_for_window_named TITLE: prints the id of another client's window.
wait_for_window_named() {
    local tries id
    for tries in $(seq 1 100); do
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

dump_lines=(
    "pVShader   = 00000000" "pGShader   = 00000000" "pPShader   = 00000000"
    "pConstant  = 00000000" "pRSStage   = 00000000"
)

cp "$source_dir/shaders/main.fx" "$work/main.fx"
# Every object the program created is released by the time it exits.
export FXDEMO_LIVE_OBJECTS_AT_EXIT=1
nothing_left() { wait_for_line "live objects at exit: 0" 1; }

if [ "$scenario" = no_display ]; then
    # No window can be created: one line on the debug channel (standard
    # error here), nothing on standard output, and a normal exit.
    status=0
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u SDL_VIDEODRIVER timeout 20 "$executable") \
        >"$work/stdout.txt" 2>"$work/stderr.txt" || status=$?
    check "exit status 0" equals "$status" 0
    check "nothing on standard output" equals "$(wc -c <"$work/stdout.txt")" 0
    check "the window error on standard error" grep -qF "ERROR : Can't Create Window" "$work/stderr.txt"
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
fi

start_xvfb || exit 1

case "$scenario" in
renders_and_reloads)
    launch_demo "$executable" "$work" "$log"
    window=$(wait_for_window) || { echo "no window"; cat "$log"; exit 1; }
    check "first load prints Loaded." wait_for_line "Loaded." 1
    sleep 2
    screenshot "$window" "$work/first.png"
    # 0.3 * 255 is 76.5: drivers round it either way.
    check "background is the clear colour" is_clear_colour "$(pixel "$work/first.png" 5 5)"
    check "teapot drawn near the centre" at_least "$(teapot_pixels "$work/first.png")" 2000
    press_key "$window" F5
    check "F5 reloads" wait_for_line "Loaded." 2
    sleep 1
    screenshot "$window" "$work/reloaded.png"
    check "renders after the reload" at_least "$(teapot_pixels "$work/reloaded.png")" 2000
    press_key "$window" Escape
    check "Esc ends the program" wait_for_exit 10
    check "exit status 0" equals "$DEMO_STATUS" 0
    check "nothing left alive at exit" nothing_left
    check "no error line" equals "$(grep -c ERROR "$log")" 0
    check "no pipeline dump" equals "$(grep -c pVShader "$log")" 0
    ;;
broken_file_then_fixed)
    launch_demo "$executable" "$work" "$log"
    window=$(wait_for_window) || { echo "no window"; cat "$log"; exit 1; }
    check "first load prints Loaded." wait_for_line "Loaded." 1
    sed -i 's/return output;/return output/' "$work/main.fx"
    press_key "$window" F5
    check "ErrorLine 408" wait_for_line "ERROR : scene : 408 0x80004005 : CompileShaderFromFile VS" 1
    sleep 0.5
    check "compiler line names the file" grep -q "^ERROR:CompileShaderFromFile : main.fx([0-9]*,[0-9]*): error: " "$log"
    first_error=$(grep -n -m1 "^ERROR" "$log" | cut -d: -f1)
    error_line=$(grep -n -m1 "^ERROR : scene : 408" "$log" | cut -d: -f1)
    check "compiler line comes before ErrorLine" at_least "$error_line" "$((first_error + 1))"
    for line in "${dump_lines[@]}"; do
        check "dump streams: $line" at_least "$(count_lines "$line")" 5
    done
    cp "$source_dir/shaders/main.fx" "$work/main.fx"
    press_key "$window" F5
    check "fixing the file and F5 loads" wait_for_line "Loaded." 2
    sleep 1
    screenshot "$window" "$work/fixed.png"
    check "renders again" at_least "$(teapot_pixels "$work/fixed.png")" 2000
    close_window "$window"
    check "close button ends the program" wait_for_exit 10
    check "exit status 0" equals "$DEMO_STATUS" 0
    check "nothing left alive at exit" nothing_left
    ;;
missing_file)
    rm "$work/main.fx"
    launch_demo "$executable" "$work" "$log"
    window=$(wait_for_window) || { echo "no window"; cat "$log"; exit 1; }
    check "ErrorLine 408 for the missing file" wait_for_line "ERROR : scene : 408 0x80070002 : CompileShaderFromFile VS" 1
    sleep 1
    check "reported once" equals "$(grep -c "ERROR : scene" "$log")" 1
    check "compiler line says so" grep -q "^ERROR:CompileShaderFromFile : .*main.fx" "$log"
    for line in "${dump_lines[@]}"; do
        check "dump streams: $line" at_least "$(count_lines "$line")" 10
    done
    check "never loaded" equals "$(count_lines "Loaded.")" 0
    screenshot "$window" "$work/missing.png"
    check "nothing presented" equals "$(clear_pixels "$work/missing.png")" 0
    press_key "$window" Escape
    check "Esc ends the program" wait_for_exit 10
    check "exit status 0" equals "$DEMO_STATUS" 0
    check "nothing left alive at exit" nothing_left
    ;;
f5_from_another_window)
    # F5 is read from the whole keyboard: it reloads while another client's
    # window has the focus. Esc acts only through the demo's own window.
    launch_demo "$executable" "$work" "$log"
    window=$(wait_for_window) || { echo "no window"; cat "$log"; exit 1; }
    check "first load prints Loaded." wait_for_line "Loaded." 1
    xmessage -title other "another client" >/dev/null 2>&1 &
    OTHER_PID=$!
    other=$(wait_for_window_named other) || { echo "no other window"; exit 1; }
    xdotool windowfocus --sync "$other"
    check "the other window has the focus" equals "$(xdotool getwindowfocus -f)" "$other"
    xdotool key --clearmodifiers F5
    check "F5 in another window reloads" wait_for_line "Loaded." 2
    check "the other window kept the focus" equals "$(xdotool getwindowfocus -f)" "$other"
    press_key "$window" F5
    check "F5 in the demo's window reloads" wait_for_line "Loaded." 3
    sleep 1
    check "one reload per press" equals "$(count_lines "Loaded.")" 3
    press_key "$window" Escape
    check "Esc ends the program" wait_for_exit 10
    check "exit status 0" equals "$DEMO_STATUS" 0
    check "no error line" equals "$(grep -c ERROR "$log")" 0
    ;;
layout_mismatch)
    # The vertex stage reads a semantic the two-element layout lacks.
    sed -i 's/float3 normal   : NORMAL;/float3 normal   : NORMAL;\n    float2 extra    : TEXCOORD5;/' "$work/main.fx"
    sed -i 's/output.viewDepth     = viewPosition.z;/output.viewDepth     = viewPosition.z + input.extra.x;/' "$work/main.fx"
    launch_demo "$executable" "$work" "$log"
    window=$(wait_for_window) || { echo "no window"; cat "$log"; exit 1; }
    check "ErrorLine 427" wait_for_line "ERROR : scene : 427 0x80070057 : CreateInputLayout" 1
    sleep 1
    check "frames still render: no dump" equals "$(grep -c pVShader "$log")" 0
    check "not loaded" equals "$(count_lines "Loaded.")" 0
    press_key "$window" Escape
    check "Esc ends the program" wait_for_exit 10
    check "exit status 0" equals "$DEMO_STATUS" 0
    check "nothing left alive at exit" nothing_left
    ;;
*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac

if [ "$failed" -ne 0 ]; then
    echo "--- console output (first 40 lines) ---"
    head -n 40 "$log"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
