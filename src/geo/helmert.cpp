#include "geo/helmert.h"

#include <numbers>

namespace {

constexpr double kArcSecond = std::numbers::pi / (180.0 * 3600.0);

Helmert makeSet(double tx, double ty, double tz, double rxSec, double rySec, double rzSec,
                double scale) {
    Helmert h;
    h.tx = tx;
    h.ty = ty;
    h.tz = tz;
    h.rx = rxSec * kArcSecond;
    h.ry = rySec * kArcSecond;
    h.rz = rzSec * kArcSecond;
    h.s = scale;
    return h;
}

}  // namespace

void Helmert::init_WGS84_to_OSGB36() {
    *this = makeSet(-446.448, 125.157, -542.060, -0.1502, -0.2470, -0.8421, 1.0000204894);
}

void Helmert::init_OSGB36_to_WGS84() {
    *this = makeSet(446.448, -125.157, 542.060, 0.1502, 0.2470, 0.8421, 0.9999795106);
}

void Helmert::init_WGS84_to_IrishGrid() {
    *this = makeSet(-482.530, 130.596, -564.557, 1.042, 0.214, 0.631, 0.99999185);
}

void Helmert::init_IrishGrid_to_WGS84() {
    *this = makeSet(482.530, -130.596, 564.557, -1.042, -0.214, -0.631, 1.00000815);
}

void Helmert::transform(double& x, double& y, double& z) const {
    const double x0 = x, y0 = y, z0 = z;
    x = tx + s * x0 - rz * y0 + ry * z0;
    y = ty + rz * x0 + s * y0 - rx * z0;
    z = tz - ry * x0 + rx * y0 + s * z0;
}
