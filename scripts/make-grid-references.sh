#!/usr/bin/env bash
# Makes the grid reference tables in tests/geo/data/ that the grid tests
# compare against: independent conversions of a lattice of points across each
# system's area by PROJ (cs2cs, Debian proj-bin) and GeographicLib
# (GeoConvert, Debian geographiclib-tools). Run once; the tables are kept.
#
# The national grids use the same seven-parameter Helmert sets as the
# program (+towgs84, position-vector convention, from the local datum to
# WGS84). NZTM is taken on WGS84 without a datum shift, as the program does.
set -euo pipefail
cd "$(dirname "$0")/.."
out=tests/geo/data
mkdir -p "$out"
command -v cs2cs >/dev/null || { echo "needs cs2cs (apt-get install proj-bin)"; exit 1; }
command -v GeoConvert >/dev/null || { echo "needs GeoConvert (apt-get install geographiclib-tools)"; exit 1; }

python3 - "$out" <<'PY'
import math, subprocess, sys
out = sys.argv[1]

def run(cmd, lines):
    r = subprocess.run(cmd, input="\n".join(lines) + "\n", capture_output=True, text=True,
                       check=True)
    return r.stdout.strip().split("\n")

def frange(start, stop, step):
    v = start
    while v <= stop + 1e-9:
        yield round(v, 6)
        v += step

WGS84 = "+proj=longlat +datum=WGS84 +no_defs"

def cs2cs_forward(target, points):
    rows = run(["cs2cs", "-f", "%.4f", WGS84, "+to", target],
               ["%.6f %.6f 0" % (lon, lat) for lat, lon in points])
    return [tuple(float(v) for v in r.split()[:2]) for r in rows]

# UTM: 6 degree zones from 180 W without exceptions, 80 S to 84 N.
utm = {}
for lat in frange(-79.5, 83.5, 4.1):
    for lon in frange(-179.9, 179.9, 7.31):
        zone = int(math.floor((186 + lon) / 6))
        utm.setdefault((zone, lat < 0), []).append((lat, lon))
with open(out + "/utm_reference.txt", "w") as f:
    f.write("# lat lon zone hemisphere | GeoConvert E N | cs2cs E N (metres)\n")
    for (zone, south), pts in sorted(utm.items()):
        hemi = "s" if south else "n"
        geo = run(["GeoConvert", "-u", "-p", "4", "-z", "%d%s" % (zone, hemi)],
                  ["%.6f %.6f" % p for p in pts])
        proj = cs2cs_forward("+proj=utm +zone=%d %s+datum=WGS84 +no_defs" %
                             (zone, "+south " if south else ""), pts)
        for (lat, lon), g, (pe, pn) in zip(pts, geo, proj):
            z, ge, gn = g.split()
            f.write("%.6f %.6f %d %s %s %s %.4f %.4f\n" % (lat, lon, zone, hemi, ge, gn, pe, pn))

# MGRS at 1 m, and GeoConvert's reading of each reference (square centres).
pts = [(lat, lon) for lat in frange(-89.5, 89.5, 3.7) for lon in frange(-179.7, 179.7, 11.3)]
mgrs = run(["GeoConvert", "-m", "-p", "0"], ["%.6f %.6f" % p for p in pts])
back = run(["GeoConvert", "-g", "-p", "6"], mgrs)
with open(out + "/mgrs_reference.txt", "w") as f:
    f.write("# lat lon | GeoConvert MGRS (1 m) | GeoConvert lat lon of its centre\n")
    for (lat, lon), m, b in zip(pts, mgrs, back):
        f.write("%.6f %.6f %s %s\n" % (lat, lon, m, b))

def grid(name, target, lats, lons, maxE, maxN):
    lats, lons = list(lats), list(lons)
    pts = [(lat, lon) for lat in lats for lon in lons]
    res = cs2cs_forward(target, pts)
    with open(out + "/%s_reference.txt" % name, "w") as f:
        f.write("# lat lon | cs2cs E N (metres): %s\n" % target)
        for (lat, lon), (e, n) in zip(pts, res):
            if 0 <= e < maxE and 0 <= n < maxN:
                f.write("%.6f %.6f %.4f %.4f\n" % (lat, lon, e, n))

grid("osgb", "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 "
     "+ellps=airy +towgs84=446.448,-125.157,542.060,0.1502,0.2470,0.8421,-20.4894 +no_defs",
     frange(49.8, 60.9, 0.37), frange(-8.6, 1.9, 0.41), 700000, 1300000)
grid("irish", "+proj=tmerc +lat_0=53.5 +lon_0=-8 +k=1.000035 +x_0=200000 +y_0=250000 "
     "+ellps=mod_airy +towgs84=482.530,-130.596,564.557,-1.042,-0.214,-0.631,8.15 +no_defs",
     frange(51.3, 55.5, 0.17), frange(-10.7, -5.3, 0.23), 400000, 500000)
grid("nztm", "+proj=tmerc +lat_0=0 +lon_0=173 +k=0.9996 +x_0=1600000 +y_0=10000000 "
     "+ellps=GRS80 +towgs84=0,0,0,0,0,0,0 +no_defs",
     frange(-47.4, -34.3, 0.53), frange(166.3, 178.7, 0.47), 1e9, 1e9)
PY
wc -l "$out"/*_reference.txt
