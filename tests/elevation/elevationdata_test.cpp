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
    QString root() const { return dir.path(); }
    testsupport::TempDir dir;
    DownloadSettings settings{false, QUrl()};
};

TEST_F(ElevationData, HeightsOfAKnownSurface) {
    // Level 3 (2048 pixels round the world): a 3 x 3 block of tiles and the
    // world's first and last columns of tiles on the same rows.
    ASSERT_TRUE(writeTiles(root(), 3, 3, 5, 2, 4, plane));
    ASSERT_TRUE(writeTiles(root(), 3, 0, 0, 2, 4, plane));
    ASSERT_TRUE(writeTiles(root(), 3, 7, 7, 2, 4, plane));
    MZElevationData store(root().toStdString());
    struct Case {
        const char* name;
        double gx, gy;
        bool interpolate;
        double expected;
    };
    const Case cases[] = {
        {"inside a tile", 900.25, 700.5, true, plane(900.25, 700.5)},
        {"on a pixel corner", 1000, 600, true, plane(1000, 600)},
        {"last column, the next tile's first", 1023.5, 700.25, true, plane(1023.5, 700.25)},
        {"last row, the tile below", 900.5, 767.75, true, plane(900.5, 767.75)},
        {"where four tiles meet", 1279.5, 767.5, true, plane(1279.5, 767.5)},
        {"without interpolation: the pixel's own", 900.75, 700.75, false, plane(900, 700)},
        // The world's last column reaches over to its first.
        {"across 180 degrees", 2047.5, 700, true, (plane(2047, 700) + plane(0, 700)) / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double lat, lon;
        placeOf(3, c.gx, c.gy, lat, lon);
        float height = -1;
        ASSERT_TRUE(store.elevationAtLevel(lat, lon, 3, height, c.interpolate));
        EXPECT_NEAR(height, c.expected, 0.01);
    }
}

TEST_F(ElevationData, PolesLongitudeWrapAndMissingTiles) {
    ASSERT_TRUE(writeTiles(root(), 3, 0, 1, 2, 3, plane));
    MZElevationData store(root().toStdString());
    float h = -1, wrapped = -2;
    struct Case {
        const char* name;
        double lat, lon;
        bool ok;
        double expected;  // when ok and not compared with a twin
    };
    const Case cases[] = {
        {"85 N reads 0 m without tiles", 85, 10, true, 0},
        {"80 S reads 0 m", -80, -100, true, 0},
        {"79.9 N needs a tile", 79.9, 10, false, 0},
        {"not a number", NAN, 10, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        h = -1;
        EXPECT_EQ(store.elevationAtLevel(c.lat, c.lon, 3, h, true), c.ok);
        if (c.ok) {
            EXPECT_EQ(h, c.expected);
        }
    }
    EXPECT_EQ(store.tileCount(), 0) << "the polar rule touched tiles";
    // 190 E is 170 W, and 550 E too.
    ASSERT_TRUE(store.elevationAtLevel(50, -170, 3, h, true));
    for (double lon : {190.0, 550.0}) {
        SCOPED_TRACE(lon);
        ASSERT_TRUE(store.elevationAtLevel(50, lon, 3, wrapped, true));
        EXPECT_EQ(wrapped, h);
    }
}

TEST_F(ElevationData, AMissingNeighbourFailsTheLevelButNotTheOneBelow) {
    ASSERT_TRUE(writeTile(root(), 3, 3, 2, plane));  // not tile 4 beside it
    ASSERT_TRUE(writeTiles(root(), 2, 0, 3, 0, 3, plane));
    MZElevationData store(root().toStdString());
    double lat, lon;
    placeOf(3, 1023.5, 600.5, lat, lon);
    float h;
    EXPECT_FALSE(store.elevationAtLevel(lat, lon, 3, h, true));
    EXPECT_TRUE(store.elevationAtLevel(lat, lon, 3, h, false));
    EXPECT_EQ(store.elevationAtBestLevel(lat, lon, h, 3), 2);
    EXPECT_NEAR(h, plane(1023.5 / 2, 600.5 / 2), 0.01);
    EXPECT_EQ(store.elevationAtBestLevel(lat, lon, h, 0), 0) << "a top level below 1 tries nothing";
}

TEST_F(ElevationData, LevelsPastTheKeyAreClampedTo14) {
    // A fine spacing asks for level 20; tile rows and columns of level 14
    // are the most a key holds.
    EXPECT_EQ(Google_Grid::levelForResolution(50, 0.5), 20);
    EXPECT_EQ(MZElevationData::levelForSpacing(50, 0.5), 14);
    int level, a, b;
    MZElevationData::fromKey(MZElevationData::toKey(14, 16383, 16383), level, a, b);
    EXPECT_EQ(std::make_tuple(level, a, b), std::make_tuple(14, 16383, 16383));
    // Level 14 tiles around 50.5 N 1.5 W, on a surface of the tile's own pixels.
    const int tiles = 1 << 14;
    const int tx = int((-1.5 + 180) / 360 * tiles);
    double gx, gy;
    Google_Grid(14, false, {}).LatLongToPixelXY(50.5, -1.5, gx, gy);
    const int ty = int(gy / 256);
    const Surface local = [](double x, double y) { return std::fmod(x, 256) + std::fmod(y, 256); };
    ASSERT_TRUE(writeTiles(root(), 14, tx - 1, tx + 1, ty - 1, ty + 1, local));
    MZElevationData store(root().toStdString());
    float at14 = -1, at20 = -2;
    ASSERT_TRUE(store.elevationAtLevel(50.5, -1.5, 14, at14, true));
    ASSERT_TRUE(store.elevationAtLevel(50.5, -1.5, 20, at20, true));
    EXPECT_EQ(at20, at14);
    float h;
    EXPECT_FALSE(store.elevationFromTile(15, 0, 0, h));
    EXPECT_FALSE(store.elevationFromTile(3, 2048, 0, h)) << "a pixel past the world";
    EXPECT_FALSE(store.elevationFromTile(3, -1, 0, h));
}

TEST_F(ElevationData, ATileThatDoesNotDecodeIsKeptOnceThenGivenUp) {
    const QString path = tileFile(root(), 3, 1, 1);
    ASSERT_TRUE(testsupport::writeFile(path, "not a png"));
    MZElevationData store(root().toStdString());
    const uint32_t key = MZElevationData::toKey(3, 1, 1);
    float h;
    EXPECT_FALSE(store.elevationFromTile(3, 300, 300, h));
    EXPECT_TRUE(QFile::exists(path + ".bad"));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(store.failed().count(key));
    ASSERT_TRUE(testsupport::writeFile(path, "still not a png"));
    EXPECT_FALSE(store.elevationFromTile(3, 300, 300, h));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(store.failed().count(key));
}

TEST_F(ElevationData, TheCacheKeepsTheHundredMostRecentlyUsedTiles) {
    // Level 7: tile i of row 0 holds the height i everywhere.
    constexpr int kTiles = MZElevationData::kMaxTiles + 2;
    for (int i = 0; i < kTiles; ++i)
        ASSERT_TRUE(writeTile(root(), 7, i, 0, [i](double, double) { return i; }));
    MZElevationData store(root().toStdString());
    const auto read = [&](int i) {
        float h = -1;
        return store.elevationFromTile(7, i * 256 + 10, 10, h) ? h : -1.0f;
    };
    const auto cached = [&](int i) { return store.hasTile(MZElevationData::toKey(7, 0, i)); };
    for (int i = 0; i < MZElevationData::kMaxTiles; ++i) ASSERT_EQ(read(i), i);
    EXPECT_EQ(store.tileCount(), MZElevationData::kMaxTiles);
    read(0);  // the oldest becomes the newest
    EXPECT_EQ(read(100), 100);
    EXPECT_EQ(store.tileCount(), MZElevationData::kMaxTiles);
    EXPECT_TRUE(cached(0));
    EXPECT_FALSE(cached(1)) << "the least recently used tile stayed";
    EXPECT_EQ(read(101), 101);
    EXPECT_FALSE(cached(2));
    EXPECT_EQ(read(1), 1) << "an evicted tile reads again from its file";
    EXPECT_EQ(store.tileCount(), MZElevationData::kMaxTiles);
}

}  // namespace
