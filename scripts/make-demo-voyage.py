#!/usr/bin/env python3
"""Writes the demo voyage: NMEA 0183 at one fix a second along a route in the
Solent (Hamble to Portsmouth), with the sentences a yacht's instruments send:
RMC, GGA, VTG, GSA, GSV, HDG, MWV (apparent and true), MWD, VHW, MTW and DBT.

With --race it writes the race demo instead: a yacht off Cowes before a
start, with the start set ten minutes in ($POVX,SetStartTimer, as another
device on the network would send it), the line's ends passed and shared
($POVX,SetStartLine) on the way, and the start crossed at the gun.

Usage: scripts/make-demo-voyage.py [OUT]   (default data/demo/solent-voyage.nmea)
       scripts/make-demo-voyage.py --race [--now] [OUT]
                                      (default data/demo/cowes-race.nmea;
                                       --now starts it at the present time)
The output is deterministic (fixed seed and start time) unless --now."""

import math
import random
import sys
from datetime import datetime, timedelta, timezone

# Waypoints (latitude, longitude), all in navigable water.
ROUTE = [
    (50.8450, -1.3170),  # off the Hamble
    (50.8330, -1.3180),
    (50.8170, -1.3050),  # Calshot
    (50.7980, -1.2750),
    (50.7800, -1.2300),  # the eastern Solent
    (50.7700, -1.1800),
    (50.7640, -1.1350),  # off Southsea
    (50.7760, -1.1131),
    (50.7937, -1.1131),  # through the harbour entrance
    (50.8000, -1.1170),  # inside Portsmouth Harbour
]
SPEED_KNOTS = 6.0
START = datetime(2026, 7, 18, 9, 0, 0, tzinfo=timezone.utc)
WIND_FROM = 235.0  # true, degrees
WIND_KNOTS = 14.0
VARIATION = -1.0  # degrees, west negative
EARTH_RADIUS_NM = 3440.065


def checksum(body):
    c = 0
    for ch in body:
        c ^= ord(ch)
    return "$%s*%02X" % (body, c)


def distance_bearing(a, b):
    lat1, lon1, lat2, lon2 = map(math.radians, (a[0], a[1], b[0], b[1]))
    dlon = lon2 - lon1
    y = math.sin(dlon) * math.cos(lat2)
    x = math.cos(lat1) * math.sin(lat2) - math.sin(lat1) * math.cos(lat2) * math.cos(dlon)
    brg = (math.degrees(math.atan2(y, x)) + 360) % 360
    h = math.sin((lat2 - lat1) / 2) ** 2 + math.cos(lat1) * math.cos(lat2) * math.sin(dlon / 2) ** 2
    return 2 * EARTH_RADIUS_NM * math.asin(math.sqrt(h)), brg


def move(p, dist_nm, brg):
    lat1, lon1 = map(math.radians, p)
    d = dist_nm / EARTH_RADIUS_NM
    b = math.radians(brg)
    lat2 = math.asin(math.sin(lat1) * math.cos(d) + math.cos(lat1) * math.sin(d) * math.cos(b))
    lon2 = lon1 + math.atan2(math.sin(b) * math.sin(d) * math.cos(lat1),
                             math.cos(d) - math.sin(lat1) * math.sin(lat2))
    return math.degrees(lat2), math.degrees(lon2)


def nmea_lat(lat):
    a = abs(lat)
    d = int(a)
    return "%02d%07.4f" % (d, (a - d) * 60), "N" if lat >= 0 else "S"


def nmea_lon(lon):
    a = abs(lon)
    d = int(a)
    return "%03d%07.4f" % (d, (a - d) * 60), "E" if lon >= 0 else "W"


def instrument_sentences(rng, t, heading, sog, wind_from, wind_speed):
    """The wind (true, relative to the bow and from north), the log and the
    water temperature for one second, from the true wind and the boat's
    heading and speed."""
    stw = sog * (1 + rng.uniform(-0.02, 0.02))
    true_rel = (wind_from - heading) % 360
    water_c = 16.5 + 0.5 * math.sin(t.timestamp() / 900.0)
    return [
        checksum("WIMWD,%.1f,T,%.1f,M,%.1f,N,%.1f,M" % (wind_from % 360, (wind_from - VARIATION) % 360,
                                                         wind_speed, wind_speed * 0.514444)),
        checksum("WIMWV,%.1f,T,%.1f,N,A" % (true_rel, wind_speed)),
        checksum("VWVHW,,T,%.1f,M,%.1f,N,%.1f,K" % ((heading - VARIATION) % 360, stw, stw * 1.852)),
        checksum("YXMTW,%.1f,C" % water_c),
        checksum("IIRSA,%.1f,A,," % rng.uniform(-4, 4)),
    ]


