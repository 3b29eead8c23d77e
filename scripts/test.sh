#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: the normal build (all
# tests, GUI tests on the offscreen platform) and a sanitizer build of the core's tests.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)
export TZ=UTC LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
# A test that hangs (a window waiting for an answer nobody gives) fails instead of stalling CI.
timeout=300

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure --timeout "$timeout" -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVLO_SANITIZE=ON -DTAVLO_GUI=OFF -DTAVLO_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout "$timeout" -j "$jobs"
# Fuzzing, bounded: each target for a while under libFuzzer with ASan and UBSan, starting from
# its corpus in tests/fuzz/corpus (new inputs go to a scratch copy). Without clang the normal
# build's random-input driver stands in. A crashing input is left in build-fuzz/crashes: once
# the fault is mended, keep it in tests/fuzz/corpus/<target>/ as a regression case.
fuzz_seconds=${TAVLO_FUZZ_SECONDS:-20}
if command -v clang++ >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVLO_FUZZ=ON \
    -DTAVLO_GUI=OFF -DTAVLO_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs" --target fuzz_picture fuzz_filter fuzz_settings fuzz_definition
  mkdir -p build-fuzz/crashes
  for target in picture filter settings definition; do
    rm -rf "build-fuzz/corpus-$target" && mkdir -p "build-fuzz/corpus-$target"
    echo "Fuzzing $target for ${fuzz_seconds}s"
    if ! "build-fuzz/tests/fuzz/fuzz_$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/crashes/$target-" "build-fuzz/corpus-$target" "tests/fuzz/corpus/$target" \
        >"build-fuzz/$target.log" 2>&1; then
      tail -n 60 "build-fuzz/$target.log"
      echo "Fuzzing $target found a failing input (build-fuzz/crashes/$target-*)."
      exit 1
    fi
  done
else
  TAVLO_FUZZ_SECONDS="$fuzz_seconds" ./build/tests/fuzz/test_fuzz --gtest_filter='*RandomChanges*'
fi
echo "All tests passed."
