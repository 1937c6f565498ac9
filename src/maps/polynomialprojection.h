// The georeferencing of the map on show, kept by the map view: cubic
// polynomials from position (degrees) to pixel and back (full-resolution
// map pixels, x right, y down, origin at the top-left corner), with the
// map's datum shift in degrees (added to positions read off the map).
#pragma once

#include "maps/geometry.h"
#include "maps/georefcoeff.h"

class CPolynomialProjection {
public:
    void init(const double forward[2][10], const double inverse[2][10], int width, int height,
              double latShift, double lonShift);
    void init(const Geo_ref_coeff_t& coefficients, int width, int height, double latShift,
              double lonShift) {
        init(coefficients.forward, coefficients.inverse, width, height, latShift, lonShift);
    }

    bool isInitialised() const { return m_initialised; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    double referenceLongitude() const { return m_referenceLongitude; }

    // Pixel to position: the inverse polynomials with one correction step
    // through the forward ones, then the datum shift.
    void xy_to_latlong(double x, double y, double& lat, double& lon) const;
    // Position to pixel; longitudes are taken on the map's side of ±180°.
    void latlong_to_xy(double lat, double lon, double& x, double& y) const;
    // Truncated toward zero; false with (−1, −1) for a point far outside any
    // image (x² or y² of 4·10^18 or more) or no point at all.
    bool latlong_to_xy(double lat, double lon, IntPoint& point) const;
    // False with (−1, −1) when x² + y² reaches 4·10^18.
    bool latlong_to_xy(double lat, double lon, FPoint& point) const;
    // Truncated; true when the pixel lies in the image.
    bool latlong_to_xy_clipped(double lat, double lon, IntPoint& point) const;

    // Nautical miles (minutes of latitude) per pixel at a pixel.
    double get_scale(double x, double y) const;
    // Cosine and sine of the clockwise angle from the image's up to north at
    // a pixel: (1, 0) on a north-up map.
    void get_rotation(double x, double y, float& c, float& s) const;

private:
    bool hasShift() const { return m_latShift != 0 || m_lonShift != 0; }
    void latitudeGradient(double x, double y, double& gx, double& gy) const;

    bool m_initialised = false;
    Geo_ref_coeff_t m_coefficients;
    double m_latShift = 0, m_lonShift = 0;  // degrees
    double m_referenceLongitude = 0;        // of the image centre, degrees
    int m_width = 0, m_height = 0;          // pixels
};
