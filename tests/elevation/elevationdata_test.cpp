// Heights from tiles on disk: interpolation over a surface known exactly,
// tile edges, the polar rule, longitude wrap, the level clamp, damaged
// files and the hundred-tile cache.
#include <gtest/gtest.h>

#include <QFile>
#include <cmath>

#include "elevationtestsupport.h"
#include "support/testsupport.h"

using namespace elevationtest;

namespace {

class ElevationData : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    // Downloads on, but no server: nothing is ever asked for.
    DownloadSettings settings{true, QUrl()};
};

TEST_F(ElevationData, HeightsOfAKnownSurface) {
    // Level 3 (2048 pixels round the world): tiles 3..5 and the world's
    // first and last columns, rows 2..4; level 2 everywhere.
    ASSERT_TRUE(writeTiles(dir.path(), 3, 3, 5, 2, 4, plane));
    ASSERT_TRUE(writeTiles(dir.path(), 3, 0, 0, 2, 4, plane));
    ASSERT_TRUE(writeTiles(dir.path(), 3, 7, 7, 2, 4, plane));
    ASSERT_TRUE(writeTiles(dir.path(), 2, 0, 3, 0, 3, plane));
    MZElevationData store(dir.path().toStdString());
    const Google_Grid grid(3, false, {});
    const double kNone = -1;  // the query fails
    // Name, place in level-3 pixels (or degrees when `degrees`), interpolated, expected.
    const std::tuple<const char*, double, double, bool, bool, double> cases[] = {
        {"inside a tile", 900.25, 700.5, false, true, plane(900.25, 700.5)},
        {"on a pixel corner", 1000, 600, false, true, plane(1000, 600)},
        {"last column: the next tile's first", 1023.5, 700.25, false, true, plane(1023.5, 700.25)},
        {"last row: the tile below", 900.5, 767.75, false, true, plane(900.5, 767.75)},
        {"where four tiles meet", 1279.5, 767.5, false, true, plane(1279.5, 767.5)},
        {"uninterpolated: the pixel's own", 900.75, 700.75, false, false, plane(900, 700)},
        {"last column of the world: its first", 2047.5, 700, false, true,
         (plane(2047, 700) + plane(0, 700)) / 2},
        {"the neighbour tile missing", 1535.5, 700, false, true, kNone},
        {"85 N: 0 m without a tile", 85, 10, true, true, 0},
        {"80 S: 0 m", -80, -100, true, true, 0},
        {"79.9 N needs its tile", 79.9, 10, true, true, kNone},
        {"not a number", NAN, 10, true, true, kNone},
    };
    for (const auto& [name, a, b, degrees, interpolate, expected] : cases) {
        SCOPED_TRACE(name);
        double lat = a, lon = b;
        if (!degrees) grid.PixelXYToLatLong(a, b, lat, lon);
        float h = -1;
        ASSERT_EQ(store.elevationAtLevel(lat, lon, 3, h, interpolate), expected != kNone);
        if (expected != kNone) {
            EXPECT_NEAR(h, expected, 0.01);
        }
        // Longitudes a turn away read the same.
        float wrapped = -2;
        if (expected != kNone && std::fabs(lat) < 80) {
            EXPECT_TRUE(store.elevationAtLevel(lat, lon + 360, 3, wrapped, interpolate));
            EXPECT_EQ(wrapped, h);
        }
    }
    // Where the neighbour is missing, the level below answers.
    double lat, lon;
    grid.PixelXYToLatLong(1535.5, 700, lat, lon);
    float h;
    EXPECT_EQ(store.elevationAtBestLevel(lat, lon, h, 3), 2);
    EXPECT_NEAR(h, plane(1535.5 / 2, 350), 0.01);
    EXPECT_EQ(store.elevationAtBestLevel(lat, lon, h, 0), 0) << "a top level below 1 tries nothing";
    EXPECT_TRUE(store.wanted().empty()) << "asked for a tile with no server set";
}

TEST_F(ElevationData, LevelsPastTheKeyAreClampedTo14) {
    // A fine spacing asks for level 20; level 14's rows and columns fill a key.
    EXPECT_EQ(MZElevationData::levelForSpacing(50, 0.5), 14);
    int level, a, b;
    MZElevationData::fromKey(MZElevationData::toKey(14, 16383, 16383), level, a, b);
    EXPECT_EQ(std::make_tuple(level, a, b), std::make_tuple(14, 16383, 16383));
    ASSERT_TRUE(writeTilesAround(dir.path(), 14, 50.5, -1.5, plane));
    MZElevationData store(dir.path().toStdString());
    float at14 = -1, at20 = -2;
    ASSERT_TRUE(store.elevationAtLevel(50.5, -1.5, 14, at14, true));
    ASSERT_TRUE(store.elevationAtLevel(50.5, -1.5, 20, at20, true));
    EXPECT_EQ(at20, at14);
    for (auto [lvl, x, y] : {std::tuple(15, 0, 0), std::tuple(3, 2048, 0), std::tuple(3, -1, 0)})
        EXPECT_FALSE(store.elevationFromTile(lvl, x, y, at14)) << lvl << " " << x;
}

TEST_F(ElevationData, ATileThatDoesNotDecodeIsKeptOnceThenGivenUp) {
    const QString path = tileFile(dir.path(), 3, 1, 1);
    MZElevationData store(dir.path().toStdString());
    float h;
    for (bool second : {false, true}) {
        SCOPED_TRACE(second);
        ASSERT_TRUE(testsupport::writeFile(path, "not a png"));
        EXPECT_FALSE(store.elevationFromTile(3, 300, 300, h));
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_TRUE(QFile::exists(path + ".bad"));
        EXPECT_EQ(store.failed().count(MZElevationData::toKey(3, 1, 1)), second ? 1u : 0u);
    }
}

TEST_F(ElevationData, TheCacheKeepsTheHundredMostRecentlyUsedTiles) {
    // Level 7, row 0: tile i is flat at i metres.
    ASSERT_TRUE(
        writeTiles(dir.path(), 7, 0, 101, 0, 0, [](double x, double) { return int(x / 256); }));
    MZElevationData store(dir.path().toStdString());
    const auto read = [&](int i) {
        float h = -1;
        return store.elevationFromTile(7, i * 256 + 10, 10, h) ? h : -1.0f;
    };
    const auto cached = [&](int i) { return store.hasTile(MZElevationData::toKey(7, 0, i)); };
    for (int i = 0; i < 100; ++i) ASSERT_EQ(read(i), i);
    read(0);  // the oldest becomes the newest
    EXPECT_EQ(read(100), 100);
    EXPECT_EQ(store.tileCount(), 100);
    EXPECT_TRUE(cached(0));
    EXPECT_FALSE(cached(1)) << "the least recently used tile stayed";
    EXPECT_EQ(read(1), 1) << "an evicted tile reads again from its file";
    EXPECT_FALSE(cached(2));
    EXPECT_EQ(store.tileCount(), 100);
}

}  // namespace
