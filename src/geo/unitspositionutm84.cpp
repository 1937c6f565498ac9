#include "geo/unitspositionutm84.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "geo/numbertext.h"
#include "maps/utmproj.h"

namespace {
constexpr double kSouthernFalseNorthing = 10000000;
constexpr char kBands[] = "CDEFGHJKLMNPQRSTUVWX";
constexpr char kOffGrid[] = "<off grid>";
}  // namespace

bool CUnitsPositionUTM84::LatLonToUTM(double lat, double lon, int& zone, double& E, double& N,
                                      bool& south) {
    if (!(std::fabs(lat) < 90) || !std::isfinite(lon)) return false;
    // 180° E is the western edge of zone 1, not a zone 61.
    lon = std::fmod(lon, 360.0);
    if (lon >= 180) lon -= 360;
    if (lon < -180) lon += 360;
    zone = int(std::floor((186 + lon) / 6));
    utm_proj tm;
    tm.init_WGS84();
    tm.set_utm_zone(zone);
    tm.lat_lon_to_E_N(lat, lon, E, N);
    south = N < 0;
    if (south) N += kSouthernFalseNorthing;
    return true;
}

bool CUnitsPositionUTM84::UTMToLatLon(int zone, bool south, double E, double N, double& lat,
                                      double& lon) {
    if (zone < 1 || zone > 60) return false;
    utm_proj tm;
    tm.init_WGS84();
    tm.set_utm_zone(zone);
    return tm.E_N_to_lat_lon(E, south ? N - kSouthernFalseNorthing : N, lat, lon);
}

char CUnitsPositionUTM84::BandLetter(double lat) {
    // Integer division that rounds towards minus infinity.
    const int band = int(std::floor((std::floor(lat) + 80) / 8)) - 10;
    return kBands[std::clamp(band, -10, 9) + 10];
}

bool CUnitsPositionUTM84::format(double lat, double lon, std::string& text) const {
    int zone;
    double E, N;
    bool south;
    if (!LatLonToUTM(lat, lon, zone, E, N, south)) {
        text = kOffGrid;
        return false;
    }
    const char letter = m_bands ? BandLetter(lat) : south ? 'S' : 'N';
    text = stringFormat("%d%c %06.0fE %06.0fN", zone, letter, E, N);
    return true;
}

bool CUnitsPositionUTM84::scan(const char* text, double& lat, double& lon) const {
    // As scanf " %d%c %d E %d": zone, letter, easting, "E", northing.
    if (!text) return false;
    const char* p = text;
    int zone, easting, northing;
    if (!scanInt(p, zone) || !*p) return false;
    const char letter = char(std::toupper(static_cast<unsigned char>(*p++)));
    if (!scanInt(p, easting)) return false;
    skipSpace(p);
    if (*p++ != 'E' || !scanInt(p, northing)) return false;

    bool south;
    if (m_bands) {
        if (letter < 'A' || letter > 'Z') return false;
        south = letter < 'N';
    } else {
        south = letter == 'S';
    }
    return UTMToLatLon(zone, south, easting, northing, lat, lon);
}

static CUnitsPositionUTM84 s_formatUTM84;
static CUnitsPositionUTM84bands s_formatUTM84bands;
