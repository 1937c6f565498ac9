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

TEST(UtmProj, ParameterSets) {
    utm_proj tm;
    tm.init_OSGB();
    EXPECT_DOUBLE_EQ(tm.phi0, 0.8552113334772207);
    EXPECT_DOUBLE_EQ(tm.N0, -100000);
    EXPECT_DOUBLE_EQ(tm.E0, 400000);
    EXPECT_DOUBLE_EQ(tm.F0, 0.9996012717);
    tm.init_NZTM();
    EXPECT_DOUBLE_EQ(tm.lambda0, 3.019419605950187);
    EXPECT_DOUBLE_EQ(tm.N0, 10000000);
    tm.init_IrishGrid();
    EXPECT_DOUBLE_EQ(tm.a, 6377340.189);
    EXPECT_DOUBLE_EQ(tm.F0, 1.000035);
    // The origin of a grid is at its false easting and northing.
    double E, N;
    tm.lat_lon_to_E_N(53.5, -8, E, N);
    EXPECT_NEAR(E, 200000, 1e-6);
    EXPECT_NEAR(N, 250000, 1e-6);
    // NAD27 and WGS84 keep the central meridian the caller set.
    tm.set_utm_zone(31);
    tm.init_NAD27();
    EXPECT_NEAR(tm.lambda0 * 180 / M_PI, 3, 1e-12);
    EXPECT_DOUBLE_EQ(tm.a, 6378206.4);
    EXPECT_DOUBLE_EQ(utm_proj::marc(tm.b * tm.F0, tm.n, 0.5, 0.5), 0);
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
    double lat = 1, lon = 2;
    EXPECT_FALSE(tm.E_N_to_lat_lon(500000, 1e300, lat, lon));
    EXPECT_FALSE(tm.E_N_to_lat_lon(500000, -1e300, lat, lon));
    EXPECT_FALSE(tm.E_N_to_lat_lon(1e300, 5e6, lat, lon));
    EXPECT_FALSE(tm.E_N_to_lat_lon(std::numeric_limits<double>::quiet_NaN(), 0, lat, lon));
    EXPECT_FALSE(tm.E_N_to_lat_lon(500000, std::numeric_limits<double>::infinity(), lat, lon));
    EXPECT_FALSE(tm.E_N_to_lat_lon(500000, 10002000 * 0.9996 + 100, lat, lon));  // past the pole
    EXPECT_EQ(lat, 1);
    EXPECT_EQ(lon, 2);
    // Right up to the pole still works.
    ASSERT_TRUE(tm.E_N_to_lat_lon(500000, 9990000, lat, lon));
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
