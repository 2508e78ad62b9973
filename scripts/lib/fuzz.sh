# Builds the libFuzzer targets under tests/fuzz with clang and runs each for a bounded time on
# a copy of its committed seed corpus. Returns non-zero when a target finds a crash or a broken
# property, or does not build. Sourced by scripts/test.

QUILLET_FUZZ_SECONDS=${QUILLET_FUZZ_SECONDS:-20}

quillet_fuzz() {
    local dir=build/fuzz status=0 exe name
    echo "=== fuzz targets (${QUILLET_FUZZ_SECONDS} s each)"
    CC=clang CXX=clang++ cmake -S tests/fuzz -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build "$dir" -j"$(nproc)" || { echo "=== fuzz targets: BUILD FAILED"; return 1; }
    for exe in "$dir"/fuzz_*; do
        [ -x "$exe" ] && [ -f "$exe" ] || continue
        name=$(basename "$exe")
        # New inputs go to the build folder; the committed seeds stay as they are.
        mkdir -p "$dir/corpus/$name" "$dir/artifacts"
        if ! timeout $((QUILLET_FUZZ_SECONDS + 120)) "$exe" -max_total_time="$QUILLET_FUZZ_SECONDS" \
            -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$dir/artifacts/$name-" "$dir/corpus/$name" \
            "tests/fuzz/corpus/$name" >"$dir/$name.log" 2>&1; then
            tail -n 40 "$dir/$name.log"
            echo "=== $name: FAILED (reproduce with: $exe $dir/artifacts/$name-*)"
            status=1
        else
            echo "$name: $(grep -m1 -o 'Done [0-9]* runs.*' "$dir/$name.log")"
        fi
    done
    return $status
}
