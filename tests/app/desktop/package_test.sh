#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks what apt would set
# up from it: its control fields and dependencies, its files, and, unpacked
# into a temporary root, that the program starts, shows its window, takes a
# file from a second start, and exits with status 0 when asked to close.
# Usage: package_test.sh BUILD_DIR
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
build=${1:?usage: package_test.sh BUILD_DIR}

need cpack dpkg-deb dpkg-query apt-cache file
make_scratch

if ! BUILD_DIR=$build PACKAGE_DIR=$scratch/package "$source_dir/scripts/package.sh" \
    >"$scratch/package.log" 2>&1; then
    cat "$scratch/package.log" >&2
    fail "scripts/package.sh"
    finish
fi
debs=("$scratch"/package/orvanta_*.deb)
check_eq "one package built" 1 "${#debs[@]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
check_eq "package name" orvanta "$(field Package)"
check_eq "architecture" "$(dpkg --print-architecture)" "$(field Architecture)"
check_eq "version" "$(HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/runtime \
    "$build/bin/ovtool" version)" "$(field Version)"

# Every package named must exist in Debian as this machine knows it.
depends=$(field Depends)
echo "Depends: $depends"
mapfile -t names < <(tr ',|' '\n' <<<"$depends" | sed 's/(.*)//; s/ //g' | grep .)
for name in "${names[@]}"; do
    if dpkg-query -W "$name" >/dev/null 2>&1 || apt-cache show "$name" >/dev/null 2>&1; then
        echo "ok: $name is a Debian package"
    else
        fail "$name is not a known Debian package"
    fi
done
depends_on() { # PACKAGE: named in Depends
    local name
    for name in "${names[@]}"; do [[ "$name" == "$1" ]] && return 0; done
    return 1
}
# What the program links, and the QML modules its scene imports, are covered:
# each by the package that holds it here.
qml_dir=$(dirname "$(dpkg -L qml6-module-qtquick | grep '/QtQuick/qmldir$' | head -1)")
qml_dir=${qml_dir%/QtQuick}
mapfile -t modules < <(find "$source_dir/src/ui" -name '*.qml' -exec \
    sed -n 's/^import \+\(Qt[A-Za-z.]*\).*/\1/p' {} + | sort -u | grep -v -x QtTest)
for module in "${modules[@]}" QtQuick.Templates QtQml.WorkerScript; do
    owner=$(dpkg -S "$qml_dir/${module//.//}/qmldir" 2>/dev/null | cut -d: -f1)
    if [[ -n "$owner" ]] && depends_on "$owner"; then
        echo "ok: import $module ($owner)"
    else
        fail "import $module: its package '${owner:-not installed here}' is not in Depends"
    fi
done
owner_of() { # the installed package holding a file, as dpkg knows its path
    local real candidate
    real=$(readlink -f "$1")
    for candidate in "$1" "$real" "${real#/usr}"; do
        dpkg -S "$candidate" 2>/dev/null | cut -d: -f1 && return 0
    done
}
for lib in libQt6Core libQt6Quick libQt6Positioning libQt6SerialPort libGeographicLib libz; do
    path=$(ldd "$build/bin/orvanta" | awk -v l="$lib" 'index($1, l ".so") == 1 {print $3}')
    owner=$(owner_of "$path")
    if [[ -n "$owner" ]] && depends_on "$owner"; then
        echo "ok: $lib ($owner)"
    else
        fail "$lib: its package '${owner:-unknown}' is not in Depends"
    fi
done
for name in qt6-qpa-plugins libqt6positioning6-plugins; do
    if depends_on "$name"; then echo "ok: $name"; else fail "$name is not in Depends"; fi
done

root=$scratch/root
dpkg -x "$deb" "$root" || fail "dpkg -x"
for f in usr/bin/orvanta usr/bin/ovtool usr/share/applications/org.orvanta.Orvanta.desktop \
    usr/share/mime/packages/orvanta.xml usr/share/icons/hicolor/256x256/apps/org.orvanta.Orvanta.png \
    usr/share/orvanta/demo/charts/solent.ktl; do
    check_file "packaged $f" "$root/$f"
done
if file -b "$root/usr/bin/orvanta" | grep -q "not stripped"; then
    fail "the packaged program carries its debug information"
fi

run_env=(env HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime" TMPDIR="$scratch"
    QT_QPA_PLATFORM=offscreen QT_QUICK_CONTROLS_STYLE=Basic)
check_eq "unpacked ovtool finds the unpacked data" "$root/usr/share/orvanta" \
    "$("${run_env[@]}" "$root/usr/bin/ovtool" data path)"

if start_program "${run_env[@]}" "$root/usr/bin/orvanta"; then
    # A file opened from a file manager while it runs: a second start hands it over.
    chart=$root/usr/share/orvanta/demo/charts/solent.ktl
    "${run_env[@]}" "$root/usr/bin/orvanta" "$chart" >"$scratch/second.log" 2>&1
    check_eq "second start exits" 0 "$?"
    grep -q "App already running." "$scratch/second.log" ||
        fail "second start: $(cat "$scratch/second.log")"
    wait_until 60 program_logged \
        "Command line from another instance: $root/usr/bin/orvanta $chart" ||
        fail "the running program did not receive the file"
fi
stop_program

finish
