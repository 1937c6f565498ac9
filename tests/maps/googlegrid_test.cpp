// The Web-Mercator tile grid.
#include <gtest/gtest.h>

#include <cmath>

#include "maps/googlegrid.h"

TEST(GoogleGrid, PixelsAndPositions) {
    const Google_Grid grid(3, true, "%d/%d/%d.png");
    EXPECT_DOUBLE_EQ(grid.mapSize(), 2048);
    double x, y;
    grid.LatLongToPixelXY(0, 0, x, y);
    EXPECT_DOUBLE_EQ(x, 1024);
    EXPECT_NEAR(y, 1024, 1e-9);
    grid.LatLongToPixelXY(85.0511287798, -180, x, y);
    EXPECT_NEAR(x, 0, 1e-9);
    EXPECT_NEAR(y, 0, 1e-4);
    for (double lat : {-80.0, -33.3, 0.0, 51.5, 84.0}) {
        for (double lon : {-179.0, -45.5, 0.0, 120.25}) {
            double la, lo;
            grid.LatLongToPixelXY(lat, lon, x, y);
            grid.PixelXYToLatLong(x, y, la, lo);
            EXPECT_NEAR(la, lat, 1e-9);
            EXPECT_NEAR(lo, lon, 1e-9);
        }
    }
    // Not clipped: beyond the date line and the Mercator limit.
    grid.LatLongToPixelXY(86, 190, x, y);
    EXPECT_GT(x, 2048);
    EXPECT_LT(y, 0);
}

TEST(GoogleGrid, ResolutionsAndLevels) {
    EXPECT_NEAR(Google_Grid::GroundResolution(0, 0), 156543.03392804097, 1e-6);
    EXPECT_NEAR(Google_Grid::GroundResolution(60, 1), 156543.03392804097 / 4, 1e-6);
    EXPECT_EQ(Google_Grid::levelForResolution(0, 0.5), 20);
    EXPECT_EQ(Google_Grid::levelForResolution(86, 10), 0);
    EXPECT_EQ(Google_Grid::levelForResolution(-86, 10), 0);
    // 40075016 / 152.87 = 2^18 → v = 18, level 10 (a 256-pixel tile is 2^8).
    EXPECT_EQ(Google_Grid::levelForResolution(0, 152.87), 10);
    EXPECT_EQ(Google_Grid::levelForResolution(0, 1e6), 1);
    EXPECT_EQ(Google_Grid::levelForResolution(60, 76.4), 10);  // cos 60° halves the need
    EXPECT_EQ(Google_Grid::levelForResolution(0, NAN), 1);
}

TEST(GoogleGrid, FileNamesFollowTheOrderFlag) {
    EXPECT_EQ(Google_Grid(5, true, "%d/%d/%d.png").filename(7, 9), "5/7/9.png");
    EXPECT_EQ(Google_Grid(5, false, "%d/%d/%d.png").filename(7, 9), "5/9/7.png");
    EXPECT_EQ(Google_Grid(12, true, "z%d_x%d_y%d_again%d").filename(1, 2), "z12_x1_y2_again1");
}
