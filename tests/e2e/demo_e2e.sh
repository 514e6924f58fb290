#!/usr/bin/env bash
# Runs the real executable on a private Xvfb display and drives it with
# xdotool, checking its console output, exit status and screenshots.
#   demo_e2e.sh SCENARIO EXECUTABLE SOURCE_DIR SEND_CLOSE_REQUEST
set -uo pipefail
scenario=$1 executable=$2 source_dir=$3
export SEND_CLOSE_REQUEST=$4
source "$source_dir/scripts/lib/xvfb.sh"

work=$(mktemp -d)
log=$work/console.txt
failed=0 OTHER_PID=
cleanup() {
    [ -n "$DEMO_PID" ] && kill -9 "$DEMO_PID" 2>/dev/null
    [ -n "$OTHER_PID" ] && kill "$OTHER_PID" 2>/dev/null
    stop_xvfb
    if [ -n "${E2E_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

check() { "${@:2}" || { failed=$((failed + 1)) && echo "FAILED: $1"; }; } # check DESCRIPTION COMMAND...
count() { grep -cxF -- "$1" "$log"; }
equals() { [ "$1" = "$2" ]; }
at_least() { [ "$1" -ge "$2" ]; }
compiler_line_before() { # the compiler's message just before LINE
    grep -B3 -m1 -F -- "$1" "$log" | grep -q "^ERROR:CompileShaderFromFile : main.fx([0-9]*,[0-9]*): error: "
}
wait_for_line() { # wait_for_line LINE COUNT
    for _ in $(seq 1 100); do [ "$(count "$1")" -ge "$2" ] && return 0 || sleep 0.1; done && return 1
}
# 0.3 * 255 is 76.5: drivers round it either way.
is_clear_colour() { [ "$1" = "0,32,77" ] || [ "$1" = "0,32,76" ]; }
pixel() { # pixel FILE X Y: "r,g,b" in 0..255
    local at="p{$2,$3}"
    convert "$1" -format "%[fx:int(255*$at.r+0.5)],%[fx:int(255*$at.g+0.5)],%[fx:int(255*$at.b+0.5)]" info:
}
centre_pixels() { # centre_pixels FILE -opaque|+opaque: pixels of the centre in, or not in, the clear colour
    convert "$1" -gravity center -crop 40%x50%+0+0 +repage -alpha off -fuzz 2% -fill red "$2" "rgb(0,32,77)" \
        -fill blue +opaque red -format "%[fx:int(mean.r*w*h+0.5)]" info:
}
start_demo() { # start_demo [ARGUMENT...]
    [ -n "$XVFB_PID" ] || start_xvfb || exit 1
    launch_demo "$executable" "$work" "$log" "$@"
    window=$(wait_for_window) || { echo "no window" && cat "$log" && exit 1; }
}
ends_cleanly() { # ends_cleanly HOW: exit status 0, every object released
    check "$1 ends the program" wait_for_exit 10
    check "exit status 0" equals "$DEMO_STATUS" 0
    check "nothing left alive at exit" wait_for_line "live objects at exit: 0" 1
}
export FXDEMO_LIVE_OBJECTS_AT_EXIT=1
dump_start="pVShader   = 00000000" dump_end="pRSStage   = 00000000"
restore() { cp "$source_dir/shaders/main.fx" "$work/main.fx"; }

case "$scenario" in
no_display)
    # No window can be created: one line on the debug channel (standard
    # error here), nothing on standard output, and a normal exit.
    status=0
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u SDL_VIDEODRIVER timeout 20 "$executable") \
        >"$work/stdout.txt" 2>"$work/stderr.txt" || status=$?
    check "exit status 0" equals "$status" 0
    check "nothing on standard output" equals "$(wc -c <"$work/stdout.txt")" 0
    check "the window error on standard error" grep -qF "ERROR : Can't Create Window" "$work/stderr.txt"
    ;;
close_button)
    restore
    start_demo
    # The output goes through a pipe (launch_demo): each line arrives at once.
    check "first load prints Loaded." wait_for_line "Loaded." 1
    check "Loaded. arrives while the program runs" kill -0 "$DEMO_PID"
    close_window "$window"
    ends_cleanly "the close button"
    check "no error line" equals "$(grep -c ERROR "$log")" 0
    ;;
