#!/usr/bin/env bash
# Installs what building and the tests need, builds, and runs every test through CTest.
#   ./test.sh              normal build in build/
#   QB_SANITIZE=1 ./test.sh  AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
qb_install_deps "${QB_RUN_PACKAGES[@]}" "${QB_TEST_PACKAGES[@]}"

build_dir=build
# Tests on, also in a build folder that run.sh configured without them.
cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_WERROR=ON -DQB_BUILD_TESTS=ON)
if [ "${QB_SANITIZE:-0}" = 1 ]; then
    build_dir=build-asan
    cmake_args+=(-DQB_SANITIZE=ON -DQB_BUILD_BENCH=OFF)
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

cmake -S . -B "$build_dir" "${cmake_args[@]}"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 600
