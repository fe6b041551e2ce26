#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one for a bounded time on a
# copy of its corpus in fuzz/corpus/, so the repository stays as it is. A finding fails the run and
# leaves its input in build-fuzz/findings/.
#   scripts/fuzz.sh                       60 s per target, seed 1: the same inputs on every machine
#   QB_FUZZ_SECONDS=600 scripts/fuzz.sh   longer runs
#   QB_FUZZ_SEED=0 scripts/fuzz.sh        a new random seed, to look further
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
qb_install_deps "${QB_RUN_PACKAGES[@]}" "${QB_FUZZ_PACKAGES[@]}"

seconds=${QB_FUZZ_SECONDS:-60}
seed=${QB_FUZZ_SEED:-1}
build_dir=build-fuzz
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_WERROR=ON -DQB_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build_dir" -j2 --target fuzzers

# A folder in memory where there is one: the targets write a file on every run.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build_dir/findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in ini id3tag; do
    cp -r "fuzz/corpus/$target" "$work/$target"
    echo "Fuzzing $target for $seconds s"
    TMPDIR="$work" "$build_dir/${target}_fuzzer" -max_total_time="$seconds" -seed="$seed" -timeout=10 \
        -rss_limit_mb=1024 -max_len=4096 -print_final_stats=1 -artifact_prefix="$build_dir/findings/${target}-" \
        "$work/$target"
done
