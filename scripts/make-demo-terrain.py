#!/usr/bin/env python3
"""Writes the demo's elevation tiles: Terrarium PNG tiles of the Solent demo
area at levels 6 to 12, laid out as a tile server serves them
(OUT/terrarium/<level>/<x>/<y>.png).

The terrain is synthetic: an analytic surface shaped loosely like the area
(downs to the north, a ridge along the Isle of Wight, the Solent and the sea
at 0 m). It is not real elevation data and follows the charts' coastline only
roughly. Needs numpy (Debian: python3-numpy).

Usage: scripts/make-demo-terrain.py [OUT]   (default build/demo/terrain)
The output is deterministic; tiles already written are kept."""

import math
import os
import struct
import sys
import zlib

import numpy as np

WEST, EAST, SOUTH, NORTH = -2.40, -0.40, 50.40, 51.00
LEVELS = range(6, 13)
TILE = 256


def bump(lat, lon, lat0, lon0, height, lat_width, lon_width):
    return height * np.exp(-(((lat - lat0) / lat_width) ** 2) - ((lon - lon0) / lon_width) ** 2)


def surface(lat, lon):
    """Metres above sea level; 0 on the water."""
    # The mainland rises north of the Solent's northern shore...
    shore = 50.84 + 0.025 * np.sin(lon * 9.0)
    land = 40.0 / (1.0 + np.exp(-(lat - shore) / 0.008))
    # ...to rolling downs, highest round 50.95 N.
    land += bump(lat, lon, 50.95, -1.2, 160.0, 0.05, 0.9) * (0.75 + 0.25 * np.cos(lon * 14.0))
    land += bump(lat, lon, 50.93, -2.0, 120.0, 0.06, 0.25)
    land *= 1.0 / (1.0 + np.exp(-(lat - shore) / 0.004))
    # The Isle of Wight: an island whose chalk ridge runs east-west.
    island = bump(lat, lon, 50.675, -1.30, 1.0, 0.055, 0.23)
    wight = np.where(island > 0.35, 20.0 + 200.0 * (island - 0.35)
                     + bump(lat, lon, 50.665, -1.35, 60.0, 0.012, 0.2), 0.0)
    # A gentle swell of detail everywhere on land.
    height = land + wight
    height += np.where(height > 5.0, 6.0 * np.sin(lat * 900.0) * np.cos(lon * 600.0), 0.0)
    return np.where(height > 1.0, height, 0.0)


def pixel_to_latlon(level, gx, gy):
    size = TILE * 2.0 ** level
    lon = gx / size * 360.0 - 180.0
    lat = 90.0 - 360.0 / math.pi * np.arctan(np.exp(-(0.5 - gy / size) * 2.0 * math.pi))
    return lat, lon


def tile_range(level):
    size = TILE * 2 ** level

    def to_pixel(lat, lon):
        s = math.sin(math.radians(lat))
        return ((lon + 180.0) / 360.0 * size,
                (0.5 - math.log((1 + s) / (1 - s)) / (4 * math.pi)) * size)

    x0, y0 = to_pixel(NORTH, WEST)
    x1, y1 = to_pixel(SOUTH, EAST)
    return range(int(x0) // TILE, int(x1) // TILE + 1), range(int(y0) // TILE, int(y1) // TILE + 1)


def png(rgb):
    """An 8-bit RGB PNG of an (h, w, 3) uint8 array."""
    h, w, _ = rgb.shape
    raw = b"".join(b"\x00" + rgb[y].tobytes() for y in range(h))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def encode(height):
    """Terrarium colours: height + 32768 in 1/256 m steps across R, G, B."""
    v = np.clip(np.round((height + 32768.0) * 256.0), 0, 2 ** 24 - 1).astype(np.uint32)
    return np.stack([(v >> 16) & 255, (v >> 8) & 255, v & 255], axis=-1).astype(np.uint8)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "build/demo/terrain"
    written = 0
    for level in LEVELS:
        xs, ys = tile_range(level)
        for x in xs:
            for y in ys:
                path = os.path.join(out, "terrarium", str(level), str(x), f"{y}.png")
                if os.path.exists(path):
                    continue
                gy, gx = np.mgrid[0:TILE, 0:TILE].astype(np.float64)
                lat, lon = pixel_to_latlon(level, x * TILE + gx, y * TILE + gy)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path + ".tmp", "wb") as f:
                    f.write(png(encode(surface(lat, lon))))
                os.replace(path + ".tmp", path)
                written += 1
    print(f"demo terrain: {written} tiles written to {out}")


if __name__ == "__main__":
    main()
