#!/usr/bin/env bash
# Builds the map tests with ThreadSanitizer in build-tsan/ and runs the tests
# of the threaded renderer, the chunk cache and the chunk downloader.
# Qt is not built with TSan: its own internals are suppressed (tsan.supp).
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan --target orvanta_maps_tests --parallel "${JOBS:-2}"
export QT_QPA_PLATFORM=offscreen
# nginx is started with fork: the test process goes on with its threads.
export TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp"
build-tsan/tests/orvanta_maps_tests \
    --gtest_filter='CachedKartileTest.*:WebWorkerTest.*:KtlFetchCommand.*:Kartile3Test.*:LRUcache.*:WorkerThread.*'
