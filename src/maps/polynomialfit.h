// Least-squares fit of the cubic georeferencing polynomials
// c0 + c1 u + c2 v + c3 u^2 + c4 u v + c5 v^2 + c6 u^3 + c7 u^2 v + c8 u v^2 + c9 v^3
// (see Geo_ref_coeff_t). The fit is solved on inputs scaled to about
// [-1, 1], where the normal equations are well conditioned, and expanded
// back into coefficients of the raw inputs.
#pragma once

#include <vector>

#include "maps/georefcoeff.h"

class PolynomialFit {
public:
    struct Sample {
        double u, v, value;
    };

    // Fits c0..c9 to the samples. With fewer than 10 samples (or samples
    // that do not fix a cubic) it falls back to a quadratic (6 terms) or a
    // plane (3 terms) and leaves the higher coefficients 0. False when not
    // even a plane is determined.
    static bool fit(const std::vector<Sample>& samples, double c[10]);

    struct ControlPoint {
        double x, y;      // pixel
        double lat, lon;  // degrees
    };
    // Both directions from matching pixels and positions. `maxError` gets
    // the largest distance in pixels between a point and its round trip
    // through the fitted polynomials.
    static bool fitGeoref(const std::vector<ControlPoint>& points, Geo_ref_coeff_t& out,
                          double* maxError = nullptr);
};
