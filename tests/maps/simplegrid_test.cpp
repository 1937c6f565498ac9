// The local flat grid against exact geodesics.
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <cmath>

#include "maps/simplegrid.h"

TEST(SimpleGrid, ShortDistancesAgreeWithGeodesics) {
    const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
    for (double lat : {-70.3, -33.9, 0.0, 12.5, 50.25, 64.1}) {
        CSimpleGrid grid(lat, 10.0);
        for (double az : {0.0, 45.0, 90.0, 170.0, 260.0, 315.0}) {
            double lat2, lon2, d, b, x, y, la, lo;
            wgs84.Direct(lat, 10.0, az, 5000.0, lat2, lon2);
            grid.distance_and_bearing(lat2, lon2, d, b);
            EXPECT_NEAR(d, 5000.0, 5.0) << lat << " " << az;
            EXPECT_NEAR(b, az, 0.1) << lat << " " << az;
            grid.latlon_to_xy(lat2, lon2, x, y);
            grid.xy_to_latlon(x, y, la, lo);
            EXPECT_NEAR(la, lat2, 1e-12);
            EXPECT_NEAR(lo, lon2, 1e-12);
        }
    }
}

TEST(SimpleGrid, AGridAtAPoleIsInvalid) {
    CSimpleGrid grid;
    for (double lat : {90.0, -95.0, double(NAN)}) {
        grid.SetOrigin(lat, 0);
        EXPECT_FALSE(grid.IsValid()) << lat;
    }
    double lat, lon;
    grid.xy_to_latlon(10, 10, lat, lon);
    EXPECT_EQ(lat, 999);
    grid.SetOrigin(89.99, 0);
    EXPECT_TRUE(grid.IsValid());
}
