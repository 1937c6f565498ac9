#include "geo/ellipsoid.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double kRadians = std::numbers::pi / 180.0;
}

void ellipsoid::init(double semiMajor, double semiMinor) {
    a = semiMajor;
    b = semiMinor;
    e2 = (a * a - b * b) / (a * a);
    n = (a - b) / (a + b);
    nu = (a + b) / 2;
}

void ellipsoid::init(double semiMajor, double semiMinor, double latDegrees) {
    init(semiMajor, semiMinor);
    set_lat(latDegrees);
}

void ellipsoid::set_lat(double latDegrees) {
    const double s = std::sin(latDegrees * kRadians);
    nu = a / std::sqrt(1 - e2 * s * s);
}

void ellipsoid::lat_long_to_XYZ(double latDegrees, double lonDegrees, double& X, double& Y,
                                double& Z) const {
    const double lat = latDegrees * kRadians, lon = lonDegrees * kRadians;
    X = nu * std::cos(lat) * std::cos(lon);
    Y = nu * std::cos(lat) * std::sin(lon);
    Z = (1 - e2) * nu * std::sin(lat);
}

void ellipsoid::XYZ_to_lat_long(double X, double Y, double Z, double& latDegrees,
                                double& lonDegrees) const {
    const double p = std::hypot(X, Y);
    const double theta = std::atan2(Z, (1 - e2) * p);
    latDegrees = std::atan2(Z + e2 * nu * std::sin(theta), p) / kRadians;
    lonDegrees = std::atan2(Y, X) / kRadians;
}
