#include "maps/simplegrid.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double kMetresPerNm = 1852.0;
}

// Length of a degree of the meridian at whole degrees of latitude, in
// nautical miles (WGS84).
const double CSimpleGrid::kNmPerDegreeLat[91] = {
    59.705333, 59.705516, 59.706068, 59.706986, 59.708270, 59.709917, 59.711928, 59.714297,
    59.717024, 59.720104, 59.723534, 59.727309, 59.731426, 59.735878, 59.740661, 59.745769,
    59.751196, 59.756935, 59.762979, 59.769320, 59.775952, 59.782866, 59.790053, 59.797505,
    59.805214, 59.813168, 59.821360, 59.829778, 59.838413, 59.847254, 59.856291, 59.865512,
    59.874906, 59.884462, 59.894169, 59.904014, 59.913985, 59.924070, 59.934258, 59.944535,
    59.954889, 59.965308, 59.975779, 59.986289, 59.996825, 60.007375, 60.017925, 60.028463,
    60.038976, 60.049451, 60.059875, 60.070236, 60.080521, 60.090717, 60.100813, 60.110795,
    60.120651, 60.130371, 60.139940, 60.149349, 60.158585, 60.167637, 60.176495, 60.185146,
    60.193582, 60.201791, 60.209763, 60.217489, 60.224959, 60.232164, 60.239095, 60.245744,
    60.252103, 60.258163, 60.263918, 60.269360, 60.274483, 60.279281, 60.283747, 60.287876,
    60.291664, 60.295104, 60.298194, 60.300930, 60.303307, 60.305324, 60.306977, 60.308265,
    60.309187, 60.309740, 60.309740,
};

// Length of a degree of the parallel at whole degrees of latitude, in
// nautical miles: (π/180)·a·cos φ / √(1 − e² sin² φ) / 1852 on WGS84.
const double CSimpleGrid::kNmPerDegreeLon[91] = {
    60.107716, 60.098623, 60.071345, 60.025891, 59.962274, 59.880511, 59.780626, 59.662649,
    59.526612, 59.372554, 59.200521, 59.010560, 58.802727, 58.577082, 58.333689, 58.072618,
    57.793945, 57.497749, 57.184116, 56.853137, 56.504906, 56.139525, 55.757100, 55.357741,
    54.941563, 54.508688, 54.059241, 53.593353, 53.111160, 52.612801, 52.098423, 51.568176,
    51.022215, 50.460699, 49.883794, 49.291668, 48.684497, 48.062458, 47.425735, 46.774516,
    46.108994, 45.429366, 44.735832, 44.028600, 43.307880, 42.573885, 41.826835, 41.066954,
    40.294467, 39.509608, 38.712610, 37.903714, 37.083162, 36.251202, 35.408085, 34.554065,
    33.689401, 32.814355, 31.929191, 31.034179, 30.129590, 29.215701, 28.292789, 27.361136,
    26.421027, 25.472749, 24.516593, 23.552851, 22.581819, 21.603796, 20.619083, 19.627981,
    18.630797, 17.627838, 16.619414, 15.605835, 14.587415, 13.564468, 12.537312, 11.506264,
    10.471644, 9.433773,  8.392971,  7.349563,  6.303872,  5.256222,  4.206939,  3.156348,
    2.104777,  1.052552,  0.000000,
};

void CSimpleGrid::SetOrigin(double lat, double lon) {
    m_originLat = lat;
    m_originLon = lon;
    if (!(lat > -90 && lat < 90)) {
        m_metresPerDegreeLat = 0;
        m_metresPerDegreeLon = 0;
        return;
    }
    const double a = std::fabs(lat);
    const int i = int(std::floor(a));
    const double f = a - i;
    m_metresPerDegreeLat =
        kMetresPerNm * (kNmPerDegreeLat[i] * (1 - f) + kNmPerDegreeLat[i + 1] * f);
    m_metresPerDegreeLon =
        kMetresPerNm * (kNmPerDegreeLon[i] * (1 - f) + kNmPerDegreeLon[i + 1] * f);
}

void CSimpleGrid::latlon_to_xy(double lat, double lon, double& x, double& y) const {
    y = (lat - m_originLat) * m_metresPerDegreeLat;
    x = (lon - m_originLon) * m_metresPerDegreeLon;
}

void CSimpleGrid::xy_to_latlon(double x, double y, double& lat, double& lon) const {
    if (m_metresPerDegreeLat == 0) {
        lat = lon = 999;
        return;
    }
    lat = y / m_metresPerDegreeLat + m_originLat;
    lon = x / m_metresPerDegreeLon + m_originLon;
}

double CSimpleGrid::distance(double lat, double lon) const {
    return std::sqrt(distance_squared(lat, lon));
}

double CSimpleGrid::distance_squared(double lat, double lon) const {
    double x, y;
    latlon_to_xy(lat, lon, x, y);
    return x * x + y * y;
}

double CSimpleGrid::distance(double lat1, double lon1, double lat2, double lon2) const {
    double x1, y1, x2, y2;
    latlon_to_xy(lat1, lon1, x1, y1);
    latlon_to_xy(lat2, lon2, x2, y2);
    return std::hypot(x2 - x1, y2 - y1);
}

void CSimpleGrid::distance_and_bearing(double lat, double lon, double& dist,
                                       double& bearing) const {
    double x, y;
    latlon_to_xy(lat, lon, x, y);
    bearing = std::atan2(x, y) * 180.0 / std::numbers::pi;
    if (bearing < 0) bearing += 360;
    dist = std::sqrt(x * x + y * y);
}

void CSimpleGrid::polar_to_xy(double bearing, double range, double& x, double& y) {
    // Single precision is plenty for drawing and proximity.
    const float r = float(bearing * std::numbers::pi / 180.0);
    x = double(float(range) * std::sin(r));
    y = double(float(range) * std::cos(r));
}
