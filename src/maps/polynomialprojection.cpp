#include "maps/polynomialprojection.h"

#include <cmath>
#include <cstring>

namespace {
// Squared pixel coordinates from here on are nowhere near an image.
constexpr double kFarAway = 4e18;
}  // namespace

void CPolynomialProjection::init(const double forward[2][10], const double inverse[2][10],
                                 int width, int height, double latShift, double lonShift) {
    std::memcpy(m_coefficients.forward, forward, sizeof m_coefficients.forward);
    std::memcpy(m_coefficients.inverse, inverse, sizeof m_coefficients.inverse);
    m_width = width;
    m_height = height;
    m_latShift = latShift;
    m_lonShift = lonShift;
    double lat;
    xy_to_latlong(width / 2, height / 2, lat, m_referenceLongitude);
    m_initialised = true;
}

void CPolynomialProjection::xy_to_latlong(double x, double y, double& lat, double& lon) const {
    m_coefficients.toPositionCorrected(x, y, lat, lon);
    if (hasShift()) {
        lat += m_latShift;
        lon += m_lonShift;
    }
}

void CPolynomialProjection::latlong_to_xy(double lat, double lon, double& x, double& y) const {
    if (hasShift()) {
        lat -= m_latShift;
        lon -= m_lonShift;
    }
    const double d = lon - m_referenceLongitude;
    if (d * d > 32400) lon += d < 0 ? 360 : -360;
    m_coefficients.toPixel(lat, lon, x, y);
}

bool CPolynomialProjection::latlong_to_xy(double lat, double lon, IntPoint& point) const {
    double x, y;
    latlong_to_xy(lat, lon, x, y);
    if (!(x * x < kFarAway && y * y < kFarAway)) {
        point = IntPoint(-1, -1);
        return false;
    }
    point = IntPoint(int32_t(x), int32_t(y));
    return true;
}

bool CPolynomialProjection::latlong_to_xy(double lat, double lon, FPoint& point) const {
    double x, y;
    latlong_to_xy(lat, lon, x, y);
    if (!(x * x + y * y < kFarAway)) {
        point = FPoint(-1, -1);
        return false;
    }
    point = FPoint(x, y);
    return true;
}

bool CPolynomialProjection::latlong_to_xy_clipped(double lat, double lon, IntPoint& point) const {
    if (!latlong_to_xy(lat, lon, point)) return false;
    return point.x >= 0 && point.x < m_width && point.y >= 0 && point.y < m_height;
}

void CPolynomialProjection::latitudeGradient(double x, double y, double& gx, double& gy) const {
    const double* I = m_coefficients.inverse[0];
    gx = I[1] + 2 * I[3] * x + I[4] * y + 3 * I[6] * x * x + 2 * I[7] * x * y + I[8] * y * y;
    gy = I[2] + I[4] * x + 2 * I[5] * y + I[7] * x * x + 2 * I[8] * x * y + 3 * I[9] * y * y;
}

double CPolynomialProjection::get_scale(double x, double y) const {
    double gx, gy;
    latitudeGradient(x, y, gx, gy);
    return 60 * std::sqrt(gx * gx + gy * gy);
}

void CPolynomialProjection::get_rotation(double x, double y, float& c, float& s) const {
    double gx, gy;
    latitudeGradient(x, y, gx, gy);
    const double h = std::sqrt(gx * gx + gy * gy);
    if (!(h > 0) || !std::isfinite(h)) {
        c = 1;  // no latitude change at all: call it north-up
        s = 0;
        return;
    }
    c = float(-gy / h);
    s = float(gx / h);
}
