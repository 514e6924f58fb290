#!/usr/bin/env bash
# Runs a Windows executable, 32-bit or 64-bit, under Wine on a private Xvfb
# display, in a fresh Wine prefix of its width, and checks what a real Win32
# and Direct3D 11 implementation makes of our calls and descriptors, and
# what differs by width.
#
#   tests/wine/wine_smoke.sh [EXECUTABLE]     (default build-mingw/fxdemo.exe)
#
# The main.fx beside the executable is used, as a Windows user would have it.
# Exit status: 0 all checks passed, 1 a check failed, 77 (with a "SKIPPED:"
# line) when Wine, or for a 32-bit executable Wine's 32-bit side, cannot
# start here.
#
# tests/wine/README.md says what Wine 8 makes of the program.
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
executable=${1:-$source_dir/build-mingw/fxdemo.exe}
source "$source_dir/scripts/lib/xvfb.sh"
passed=0
failed=0
work=

check() {
    local description=$1
    shift
    "$@" && passed=$((passed + 1)) && echo "ok: $description" && return
    failed=$((failed + 1)) && echo "FAILED: $description" && return 1
}
finish() { # finish [77 REASON]
    [ $# -eq 0 ] || echo "SKIPPED: $2"
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ] || exit 1
    [ $# -eq 0 ] || exit "$1"
    [ "$passed" -gt 0 ]
    exit
}
cleanup() {
    [ -z "${DEMO_PID:-}" ] || kill -9 "$DEMO_PID" 2>/dev/null
    if [ -n "$work" ]; then # only this prefix's server and its processes
        timeout 20 wineserver -k >/dev/null 2>&1
        timeout 20 wineserver -w >/dev/null 2>&1
        rm -rf "$work"
    fi
    stop_xvfb
}

for file in "$executable" "$(dirname "$executable")/main.fx"; do
    [ -f "$file" ] || { echo "FAILED: no $file (scripts/check builds build-mingw-i686/ and build-mingw/)"; exit 1; }
done
case "$(objdump -f "$executable" | sed -n 's/.*file format //p')" in
pei-i386) bits=32 triplet=i686-w64-mingw32 wineprefix_arch=win32 class_size=48 ;;
pei-x86-64) bits=64 triplet=x86_64-w64-mingw32 wineprefix_arch=win64 class_size=80 ;;
*) echo "FAILED: $executable is no 32-bit or 64-bit Windows executable"; exit 1 ;;
esac
echo "== $executable: $bits-bit"
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed"; exit 1; }
done

# A PE import table lists the DLLs the loader must find: only Windows' own
# and the D3DX runtime, as the C++ and GCC runtimes are linked in.
imports=$(objdump -p "$executable" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort)
check "the executable imports only system DLLs and the D3DX runtime" \
    test -z "$(grep -vxE 'kernel32|user32|gdi32|msvcrt|ucrtbase|api-ms-win-crt-.*|d3d11|dxgi|d3d9|d3dx9_43|d3dx11_43' \
        <<<"${imports//.dll/}")"
check "the executable imports d3dx11_43.dll and d3dx9_43.dll" \
    test "$(grep -cxE 'd3dx11_43.dll|d3dx9_43.dll' <<<"$imports")" -eq 2
# 32-bit import libraries name stdcall functions with their argument bytes
# (name@44); the DLLs export them plain, so a decorated import would not load.
check "D3DX is imported by plain names" test "$(objdump -p "$executable" | awk '
    /DLL Name:/ { d3dx = tolower($3) ~ /^d3dx/; next }
    d3dx && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }' | sort | tr '\n' ' ')" = \
    "D3DX11CompileFromFileA D3DXCreateTeapot "
# WNDCLASSEXA is 48 bytes on 32-bit Windows and 80 on 64-bit; the static
# window class carries its own size in cbSize, its first 4 bytes.
class_bytes() {
    local address
    address=$(nm "$executable" | awk '$3 ~ /^_?windowClass$/ { print $1 }')
    [ -n "$address" ] && objdump -s --start-address="0x$address" --stop-address="$(printf '0x%x' $((0x$address + 4)))" \
        "$executable" | awk 'END { print $2 }'
}
check "the window class's cbSize is $class_size, the $bits-bit WNDCLASSEXA" \
    test "$(class_bytes)" = "$(printf '%02x000000' "$class_size")"