session)
    # Missing at start, then fixed, reloaded from another window, given a
    # vertex input the layout lacks, broken, and left with Esc.
    start_demo
    check "missing: ErrorLine 408" wait_for_line "ERROR : scene : 408 0x80070002 : CompileShaderFromFile VS" 1
    sleep 1
    check "reported once" equals "$(grep -c "ERROR : scene" "$log")" 1
    check "the compiler's line names the file" grep -q "^ERROR:CompileShaderFromFile : .*main.fx" "$log"
    check "and the folder searched" grep -qF "file not found in $(cd "$work" && pwd -P)" "$log"
    check "the dump streams" at_least "$(count "$dump_end")" 10
    screenshot "$window" "$work/missing.png"
    check "nothing presented" equals "$(centre_pixels "$work/missing.png" -opaque)" 0

    restore
    sleep 1
    check "without --watch, saving does not reload" equals "$(count "Loaded.")" 0
    press_key "$window" F5
    check "fixed, F5 loads" wait_for_line "Loaded." 1
    sleep 1
    screenshot "$window" "$work/loaded.png"
    check "background is the clear colour" is_clear_colour "$(pixel "$work/loaded.png" 5 5)"
    check "teapot drawn near the centre" at_least "$(centre_pixels "$work/loaded.png" +opaque)" 2000

    # F5 is read from the whole keyboard, Esc only through the window.
    xmessage -title other "another client" >/dev/null 2>&1 &
    OTHER_PID=$!
    other=$(timeout 10 xdotool search --sync --name "^other\$" | head -n 1)
    xdotool windowfocus --sync "$other"
    xdotool key --clearmodifiers F5
    check "F5 in another window reloads" wait_for_line "Loaded." 2
    check "the other window kept the focus" equals "$(xdotool getwindowfocus -f)" "$other"

    sed -i -e 's/float3 normal   : NORMAL;/&\n    float2 extra    : TEXCOORD5;/' \
        -e 's/output.viewDepth     = viewPosition.z;/output.viewDepth     = viewPosition.z + input.extra.x;/' \
        "$work/main.fx"
    press_key "$window" F5
    check "no such vertex input: ErrorLine 427" wait_for_line "ERROR : scene : 427 0x80070057 : CreateInputLayout" 1
    check "the debug output names it" grep -qF "the vertex shader reads TEXCOORD5, which no input element" "$log"
    dumps=$(count "$dump_start")
    sleep 1
    check "frames still render: no dump" equals "$(count "$dump_start")" "$dumps"

    restore
    sed -i 's/return output;/return output/' "$work/main.fx"
    press_key "$window" F5
    check "broken: ErrorLine 408" wait_for_line "ERROR : scene : 408 0x80004005 : CompileShaderFromFile VS" 1
    sleep 1
    check "the compiler's line comes just before" compiler_line_before "ERROR : scene : 408 0x80004005"
    check "the dump streams again" at_least "$(count "$dump_end")" $((dumps + 5))
    check "one load per good F5" equals "$(count "Loaded.")" 2
    press_key "$window" Escape
    ends_cleanly Esc
    ;;
destroyed)
    # Another client destroys the window: WM_DESTROY, as on Windows.
    restore
    start_demo
    check "first load prints Loaded." wait_for_line "Loaded." 1
    xdotool windowclose "$window"
    ends_cleanly "destroying the window"
    check "no X error" equals "$(grep -c "X Error" "$log")" 0
    # The X server goes away: the program ends, it does not hang.
    start_demo
    check "started again" wait_for_line "Loaded." 1
    stop_xvfb
    check "losing the display ends the program" wait_for_exit 10
    ;;
watch)
    # --watch: saving the effect file or an include reloads as F5 does,
    # whether the editor writes in place or renames a new file over it.
    printf '#include "scene.hlsli"\n' >"$work/main.fx"
    cp "$source_dir/shaders/main.fx" "$work/scene.hlsli"
    start_demo --watch
    check "first load prints Loaded." wait_for_line "Loaded." 1
    sed 's/return output;/return output/' "$source_dir/shaders/main.fx" >"$work/scene.hlsli"
    check "an include written in place: ErrorLine 408" \
        wait_for_line "ERROR : scene : 408 0x80004005 : CompileShaderFromFile VS" 1
    cp "$source_dir/shaders/main.fx" "$work/main.fx.new"
    mv "$work/main.fx.new" "$work/main.fx"
    check "the effect file renamed into place: Loaded." wait_for_line "Loaded." 2
    sleep 1
    check "one load per save" equals "$(count "Loaded.")" 2
    press_key "$window" Escape
    ends_cleanly Esc
    ;;
*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac

[ "$failed" -ne 0 ] && head -n 40 "$log" 2>/dev/null
echo "$failed failed"
[ "$failed" -eq 0 ]
