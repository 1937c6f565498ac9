#!/usr/bin/env bash
# Installs the Debian 12 packages Orvanta needs to build, run and test,
# skipping those already installed. Runs as root or through sudo.
set -euo pipefail

build_and_run=(
    cmake ninja-build pkg-config g++ qt6-base-dev qt6-declarative-dev qt6-positioning-dev
    qt6-serialport-dev qt6-svg-dev zlib1g-dev libgeographiclib-dev fonts-roboto-unhinted
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
    qml6-module-qtquick-window qml6-module-qtquick-templates qml6-module-qtqml-workerscript
    qml6-module-qtpositioning qt6-qpa-plugins
    # the demo streams a chart and elevation tiles (made with numpy) from a
    # local web server
    nginx python3-numpy
    # the tests link these, so a plain build needs them too
    libgtest-dev libgmock-dev libbenchmark-dev
)
# Tests, fuzzing and screenshots: a display server, serial pseudo-terminals, a
# web server, libFuzzer and the sanitizers, gpsd's decoder as a baseline, the
# reference tools for grid conversions, and libxml2's xmllint.
for_tests=(
    xvfb xauth xdotool socat qml6-module-qttest clang libclang-rt-14-dev imagemagick x11-apps gpsd-clients
    proj-bin geographiclib-tools
    # the GPX schema check of exported files and the parse GPX import is timed against
    libxml2-utils
    # the installed desktop program and its Debian package: file types, menu
    # entry, what opens what (gio answers for GNOME), and the package tools
    desktop-file-utils shared-mime-info xdg-utils libglib2.0-bin dpkg-dev file
)
packages=("${build_and_run[@]}")
if [[ "${1:-}" != "--run-only" ]]; then
    packages+=("${for_tests[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if ((${#missing[@]} == 0)); then
    echo "setup: all packages present"
    exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
