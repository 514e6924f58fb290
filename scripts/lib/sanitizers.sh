# The sanitized build and the compiler fuzzer. Source it from the repository
# root, then:
#
#   build_and_test_sanitized   builds build-asan/ with Clang, AddressSanitizer
#                              and UndefinedBehaviorSanitizer (LeakSanitizer
#                              on), and runs the whole test suite there, the
#                              soak last and on its own
#   run_fuzzer SECONDS         runs the libFuzzer target on the effect-file
#                              compiler (built in build-asan/) for that long;
#                              a crash in our own code is kept in
#                              fuzz/regressions/ and fails the step
#
# Both need SANITIZER_PACKAGES (ensure_packages from packages.sh).

SANITIZER_PACKAGES=(clang libclang-rt-14-dev llvm-14)

SANITIZED_TREE=build-asan
# vptr checks need the RTTI of every class, and Debian's glslang is built
# without it.
SANITIZER_FLAGS="-O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=all"
# Frames of the sanitized soak: every frame costs about 30 ms there (18 ms
# without the sanitizers), about 10 minutes on two cores. Fewer (2,000 at
# least) can be asked for by hand.
SANITIZED_SOAK_FRAMES=${SANITIZED_SOAK_FRAMES:-20000}

# Seeds that stop glslang itself when it runs in-process (the program runs it
# in a worker, with a time limit): a crash in its parser, and three macro
# bombs that run until they are stopped.
FUZZ_SEED_EXCLUDE=(compiler_crash.fx macro_expansion_bomb.fx macro_nesting_bomb.fx macro_memory_bomb.fx)

configure_sanitized_tree() {
    cmake -S . -B "$SANITIZED_TREE" -G Ninja -Wno-dev \
        -DCMAKE_BUILD_TYPE=None \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_C_FLAGS="$SANITIZER_FLAGS" -DCMAKE_CXX_FLAGS="$SANITIZER_FLAGS" \
        -DFXDEMO_WERROR=ON -DFXDEMO_FUZZ=ON -DFXDEMO_BENCH=OFF \
        -DFXDEMO_SOAK_FRAMES="$SANITIZED_SOAK_FRAMES" >/dev/null
}

symbolizer_path() {
    command -v llvm-symbolizer || command -v llvm-symbolizer-14 || echo /usr/lib/llvm-14/bin/llvm-symbolizer
}

# The environment of a sanitized run; call it in a subshell. Reports go to
# files under $1 when given (every process writes its own, the compile
# workers the tests fork included), else to standard error.
sanitizer_environment() {
    local reports=${1:-}
    local log=""
    if [ -n "$reports" ]; then
        log=":log_path=$reports/report"
    fi
    # LLVM 14's runtime misreads a dynamic TLS block of the libraries Mesa
    # loads under X11 with glibc 2.36 (it takes one to start at address
    # 0x1096), and the leak check at exit crashes scanning it; without the
    # __tls_get_addr interception it leaves those blocks alone.
    export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1:intercept_tls_get_addr=0$log"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1$log"
    export LSAN_OPTIONS="suppressions=$PWD/tests/robustness/lsan.supp:print_suppressions=0"
    export ASAN_SYMBOLIZER_PATH
    ASAN_SYMBOLIZER_PATH=$(symbolizer_path)
    # SDL and Mesa unload the libraries they load at run time; what those
    # still pointed to then reads as leaked, in "<unknown module>". Keep them
    # loaded until exit.
    export LD_PRELOAD="$PWD/$SANITIZED_TREE/tests/robustness/libkeep_libraries_loaded.so"
}

# Whose code a sanitizer or libFuzzer report is about: "ours" when the first
# frame that tells (from the top of its first stack) is in a source file of
# this repository, "third-party" when it is in glslang, SPIRV-Tools or
# SPIRV-Cross, "unknown" when no frame tells. Frames of the sanitizers,
# libFuzzer, the C and C++ libraries and inlined standard headers are passed
# over.
classify_report() {
    local report=$1
    awk -v root="$PWD/" '
        function decide(verdict) { print verdict; found = 1; exit }
        /runtime error:/ && index($0, root) == 1 && $0 !~ ("^" root "build") { decide("ours") }
        /^ *#[0-9]+ 0x[0-9a-f]+ / {
            started = 1
            if (match($0, / \/[^ ]*\.(c|cc|cpp|h|hpp):[0-9]+/)) {
                file = substr($0, RSTART + 1, RLENGTH - 1)
                if (index(file, root) == 1 && index(file, root "build") != 1) decide("ours")
            }
            if ($0 ~ / in (glslang|spv|spvtools|spirv_cross|SPIRV_CROSS_NAMESPACE)::/ ||
                $0 ~ /\((\/[^ ]*\/)?lib(glslang|SPIRV|MachineIndependent|spirv-cross)[^ ]*\+0x/) decide("third-party")
            next
        }
        started && /^ *$/ { exit }
        END { if (!found) print "unknown" }
    ' "$report"
}

