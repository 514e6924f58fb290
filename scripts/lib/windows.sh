# The Windows builds, cross-compiled with mingw-w64: 32-bit, the reference
# build (build-mingw-i686/), and 64-bit (build-mingw/); and their smoke
# test under Wine. Sourced by scripts/check; run from the repository root.

# windows_tree ARCHITECTURE: the build folder for i686 or x86_64.
windows_tree() {
    case "$1" in
    i686) echo build-mingw-i686 ;;
    x86_64) echo build-mingw ;;
    esac
}

# build_windows: configures and builds fxdemo.exe (with main.fx beside it)
# for both widths, warnings as errors. Tests are not built: they need the
# Linux platform layer, and a cross build leaves them out by itself.
build_windows() {
    local architecture dir
    for architecture in i686 x86_64; do
        dir=$(windows_tree "$architecture")
        cmake -S . -B "$dir" -G Ninja -Wno-dev --no-warn-unused-cli \
            -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$architecture.cmake" \
            -DCMAKE_BUILD_TYPE=None -DCMAKE_C_FLAGS="-O2" -DCMAKE_CXX_FLAGS="-O2" \
            -DFXDEMO_WERROR=ON >/dev/null
        cmake --build "$dir" -j "$(nproc)"
    done
}

# wine_smoke_test: runs each fxdemo.exe under Wine on a private X display.
# One that Wine cannot start here (no Wine, or for the 32-bit one no Wine
# 32-bit side) is skipped, and the test says why; any failed check fails.
wine_smoke_test() {
    local architecture status result=0
    for architecture in i686 x86_64; do
        status=0
        tests/wine/wine_smoke.sh "$(windows_tree "$architecture")/fxdemo.exe" || status=$?
        case "$status" in
        0) ;;
        77) echo "Wine smoke test of the $architecture build skipped" ;;
        *) result=$status ;;
        esac
    done
    return "$result"
}
