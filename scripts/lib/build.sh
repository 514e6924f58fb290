# Configures and builds one build tree: build_tree DIR CC CXX FLAGS [TARGET...]
build_tree() {
    local dir=$1 cc=$2 cxx=$3 flags=$4
    shift 4
    cmake -S . -B "$dir" -G Ninja -Wno-dev \
        -DCMAKE_BUILD_TYPE=None \
        -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DFXDEMO_WERROR=ON >/dev/null
    local targets=()
    local target
    for target in "$@"; do
        targets+=(--target "$target")
    done
    cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}

# The main build tree: GCC at -O2, where the executable build/fxdemo lives.
build_main_tree() {
    build_tree build gcc g++ "-O2" "$@"
}
