# Installs the named Debian packages that are not installed yet.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        case " ${missing[*]+${missing[*]}} " in
        *" $package "*) continue ;;
        esac
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    # env inside sudo: sudo drops the caller's environment.
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Each command installs the lists it needs; together they are all it needs
# on a bare Debian 12 (scripts/fresh-machine checks that for scripts/demo).
#
# scripts/demo (and scripts/bench): the compilers and build tools, the
# libraries the program links (SDL2, libepoxy, glslang with SPIRV-Tools,
# SPIRV-Cross, X11 and XInput 2), glslang-tools (glslang's CMake package
# stops when its glslangValidator is missing), Mesa's OpenGL drivers, and
# what it runs the demo with when there is no display: Xvfb, xdotool,
# ImageMagick's import for the screenshot, and xdpyinfo (x11-utils) to tell
# whether there is a display at all.
DEMO_PACKAGES=(
    cmake ninja-build g++ pkg-config
    libsdl2-dev libepoxy-dev libx11-dev libxi-dev libgl1-mesa-dri libegl-mesa0
    glslang-dev glslang-tools spirv-tools libspirv-cross-c-shared-dev
    xvfb xauth xdotool imagemagick x11-utils
)
# The test suite, on top of DEMO_PACKAGES: GoogleTest and gMock, binutils
# (readelf, objdump) for the checks on linked programs, and x11-utils
# (xmessage) for the end-to-end tests.
TEST_PACKAGES=(
    libgtest-dev libgmock-dev binutils x11-utils
)
# The Windows build, cross-compiled.
WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-win32
)
# What scripts/check --full adds: Clang for the second build (its sanitizer
# runtimes are in SANITIZER_PACKAGES) and Wine to smoke-test the Windows
# build.
FULL_CHECK_PACKAGES=(
    clang wine wine64
)
