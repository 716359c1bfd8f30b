#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# and runs each one for the given number of seconds (default 60), starting from its seed corpus.
# Findings are written to build-fuzz/findings/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${1:-60}
jobs=${TESSALY_JOBS:-2}

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTESSALY_WITH_GUI=OFF -DTESSALY_SANITIZE=ON -DTESSALY_FUZZ=ON -DTESSALY_BENCH=OFF
cmake --build build-fuzz -j"$jobs" --target fuzz_targets

mkdir -p build-fuzz/findings
status=0
for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    target="build-fuzz/fuzz/${name}_fuzz"
    [ -x "$target" ] || continue
    work="build-fuzz/corpus/$name"
    mkdir -p "$work"
    echo "-- $name: ${seconds}s"
    if ! ASAN_OPTIONS=detect_leaks=1 "$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/${name}-" "$work" "$corpus" 2>"build-fuzz/$name.log"; then
        echo "fuzz target $name found a problem:"
        tail -n 40 "build-fuzz/$name.log"
        status=1
    fi
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "build-fuzz/$name.log" || true
done
exit $status
