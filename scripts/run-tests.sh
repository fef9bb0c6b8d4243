#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the Release suite, the transformer again in a
# Debug build (deep nesting must hold there too), a one-minute fuzz run under the sanitizers, and the
# whole-run benchmark script on tiny sizes so that it keeps working; then the installed layout and the Debian
# package, and last the window driven as a person would under a real X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
echo "== Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Debug build of the transformer tests"
cmake -S . -B build-debug -DCMAKE_BUILD_TYPE=Debug -DCELSHIFT_BUILD_APP=OFF -DCELSHIFT_BUILD_BENCH=OFF >/dev/null
cmake --build build-debug --target transform_tests -j"$jobs"
build-debug/bin/transform_tests --gtest_brief=1

echo "== Fuzzing copyDataFile for 60 seconds (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCELSHIFT_BUILD_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs"
seeds=$(mktemp -d) corpus=$(mktemp -d)
trap 'rm -rf "$seeds" "$corpus"' EXIT
build-fuzz/bin/make_fuzz_seeds "$seeds"
timeout 300 build-fuzz/bin/fuzz_copy_data_file -max_total_time=60 -print_final_stats=1 "$corpus" "$seeds" 2>&1 | tail -n 4
echo "== The whole-run benchmark script, on tiny sizes (its figures mean nothing at this size)"
bash bench/run-benchmarks.sh --tiny >/dev/null
echo "== cmake --install and cpack -G DEB"
bash tests/packaging/package_check.sh build
echo "== The window under Xvfb and openbox, driven with xdotool"
bash tests/e2e/window_e2e.sh build
echo "== The Windows build: cross-built with mingw-w64, its tests under Wine, its output against the Linux build's"
bash scripts/build-windows.sh --tests
echo "== All tests passed"
