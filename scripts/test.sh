#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test:
#   1. the full build and all its tests (GUI and end-to-end ones under Xvfb),
#   2. a second build of the non-GUI libraries and their tests with AddressSanitizer and
#      UndefinedBehaviorSanitizer,
#   3. the libFuzzer targets built with clang and run briefly from their seed corpora.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${TESSALY_JOBS:-2}
fuzz_seconds=${TESSALY_FUZZ_SECONDS:-20}

bash scripts/install-deps.sh

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
echo "== tests"
# GUI tests share one X server and some read pixels back from the screen, so they run one at a
# time; the others run in parallel. End-to-end tests wait on a window manager of their own, whose
# start under load occasionally outlasts their bounded waits: a failed GUI test gets up to two
# more runs, and a test that keeps failing still fails the run.
bash scripts/with-xvfb.sh \
    ctest --test-dir build --output-on-failure -j"$jobs" --timeout 300 -LE gui
bash scripts/with-xvfb.sh \
    ctest --test-dir build --output-on-failure -j1 --timeout 300 -L gui --repeat until-pass:3

echo "== sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTESSALY_WITH_GUI=OFF -DTESSALY_SANITIZE=ON -DTESSALY_BENCH=OFF
cmake --build build-asan -j"$jobs"
echo "== sanitizer tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 300

echo "== fuzz targets"
bash scripts/fuzz.sh "$fuzz_seconds"
