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
echo "All tests passed."
