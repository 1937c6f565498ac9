// Transverse Mercator on an ellipsoid, by the series that the Ordnance Survey
// publishes for the National Grid ("A guide to coordinate systems in Great
// Britain", annex C): the meridional arc M, terms I to VI forward and VII to
// XIIA inverse. Latitude and longitude are degrees, eastings and northings
// metres. Within the 6° of a UTM zone the series agree with the exact
// projection to well under a millimetre; the error grows to centimetres some
// 6° from the central meridian.
#pragma once

#include "geo/ellipsoid.h"

class utm_proj : public ellipsoid {
public:
    double N0 = 0;       // false northing, metres
    double E0 = 500000;  // false easting, metres
    double F0 = 0.9996;  // scale factor on the central meridian
    double phi0 = 0;     // latitude of true origin, radians
    double lambda0 = 0;  // longitude of true origin (central meridian), radians

    utm_proj() { init_WGS84(); }

    void init_OSGB();       // British National Grid on Airy 1830
    void init_NAD27();      // Clarke 1866; central meridian set by the caller
    void init_WGS84();      // UTM; central meridian set by the caller (set_utm_zone)
    void init_IrishGrid();  // Irish Grid on the modified Airy ellipsoid
    void init_NZTM();       // New Zealand Transverse Mercator on GRS80

    void set_central_meridian(double lonDegrees);
    void set_utm_zone(int zone);  // central meridian zone·6 − 183 degrees

    void lat_lon_to_E_N(double lat, double lon, double& E, double& N) const;
    // False, with lat and lon untouched, for a position the series cannot
    // invert: non-finite input, a northing beyond the pole or an easting
    // further than 4000 km from the central meridian.
    bool E_N_to_lat_lon(double E, double N, double& lat, double& lon) const;

    // Meridional arc from phi0 to phi (radians), scaled by bF0, in metres.
    static double marc(double bF0, double n, double phi0, double phi);

private:
    void setParameters(double semiMajor, double semiMinor, double falseNorthing,
                       double falseEasting, double scale, double originLatDegrees,
                       double originLonDegrees);
};
