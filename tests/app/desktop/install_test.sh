#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that it is a desktop
# program: its files are in place, the installed ovtool finds the installed
# data, the desktop file is valid, and with the prefix's MIME package and
# desktop file registered, the file types are recognised (by name and by
# content) and open with Orvanta, which takes a file opened while it runs.
# Usage: install_test.sh BUILD_DIR
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
build=${1:?usage: install_test.sh BUILD_DIR}

need cmake desktop-file-validate update-mime-database update-desktop-database xdg-mime gio
make_scratch
prefix=$scratch/prefix
app=org.orvanta.Orvanta.desktop

if ! cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log" >&2
    fail "cmake --install"
    finish
fi

for f in bin/orvanta bin/ovtool; do
    if [[ -x "$prefix/$f" ]]; then echo "ok: $f"; else fail "$f is not an installed program"; fi
done
check_file "desktop file" "$prefix/share/applications/$app"
check_file "MIME package" "$prefix/share/mime/packages/orvanta.xml"
check_file "icon" "$prefix/share/icons/hicolor/256x256/apps/org.orvanta.Orvanta.png"
check_file "demo chart" "$prefix/share/orvanta/demo/charts/solent-overview.ktl"
check_file "demo voyage" "$prefix/share/orvanta/demo/solent-voyage.nmea"
# The theme folder names the icon's real size: width and height from the PNG header.
check_eq "icon size" "0000010000000100" \
    "$(od -An -tx1 -j16 -N8 "$source_dir/resources/appicon.png" | tr -d ' \n')"

if out=$(desktop-file-validate "$prefix/share/applications/$app" 2>&1) && [[ -z "$out" ]]; then
    echo "ok: desktop-file-validate"
else
    fail "desktop-file-validate: $out"
fi

check_eq "installed ovtool finds the installed data" "$prefix/share/orvanta" \
    "$(HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/runtime QT_QPA_PLATFORM=offscreen \
        "$prefix/bin/ovtool" data path)"

# Register the prefix's types and desktop file as a package's triggers do.
XDG_DATA_DIRS="$prefix/share" update-mime-database "$prefix/share/mime" ||
    fail "update-mime-database"
update-desktop-database "$prefix/share/applications" || fail "update-desktop-database"

# A desktop whose data lives in the prefix (then the system's, for GPX); no
# user or system preferences. GNOME's route asks GIO, which reads
# shared-mime-info as file managers do.
mkdir -p "$scratch/data-home" "$scratch/config" "$scratch/config-dirs"
desktop_env=(env HOME="$scratch/home" XDG_DATA_HOME="$scratch/data-home"
    XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_CONFIG_HOME="$scratch/config"
    XDG_CONFIG_DIRS="$scratch/config-dirs" XDG_CURRENT_DESKTOP=GNOME GIO_USE_VFS=local
    XDG_RUNTIME_DIR="$scratch/runtime")

# Sample files: real ones where a tool writes them, the rest from their headers.
files=$scratch/files
mkdir -p "$files"
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
    $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
typed_file() { # typed file header, then a section holding one magic
    printf '%b' "$(le32 0x73ACF249)\\xbe$(le32 9)$(le32 "$1")\\xbe$(le32 5)"
}
cp "$prefix/share/orvanta/demo/charts/solent-overview.ktl" "$files/overview.ktl"
cp "$files/overview.ktl" "$files/overview-unnamed"
{ printf '\xff'; tail -c +2 "$files/overview.ktl"; } >"$files/odd-magic-unnamed"
cp "$prefix/share/orvanta/demo/stream/solent.ktl" "$files/streamed-unnamed"
HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/runtime QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/ovtool" pages default -o "$files/layout.pstf" >/dev/null ||
    fail "ovtool pages default"
cp "$files/layout.pstf" "$files/layout-unnamed"
# An older layout: no magic section after the file header, known by its name.
{ head -c 4 "$files/layout.pstf"; tail -c +14 "$files/layout.pstf"; } >"$files/older.pstf"
typed_file 0x71831AB9 >"$files/page-unnamed"
typed_file 0x71831AB9 >"$files/page.dvpage"
typed_file 0xCA2EAF82 >"$files/marks-unnamed"
typed_file 0xCA2EAF82 >"$files/marks.ovtf"
printf '%b' "$(le32 0x319E8613)$(le32 4)h\\x00o\\x00s\\x00t\\x00" >"$files/charts-unnamed"
cp "$files/charts-unnamed" "$files/charts.ovpkg"
cat >"$files/track.gpx" <<'GPX'
<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">
  <wpt lat="50.8" lon="-1.3"><name>Hamble</name></wpt>
</gpx>
GPX
echo "a note" >"$files/notes.txt"
head -c 512 /dev/zero | tr '\0' '\141' >"$files/letters-unnamed"
printf '\x01\x02\x03\x04\x05\x06\x07\x08\x00\x00' >"$files/bytes-unnamed"

ktl=application/vnd.orvanta.ktl
while read -r name expected; do
    check_eq "type of $name" "$expected" \
        "$("${desktop_env[@]}" xdg-mime query filetype "$files/$name" 2>&1)"
done <<CASES
overview.ktl           $ktl
overview-unnamed       $ktl
odd-magic-unnamed      $ktl
streamed-unnamed       $ktl
layout.pstf            application/vnd.orvanta.pstf
layout-unnamed         application/vnd.orvanta.pstf
older.pstf             application/vnd.orvanta.pstf
page.dvpage            application/vnd.orvanta.dvpage
page-unnamed           application/vnd.orvanta.dvpage
marks.ovtf             application/vnd.orvanta.ovtf
marks-unnamed          application/vnd.orvanta.ovtf
charts.ovpkg           application/vnd.orvanta.ovpkg
charts-unnamed         application/vnd.orvanta.ovpkg
track.gpx              application/gpx+xml
notes.txt              text/plain
letters-unnamed        text/plain
bytes-unnamed          application/octet-stream
CASES

for type in $ktl application/gpx+xml application/vnd.orvanta.ovtf \
    application/vnd.orvanta.ovpkg application/vnd.orvanta.dvpage application/vnd.orvanta.pstf; do
    check_eq "default for $type" "$app" "$("${desktop_env[@]}" xdg-mime query default "$type" 2>&1)"
done
# Without the prefix registered nothing claims a map: the answers above come from it.
check_eq "unregistered map type" "" \
    "$(env XDG_DATA_HOME="$scratch/data-home" XDG_DATA_DIRS=/usr/share \
        XDG_CONFIG_HOME="$scratch/config" XDG_CONFIG_DIRS="$scratch/config-dirs" \
        XDG_CURRENT_DESKTOP=GNOME xdg-mime query default $ktl 2>&1)"

# Opening a map from the desktop while the installed program runs: the
# desktop entry starts a second one, which hands the file over and ends.
run_env=("${desktop_env[@]}" PATH="$prefix/bin:$PATH" QT_QPA_PLATFORM=offscreen)
if start_program "${run_env[@]}" "$prefix/bin/orvanta"; then
    "${run_env[@]}" xdg-open "$files/overview.ktl" >"$scratch/open.log" 2>&1 ||
        fail "xdg-open: $(cat "$scratch/open.log")"
    if wait_until 60 program_logged \
        "Command line from another instance: orvanta $files/overview.ktl"; then
        echo "ok: a map opened from the desktop reaches the running program"
    else
        fail "the running program did not receive the map"
    fi
fi
stop_program

finish
