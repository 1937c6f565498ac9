#!/usr/bin/env bash
# Installs the Debian package with apt into a fresh Debian 12 chroot and
# starts the program there until it shows its window, then closes it with
# SIGTERM and expects exit status 0: proof that the package's Depends set up
# everything it needs. Needs root, debootstrap and the Debian mirror (the
# tests stay off the network; run this by hand or in a release job).
# Usage: check-package-chroot.sh [PACKAGE.deb]   (default: build-package/orvanta_*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."
built=(build-package/orvanta_*.deb)
deb=${1:-${built[-1]}}
[[ -f "$deb" ]] || { echo "no package: run scripts/package.sh first" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "debootstrap is not installed" >&2; exit 2; }
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

work=$(mktemp -d)
root=$work/root
cleanup() {
    if [[ -n "${pid:-}" ]]; then kill -KILL "$pid" 2>/dev/null || true; fi
    umount "$root/proc" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "check: a fresh Debian 12 in $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail "$work/debootstrap.log" >&2; exit 1; }
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"
echo "check: apt install ./$(basename "$deb")"
chroot "$root" /bin/sh -c "apt-get update -q && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q /tmp/$(basename "$deb")" >"$work/apt.log" 2>&1 ||
    { tail -20 "$work/apt.log" >&2; exit 1; }

mkdir -m 0700 "$root/tmp/runtime"
mkdir -p "$root/tmp/home"
chroot "$root" env HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen \
    /usr/bin/orvanta >"$work/orvanta.log" 2>&1 &
pid=$!
deadline=$((SECONDS + 60))
until grep -q "devicePixelRatio:" "$work/orvanta.log"; do
    if ! kill -0 "$pid" 2>/dev/null || ((SECONDS > deadline)); then
        cat "$work/orvanta.log" >&2
        echo "check: FAILED, the installed program did not show its window" >&2
        exit 1
    fi
    sleep 0.2
done
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
cat "$work/orvanta.log"
if ((status != 0)); then
    echo "check: FAILED, exit status $status after SIGTERM" >&2
    exit 1
fi
echo "check: installed with apt on a fresh Debian 12, started and closed cleanly"
