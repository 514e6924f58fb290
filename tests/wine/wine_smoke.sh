#!/usr/bin/env bash
# Runs the Windows executable under Wine on a private Xvfb display and checks
# what a real Win32 and Direct3D 11 implementation makes of our calls and
# descriptors.
#
#   tests/wine/wine_smoke.sh [EXECUTABLE]     (default build-mingw/fxdemo.exe)
#
# The main.fx beside the executable is used, as a Windows user would have it.
# Exit status: 0 all checks passed, 1 a check failed, 77 (with a "SKIPPED:"
# line) when Wine itself cannot start here.
#
# What Wine 8 (Debian 12: wined3d over OpenGL, Mesa llvmpipe on Xvfb) does
# with the program, as checked below:
# - Win32: the class registers, the window "test" is created and shown,
#   messages are pumped; Esc (WM_KEYDOWN) and Alt+F4 (DefWindowProc's
#   SC_CLOSE, which arrives as WM_CLOSE) end the program with status 0;
#   GetAsyncKeyState reports an F5 press made between two frames.
# - Direct3D 11 and 9: every device-creation step succeeds, so every
#   descriptor (swap chain, D32 depth texture and view, RGBA32F render target
#   and shader view, sampler, D3D9 presentation parameters) is accepted.
# - D3DX 11: Wine 8's HLSL compiler (vkd3d-shader) parses the whole file
#   before it looks for the entry point, and it has no geometry stage: it
#   stops with a syntax error at gs_main's "triangle" input, so even the
#   vertex stage fails and the load ends at step 408. It also cannot call
#   user-defined functions (E5017 "not yet implemented"), which the pixel
#   stage of main.fx does. A file in its subset (vertex_pixel_only.fx)
#   compiles the vertex stage and stops at 410, the geometry stage.
# - Therefore shader objects, the input layout, buffers, the teapot
#   (D3DXCreateTeapot) and drawing are never reached under Wine 8; the
#   Linux tests cover them. Wine writes console output with CR LF, as
#   Windows does.
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
executable=${1:-$source_dir/build-mingw/fxdemo.exe}
source "$source_dir/tests/wine/runner.sh"

if [ ! -f "$executable" ]; then
    echo "FAILED: no executable at $executable (scripts/check builds it into build-mingw/)"
    exit 1
fi
effect_file="$(dirname "$executable")/main.fx"
if [ ! -f "$effect_file" ]; then
    echo "FAILED: no main.fx beside $executable"
    exit 1
fi

# A PE import table lists the DLLs the loader must find. Only Windows' own
# and the D3DX runtime may appear: the C++ and GCC runtimes are linked in.
imported_dlls() {
    objdump -p "$executable" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort
}
only_system_dlls() {
    local dll status=0
    for dll in $(imported_dlls); do
        case "$dll" in
        kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-crt-*.dll) ;;
        d3d11.dll | dxgi.dll | d3d9.dll | d3dx9_43.dll | d3dx11_43.dll) ;;
        *)
            echo "  imports $dll, which Windows does not provide"
            status=1
            ;;
        esac
    done
    return $status
}
imports_dll() { imported_dlls | grep -qx "$1"; }

check "the executable imports only system DLLs and the D3DX runtime" only_system_dlls
check "the executable imports d3dx11_43.dll" imports_dll d3dx11_43.dll
check "the executable imports d3dx9_43.dll" imports_dll d3dx9_43.dll

wine_runner_start "$source_dir"

dump_lines=(
    "pVShader   = 00000000" "pGShader   = 00000000" "pPShader   = 00000000"
    "pConstant  = 00000000" "pRSStage   = 00000000"
)

# The console output as tokens: C for the compiler's message (its first line
# starts "ERROR:CompileShaderFromFile : "; the lines up to the next ErrorLine
# are its text), the step number of each ErrorLine, G for each complete
# five-line dump group with every pointer empty (a run of them as "G+"), and
# ?N for line N fitting none of these.
console_shape() {
    console | awk -v dump="$(printf '%s|' "${dump_lines[@]}")" '
        BEGIN { split(dump, d, "|"); k = 0; in_message = 0 }
        {
            if (k > 0) {
                if ($0 == d[k + 1]) { k = (k + 1) % 5; if (k == 0) printf "G "; next }
                printf "?%d ", NR; k = 0
            }
            if ($0 == d[1]) { k = 1; in_message = 0; next }
            if (index($0, "ERROR:CompileShaderFromFile : ") == 1) { printf "C "; in_message = 1; next }
            if ($0 ~ /^ERROR : scene : [0-9]+ (0x[0-9A-F]+|NULL  ) : /) {
                split($0, f, " "); printf "%s ", f[5]; in_message = 0; next
            }
            if (in_message) next
            printf "?%d ", NR
        }
        END { if (k > 0) printf "?partial"; print "" }' | sed -E 's/(G )+/G+ /g; s/ $//'
}

