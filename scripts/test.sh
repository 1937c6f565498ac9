#!/usr/bin/env bash
# Sets up what is missing, builds, runs every test, then builds the fuzz
# targets with clang (ASan + UBSan) and runs each one briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

scripts/setup-deps.sh
scripts/build.sh

# The tests start their own servers and displays; they need a private
# runtime folder and must never reach past loopback.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/orvanta-runtime-XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"
ctest --test-dir build --output-on-failure --parallel "${JOBS:-$(nproc)}" --timeout 600

scripts/fuzz.sh "${FUZZ_SECONDS:-15}"
# ThreadSanitizer over the threaded renderer, the chunk downloader and the
# map reader; it costs another full build of the library (ORVANTA_TSAN=0
# skips it).
if [[ "${ORVANTA_TSAN:-1}" != 0 ]]; then
    scripts/tsan.sh
fi
echo "test.sh: all done in $(( $(date +%s) - start )) s"
