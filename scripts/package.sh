#!/usr/bin/env bash
# Builds the Debian package from the build tree (build/, or $BUILD_DIR) into
# build-package/ (or $PACKAGE_DIR): orvanta_<version>_<arch>.deb, which
# `apt install ./build-package/orvanta_*.deb` sets up with what it needs.
# Only the program and ovtool are brought up to date; nothing else is compiled.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out=${PACKAGE_DIR:-build-package}
if [[ ! -f "$build/CPackConfig.cmake" ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
        -DORVANTA_WERROR=ON
fi
cmake --build "$build" --parallel "${JOBS:-$(nproc)}" --target orvanta ovtool
cpack --config "$build/CPackConfig.cmake" -B "$out"
rm -rf "$out/_CPack_Packages"
ls "$out"/orvanta_*.deb