# The race off Cowes: a line of 300 m square to a westerly, approached from
# the east; the start ten minutes after it is set, fifteen into the log.
RACE_LINE_CENTRE = (50.7720, -1.2960)
RACE_WIND_FROM = 250.0
RACE_START_SET = 600   # seconds into the log
RACE_PERIOD_MIN = 5


def race_route():
    """Legs as (waypoint, knots): out to the committee boat, along the line
    to the buoy, back out, then to the line at the gun and beyond."""
    c = RACE_LINE_CENTRE
    right = move(c, 150 / 1852.0, (RACE_WIND_FROM + 90) % 360)  # starboard end, north
    left = move(c, 150 / 1852.0, (RACE_WIND_FROM - 90) % 360)   # port end, south
    east = (RACE_WIND_FROM + 180) % 360
    legs = [
        (move(right, 40 / 1852.0, east), 5.0),
        (move(left, 40 / 1852.0, east), 5.0),
        (move(c, 580 / 1852.0, east), 5.0),
        (c, 6.0),
        (move(c, 1500 / 1852.0, RACE_WIND_FROM), 6.0),
    ]
    return move(c, 1000 / 1852.0, (east - 20) % 360), legs, left, right


def race_main(args):
    now = "--now" in args
    args = [a for a in args if a != "--now"]
    out_path = args[0] if args else "data/demo/cowes-race.nmea"
    start = datetime.now(timezone.utc).replace(microsecond=0) if now else \
        datetime(2026, 7, 25, 10, 45, 0, tzinfo=timezone.utc)
    rng = random.Random(20260725)
    pos, legs, left, right = race_route()
    lines = []
    t = start
    line_shared = False
    heading = None
    for target, knots in legs:
        while True:
            dist, course = distance_bearing(pos, target)
            step = knots / 3600.0
            if dist <= step:
                break
            heading = course if heading is None else heading + ((course - heading + 540) % 360 - 180) * 0.5
            pos = move(pos, step, course)
            elapsed = int((t - start).total_seconds())
            hms, dmy = t.strftime("%H%M%S") + ".00", t.strftime("%d%m%y")
            la, ns = nmea_lat(pos[0])
            lo, ew = nmea_lon(pos[1])
            cog = (course + rng.uniform(-1, 1)) % 360
            lines.append(checksum("GPRMC,%s,A,%s,%s,%s,%s,%.1f,%.1f,%s,1.0,W,A" % (hms, la, ns, lo, ew, knots, cog, dmy)))
            lines.append(checksum("GPGGA,%s,%s,%s,%s,%s,1,09,0.8,1.5,M,47.0,M,," % (hms, la, ns, lo, ew)))
            lines.append(checksum("HCHDG,%.1f,,,1.0,W" % ((heading - VARIATION) % 360)))
            wind_from = RACE_WIND_FROM + rng.uniform(-8, 8)
            wind_speed = 15.0 + rng.uniform(-3, 3)
            rel = math.radians(wind_from - heading)
            ax, ay = wind_speed * math.sin(rel), wind_speed * math.cos(rel) + knots
            lines.append(checksum("WIMWV,%.1f,R,%.1f,N,A" % (math.degrees(math.atan2(ax, ay)) % 360, math.hypot(ax, ay))))
            lines.extend(instrument_sentences(rng, t, heading, knots, wind_from, wind_speed))
            lines.append(checksum("SDDBT,%.1f,f,%.1f,M,%.1f,F" % (12 / 0.3048, 12.0, 12 / 1.8288)))
            if elapsed == RACE_START_SET:
                gun = t + timedelta(seconds=RACE_PERIOD_MIN * 60)
                lines.append(checksum("POVX,SetStartTimer,%d,%d" % (int(gun.timestamp()), RACE_PERIOD_MIN)))
            if not line_shared and target == legs[2][0]:
                # Past both ends: the line as another boat's plotter shares it.
                lines.append(checksum("POVX,SetStartLine,%.6f,%.6f,%.6f,%.6f" % (left + right)))
                line_shared = True
            t += timedelta(seconds=1)
        pos = target
    with open(out_path, "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
    print("%s: %d sentences, %d s" % (out_path, len(lines), int((t - start).total_seconds())))


# ---- AIS traffic: a few vessels around the voyage, as !AIVDM sentences ----

AIS_COLLISION_START = 1150  # seconds into the voyage: the crossing vessel appears
AIS_COLLISION_MEET = 1900   # ... and would meet the demo boat here
AIS_COLLISION_TURN = 1720   # ... but turns away here


def ais_sentences(fields, seq):
    """Fields (value, bits) armoured six bits a character into !AIVDM lines of
    at most 60 payload characters."""
    bits = "".join(format(v & ((1 << n) - 1), "0%db" % n) for v, n in fields)
    fill = (6 - len(bits) % 6) % 6
    bits += "0" * fill
    payload = "".join(chr(int(bits[i:i + 6], 2) + (48 if int(bits[i:i + 6], 2) < 40 else 56))
                      for i in range(0, len(bits), 6))
    parts = [payload[i:i + 60] for i in range(0, len(payload), 60)]
    out = []
    for n, part in enumerate(parts):
        body = "AIVDM,%d,%d,%s,A,%s,%d" % (len(parts), n + 1, str(seq % 10) if len(parts) > 1 else "",
                                           part, fill if n + 1 == len(parts) else 0)
        c = 0
        for ch in body:
            c ^= ord(ch)
        out.append("!%s*%02X" % (body, c))
    return out


def ais_text(text, n):
    text = text.upper()[:n].ljust(n, "@")
    return [((ord(ch) - 64) if ord(ch) >= 64 else ord(ch), 6) for ch in text]


def ais_position(mmsi, pos, sog, cog, status, class_b=False):
    lon = int(round(pos[1] * 600000))
    lat = int(round(pos[0] * 600000))
    if class_b:
        fields = [(18, 6), (0, 2), (mmsi, 30), (0, 8), (int(round(sog * 10)), 10), (0, 1),
                  (lon, 28), (lat, 27), (int(round(cog * 10)) % 3600, 12), (int(round(cog)) % 360, 9),
                  (60, 6), (0, 2), (1, 1), (0, 5), (0, 1), (0, 20)]
    else:
        fields = [(1, 6), (0, 2), (mmsi, 30), (status, 4), (0x80, 8), (int(round(sog * 10)), 10),
                  (0, 1), (lon, 28), (lat, 27), (int(round(cog * 10)) % 3600, 12),
                  (int(round(cog)) % 360 if sog > 0.5 else 511, 9), (60, 6), (0, 25)]
    return ais_sentences(fields, 0)


def ais_static(vessel, seq, class_b=False):
    mmsi, name, callsign, dest, ship_type, bow, stern = vessel
    if class_b:  # its two static parts
        return (ais_sentences([(24, 6), (0, 2), (mmsi, 30), (0, 2)] + ais_text(name, 20) + [(0, 8)], 0) +
                ais_sentences([(24, 6), (0, 2), (mmsi, 30), (1, 2), (ship_type, 8)] + ais_text("", 7) +
                              ais_text(callsign, 7) + [(bow, 9), (stern, 9), (3, 6), (3, 6), (1, 4), (0, 2)], 0))
    return ais_sentences([(5, 6), (0, 2), (mmsi, 30), (0, 2), (0, 30)] + ais_text(callsign, 7) +
                         ais_text(name, 20) + [(ship_type, 8), (bow, 9), (stern, 9), (8, 6), (8, 6),
                                               (1, 4), (7, 4), (18, 5), (12, 5), (0, 6), (50, 8)] +
                         ais_text(dest, 20) + [(0, 1), (0, 1)], seq)


FERRY = (235012345, "ST CLARE", "MWLK3", "FISHBOURNE", 60, 60, 26)
ANCHORED = (235067890, "NORDIC STAR", "LAXQ4", "SOUTHAMPTON", 80, 140, 43)
YACHT = (235098765, "SEA BREEZE", "MSBZ7", "", 36, 9, 3)
CROSSING = (235055551, "SOLENT TRADER", "MSTR2", "PORTSMOUTH", 70, 90, 30)
FERRY_ROUTE = [(50.7930, -1.1110), (50.7640, -1.1500), (50.7330, -1.2010)]


def ferry_at(seconds):
    """The ferry shuttling to and fro at 12 knots, with 5 minutes alongside at each end."""
    legs = [distance_bearing(FERRY_ROUTE[i], FERRY_ROUTE[i + 1]) for i in range(len(FERRY_ROUTE) - 1)]
    crossing = sum(d for d, _ in legs) / 12.0 * 3600
    cycle = 2 * (crossing + 300)
    s = seconds % cycle
    route, legs_out = FERRY_ROUTE, legs
    if s >= crossing + 300:
        s -= crossing + 300
        route = FERRY_ROUTE[::-1]
        legs_out = [distance_bearing(route[i], route[i + 1]) for i in range(len(route) - 1)]
    if s >= crossing:
        return route[-1], 0.0, legs_out[-1][1]
    gone = s * 12.0 / 3600
    for (d, brg), start in zip(legs_out, route):
        if gone <= d:
            return move(start, gone, brg), 12.0, brg
        gone -= d
    return route[-1], 0.0, legs_out[-1][1]


def yacht_at(seconds):
    """The yacht sailing a circle of 0.8 nautical miles off Calshot at 5 knots."""
    angle = seconds * 5.0 / 3600 / 0.8  # radians round the circle
    brg = math.degrees(angle) % 360
    return move((50.8000, -1.2950), 0.8, brg), 5.0, (brg + 90) % 360


def crossing_at(seconds, own_track):
    """The vessel bound for the demo boat's track at 12 knots, until it turns away."""
    meet = own_track[min(AIS_COLLISION_MEET, len(own_track) - 1)]
    start_dist = (AIS_COLLISION_MEET - AIS_COLLISION_START) * 12.0 / 3600
    start = move(meet, start_dist, 200.0)
    _, course = distance_bearing(start, meet)
    run = min(seconds, AIS_COLLISION_TURN) - AIS_COLLISION_START
    pos = move(start, run * 12.0 / 3600, course)
    if seconds <= AIS_COLLISION_TURN:
        return pos, 12.0, course
    turned = (course - 80) % 360
    return move(pos, (seconds - AIS_COLLISION_TURN) * 12.0 / 3600, turned), 12.0, turned


def ais_traffic(seconds, own_track):
    """The AIS sentences heard in one second of the voyage."""
    out = []
    if seconds % 10 == 3:
        pos, sog, cog = ferry_at(seconds)
        out += ais_position(FERRY[0], pos, sog, cog, 0 if sog > 0 else 5)
    if seconds % 120 == 17:
        out += ais_position(ANCHORED[0], (50.7610, -1.1650), 0.0, 0.0, 1)
    if seconds % 30 == 11:
        pos, sog, cog = yacht_at(seconds)
        out += ais_position(YACHT[0], pos, sog, cog, 8, class_b=True)
    if AIS_COLLISION_START <= seconds and seconds % 10 == 7:
        pos, sog, cog = crossing_at(seconds, own_track)
        out += ais_position(CROSSING[0], pos, sog, cog, 0)
    for n, vessel in enumerate((FERRY, ANCHORED, YACHT)):
        if seconds % 360 == 30 + 40 * n:
            out += ais_static(vessel, n, class_b=vessel is YACHT)
    if seconds == AIS_COLLISION_START or (seconds > AIS_COLLISION_START and seconds % 360 == 150):
        out += ais_static(CROSSING, 4)
    return out


def with_ais_traffic(lines, second_ends, own_track):
    """The voyage's lines with each second's AIS sentences after its own."""
    out, at = [], 0
    for seconds, end in enumerate(second_ends):
        out += lines[at:end]
        out += ais_traffic(seconds, own_track)
        at = end
    return out + lines[at:]


def main():
    out_path = sys.argv[1] if len(sys.argv) > 1 else "data/demo/solent-voyage.nmea"
    if "--race" in sys.argv[1:]:
        return race_main([a for a in sys.argv[1:] if a != "--race"])
    rng = random.Random(20260718)
    # Its own generator, so that the other sentences stay as they were.
    instrument_rng = random.Random(7)
    sats = [(2, 45, 120), (5, 62, 200), (7, 30, 300), (9, 15, 40), (13, 70, 80),
            (15, 25, 250), (20, 10, 330), (24, 55, 160)]
    lines = []
    t = START
    pos = ROUTE[0]
    leg = 1
    heading = None
    second_ends, own_track = [], []
    while leg < len(ROUTE):
        dist, course = distance_bearing(pos, ROUTE[leg])
        step = SPEED_KNOTS / 3600.0 * (1 + 0.03 * math.sin(t.timestamp() / 37.0))
        if dist <= step:
            pos = ROUTE[leg]
            leg += 1
            continue
        heading = course if heading is None else heading + ((course - heading + 540) % 360 - 180) * 0.3
        pos = move(pos, step, course)
        sog = step * 3600.0
        cog = (course + rng.uniform(-1.5, 1.5)) % 360
        hms = t.strftime("%H%M%S") + ".00"
        dmy = t.strftime("%d%m%y")
        la, ns = nmea_lat(pos[0])
        lo, ew = nmea_lon(pos[1])
        var = "%.1f,%s" % (abs(VARIATION), "W" if VARIATION < 0 else "E")
        lines.append(checksum("GPRMC,%s,A,%s,%s,%s,%s,%.1f,%.1f,%s,%s,A" % (hms, la, ns, lo, ew, sog, cog, dmy, var)))
        lines.append(checksum("GPGGA,%s,%s,%s,%s,%s,1,08,0.9,%.1f,M,47.0,M,," % (hms, la, ns, lo, ew, 2.0 + rng.uniform(-0.5, 0.5))))
        lines.append(checksum("GPVTG,%.1f,T,%.1f,M,%.1f,N,%.1f,K,A" % (cog, (cog - VARIATION) % 360, sog, sog * 1.852)))
        if int(t.timestamp()) % 5 == 0:
            lines.append(checksum("GPGSA,A,3,%s,,,,,1.6,0.9,1.3" % ",".join("%02d" % s[0] for s in sats)))
            for m in range(2):
                recs = ",".join("%02d,%02d,%03d,%02d" % (s[0], s[1], s[2], 30 + rng.randint(0, 18))
                                for s in sats[m * 4:(m + 1) * 4])
                lines.append(checksum("GPGSV,2,%d,08,%s" % (m + 1, recs)))
        magnetic = (heading - VARIATION) % 360
        lines.append(checksum("HCHDG,%.1f,,,%.1f,%s" % (magnetic, abs(VARIATION), "W" if VARIATION < 0 else "E")))
        wind_from = WIND_FROM + rng.uniform(-6, 6)
        wind_speed = WIND_KNOTS + rng.uniform(-2, 2)
        # Apparent wind: the true wind's velocity less the boat's, seen from the bow.
        rel = math.radians(wind_from - heading)
        ax = wind_speed * math.sin(rel)
        ay = wind_speed * math.cos(rel) + sog
        apparent_angle = math.degrees(math.atan2(ax, ay)) % 360
        lines.append(checksum("WIMWV,%.1f,R,%.1f,N,A" % (apparent_angle, math.hypot(ax, ay))))
        lines.extend(instrument_sentences(instrument_rng, t, heading, sog, wind_from, wind_speed))
        depth_m = 6.0 + 4.0 * math.sin(t.timestamp() / 300.0) + rng.uniform(-0.2, 0.2)
        lines.append(checksum("SDDBT,%.1f,f,%.1f,M,%.1f,F" % (depth_m / 0.3048, depth_m, depth_m / 1.8288)))
        second_ends.append(len(lines))
        own_track.append(pos)
        t += timedelta(seconds=1)
    lines = with_ais_traffic(lines, second_ends, own_track)
    with open(out_path, "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
    print("%s: %d sentences, %d s" % (out_path, len(lines), int((t - START).total_seconds())))


if __name__ == "__main__":
    main()
