// The local flat grid: its tables, distances and bearings.
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <cmath>

#include "maps/simplegrid.h"

TEST(SimpleGrid, TablesAreTheWgs84DegreeLengths) {
    EXPECT_DOUBLE_EQ(CSimpleGrid::kNmPerDegreeLon[0], 60.107716);
    EXPECT_DOUBLE_EQ(CSimpleGrid::kNmPerDegreeLon[45], 42.573885);
    EXPECT_DOUBLE_EQ(CSimpleGrid::kNmPerDegreeLon[60], 30.129590);
    EXPECT_DOUBLE_EQ(CSimpleGrid::kNmPerDegreeLon[89], 1.052552);
    EXPECT_DOUBLE_EQ(CSimpleGrid::kNmPerDegreeLon[90], 0);
    EXPECT_DOUBLE_EQ(CSimpleGrid::kNmPerDegreeLat[0], 59.705333);
    EXPECT_DOUBLE_EQ(CSimpleGrid::kNmPerDegreeLat[90], 60.309740);
    for (int i = 0; i < 90; ++i) {
        EXPECT_LE(CSimpleGrid::kNmPerDegreeLat[i], CSimpleGrid::kNmPerDegreeLat[i + 1]) << i;
        EXPECT_GT(CSimpleGrid::kNmPerDegreeLon[i], CSimpleGrid::kNmPerDegreeLon[i + 1]) << i;
    }
}

TEST(SimpleGrid, ShortDistancesAgreeWithGeodesics) {
    const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
    for (double lat : {-70.3, -33.9, 0.0, 12.5, 50.8, 64.1}) {
        CSimpleGrid grid(lat, 10.0);
        for (double az : {0.0, 45.0, 90.0, 170.0, 260.0, 315.0}) {
            double lat2, lon2;
            wgs84.Direct(lat, 10.0, az, 5000.0, lat2, lon2);
            double d, b;
            grid.distance_and_bearing(lat2, lon2, d, b);
            EXPECT_NEAR(d, 5000.0, 5.0) << lat << " " << az;
            EXPECT_NEAR(b, az, 0.1) << lat << " " << az;
        }
    }
}

TEST(SimpleGrid, ConvertsBothWays) {
    CSimpleGrid grid(50.25, -1.5);
    double x, y, lat, lon;
    grid.latlon_to_xy(50.26, -1.48, x, y);
    EXPECT_GT(x, 0);
    EXPECT_GT(y, 0);
    grid.xy_to_latlon(x, y, lat, lon);
    EXPECT_NEAR(lat, 50.26, 1e-12);
    EXPECT_NEAR(lon, -1.48, 1e-12);
    EXPECT_NEAR(grid.distance_squared(50.26, -1.48), x * x + y * y, 1e-6);
    EXPECT_NEAR(grid.distance(50.26, -1.48, 50.25, -1.5), grid.distance(50.26, -1.48), 1e-9);
    // Halfway between whole degrees the lengths are interpolated.
    EXPECT_NEAR(
        grid.MetresPerDegreeLat(),
        1852 * (CSimpleGrid::kNmPerDegreeLat[50] * 0.75 + CSimpleGrid::kNmPerDegreeLat[51] * 0.25),
        1e-9);
    // Southern latitudes use the same lengths.
    EXPECT_DOUBLE_EQ(CSimpleGrid(-50.25, 0).MetresPerDegreeLon(), grid.MetresPerDegreeLon());
}

TEST(SimpleGrid, BearingsAndPolarOffsets) {
    CSimpleGrid grid(10, 10);
    double d, b;
    grid.distance_and_bearing(10, 9.9, d, b);
    EXPECT_DOUBLE_EQ(b, 270);
    grid.distance_and_bearing(9.9, 10, d, b);
    EXPECT_DOUBLE_EQ(b, 180);
    grid.distance_and_bearing(10.1, 10.1, d, b);
    EXPECT_NEAR(b, 44.75, 0.01);  // a degree of longitude is shorter
    double x, y;
    CSimpleGrid::polar_to_xy(90, 100, x, y);
    EXPECT_NEAR(x, 100, 1e-4);
    EXPECT_NEAR(y, 0, 1e-4);
    CSimpleGrid::polar_to_xy(225, 10, x, y);
    EXPECT_NEAR(x, -7.0710678, 1e-5);
    EXPECT_NEAR(y, -7.0710678, 1e-5);
}

TEST(SimpleGrid, AGridAtAPoleIsInvalid) {
    CSimpleGrid grid;
    grid.SetOrigin(90, 0);
    EXPECT_FALSE(grid.IsValid());
    double lat, lon;
    grid.xy_to_latlon(10, 10, lat, lon);
    EXPECT_EQ(lat, 999);
    EXPECT_EQ(lon, 999);
    grid.SetOrigin(-95, 0);
    EXPECT_FALSE(grid.IsValid());
    grid.SetOrigin(NAN, 0);
    EXPECT_FALSE(grid.IsValid());
    grid.SetOrigin(89.99, 0);
    EXPECT_TRUE(grid.IsValid());
}
