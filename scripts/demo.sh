#!/usr/bin/env bash
# Starts the built Orvanta on its demo data: the Solent chart set, with the
# Solent chart streamed as a version-3 map from a local web server, and the
# voyage from the Hamble to Portsmouth Harbour replayed as the live position.
# The same server serves elevation tiles of the area (synthetic terrain, made
# by scripts/make-demo-terrain.py into build/demo/terrain on first use).
# The demo keeps its settings and maps apart from the user's (profile "demo",
# maps and downloaded chunks in build/demo/maps). Extra arguments go to the
# program. DEMO_LOG=race replays the race start off Cowes instead, made
# afresh so that its clock is now: the start is set 10 minutes in, for 15.
# The voyage has AIS traffic: a ferry, a ship at anchor, a yacht, and a
# cargo ship on a collision course about twenty minutes in (DEMO_FROM).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
mkdir -p "$build/demo/maps" "$build/demo/nginx" "$build/demo/terrain"
demo=$(cd "$build/demo" && pwd)

# Classic overview and harbour charts; the Solent chart's header only: its
# tiles come from the server as the view needs them, and stay.
cp -f data/demo/charts/solent-overview.ktl data/demo/charts/portsmouth-harbour.ktl "$demo/maps/"
# The charts' place names, for the find-place dialog.
cp -f data/demo/charts/solent.ovnm "$demo/maps/"
if ! cmp -s data/demo/stream/solent.ktl "$demo/maps/solent.ktl"; then
    cp -f data/demo/stream/solent.ktl "$demo/maps/solent.ktl"
    rm -rf "$demo/maps/solent.kt3" "$demo/maps/solent.KT3"
fi
# A new demo profile starts at sea: nautical miles and knots (the user may
# change it later, and that choice is kept).
settings_file=$("$build/bin/ovtool" settings path --profile demo)
if [[ ! -e "$settings_file" ]]; then
    # Elevation tiles are fetched as the cursor and profiles need them.
    for setting in "CDefaultUnits:units 1" "CDefaultUnits:speed 1" \
        "CKartileView:automatic_download 1"; do
        # shellcheck disable=SC2086
        "$build/bin/ovtool" settings set $setting --profile demo >/dev/null || true
    done
fi

# Synthetic elevation tiles of the area: made once (tiles already there are kept).
/usr/bin/python3 scripts/make-demo-terrain.py "$demo/terrain" ||
    echo "demo: no elevation tiles (they need python3-numpy)" >&2

# The map server: nginx on loopback, rate-limited so the streaming shows.
nginx_pid=
for port in $(seq 8642 8699); do
    cat >"$demo/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $demo/nginx/nginx.pid;
error_log $demo/nginx/error.log;
events { worker_connections 64; }
http {
    access_log off;
    client_body_temp_path $demo/nginx/body;
    proxy_temp_path $demo/nginx/proxy;
    fastcgi_temp_path $demo/nginx/fastcgi;
    uwsgi_temp_path $demo/nginx/uwsgi;
    scgi_temp_path $demo/nginx/scgi;
    default_type application/octet-stream;
    server {
        listen 127.0.0.1:$port;
        root $PWD/data/demo/stream;
        limit_rate 96k;
        # The chart set as a map package's files (the package is made below).
        location /package/ {
            alias $PWD/data/demo/charts/;
        }
        location /terrarium/ { root $demo/terrain; }
    }
}
CONF
    rm -f "$demo/nginx/nginx.pid"
    /usr/sbin/nginx -p "$demo/nginx" -c "$demo/nginx/nginx.conf" \
        -e "$demo/nginx/error.log" &
    nginx_pid=$!
    # nginx writes its pid file once it holds the port; a taken port makes
    # it retry for a few seconds and then give up.
    for _ in $(seq 1 40); do
        if [[ -s "$demo/nginx/nginx.pid" ]] || ! kill -0 "$nginx_pid" 2>/dev/null; then break; fi
        sleep 0.1
    done
    if [[ -s "$demo/nginx/nginx.pid" ]] && kill -0 "$nginx_pid" 2>/dev/null; then break; fi
    kill "$nginx_pid" 2>/dev/null || true
    nginx_pid=
done
if [[ -n "$nginx_pid" ]]; then
    trap 'kill "$nginx_pid" 2>/dev/null || true' EXIT
    "$build/bin/ovtool" settings set CWebWorker:serverBase "http://127.0.0.1:$port/" \
        --profile demo >/dev/null || echo "demo: could not set the map server" >&2
    "$build/bin/ovtool" settings set MZElevationData:tileServer "http://127.0.0.1:$port/" \
        --profile demo >/dev/null || echo "demo: could not set the elevation server" >&2
    echo "demo: map server on http://127.0.0.1:$port/"
    mkdir -p "$demo/package"
    "$build/bin/ovtool" pkg make data/demo/charts --server "http://127.0.0.1:$port/package" \
        -o "$demo/package/solent-charts.ovpkg" 2>/dev/null &&
        echo "demo: the charts as a map package: $demo/package/solent-charts.ovpkg"
else
    echo "demo: no local map server could start; the Solent chart stays blank" >&2
fi

log=data/demo/solent-voyage.nmea
if [[ "${DEMO_LOG:-voyage}" == race ]]; then
    log="$demo/cowes-race.nmea"
    /usr/bin/python3 scripts/make-demo-voyage.py --race --now "$log"
elif [[ -n "${DEMO_FROM:-}" ]]; then
    # DEMO_FROM=SECONDS joins the voyage that far in (1150: the AIS
    # collision alarm of the crossing cargo ship comes within a minute).
    awk -v from="$DEMO_FROM" '/^\$GPRMC/ { n++ } n > from' "$log" >"$demo/voyage-from.nmea"
    log="$demo/voyage-from.nmea"
fi
"$build/bin/orvanta" -profile demo "$demo/maps" "$log" "$@"
