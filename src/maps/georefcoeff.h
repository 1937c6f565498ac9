// The cubic georeferencing polynomials of a map: the 40 doubles stored at
// offset 0x60 of a map header, in the order they are stored.
//
//   forward[0]: pixel x from (latitude, longitude)      (F0..F9)
//   forward[1]: pixel y from (latitude, longitude)      (F10..F19)
//   inverse[0]: latitude from (pixel x, pixel y)        (I0..I9)
//   inverse[1]: longitude from (pixel x, pixel y)       (I10..I19)
//
// Pixels are full-resolution map pixels (x right, y down, origin top-left);
// positions are degrees.
#pragma once

struct Geo_ref_coeff_t {
    double forward[2][10] = {};
    double inverse[2][10] = {};

    // c0 + c1 u + c2 v + c3 u^2 + c4 u v + c5 v^2 + c6 u^3 + c7 u^2 v + c8 u v^2 + c9 v^3
    static double evalCubic(const double c[10], double u, double v) {
        return c[0] + u * (c[1] + u * (c[3] + u * c[6] + v * c[7])) +
               v * (c[2] + v * (c[5] + v * c[9] + u * c[8]) + u * c[4]);
    }

    void toPixel(double lat, double lon, double& x, double& y) const {
        x = evalCubic(forward[0], lat, lon);
        y = evalCubic(forward[1], lat, lon);
    }
    void toPosition(double x, double y, double& lat, double& lon) const {
        lat = evalCubic(inverse[0], x, y);
        lon = evalCubic(inverse[1], x, y);
    }
    // Pixel to position with one correction step through the forward
    // polynomials, so a fit whose two directions disagree slightly still
    // round-trips closely. No datum shift.
    void toPositionCorrected(double x, double y, double& lat, double& lon) const {
        double lat1, lon1, x1, y1;
        toPosition(x, y, lat1, lon1);
        toPixel(lat1, lon1, x1, y1);
        toPosition(2 * x - x1, 2 * y - y1, lat, lon);
    }
};
