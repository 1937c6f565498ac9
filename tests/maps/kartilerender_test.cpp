// Composing rectangles of a map at every level, and reading maps bigger
// than 32 MiB from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "ktltestmaps.h"
#include "maps/kartile1.h"
#include "support/testsupport.h"

namespace {

using namespace ktltest;
using testsupport::TempDir;

// Palette index of image pixel (x, y), the edges repeated into the padding.
struct IndexGrid {
    int w, h;
    std::function<int(int, int)> at;
    int operator()(int x, int y) const { return at(std::min(x, w - 1), std::min(y, h - 1)); }
};

class Render : public ::testing::Test {
protected:
    TempDir dir;
    // 200 x 150 pixels of 128 colours in a pattern with no period of a tile.
    IndexGrid grid{200, 150, [](int x, int y) { return (x * 7 + y * 13 + (x * y) % 11) % 128; }};
    std::string path = makeMap(dir.file("render.ktl"), indexedImage(grid.w, grid.h, grid.at));
};

TEST_F(Render, LevelZeroIsTheImage) {
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    ThreadDataForRead scratch;
    // 4 x 3 tiles of image (200 x 150 padded) and a column of tiles outside.
    std::vector<uint32_t> out(320 * 192, 0);
    ASSERT_EQ(map->ReadRectRGB(0, 0, 320, 192, 320, 0, out.data(), &scratch), 0);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 320; ++x) {
            const uint32_t expected = x < 256 ? map->palette()[grid(x, y)] : map->palette()[1];
            ASSERT_EQ(out[size_t(y) * 320 + x], expected) << x << "," << y;
        }
}

TEST_F(Render, LevelZeroNeedsAWholeRowOfTiles) {
    OpenMap map(path);
    std::vector<uint32_t> out(64 * 63, 7);
    EXPECT_EQ(map->ReadRectRGB(0, 0, 64, 63, 64, 0, out.data(), nullptr), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 7u), long(out.size())) << "nothing drawn";
}

TEST_F(Render, MagnifiedLevelsRepeatEachPixel) {
    OpenMap map(path);
    ThreadDataForRead scratch;
    for (int level = -1; level >= -3; --level) {
        const int m = 1 << -level;
        // A square that straddles tile edges, at an odd source position.
        const int x0 = 50, y0 = 40, size = 64;
        std::vector<uint32_t> out(size_t(size) * size, 0);
        ASSERT_EQ(map->ReadRectRGB(x0, y0, size, size, size, level, out.data(), &scratch), 0);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                ASSERT_EQ(out[size_t(y) * size + x], map->palette()[grid(x0 + x / m, y0 + y / m)])
                    << "level " << level << " at " << x << "," << y;
    }
}

TEST_F(Render, AlternatingRowsMixBothWays) {
    const IndexGrid rows{64, 64, [](int, int y) { return y % 2 ? 9 : 4; }};
    const std::string p = makeMap(dir.file("rows.ktl"), indexedImage(64, 64, rows.at));
    OpenMap map(p);
    ThreadDataForRead scratch;
    std::vector<uint32_t> out(32 * 32);
    ASSERT_EQ(map->ReadRectRGB(0, 0, 32, 32, 32, 1, out.data(), &scratch), 0);
    const uint8_t* M = map->mixingMatrix();
    const uint32_t expected = map->palette()[M[128 * M[128 * 4 + 9] + M[128 * 9 + 4]]];
    EXPECT_EQ(std::count(out.begin(), out.end(), expected), 32 * 32);
    std::fill(out.begin(), out.end(), 5);
    EXPECT_EQ(map->ReadRectRGB(0, 0, 32, 32, 32, 7, out.data(), &scratch), 0);
    EXPECT_EQ(out[0], 5u) << "level 7 and beyond draw nothing";
}

// A map whose ReadBlock fails on one tile.
class FailingTile : public CKartile1 {
public:
    int ReadBlock(int x, int y, int level, unsigned char* out, ThreadDataForRead* s) override {
        if (x == 1 && y == 0) return 1;
        return CKartile1::ReadBlock(x, y, level, out, s);
    }
};

