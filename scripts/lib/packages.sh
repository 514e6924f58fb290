# Installs the named Debian packages that are not installed yet.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
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
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Packages needed to build the program and run every test.
BUILD_PACKAGES=(
    cmake ninja-build g++ clang libgtest-dev binutils
)
BUILD_PACKAGES+=(
    libsdl2-dev libepoxy-dev libgl1-mesa-dri libegl-mesa0
    glslang-dev glslang-tools spirv-tools libspirv-cross-c-shared-dev
    xvfb xauth xdotool imagemagick x11-utils
)
# The Windows build, cross-compiled, and Wine to smoke-test it.
WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-win32 wine wine64
)
