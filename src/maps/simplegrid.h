// A local flat-earth grid around an origin, for short-range distances and
// bearings without spherical trigonometry: metres east (x) and north (y) of
// the origin, scaled by the length of a degree of latitude and of longitude
// on the WGS84 ellipsoid at the origin's latitude (tables at whole degrees,
// interpolated linearly). Good to a fraction of a percent over tens of km.
#pragma once

class CSimpleGrid {
public:
    CSimpleGrid() = default;
    CSimpleGrid(double lat, double lon) { SetOrigin(lat, lon); }

    // An origin at a pole or beyond leaves the grid invalid.
    void SetOrigin(double lat, double lon);
    bool IsValid() const { return m_metresPerDegreeLat != 0; }
    double OriginLat() const { return m_originLat; }
    double OriginLon() const { return m_originLon; }
    double MetresPerDegreeLat() const { return m_metresPerDegreeLat; }
    double MetresPerDegreeLon() const { return m_metresPerDegreeLon; }

    // Degrees to metres from the origin (x east, y north); longitude is not wrapped.
    void latlon_to_xy(double lat, double lon, double& x, double& y) const;
    // Metres to degrees; both 999 on an invalid grid.
    void xy_to_latlon(double x, double y, double& lat, double& lon) const;

    double distance(double lat, double lon) const;  // metres from the origin
    double distance_squared(double lat, double lon) const;
    double distance(double lat1, double lon1, double lat2, double lon2) const;
    // Bearing in degrees [0, 360) from north, clockwise; distance in metres.
    void distance_and_bearing(double lat, double lon, double& distance, double& bearing) const;
    // Bearing in degrees, range in any unit; x east and y north in that unit.
    static void polar_to_xy(double bearing, double range, double& x, double& y);

    // Nautical miles per degree at whole degrees of latitude 0..90 on WGS84.
    static const double kNmPerDegreeLat[91];
    static const double kNmPerDegreeLon[91];

private:
    double m_originLat = 0;
    double m_originLon = 0;
    double m_metresPerDegreeLat = 0;  // 0 marks an invalid grid
    double m_metresPerDegreeLon = 0;
};
