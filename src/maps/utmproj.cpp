#include "maps/utmproj.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kRadians = std::numbers::pi / 180.0;
// The footpoint iteration stops at 0.1 µm of arc; it takes four or five
// steps, so the cap only matters for input the range check let through.
constexpr double kArcTolerance = 1e-7;
constexpr int kMaxIterations = 50;
// Further than this from the central meridian the series diverge.
constexpr double kMaxEastingOffset = 4.0e6;

}  // namespace

void utm_proj::setParameters(double semiMajor, double semiMinor, double falseNorthing,
                             double falseEasting, double scale, double originLatDegrees,
                             double originLonDegrees) {
    init(semiMajor, semiMinor);
    N0 = falseNorthing;
    E0 = falseEasting;
    F0 = scale;
    phi0 = originLatDegrees * kRadians;
    lambda0 = originLonDegrees * kRadians;
}

void utm_proj::init_OSGB() {
    setParameters(kAiry_a, kAiry_b, -100000, 400000, 0.9996012717, 0, 0);
    phi0 = 0.8552113334772207;  // 49° N
    lambda0 = -2 * kRadians;
}

void utm_proj::init_NAD27() {
    setParameters(6378206.4, 6356583.8, 0, 500000, 0.9996, 0, lambda0 / kRadians);
}

void utm_proj::init_WGS84() {
    setParameters(kWGS84_a, kWGS84_b, 0, 500000, 0.9996, 0, lambda0 / kRadians);
}

void utm_proj::init_IrishGrid() {
    setParameters(kModifiedAiry_a, kModifiedAiry_b, 250000, 200000, 1.000035, 53.5, -8);
}

void utm_proj::init_NZTM() {
    setParameters(kWGS84_a, kWGS84_b, 10000000, 1600000, 0.9996, 0, 0);
    lambda0 = 3.019419605950187;  // 173° E
}

void utm_proj::set_central_meridian(double lonDegrees) {
    lambda0 = lonDegrees * kRadians;
}

void utm_proj::set_utm_zone(int zone) {
    set_central_meridian(zone * 6.0 - 183.0);
}

double utm_proj::marc(double bF0, double n, double phi0, double phi) {
    const double n2 = n * n, n3 = n2 * n;
    const double d = phi - phi0, s = phi + phi0;
    return bF0 * ((1 + n + 1.25 * n2 + 1.25 * n3) * d -
                  (3 * n + 3 * n2 + 21.0 / 8 * n3) * std::sin(d) * std::cos(s) +
                  (15.0 / 8 * n2 + 15.0 / 8 * n3) * std::sin(2 * d) * std::cos(2 * s) -
                  35.0 / 24 * n3 * std::sin(3 * d) * std::cos(3 * s));
}

void utm_proj::lat_lon_to_E_N(double lat, double lon, double& E, double& N) const {
    const double phi = lat * kRadians;
    double dl = lon * kRadians - lambda0;
    // Longitudes given the other way round the globe.
    if (dl > std::numbers::pi) dl -= 2 * std::numbers::pi;
    if (dl < -std::numbers::pi) dl += 2 * std::numbers::pi;

    const double s = std::sin(phi), c = std::cos(phi), t = std::tan(phi);
    const double t2 = t * t, t4 = t2 * t2;
    const double w = 1 - e2 * s * s;
    const double nuF = a * F0 / std::sqrt(w);                    // ν, metres
    const double rhoF = a * F0 * (1 - e2) / (w * std::sqrt(w));  // ρ, metres
    const double eta2 = nuF / rhoF - 1;                          // η²
    const double M = marc(b * F0, n, phi0, phi);

    const double c3 = c * c * c, c5 = c3 * c * c;
    const double I = M + N0;
    const double II = nuF / 2 * s * c;
    const double III = nuF / 24 * s * c3 * (5 - t2 + 9 * eta2);
    const double IIIA = nuF / 720 * s * c5 * (61 - 58 * t2 + t4);
    const double IV = nuF * c;
    const double V = nuF / 6 * c3 * (nuF / rhoF - t2);
    const double VI = nuF / 120 * c5 * (5 - 18 * t2 + t4 + 14 * eta2 - 58 * t2 * eta2);

    const double d2 = dl * dl;
    N = I + d2 * (II + d2 * (III + d2 * IIIA));
    E = E0 + dl * (IV + d2 * (V + d2 * VI));
}

bool utm_proj::E_N_to_lat_lon(double E, double N, double& lat, double& lon) const {
    if (!std::isfinite(E) || !std::isfinite(N)) return false;
    const double aF0 = a * F0;
    const double dN = N - N0, dE = E - E0;
    // The meridian from the origin to either pole is at most a quarter ellipse.
    const double quarter = marc(b * F0, n, phi0, std::numbers::pi / 2);
    const double quarterSouth = -marc(b * F0, n, phi0, -std::numbers::pi / 2);
    if (dN > quarter || -dN > quarterSouth || std::fabs(dE) > kMaxEastingOffset) return false;

    double phi = dN / aF0 + phi0;
    double M = marc(b * F0, n, phi0, phi);
    int i = 0;
    do {
        phi += (dN - M) / aF0;
        M = marc(b * F0, n, phi0, phi);
    } while (std::fabs(dN - M) > kArcTolerance && ++i < kMaxIterations);
    if (std::fabs(dN - M) > 1e-3 || std::fabs(phi) >= std::numbers::pi / 2) return false;

    const double s = std::sin(phi), c = std::cos(phi), t = std::tan(phi);
    const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    const double w = 1 - e2 * s * s;
    const double nuF = aF0 / std::sqrt(w);
    const double rhoF = aF0 * (1 - e2) / (w * std::sqrt(w));
    const double eta2 = nuF / rhoF - 1;
    const double sec = 1 / c;
    const double nu3 = nuF * nuF * nuF, nu5 = nu3 * nuF * nuF, nu7 = nu5 * nuF * nuF;

    const double VII = t / (2 * rhoF * nuF);
    const double VIII = t / (24 * rhoF * nu3) * (5 + 3 * t2 + eta2 - 9 * t2 * eta2);
    const double IX = t / (720 * rhoF * nu5) * (61 + 90 * t2 + 45 * t4);
    const double X = sec / nuF;
    const double XI = sec / (6 * nu3) * (nuF / rhoF + 2 * t2);
    const double XII = sec / (120 * nu5) * (5 + 28 * t2 + 24 * t4);
    const double XIIA = sec / (5040 * nu7) * (61 + 662 * t2 + 1320 * t4 + 720 * t6);

    const double e2d = dE * dE;
    const double latRad = phi - e2d * (VII - e2d * (VIII - e2d * IX));
    const double lonRad = lambda0 + dE * (X - e2d * (XI - e2d * (XII - e2d * XIIA)));
    if (!std::isfinite(latRad) || !std::isfinite(lonRad)) return false;
    lat = latRad / kRadians;
    lon = lonRad / kRadians;
    return true;
}
