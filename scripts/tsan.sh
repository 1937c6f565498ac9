#!/usr/bin/env bash
# Builds the map and overlay tests with ThreadSanitizer in build-tsan/ and runs
# the tests of the threaded renderer, the chunk cache, the chunk downloader,
# the classic map reader and the frame drawn in bands on two threads,
# strictly: any report fails the run.
# Qt is not built with TSan: its own internals are suppressed (tsan.supp).
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
[[ "${ORVANTA_CCACHE:-0}" == 1 ]] && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan --target orvanta_maps_tests orvanta_overlays_tests --parallel "${JOBS:-2}"
export QT_QPA_PLATFORM=offscreen
tests=build-tsan/tests/orvanta_maps_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp"
# The tests' nginx is forked by a helper process that the test process starts
# before it has threads, so the nginx-backed tests run strictly too.
"$tests" --gtest_filter='CachedKartileTest.*:Kartile3Test.*:LRUcache.*:WorkerThread.*:WebWorkerTest.*:AreaDownload.*:ServerSetting.*:KartileFiles.FileCut*:BigMap.*'
# ovtool is started by the test process itself (and checked under TSan in its
# own right): a process of its own, so that no test with threads runs after
# that fork.
"$tests" --gtest_filter='KtlFetchCommand.*'
build-tsan/tests/orvanta_overlays_tests --gtest_filter='FrameRaster.*'
