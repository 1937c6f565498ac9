#!/usr/bin/env bash
# Builds every fuzz target with clang, ASan and UBSan into build-fuzz/ and runs
# each for the given number of seconds (default 15), starting from its seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
shopt -s nullglob
targets=(fuzz/*_fuzz.cpp)
if ((${#targets[@]} == 0)); then
    echo "fuzz: no targets"
    exit 0
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANTA_FUZZ=ON >/dev/null
cmake --build build-fuzz --parallel "${JOBS:-$(nproc)}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
for src in "${targets[@]}"; do
    name=$(basename "$src" .cpp)
    work=$(mktemp -d)
    seeds=()
    [[ -d fuzz/seeds/$name ]] && seeds=(fuzz/seeds/$name)
    echo "fuzz: $name for ${seconds}s"
    build-fuzz/fuzz/"$name" -max_total_time="$seconds" -print_final_stats=0 \
        -artifact_prefix="$work/" "$work" "${seeds[@]}" 2>"$work/log" || {
        tail -40 "$work/log"
        echo "fuzz: $name FAILED (artifacts in $work)"
        exit 1
    }
    rm -rf "$work"
done
echo "fuzz: ${#targets[@]} targets ran clean"
