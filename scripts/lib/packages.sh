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
    as_root apt-get update -qq
    # env inside sudo: sudo drops the caller's environment.
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Adds ARCHITECTURE (i386) to dpkg's foreign architectures unless the
# machine has it, so that ensure_packages can install PACKAGE:ARCHITECTURE
# from the same mirror (it updates the package lists before installing).
ensure_architecture() {
    local architecture=$1
    if [ "$(dpkg --print-architecture)" = "$architecture" ] ||
        dpkg --print-foreign-architectures | grep -qxF "$architecture"; then
        return 0
    fi
    echo "Adding the $architecture architecture (dpkg --add-architecture $architecture) for its packages"
    as_root dpkg --add-architecture "$architecture"
}

# Runs a command as root: through sudo unless the caller is root.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
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
# The Windows builds, cross-compiled: 32-bit (the reference) and 64-bit.
WINDOWS_PACKAGES=(
    g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
)
# What scripts/check --full adds: Clang for the second build (its sanitizer
# runtimes are in SANITIZER_PACKAGES) and Wine to smoke-test the Windows
# builds.
FULL_CHECK_PACKAGES=(
    clang wine wine64
)
# Wine's 32-bit side for the 32-bit build, with the 32-bit Mesa its OpenGL
# (and so its Direct3D) runs on; without them device creation fails. They
# are i386 packages: ensure_architecture i386 first.
WINE32_PACKAGES=(
    wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
)
