// The Web-Mercator tile grid.
#include <gtest/gtest.h>

#include <cmath>

#include "maps/googlegrid.h"

TEST(GoogleGrid, PixelsAndPositionsRoundTripUnclipped) {
    const Google_Grid grid(3, true, "%d/%d/%d.png");
    double x, y;
    grid.LatLongToPixelXY(85.0511287798, -180, x, y);
    EXPECT_NEAR(x, 0, 1e-9) << "the corner of the world";
    EXPECT_NEAR(y, 0, 1e-4);
    for (double lat : {-80.0, 0.0, 51.5, 84.0})
        for (double lon : {-179.0, 0.0, 120.25}) {
            double la, lo;
            grid.LatLongToPixelXY(lat, lon, x, y);
            grid.PixelXYToLatLong(x, y, la, lo);
            EXPECT_NEAR(la, lat, 1e-9);
            EXPECT_NEAR(lo, lon, 1e-9);
        }
    grid.LatLongToPixelXY(86, 190, x, y);
    EXPECT_GT(x, 2048);
    EXPECT_LT(y, 0);
}

TEST(GoogleGrid, LevelsForResolutionsAndFileNames) {
    EXPECT_EQ(Google_Grid::levelForResolution(0, 152.87), 10) << "2^18 metres a tile";
    EXPECT_EQ(Google_Grid::levelForResolution(60, 76.4), 10) << "cos 60 halves the need";
    EXPECT_EQ(Google_Grid::levelForResolution(86, 10), 0);
    EXPECT_EQ(Google_Grid::levelForResolution(0, NAN), 1);
    EXPECT_EQ(Google_Grid(5, true, "%d/%d/%d.png").filename(7, 9), "5/7/9.png");
    EXPECT_EQ(Google_Grid(5, false, "%d/%d/%d.png").filename(7, 9), "5/9/7.png");
}
