# Build trees. Each configure says whether the tests and the benchmarks are
# in, so a tree never keeps what an earlier command left in its cache: the
# demo's build/ has no tests until scripts/check configures them in.

# configure_tree DIR CC CXX FLAGS [CMAKE_ARGUMENT...]
configure_tree() {
    local dir=$1 cc=$2 cxx=$3 flags=$4
    shift 4
    cmake -S . -B "$dir" -G Ninja -Wno-dev \
        -DCMAKE_BUILD_TYPE=None \
        -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DFXDEMO_WERROR=ON "$@" >/dev/null
}

# build_targets DIR [TARGET...]: all of DIR, or the targets named.
build_targets() {
    local dir=$1
    shift
    local targets=()
    local target
    for target in "$@"; do
        targets+=(--target "$target")
    done
    cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}

# build_tree DIR CC CXX FLAGS [TARGET...]: a tree with the tests and the
# benchmarks (needs TEST_PACKAGES).
build_tree() {
    local dir=$1 cc=$2 cxx=$3 flags=$4
    shift 4
    configure_tree "$dir" "$cc" "$cxx" "$flags" -DFXDEMO_TESTS=ON -DFXDEMO_BENCH=ON
    build_targets "$dir" "$@"
}

# The main build tree: GCC at -O2, where the executable build/fxdemo lives.
# build_main_tree [TARGET...]: with the tests, for scripts/check.
build_main_tree() {
    build_tree build gcc g++ "-O2" "$@"
}

# build_demo: build/fxdemo alone, configured without the tests and the
# benchmarks, so DEMO_PACKAGES are enough.
build_demo() {
    configure_tree build gcc g++ "-O2" -DFXDEMO_TESTS=OFF -DFXDEMO_BENCH=OFF
    build_targets build fxdemo
}

# build_bench_tree TARGET...: build-bench/, GCC at -O2, the benchmarks without
# the tests (DEMO_PACKAGES are enough).
build_bench_tree() {
    configure_tree build-bench gcc g++ "-O2" -DFXDEMO_TESTS=OFF -DFXDEMO_BENCH=ON
    build_targets build-bench "$@"
}
