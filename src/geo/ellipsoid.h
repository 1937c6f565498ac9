// An ellipsoid of revolution and the conversion between geodetic latitude
// and longitude (height 0) and earth-centred Cartesian coordinates.
//
// Semi-axes and Cartesian coordinates are metres; angles are degrees. The
// reverse conversion is a single step that uses the radius of curvature `nu`
// of the latitude last given to set_lat, so callers set a nearby latitude
// first (a datum shift moves a point by well under a kilometre).
#pragma once

struct ellipsoid {
    double a = 6378137.0;     // semi-major axis, metres
    double b = 6356752.3141;  // semi-minor axis, metres
    double e2 = 0;            // first eccentricity squared, (a² − b²)/a²
    double n = 0;             // (a − b)/(a + b)
    double nu = 0;            // prime-vertical radius of curvature at the last set_lat, metres

    void init(double semiMajor, double semiMinor);
    void init(double semiMajor, double semiMinor, double latDegrees);
    void set_lat(double latDegrees);

    // Height 0 above the ellipsoid; uses the nu of the last set_lat.
    void lat_long_to_XYZ(double latDegrees, double lonDegrees, double& X, double& Y,
                         double& Z) const;
    void XYZ_to_lat_long(double X, double Y, double Z, double& latDegrees,
                         double& lonDegrees) const;

    // The ellipsoids the grid systems use.
    static constexpr double kWGS84_a = 6378137.0, kWGS84_b = 6356752.3141;  // also GRS80
    static constexpr double kAiry_a = 6377563.396, kAiry_b = 6356256.91;    // Airy 1830
    static constexpr double kModifiedAiry_a = 6377340.189,
                            kModifiedAiry_b = 6356034.447938534;  // Irish Grid
};
