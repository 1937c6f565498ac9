#include "geo/magneticmodel.h"

#include <QDebug>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

#include "app/base/directories.h"
#include "app/base/fileutils.h"
#include "geo/numbertext.h"

namespace {

constexpr double kRadians = std::numbers::pi / 180.0;
constexpr double kWGS84A = 6378.137;  // km
constexpr double kWGS84F = 1 / 298.257223563;
constexpr double kReferenceRadius = 6371.2;  // geomagnetic reference radius, km

}  // namespace

bool CMagneticModel::LoadText(const std::string& text) {
    m_degree = 0;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line)) return false;
    const char* p = line.c_str();
    double epoch = 0;
    if (!scanDouble(p, epoch) || !(epoch > 1900 && epoch < 2200)) return false;

    int degree = 0;
    while (std::getline(in, line)) {
        if (line.compare(0, 4, "9999") == 0) break;
        const char* q = line.c_str();
        int n = 0, m = 0;
        double g = 0, h = 0, gd = 0, hd = 0;
        if (!scanInt(q, n) || !scanInt(q, m) || !scanDouble(q, g) || !scanDouble(q, h) ||
            !scanDouble(q, gd) || !scanDouble(q, hd))
            continue;  // blank or foreign line
        if (n < 1 || n > kMaxDegree || m < 0 || m > n) return false;
        m_g[n][m] = g;
        m_h[n][m] = h;
        m_gDot[n][m] = gd;
        m_hDot[n][m] = hd;
        degree = std::max(degree, n);
    }
    m_epoch = epoch;
    m_degree = degree;
    return degree > 0;
}

bool CMagneticModel::LoadFile(const std::string& path) {
    std::string text;
    if (!read_whole_file(path, text)) return false;
    return LoadText(text);
}

bool CMagneticModel::Evaluate(double lat, double lon, double height_km, double decimal_year,
                              Field& field) const {
    if (!IsLoaded() || !std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(height_km) ||
        !std::isfinite(decimal_year) || std::fabs(lat) > 90)
        return false;
    const double dt = decimal_year - m_epoch;

    // Geodetic to geocentric spherical coordinates.
    const double phi = lat * kRadians, lambda = lon * kRadians;
    const double e2 = kWGS84F * (2 - kWGS84F);
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double rc = kWGS84A / std::sqrt(1 - e2 * sinPhi * sinPhi);
    const double p = (rc + height_km) * cosPhi;
    const double z = (rc * (1 - e2) + height_km) * sinPhi;
    const double r = std::hypot(p, z);
    double phiC = std::asin(z / r);
    // The east component divides by cos φ'; stay a hair off the pole.
    const double limit = std::numbers::pi / 2 - 1e-9;
    phiC = std::clamp(phiC, -limit, limit);
    const double x = std::sin(phiC), c = std::cos(phiC);

    // Unnormalised associated Legendre functions of sin φ' (no Condon-Shortley
    // phase) and their derivatives with respect to φ'.
    const int N = m_degree;
    double P[kMaxDegree + 2][kMaxDegree + 2] = {};
    double dP[kMaxDegree + 1][kMaxDegree + 1] = {};
    P[0][0] = 1;
    for (int m = 0; m <= N; ++m) {
        if (m > 0) P[m][m] = P[m - 1][m - 1] * (2 * m - 1) * c;
        if (m + 1 <= N) P[m + 1][m] = x * (2 * m + 1) * P[m][m];
        for (int n = m + 2; n <= N; ++n)
            P[n][m] = ((2 * n - 1) * x * P[n - 1][m] - (n + m - 1) * P[n - 2][m]) / (n - m);
    }
    for (int n = 1; n <= N; ++n)
        for (int m = 0; m <= n; ++m)
            dP[n][m] = ((n + m) * (m <= n - 1 ? P[n - 1][m] : 0.0) - n * x * P[n][m]) / c;

    double Xp = 0, Yp = 0, Zp = 0;
    const double ratio = kReferenceRadius / r;
    double ratioPow = ratio * ratio;  // (a/r)^(n+2) starts at n = 0
    for (int n = 1; n <= N; ++n) {
        ratioPow *= ratio;
        // Schmidt semi-normalisation: √(2 (n−m)!/(n+m)!) for m > 0.
        double factorialRatio = 1;  // (n−m)!/(n+m)!
        for (int m = 0; m <= n; ++m) {
            if (m > 0) factorialRatio /= double(n + m) * double(n - m + 1);
            const double schmidt = m == 0 ? 1.0 : std::sqrt(2 * factorialRatio);
            const double g = m_g[n][m] + dt * m_gDot[n][m];
            const double h = m_h[n][m] + dt * m_hDot[n][m];
            const double cm = std::cos(m * lambda), sm = std::sin(m * lambda);
            const double Pn = schmidt * P[n][m], dPn = schmidt * dP[n][m];
            Xp -= ratioPow * (g * cm + h * sm) * dPn;
            Yp += ratioPow * m * (g * sm - h * cm) * Pn;
            Zp -= ratioPow * (n + 1) * (g * cm + h * sm) * Pn;
        }
    }
    Yp /= c;

    // Back from the geocentric to the ellipsoidal frame.
    const double d = phiC - phi;
    field.X = Xp * std::cos(d) - Zp * std::sin(d);
    field.Y = Yp;
    field.Z = Xp * std::sin(d) + Zp * std::cos(d);
    const double H = std::hypot(field.X, field.Y);
    field.total = std::hypot(H, field.Z);
    field.declination = std::atan2(field.Y, field.X) / kRadians;
    field.inclination = std::atan2(field.Z, H) / kRadians;
    return true;
}

double get_magnetic_declination(double lat, double lon, double height_km, double decimal_year) {
    static CMagneticModel model;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (!model.LoadFile(getBundleFilepath("WMM_COF", "txt")))
            qWarning() << "magnetic model: cannot read the bundled WMM_COF.txt";
    }
    CMagneticModel::Field field;
    if (!model.Evaluate(lat, lon, height_km, decimal_year, field)) return 0;
    return field.declination;
}

double magneticYearOfTime(double time) {
    return time / 3.14712e7 + 1970;
}