shape_is() { [ "$(console_shape)" = "$1" ] || { echo "  shape: $(console_shape)"; false; }; }
shape_matches() { [[ "$(console_shape)" =~ $1 ]] || { echo "  shape: $(console_shape)"; false; }; }
error_lines() { console | grep -c '^ERROR : scene : ' || true; }
has_console_line() { console | grep -qxE -- "$1"; }
no_console_line() { ! console | grep -qE -- "$1"; }
first_console_line_is() { console | head -n 1 | grep -qE -- "$1"; }
dump_groups_at_least() { [ "$(console | grep -cxF "${dump_lines[0]}")" -ge "$1" ]; }
error_count_at_least() { [ "$(error_lines)" -ge "$1" ]; }

run_dir="$WINE_WORK/run"
mkdir -p "$run_dir"
cp "$executable" "$run_dir/fxdemo.exe"

echo "== the program's own main.fx: stops at 408, dump streams, F5, Esc"
cp "$effect_file" "$run_dir/main.fx"
gs_line=$(grep -n -m1 'gs_main *(' "$run_dir/main.fx" | cut -d: -f1)
run_under_wine "$run_dir"
if window=$(wait_for_test_window); then
    check "the window titled \"test\" opens" true
    check "the dump streams after the failed load" wait_until "$OUTPUT_LIMIT" dump_groups_at_least 3
    check "device creation prints no ErrorLine 3xx (every descriptor accepted)" \
        no_console_line '^ERROR : scene : 3[0-9][0-9] '
    check "the compiler's line comes first and points at gs_main (line $gs_line)" \
        first_console_line_is "^ERROR:CompileShaderFromFile : main\\.fx:$gs_line:[0-9]+: "
    check "ErrorLine 408 for the vertex stage" \
        has_console_line '^ERROR : scene : 408 0x8[0-9A-F]{7} : CompileShaderFromFile VS$'

    press_key "$window" F5
    check "F5 reloads: another compiler line and ErrorLine 408" wait_until "$OUTPUT_LIMIT" error_count_at_least 2

    press_key "$window" Escape
    check "Esc ends the program" wait_for_exit "$EXIT_LIMIT"
    check "exit status 0" equals "${DEMO_STATUS:-none}" 0
    # Redirected output comes in blocks; only now is all of it written.
    check "each load: compiler line, ErrorLine 408, then whole dump groups only" \
        shape_matches '^C 408 G\+( C 408 G\+)+$'
    check "never loaded" no_console_line '^Loaded\.$'
    [ "$WINE_FAILED" -eq 0 ] || show_output
else
    check "the window titled \"test\" opens" false
    show_output
    stop_demo
fi

echo "== an effect file Wine 8 compiles up to the geometry stage: stops at 410, Alt+F4"
cp "$source_dir/tests/wine/vertex_pixel_only.fx" "$run_dir/main.fx"
failed_before=$WINE_FAILED
run_under_wine "$run_dir"
if window=$(wait_for_test_window); then
    check "the dump streams after the failed load" wait_until "$OUTPUT_LIMIT" dump_groups_at_least 3
    check "the vertex stage compiles: no ErrorLine 408" no_console_line '^ERROR : scene : 408 '
    check "the compiler's line names the missing gs_main" first_console_line_is '^ERROR:CompileShaderFromFile : .*gs_main'
    check "ErrorLine 410 for the geometry stage" \
        has_console_line '^ERROR : scene : 410 0x8[0-9A-F]{7} : CompileShaderFromFile GS$'

    press_key "$window" alt+F4
    check "Alt+F4 (close) ends the program" wait_for_exit "$EXIT_LIMIT"
    check "exit status 0" equals "${DEMO_STATUS:-none}" 0
    check "compiler line, ErrorLine 410, then whole dump groups only" shape_is "C 410 G+"
    [ "$WINE_FAILED" -eq "$failed_before" ] || show_output
else
    check "the window titled \"test\" opens" false
    show_output
    stop_demo
fi

wine_runner_finish