command -v wine >/dev/null || finish 77 "Wine is not installed (Debian: wine wine64)"
work=$(mktemp -d)
trap cleanup EXIT
# Everything Wine and Mesa write stays in the temporary folder; no Mono or
# Gecko installer dialogs, no desktop menu entries.
# A prefix of the executable's width: a 32-bit one is a 32-bit Windows.
export WINEPREFIX="$work/prefix" WINEARCH=$wineprefix_arch WINEDEBUG=-all TMPDIR="$work/tmp"
export XDG_CONFIG_HOME="$work/xdg" XDG_DATA_HOME="$work/xdg" XDG_CACHE_HOME="$work/xdg"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$TMPDIR" "$work/xdg" "$work/run"
wine --version >"$work/wine.txt" 2>&1 || finish 77 "wine --version fails: $(tail -n 3 "$work/wine.txt")"
start_xvfb || { echo "FAILED: Xvfb does not start"; exit 1; }
# Limits are generous for loaded machines, never a measure of success.
if ! timeout 150 wine wineboot --init >"$work/wine.txt" 2>&1 || ! timeout 150 wineserver -w ||
    [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
    [ "$bits" -eq 64 ] || finish 77 "Wine's 32-bit side does not start (Debian: the i386 architecture and\
 wine32:i386; scripts/check --full sets both up): $(tail -n 3 "$work/wine.txt")"
    finish 77 "wineboot makes no usable prefix: $(tail -n 3 "$work/wine.txt")"
fi
cp "$executable" "$work/run/fxdemo.exe"

console() { tr -d '\r' <"$work/run/console.txt"; }
# The console as tokens: C for the compiler's text (its first line starts
# "ERROR:CompileShaderFromFile : ", its other lines run to the next
# ErrorLine), the number of each ErrorLine (a 3xx one: device creation
# refused a descriptor), D for each whole five-line dump with every pointer
# empty and V for one with only pVShader set (a run of either as D+ or V+);
# 1 to 5 for a dump line out of its group (with * when its pointer is set)
# and ? for any other line, "Loaded." included.
shape() {
    console | awk '
        /^ERROR:CompileShaderFromFile : / { printf "C "; text = 1; next }
        /^ERROR : scene : [0-9]+ (0x[0-9A-F]+|NULL  ) : / { printf "%s ", $5; text = 0; next }
        /^p(VShader  |GShader  |PShader  |Constant |RSStage  ) = / && NF == 3 && length($3) == 8 && $3 ~ /^[0-9A-F]+$/ {
            printf "%d%s ", index("VGPCR", substr($1, 2, 1)), $3 == "00000000" ? "" : "*"; text = 0; next }
        !text { printf "? " }' | sed -E 's/1 2 3 4 5 /D /g; s/1\* 2 3 4 5 /V /g; s/(D )+/D+ /g; s/(V )+/V+ /g; s/ $//'
}
shape_matches() { [[ "$(shape)" =~ $1 ]] || { echo "  shape: $(shape)"; false; }; }
lines_at_least() { [ "$(console | grep -cE -- "$1")" -ge "$2" ]; }
# until LIMIT COMMAND...: polls until COMMAND succeeds or the program ends.
until_() {
    local deadline=$((SECONDS + $1))
    shift
    while [ "$SECONDS" -lt "$deadline" ] && kill -0 "$DEMO_PID" 2>/dev/null; do
        "$@" && return 0
        sleep 0.2
    done
    "$@"
}
# run EFFECT_FILE KEYS...: starts the program with that main.fx, waits for its
# window and its dump, presses the keys one by one, each once the output
# shows the previous one's reload, and waits for it to end.
run() {
    cp "$1" "$work/run/main.fx"
    shift
    (cd "$work/run" && exec wine fxdemo.exe) >"$work/run/console.txt" 2>"$work/run/wine-stderr.txt" &
    DEMO_PID=$!
    local window key loads=1
    window=$(until_ 60 xdotool search --onlyvisible --name '^test$' | head -n 1)
    check "the window titled \"test\" opens" test -n "$window" || { kill -9 "$DEMO_PID"; return; }
    check "the dump streams after the failed load" until_ 30 lines_at_least '^pRSStage   = 00000000$' 3
    for key in "$@"; do
        [ "$key" != F5 ] || loads=$((loads + 1))
        press_key "$window" "$key"
        [ "$key" != F5 ] || check "F5 reloads: another ErrorLine" until_ 30 lines_at_least '^ERROR : scene : ' "$loads"
    done
    check "$key ends the program with status 0" eval 'wait_for_exit 30 && [ "$DEMO_STATUS" = 0 ]'
}

echo "== the program's own main.fx: stops at 408, dump streams, F5, Esc"
gs_line=$(grep -n -m1 'gs_main *(' "$(dirname "$executable")/main.fx" | cut -d: -f1)
run "$(dirname "$executable")/main.fx" F5 Escape
# Redirected output comes in blocks; only now is all of it written.
check "each load: compiler text pointing at gs_main (line $gs_line), ErrorLine 408, then whole dumps" eval \
    'console | head -n 1 | grep -q "^ERROR:CompileShaderFromFile : main\.fx:$gs_line:[0-9]*: " &&
     shape_matches "^C 408 D\+( C 408 D\+)+$" && lines_at_least "^ERROR : scene : 408 0x8[0-9A-F]{7} : CompileShaderFromFile VS$" 2'
[ "$failed" -eq 0 ] || { console | head -n 30; tail -n 20 "$work/run/wine-stderr.txt"; }

echo "== an effect file Wine 8 compiles up to the geometry stage: stops at 410, Alt+F4"
failed_before=$failed
run "$source_dir/tests/wine/vertex_pixel_only.fx" alt+F4
check "compiler text naming the missing gs_main, ErrorLine 410, then whole dumps" eval \
    'console | head -n 1 | grep -q "^ERROR:CompileShaderFromFile : .*gs_main" && shape_matches "^C 410 D\+$" &&
     lines_at_least "^ERROR : scene : 410 0x8[0-9A-F]{7} : CompileShaderFromFile GS$" 1'
[ "$failed" -eq "$failed_before" ] || { console | head -n 30; tail -n 20 "$work/run/wine-stderr.txt"; }

echo "== the device refuses the geometry stage: stops at 416 with a vertex shader, whose address the dump shows"
# d3dx11_gs_refused.c stands in for d3dx11_43.dll (it says how), built here
# for the executable's width; Wine's d3d11 trace says where the vertex
# shader was made, in as many digits as the process's pointers have.
failed_before=$failed
if check "the stand-in d3dx11_43.dll builds ($triplet-gcc)" eval \
    '"$triplet-gcc" -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror -shared -Wl,--kill-at -o "$work/run/d3dx11_43.dll" \
        "$source_dir/tests/wine/d3dx11_gs_refused.c" 2>"$work/gcc.txt" || { cat "$work/gcc.txt"; false; }'; then
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;d3dx11_43=n" WINEDEBUG=trace+d3d11 \
        run "$source_dir/tests/wine/vertex_pixel_only.fx" Escape
    rm -f "$work/run/d3dx11_43.dll"
    check "ErrorLine 416, then whole dumps showing the vertex shader alone" eval \
        'shape_matches "^416 V\+$" && lines_at_least "^ERROR : scene : 416 0x8[0-9A-F]{7} : CreateGeometryShader$" 1'
    dumped=$(console | sed -n 's/^pVShader   = //p' | sort -u)
    created=$(tr -d '\r' <"$work/run/wine-stderr.txt" |
        sed -n 's/.*:d3d_vertex_shader_create Created vertex shader \([0-9A-Fa-f]*\)\.$/\1/p' | tr a-f A-F)
    if [ "$bits" -eq 32 ]; then
        check "the dump's pVShader ($dumped) is the whole address Wine made it at ($created)" \
            eval '[ ${#created} -eq 8 ] && [ "$dumped" = "$created" ] && [ "$dumped" != 00000000 ]'
    else
        check "the dump's pVShader ($dumped) is the low 32 bits of the address Wine made it at ($created)" \
            eval '[ ${#created} -eq 16 ] && [ "$dumped" = "${created:8}" ] && [ "$dumped" != 00000000 ]'
    fi
fi
[ "$failed" -eq "$failed_before" ] || { console | head -n 30; tail -n 20 "$work/run/wine-stderr.txt"; }
finish
