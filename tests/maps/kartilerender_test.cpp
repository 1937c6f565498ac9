// Composing rectangles of a map at every level, and reading maps bigger
// than 32 MiB from several threads at once: noise compresses to about
// 3.8 KiB a tile, so 104 x 104 tiles make a map of about 41 MB.
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

// Level 0 is the image: 4 x 3 tiles (200 x 150 padded) and a column of
// tiles outside it. Levels -1 to -3 repeat each pixel, here in a square
// that straddles tile edges from an odd source position.
TEST_F(Render, LevelZeroIsTheImageAndMagnifiedLevelsRepeatEachPixel) {
    OpenMap map(path);
    ThreadDataForRead scratch;
    for (int level = 0; level >= -3; --level) {
        const int m = 1 << -level, x0 = level ? 50 : 0, y0 = level ? 40 : 0;
        const int w = level ? 64 : 320, h = level ? 64 : 192;
        std::vector<uint32_t> out(size_t(w) * h, 0);
        ASSERT_EQ(map->ReadRectRGB(x0, y0, w, h, w, level, out.data(), &scratch), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = x0 + x / m, sy = y0 + y / m;
                ASSERT_EQ(out[size_t(y) * w + x], map->palette()[sx < 256 ? grid(sx, sy) : 1])
                    << "level " << level << " at " << x << "," << y;
            }
    }
    std::vector<uint32_t> out(64 * 63, 7);
    EXPECT_EQ(map->ReadRectRGB(0, 0, 64, 63, 64, 0, out.data(), nullptr), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 7u), long(out.size()))
        << "nothing drawn without a whole row of tiles";
    EXPECT_EQ(map->ReadRectRGB(0, 0, 32, 32, 32, 7, out.data(), nullptr), 0);
    EXPECT_EQ(out[0], 7u) << "level 7 and beyond draw nothing";
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

int noise(int x, int y) {
    uint32_t v = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u;
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    return int((v ^ (v >> 15)) % 128);
}

bool tileMatches(CKartile& map, int tx, int ty, ThreadDataForRead& scratch) {
    if (map.ReadBlock(tx, ty, 0, scratch.tile, &scratch) != 0) return false;
    for (int k = 0; k < 64; ++k)
        for (int c = 0; c < 64; ++c)
            if (scratch.tile[k * 64 + c] != noise(tx * 64 + c, ty * 64 + kTileRowOfStored[k]))
                return false;
    return true;
}

// Tiles past the primary view, read by two workers while the interface
// thread reads the strings stored after them.
TEST(BigMap, TilesPastThirtyTwoMebibytesReadRightFromSeveralThreads) {
    constexpr int kTiles = 104;
    TempDir dir;
    const std::string path = makeMap(
        dir.file("big.ktl"), indexedImage(kTiles * 64, kTiles * 64, noise), [](CKartileMaker& m) {
            m.name = "Big";
            m.copyright = "Noise";
        });
    ASSERT_GT(CKartile::getKtlFileSize(path), int64_t(33) << 20);
    OpenMap map(path);
    std::atomic<int> wrong{0};
    auto worker = [&](unsigned seed) {
        ThreadDataForRead scratch;
        std::mt19937 rng(seed);
        for (int ty = 0; ty < kTiles; ++ty)  // the last column runs to the end of the tiles
            if (!tileMatches(*map.get(), kTiles - 1, ty, scratch)) ++wrong;
        for (int i = 0; i < 150; ++i) {
            // Alternate between the first and the last rows of the file.
            const int ty = i % 2 ? kTiles - 1 - int(rng() % 30) : int(rng() % 30);
            if (!tileMatches(*map.get(), int(rng() % kTiles), ty, scratch)) ++wrong;
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
