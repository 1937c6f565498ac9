// The map view's polynomial georeferencing.
#include <gtest/gtest.h>

#include <cmath>

#include "maps/polynomialprojection.h"

namespace {

// An exact linear map: 0.001° a pixel, north up, top-left corner at
// (lat0, lon0); pixel = ((lon − lon0)·1000, (lat0 − lat)·1000).
Geo_ref_coeff_t linearMap(double lat0, double lon0) {
    Geo_ref_coeff_t c;
    c.forward[0][0] = -lon0 * 1000;  // x from (lat, lon)
    c.forward[0][2] = 1000;
    c.forward[1][0] = lat0 * 1000;  // y from (lat, lon)
    c.forward[1][1] = -1000;
    c.inverse[0][0] = lat0;  // lat from (x, y)
    c.inverse[0][2] = -0.001;
    c.inverse[1][0] = lon0;  // lon from (x, y)
    c.inverse[1][1] = 0.001;
    return c;
}

}  // namespace

TEST(PolynomialProjection, ExactInversesRoundTripAndFarPointsAreRefused) {
    CPolynomialProjection p;
    EXPECT_FALSE(p.isInitialised());
    p.init(linearMap(51, -2), 2000, 1000, 0, 0);
    double lat, lon, x, y;
    p.xy_to_latlong(250.5, 100.25, lat, lon);
    p.latlong_to_xy(lat, lon, x, y);
    EXPECT_NEAR(x, 250.5, 1e-9);
    EXPECT_NEAR(y, 100.25, 1e-9);
    IntPoint ip;
    ASSERT_TRUE(p.latlong_to_xy(lat, lon, ip));
    EXPECT_EQ(ip, IntPoint(250, 100));
    EXPECT_FALSE(p.latlong_to_xy_clipped(50.5, 0.0, ip)) << "x = 2000: just outside";
    EXPECT_FALSE(p.latlong_to_xy(51, 3e6, ip));
    EXPECT_EQ(ip, IntPoint(-1, -1));
    EXPECT_FALSE(p.latlong_to_xy(NAN, 0, ip));
    FPoint fp(5, 5);
    EXPECT_FALSE(p.latlong_to_xy(51, 2.1e6, fp));
    EXPECT_EQ(fp, FPoint(-1, -1));
}

TEST(PolynomialProjection, CorrectionStepFixesAnInexactInverse) {
    Geo_ref_coeff_t c = linearMap(51, -2);
    c.inverse[0][3] = 1e-9;  // a slightly wrong inverse: lat gains x²·1e-9
    CPolynomialProjection p;
    p.init(c, 2000, 1000, 0, 0);
    double lat, lon, x, y;
    p.xy_to_latlong(1500, 500, lat, lon);
    p.latlong_to_xy(lat, lon, x, y);
    EXPECT_NEAR(x, 1500, 1e-3);
    EXPECT_NEAR(y, 500, 0.01);  // uncorrected, y would be off by 2.25 pixels
}

TEST(PolynomialProjection, LongitudesStayOnTheMapsSideOfTheDateLine) {
    CPolynomialProjection p;
    p.init(linearMap(10, 178), 2000, 1000, 0, 0);  // 178° E to 180°, centre 179°
    EXPECT_NEAR(p.referenceLongitude(), 179, 1e-12);
    double x, y;
    p.latlong_to_xy(9.5, -179, x, y);  // read as 181°
    EXPECT_NEAR(x, 3000, 1e-9);
}

TEST(PolynomialProjection, ScaleAndNorth) {
    CPolynomialProjection p;
    p.init(linearMap(51, -2), 2000, 1000, 0, 0);
    EXPECT_NEAR(p.get_scale(100, 100), 0.06, 1e-12);  // 0.001° = 0.06 NM a pixel
    float c, s;
    p.get_rotation(100, 100, c, s);
    EXPECT_FLOAT_EQ(c, 1);
    EXPECT_FLOAT_EQ(s, 0);

    // North along +x: latitude grows with x.
    Geo_ref_coeff_t east{};
    east.inverse[0][1] = 0.001;
    east.inverse[1][2] = 0.001;
    east.forward[0][1] = 1000;
    east.forward[1][2] = 1000;
    p.init(east, 100, 100, 0, 0);
    p.get_rotation(0, 0, c, s);
    EXPECT_NEAR(c, 0, 1e-6);
    EXPECT_FLOAT_EQ(s, 1);

    // No latitude change at all is taken as north-up rather than NaN.
    p.init(Geo_ref_coeff_t{}, 100, 100, 0, 0);
    p.get_rotation(0, 0, c, s);
    EXPECT_FLOAT_EQ(c, 1);
    EXPECT_EQ(p.get_scale(0, 0), 0);
}