TEST_F(Render, AFailedTileStopsTheRectangle) {
    FailingTile map;
    bool ok = false;
    map.Open(nullptr, path, [&](bool good) { ok = good; });
    ASSERT_TRUE(ok);
    std::vector<uint32_t> out(192 * 64, 0);
    EXPECT_EQ(map.ReadRectRGB(0, 0, 192, 64, 192, 0, out.data(), nullptr), 1);
    EXPECT_NE(out[0], 0u) << "the tile before stays";
    EXPECT_EQ(out[64], 0u);
    EXPECT_EQ(out[128], 0u) << "nothing after the failure";
}

// Noise compresses to about 3.8 KiB a tile: 104 x 104 tiles make a map of
// about 41 MB, so the last part of it lies past the primary view.
class BigMap : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        path =
            makeMap(dir->file("big.ktl"), indexedImage(kSide, kSide, noise), [](CKartileMaker& m) {
                m.name = "Big";
                m.copyright = "Noise";
            });
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static int noise(int x, int y) {
        uint32_t v = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u;
        v ^= v >> 13;
        v *= 0x5bd1e995u;
        return int((v ^ (v >> 15)) % 128);
    }
    static constexpr int kTiles = 104;
    static constexpr int kSide = kTiles * 64;
    static TempDir* dir;
    static std::string path;
};
TempDir* BigMap::dir = nullptr;
std::string BigMap::path;

bool tileMatches(CKartile& map, int tx, int ty, ThreadDataForRead& scratch,
                 int (*noise)(int, int)) {
    if (map.ReadBlock(tx, ty, 0, scratch.tile, &scratch) != 0) return false;
    for (int k = 0; k < 64; ++k)
        for (int c = 0; c < 64; ++c)
            if (scratch.tile[k * 64 + c] != noise(tx * 64 + c, ty * 64 + kTileRowOfStored[k]))
                return false;
    return true;
}

TEST_F(BigMap, TilesPastThirtyTwoMebibytesReadCorrectly) {
    ASSERT_GT(CKartile::getKtlFileSize(path), int64_t(33) << 20);
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    EXPECT_EQ(map->GetTitle(), "Big") << "strings are stored after the tiles";
    ThreadDataForRead scratch;
    // Last tiles, the tiles around the 32 MiB boundary, and back again.
    int beyond = 0;
    for (int ty = 0; ty < kTiles; ++ty) {
        const uint32_t offset = readLe32(path, 0x45A0 + 4 * (ty * kTiles + (kTiles - 1)));
        if (offset >= (32u << 20)) ++beyond;
        if (ty % 7 == 0 || (offset > (31u << 20) && offset < (34u << 20))) {
            EXPECT_TRUE(tileMatches(*map.get(), (kTiles - 1), ty, scratch, noise)) << ty;
        }
    }
    EXPECT_GT(beyond, 10);
    EXPECT_TRUE(tileMatches(*map.get(), (kTiles - 1), (kTiles - 1), scratch, noise));
    EXPECT_TRUE(tileMatches(*map.get(), 0, 0, scratch, noise));
    EXPECT_TRUE(tileMatches(*map.get(), (kTiles - 1), (kTiles - 1), scratch, noise));
}

TEST_F(BigMap, WorkersAndTheInterfaceThreadReadAtOnce) {
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    std::atomic<int> wrong{0};
    auto worker = [&](unsigned seed) {
        ThreadDataForRead scratch;
        std::mt19937 rng(seed);
        for (int i = 0; i < 150; ++i) {
            // Alternate between the first and the last rows of the file.
            const int ty = i % 2 ? kTiles - 1 - int(rng() % 30) : int(rng() % 30);
            if (!tileMatches(*map.get(), int(rng() % kTiles), ty, scratch, noise)) ++wrong;
        }
    };
    std::thread a(worker, 1), b(worker, 2);
    for (int i = 0; i < 300; ++i)
        if (map->GetTitle() != "Big" || map->GetCopyright() != "Noise") ++wrong;
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