# The top frame of a report's first stack that names a function, for a one-line summary.
report_site() {
    grep -m1 -E "^ *#[0-9]+ 0x[0-9a-f]+ in (glslang|spv|spvtools|spirv_cross|hlsl|d3d11|\(anonymous)" "$1" |
        sed -E 's/^ *#[0-9]+ 0x[0-9a-f]+ in //; s/\(.*//' || true
}

build_and_test_sanitized() {
    configure_sanitized_tree
    cmake --build "$SANITIZED_TREE" -j "$(nproc)"

    local reports="$PWD/$SANITIZED_TREE/sanitizer-reports"
    rm -rf "$reports"
    mkdir -p "$reports"
    local status=0
    (
        sanitizer_environment "$reports"
        ctest --test-dir "$SANITIZED_TREE" --output-on-failure -j "$(nproc)" -LE soak
    ) || status=$?
    # The soak alone, so that its frames are not slowed by other tests.
    (
        sanitizer_environment "$reports"
        ctest --test-dir "$SANITIZED_TREE" --output-on-failure -L soak --verbose
    ) || status=$?

    # A failing test shows in ctest's output, but a report from a compile
    # worker does not fail its test: the program turns a worker that dies
    # into an error message. glslang crashes there on purpose in some tests;
    # a report in our own code is a failure wherever it comes from.
    local report verdict ours=0
    for report in "$reports"/report.*; do
        [ -e "$report" ] || continue
        verdict=$(classify_report "$report")
        if [ "$verdict" = third-party ]; then
            echo "sanitizer report in glslang or SPIR-V code (from a compile worker where a test crashes glslang on purpose): $(report_site "$report")"
        else
            echo "sanitizer report in our code ($verdict):"
            cat "$report"
            ours=$((ours + 1))
        fi
    done
    if [ "$ours" -gt 0 ]; then
        echo "$ours sanitizer report(s) in our code"
        status=1
    fi
    return "$status"
}

run_fuzzer() {
    local seconds=${1:-60}
    if [ ! -f "$SANITIZED_TREE/CMakeCache.txt" ]; then
        configure_sanitized_tree
    fi
    cmake --build "$SANITIZED_TREE" -j "$(nproc)" --target compile_fuzzer

    local run="$SANITIZED_TREE/fuzz/run"
    rm -rf "$run/seeds" "$run/artifacts" "$run/third-party" "$run/unknown"
    mkdir -p "$run/corpus" "$run/seeds" "$run/artifacts" "$run/third-party" "$run/unknown"
    cp shaders/main.fx "$run/seeds/shipped_main.fx"
    cp tests/data/hlsl/*.fx "$run/seeds/"
    local file
    for file in tests/data/bad_fx/*.fx fuzz/regressions/*; do
        case "$(basename "$file")" in
        README.md | glslang-*) continue ;;
        esac
        cp "$file" "$run/seeds/$(basename "$(dirname "$file")")-$(basename "$file")"
    done
    for file in "${FUZZ_SEED_EXCLUDE[@]}"; do
        rm -f "$run/seeds/bad_fx-$file"
    done

    # Fork mode, ignoring crashes, timeouts and running out of memory: the
    # run goes on for its time, and each finding is judged afterwards.
    local fuzzer="$PWD/$SANITIZED_TREE/fuzz/compile_fuzzer"
    local dictionary="$PWD/fuzz/hlsl.dict"
    local limits=(-timeout=10 -rss_limit_mb=4096 -malloc_limit_mb=2048 -max_len=65536)
    (
        sanitizer_environment
        cd "$run"
        "$fuzzer" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 "${limits[@]}" \
            -dict="$dictionary" -max_total_time="$seconds" -artifact_prefix=artifacts/ \
            corpus seeds >fuzz.log 2>&1
    ) || true
    grep -E "^#[0-9]+: cov:" "$run/fuzz.log" | tail -1 || true

    # Each finding is replayed alone, for its report, and judged by whose
    # code it is in.
    local artifact name verdict ours=0 others=0
    for artifact in "$run"/artifacts/*; do
        [ -e "$artifact" ] || continue
        name=$(basename "$artifact")
        (
            sanitizer_environment
            "$fuzzer" "${limits[@]}" "$artifact"
        ) >"$artifact.report" 2>&1 || true
        verdict=$(classify_report "$artifact.report")
        case "$verdict" in
        ours)
            cp "$artifact" "fuzz/regressions/$name"
            echo "fuzzer: $name is a failure in our code; kept as fuzz/regressions/$name:"
            grep -m1 -A12 -E "ERROR:|runtime error:|broken promise" "$artifact.report" || true
            ours=$((ours + 1))
            ;;
        third-party)
            mv "$artifact" "$artifact.report" "$run/third-party/"
            others=$((others + 1))
            echo "fuzzer: $name is in glslang or SPIR-V code (the program's compile worker contains it): $(report_site "$run/third-party/$name.report")"
            ;;
        *)
            mv "$artifact" "$artifact.report" "$run/unknown/"
            echo "fuzzer: $name could not be attributed (no telling frame); kept in $run/unknown/"
            ;;
        esac
    done
    echo "fuzzer: $seconds s; findings in our code: $ours, in third-party code: $others"
    [ "$ours" -eq 0 ]
}
