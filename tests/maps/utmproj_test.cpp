// The Ordnance Survey's Transverse Mercator series.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "maps/utmproj.h"

namespace {
double dms(double d, double m, double s) {
    return d + m / 60 + s / 3600;
}
}  // namespace

TEST(UtmProj, OrdnanceSurveyWorkedExample) {
    // The worked example of the OS guide to coordinate systems, annex C:
    // 52°39'27.2531"N 1°43'4.5177"E on Airy 1830 is E 651409.903, N 313177.270.
    utm_proj tm;
    tm.init_OSGB();
    double E, N;
    tm.lat_lon_to_E_N(dms(52, 39, 27.2531), dms(1, 43, 4.5177), E, N);
    EXPECT_NEAR(E, 651409.903, 0.001);
    EXPECT_NEAR(N, 313177.270, 0.001);

    double lat, lon;
    ASSERT_TRUE(tm.E_N_to_lat_lon(651409.903, 313177.270, lat, lon));
    EXPECT_NEAR(lat, dms(52, 39, 27.2531), 1e-8);
    EXPECT_NEAR(lon, dms(1, 43, 4.5177), 1e-8);
}

TEST(UtmProj, RoundTripsAcrossAZone) {
    utm_proj tm;
    tm.init_WGS84();
    tm.set_utm_zone(33);  // 15° E
    for (double lat = -80; lat <= 84; lat += 8) {
        for (double lon = 11.9; lon <= 18.1; lon += 0.62) {
            double E, N, la, lo;
            tm.lat_lon_to_E_N(lat, lon, E, N);
            ASSERT_TRUE(tm.E_N_to_lat_lon(E, N, la, lo));
            // Within 3 mm at the zone edges, where the truncated series differ most.
            EXPECT_NEAR(la, lat, 3e-8) << lat << " " << lon;
            EXPECT_NEAR(lo, lon, 3e-8) << lat << " " << lon;
        }
    }
}

TEST(UtmProj, InverseRefusesWhatIsNoPositionPromptly) {
    utm_proj tm;
    tm.init_WGS84();
    const double inf = std::numeric_limits<double>::infinity();
    const double cases[][2] = {{500000, 1e300},
                               {1e300, 5e6},
                               {NAN, 0},
                               {500000, inf},
                               {500000, 10002000 * 0.9996 + 100}};  // the last past the pole
    double lat = 1, lon = 2;
    for (const auto& c : cases) EXPECT_FALSE(tm.E_N_to_lat_lon(c[0], c[1], lat, lon)) << c[1];
    EXPECT_EQ(lat, 1);
    ASSERT_TRUE(tm.E_N_to_lat_lon(500000, 9990000, lat, lon)) << "right up to the pole";
    EXPECT_GT(lat, 89.8);
}

TEST(UtmProj, FarFromTheCentralMeridianTheSeriesDriftByCentimetres) {
    // Why NZTM does not use these series: 6.7° out, they are 1-2 cm off the
    // exact projection (PROJ: 1094539.9133 4728581.6789 for this point).
    utm_proj tm;
    tm.init_NZTM();
    double E, N;
    tm.lat_lon_to_E_N(-47.4, 166.3, E, N);
    const double error = std::hypot(E - 1094539.9133, N - 4728581.6789);
    EXPECT_GT(error, 0.001);
    EXPECT_LT(error, 0.05);
}
