#include "geo/unitsnztm.h"

#include <GeographicLib/TransverseMercator.hpp>
#include <cmath>

#include "geo/ellipsoid.h"
#include "geo/numbertext.h"

namespace {

constexpr double kFalseEasting = 1600000, kFalseNorthing = 10000000;  // metres
constexpr double kCentralMeridian = 173;                              // degrees
constexpr double kScale = 0.9996;

// NZ reaches 6.7° from the central meridian, where the National Grid series
// of utm_proj are 2 cm out; Krüger's series (GeographicLib) stay exact there.
const GeographicLib::TransverseMercator* projection() {
    try {
        static const GeographicLib::TransverseMercator tm(
            ellipsoid::kWGS84_a, (ellipsoid::kWGS84_a - ellipsoid::kWGS84_b) / ellipsoid::kWGS84_a,
            kScale);
        return &tm;
    } catch (...) {
        return nullptr;
    }
}

// Beyond a quarter meridian north or south, or 4000 km east or west, the
// numbers are not a position on this grid (and would not read back).
bool onGrid(double x, double y) {
    return std::fabs(x) <= 4.0e6 && std::fabs(y) <= 1.0e7;
}

}  // namespace

bool CUnitsNZTM::LatLonToNZTM(double lat, double lon, double& E, double& N) {
    const GeographicLib::TransverseMercator* tm = projection();
    if (!tm || !(std::fabs(lat) < 90) || !std::isfinite(lon)) return false;
    double x, y;
    tm->Forward(kCentralMeridian, lat, lon, x, y);
    if (!onGrid(x, y)) return false;
    E = x + kFalseEasting;
    N = y + kFalseNorthing;
    return true;
}

bool CUnitsNZTM::NZTMToLatLon(double E, double N, double& lat, double& lon) {
    const GeographicLib::TransverseMercator* tm = projection();
    const double x = E - kFalseEasting, y = N - kFalseNorthing;
    if (!tm || !onGrid(x, y)) return false;
    double la, lo;
    tm->Reverse(kCentralMeridian, x, y, la, lo);
    if (!std::isfinite(la) || !std::isfinite(lo)) return false;
    lat = la;
    lon = lo;
    return true;
}

bool CUnitsNZTM::format(double lat, double lon, std::string& text) const {
    double E, N;
    if (!LatLonToNZTM(lat, lon, E, N)) {
        text = "<off grid>";
        return false;
    }
    text = stringFormat("%06.0f %06.0f", E, N);
    return true;
}

bool CUnitsNZTM::scan(const char* text, double& lat, double& lon) const {
    if (!text) return false;
    const char* p = text;
    double E, N;
    if (!scanDouble(p, E) || !scanDouble(p, N)) return false;
    return NZTMToLatLon(E, N, lat, lon);
}

static CUnitsNZTM s_formatNZTM;
