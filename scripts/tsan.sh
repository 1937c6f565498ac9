#!/usr/bin/env bash
# Builds the map tests with ThreadSanitizer in build-tsan/ and runs the tests
# of the threaded renderer, the chunk cache and the chunk downloader.
# Qt is not built with TSan: its own internals are suppressed (tsan.supp).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan --target orvanta_maps_tests --parallel "${JOBS:-2}"
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp"
build-tsan/tests/orvanta_maps_tests \
    --gtest_filter='CachedKartileTest.*:WebWorkerTest.*:Kartile3Test.*:LRUcache.*'
