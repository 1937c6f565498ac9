#include "maps/polynomialfit.h"

#include <algorithm>
#include <cmath>

namespace {

// Exponents (of u, of v) of c0..c9.
constexpr int kPowers[10][2] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1},
                                {0, 2}, {3, 0}, {2, 1}, {1, 2}, {0, 3}};

double ipow(double x, int n) {
    double r = 1;
    while (n-- > 0) r *= x;
    return r;
}

double binomial(int n, int k) {
    static const int table[4][4] = {{1, 0, 0, 0}, {1, 1, 0, 0}, {1, 2, 1, 0}, {1, 3, 3, 1}};
    return table[n][k];
}

int termIndex(int pu, int pv) {
    for (int i = 0; i < 10; ++i)
        if (kPowers[i][0] == pu && kPowers[i][1] == pv) return i;
    return -1;
}

// Solves the n x n system a x = b in place (partial pivoting); false when
// it is singular.
bool solve(double a[10][10], double b[10], int n) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (!(std::fabs(a[pivot][col]) > 1e-12)) return false;
        std::swap(a[pivot], a[col]);
        std::swap(b[pivot], b[col]);
        for (int r = 0; r < n; ++r) {
            if (r == col) continue;
            const double f = a[r][col] / a[col][col];
            for (int k = col; k < n; ++k) a[r][k] -= f * a[col][k];
            b[r] -= f * b[col];
        }
    }
    for (int i = 0; i < n; ++i) b[i] /= a[i][i];
    return true;
}

// Centre and half-range of a set of values (half-range 1 when they agree).
void scaleOf(const std::vector<PolynomialFit::Sample>& s, bool useU, double& centre, double& half) {
    double lo = 1e300, hi = -1e300;
    for (const auto& p : s) {
        const double x = useU ? p.u : p.v;
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    centre = (lo + hi) / 2;
    half = hi > lo ? (hi - lo) / 2 : 1;
}

}  // namespace

bool PolynomialFit::fit(const std::vector<Sample>& samples, double c[10]) {
    std::fill(c, c + 10, 0.0);
    for (const auto& s : samples)
        if (!std::isfinite(s.u) || !std::isfinite(s.v) || !std::isfinite(s.value)) return false;
    double cu, hu, cv, hv;
    scaleOf(samples, true, cu, hu);
    scaleOf(samples, false, cv, hv);

    for (int terms : {10, 6, 3}) {
        if (int(samples.size()) < terms) continue;
        double a[10][10] = {}, b[10] = {};
        for (const auto& s : samples) {
            const double u = (s.u - cu) / hu, v = (s.v - cv) / hv;
            double t[10];
            for (int i = 0; i < terms; ++i) t[i] = ipow(u, kPowers[i][0]) * ipow(v, kPowers[i][1]);
            for (int i = 0; i < terms; ++i) {
                b[i] += t[i] * s.value;
                for (int j = 0; j < terms; ++j) a[i][j] += t[i] * t[j];
            }
        }
        if (!solve(a, b, terms)) continue;
        // Expand d_i ((u - cu)/hu)^p ((v - cv)/hv)^q into powers of u and v.
        for (int i = 0; i < terms; ++i) {
            const int p = kPowers[i][0], q = kPowers[i][1];
            for (int j = 0; j <= p; ++j) {
                for (int k = 0; k <= q; ++k) {
                    const double f = binomial(p, j) * ipow(1 / hu, j) * ipow(-cu / hu, p - j) *
                                     binomial(q, k) * ipow(1 / hv, k) * ipow(-cv / hv, q - k);
                    c[termIndex(j, k)] += b[i] * f;
                }
            }
        }
        return true;
    }
    return false;
}

bool PolynomialFit::fitGeoref(const std::vector<ControlPoint>& points, Geo_ref_coeff_t& out,
                              double* maxError) {
    std::vector<Sample> x, y, lat, lon;
    for (const auto& p : points) {
        x.push_back({p.lat, p.lon, p.x});
        y.push_back({p.lat, p.lon, p.y});
        lat.push_back({p.x, p.y, p.lat});
        lon.push_back({p.x, p.y, p.lon});
    }
    if (!fit(x, out.forward[0]) || !fit(y, out.forward[1]) || !fit(lat, out.inverse[0]) ||
        !fit(lon, out.inverse[1]))
        return false;
    if (maxError) {
        *maxError = 0;
        for (const auto& p : points) {
            double px, py, la, lo;
            out.toPixel(p.lat, p.lon, px, py);
            const double forward = std::hypot(px - p.x, py - p.y);
            out.toPositionCorrected(p.x, p.y, la, lo);
            out.toPixel(la, lo, px, py);
            *maxError = std::max({*maxError, forward, std::hypot(px - p.x, py - p.y)});
        }
    }
    return true;
}
