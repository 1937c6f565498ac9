#!/usr/bin/env bash
# Makes the demo chart set of the Solent (south coast of England) at three
# scales from the GSHHG shorelines: GMT draws each chart (land, water,
# coastline, a graticule and place names) into a PNG whose page is exactly the
# Mercator map frame, GMT's own inverse projection gives a grid of ground
# control points, and the map maker turns image and points into a Kartile map.
#
# Needs: gmt, gmt-gshhg-full (Debian), ghostscript, and a built ovtool.
# The Solent chart is also made as a version-3 map: its header and the
# server's chunk file go to STREAMDIR, from where the demo's local web server
# streams it.
#
# Usage: scripts/make-demo-charts.sh [OUTDIR [STREAMDIR]]
#        (default data/demo/charts and data/demo/stream)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-data/demo/charts}
stream=${2:-data/demo/stream}
ovtool=${OVTOOL:-build/bin/ovtool}
work=$(mktemp -d)
trap 'rm -rf "$work"; rm -f gmt.history' EXIT
mkdir -p "$out" "$stream"

# name | west/east/south/north | width in inches at 200 dpi | grid step | title | scale | v3
charts=(
  "solent-overview|-2.40/-0.40/50.40/51.00|12|0.1|Solent and approaches|1:200000"
  "solent|-1.65/-0.95/50.65/50.92|16|0.05|The Solent|1:50000|v3"
  "portsmouth-harbour|-1.19/-1.05/50.76/50.85|18|0.01|Portsmouth Harbour|1:10000"
)

# Place names: longitude latitude size text
labels() {
  case $1 in
    solent-overview) cat <<'L'
-1.45 50.52 14 English Channel
-1.30 50.67 12 Isle of Wight
-1.40 50.93 10 Southampton
-1.07 50.83 10 Portsmouth
-1.88 50.74 10 Bournemouth
-0.78 50.86 10 Chichester
-1.48 50.755 9 The Solent
L
    ;;
    solent) cat <<'L'
-1.37 50.862 11 Southampton Water
-1.30 50.745 10 Cowes
-1.30 50.69 14 Isle of Wight
-1.43 50.77 12 The Solent
-1.07 50.81 11 Portsmouth
-1.545 50.768 10 Lymington
-1.325 50.818 9 Calshot
-1.10 50.755 11 Spithead
-1.16 50.722 10 Ryde
L
    ;;
    portsmouth-harbour) cat <<'L'
-1.128 50.822 14 Portsmouth Harbour
-1.150 50.793 12 Gosport
-1.080 50.805 12 Portsmouth
-1.085 50.778 12 Southsea
-1.150 50.770 14 Spithead
L
    ;;
  esac
}

for entry in "${charts[@]}"; do
  IFS='|' read -r name region width step title scale v3 <<<"$entry"
  v3args=()
  [[ "$v3" == v3 ]] && v3args=(--v3 "$stream")
  proj="-JM${width}i"
  read -r w h <<<"$(gmt mapproject -R"$region" $proj -W --PROJ_LENGTH_UNIT=inch)"
  ps="$work/$name.ps"
  gmt pscoast -R"$region" $proj -X0 -Y0 --PS_MEDIA="${w}ix${h}i" --MAP_FRAME_PEN=0p \
    --MAP_FRAME_TYPE=plain --MAP_GRID_PEN_PRIMARY=0.3p,90/120/150 \
    -G214/201/140 -S201/228/240 -Df -W0.4p,60/60/60 -Bg"$step" -B+n -P -K >"$ps" 2>/dev/null
  labels "$name" | while read -r lon lat size text; do
      echo "$lon $lat ${size}p,Helvetica-Bold,20/40/90 $text"
    done | gmt pstext -R -J -F+f+jCM -O >>"$ps"
  gmt psconvert "$ps" -Tg -E200 -F"$work/$name"
  # Maps are made of whole 64-pixel tiles: the last partial row and column of
  # tiles are cut off (pixel coordinates of what stays are unchanged).
  read -r fw fh <<<"$(/usr/bin/identify -format '%w %h' "$work/$name.png")"
  png="$work/$name-tiles.png"
  /usr/bin/convert "$work/$name.png" -crop "$((fw / 64 * 64))x$((fh / 64 * 64))+0+0" +repage "$png"
  pw=$fw
  ph=$fh
  # A 7 x 7 grid of control points from GMT's inverse projection (pixel centres
  # are at +0.5; y grows downward in the image and upward on the page).
  gcps=()
  while read -r x y lon lat; do
    gcps+=(--gcp "$x,$y,$lat,$lon")
  done < <(for i in 0 1 2 3 4 5 6; do for j in 0 1 2 3 4 5 6; do
      x=$(awk -v i=$i -v pw="$pw" 'BEGIN{print i*pw/6}')
      y=$(awk -v j=$j -v ph="$ph" 'BEGIN{print j*ph/6}')
      inx=$(awk -v x="$x" -v pw="$pw" -v w="$w" 'BEGIN{printf "%.9f", x/pw*w}')
      iny=$(awk -v y="$y" -v ph="$ph" -v h="$h" 'BEGIN{printf "%.9f", (ph-y)/ph*h}')
      echo "$x $y $(echo "$inx $iny" | gmt mapproject -R"$region" $proj -I --PROJ_LENGTH_UNIT=inch \
        --FORMAT_FLOAT_OUT=%.9f)"
    done; done)
  "$ovtool" ktl make "$png" -o "$out/$name.ktl" "${gcps[@]}" --name "$name" --title "$title" \
    --scale "$scale" --type "Chart" --depths "Metres" --heights "Metres" \
    --copyright "Shorelines: GSHHG (Wessel and Smith), LGPL; drawn with GMT" "${v3args[@]}"
  echo "$out/$name.ktl: $(stat -c %s "$out/$name.ktl") bytes"
done
