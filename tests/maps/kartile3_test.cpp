// Version-3 maps: partial maps that still draw their coarse levels, chunk
// keys and directory sizes of huge headers, and the chunk cache under
// concurrent readers and invalidation.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "chunkedtestmaps.h"
#include "maps/kartile3.h"
#include "maps/ktlformat.h"

using namespace testsupport;
using namespace chunkedtest;

namespace {

class Kartile3Test : public ::testing::Test {
protected:
    void SetUp() override { twin = makeTwin(dir); }
    TempDir dir;
    Twin twin;
};

TEST_F(Kartile3Test, PartialMapDrawsCoarseLevelsAndAsksForTheRest) {
    const std::string local = installLocal(twin, dir.file("local"), false);
    ASSERT_TRUE(storePrefixes(twin, local, 3));
    ktltest::OpenMap classic(twin.classic);
    ktltest::OpenMap v3(local);
    ASSERT_TRUE(classic.ok() && v3.ok());
    ThreadDataForRead scratch;
    int asked = 0, worstObtained = -1;
    scratch.missingData = [&](CKartile*, int, int, int wanted, int obtained) {
        ++asked;
        EXPECT_EQ(wanted, 0);
        worstObtained = std::max(worstObtained, obtained);
    };
    // Level 4 needs tile level 3: all there, exactly the classic pixels.
    EXPECT_TRUE(renderRect(classic.get(), 0, 0, 162, 93, 4) ==
                renderRect(v3.get(), 0, 0, 162, 93, 4, &scratch));
    EXPECT_EQ(scratch.missing, 0);
    EXPECT_EQ(asked, 0);
    // Level 0 comes from level 3 with repeated rows, and says so.
    const QImage coarse = renderRect(v3.get(), 0, 0, 256, 256, 0, &scratch);
    EXPECT_GT(scratch.missing, 0);
    EXPECT_GT(asked, 0);
    EXPECT_EQ(worstObtained, 3);
    EXPECT_EQ(coarse.pixel(10, 0), coarse.pixel(10, 7)) << "rows 1..7 repeat row 0";
    EXPECT_EQ(coarse.pixel(10, 0), renderRect(classic.get(), 0, 0, 256, 256, 0).pixel(10, 0));
}

// A map more than 65536 chunks wide: chunk (0, 65536) and chunk (1, 0) are
// different chunks in the cache too.
TEST_F(Kartile3Test, ChunksOfAVeryWideMapKeepTheirOwnPlaces) {
    const std::string local = installLocal(twin, dir.file("local"), false);
    constexpr uint32_t kColumns = 65537;
    ASSERT_TRUE(ktltest::patchFile(local, ktl::kOffWidthTiles, ktltest::le32(kColumns * 16)));
    {
        CChunkFile chunks;
        ASSERT_TRUE(chunks.Open(dir.file("local/twin.kt3").toStdString()));
        ASSERT_TRUE(chunks.WriteHeader({.columns = int(kColumns), .rows = 2}));
        ASSERT_TRUE(chunks.MarkBlank(1, 0));
    }
    ktltest::OpenMap v3(local);
    ThreadDataForRead scratch;
    uint8_t tile[kTilePixels];
    ASSERT_EQ(v3->ReadBlock(0, 16, 0, tile, &scratch), 0);
    EXPECT_EQ(tile[0], 1) << "the blank chunk";
    ASSERT_EQ(v3->ReadBlock(65536 * 16, 0, 0, tile, &scratch), 0);
    EXPECT_EQ(tile[1], 0) << "the missing chunk's grid line, not the blank chunk";
}

TEST_F(Kartile3Test, AHeaderClaimingTooManyChunksDoesNotOpen) {
    const std::string local = installLocal(twin, dir.file("local"), false);
    ASSERT_TRUE(ktltest::patchFile(local, ktl::kOffWidthTiles,
                                   ktltest::le32(0x1FFFFFF) + ktltest::le32(0x1FFFFFF)));
    ktltest::OpenMap v3(local);
    EXPECT_FALSE(v3.ok());
    EXPECT_FALSE(QFile::exists(dir.file("local/twin.kt3"))) << "no chunk file was made";
}

// Readers on four threads while chunks are dropped under them: every tile
// they copy is the classic map's tile, never another chunk's.
TEST_F(Kartile3Test, InvalidationUnderConcurrentReadersIsSafe) {
    ktltest::OpenMap classic(twin.classic);
    ktltest::OpenMap v3(installLocal(twin, dir.file("local"), true));
    ASSERT_TRUE(classic.ok() && v3.ok());
    std::atomic<bool> stop{false};
    std::atomic<int> mismatches{0}, reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([&, t] {
            std::mt19937 random{uint32_t(t)};
            ThreadDataForRead a, b;
            uint8_t mine[kTilePixels], theirs[kTilePixels];
            while (!stop) {
                const int x = int(random() % uint32_t(v3->widthInTiles()));
                const int y = int(random() % uint32_t(v3->heightInTiles()));
                const int level = int(random() % 3);
                v3->ReadBlock(x, y, level, mine, &a);
                classic->ReadBlock(x, y, level, theirs, &b);
                if (std::memcmp(mine, theirs, size_t(KtlTileCodec::pixelsForLevel(level))))
                    ++mismatches;
                ++reads;
            }
        });
    // Chunks are dropped until the readers have made enough reads to meet
    // them (a few hundred: under ThreadSanitizer on a loaded machine each
    // read after a drop reloads its chunk and is slow).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    int i = 0;
    for (; (reads < 300 || i < 300) && std::chrono::steady_clock::now() < deadline; ++i) {
        v3->invalidate_read_cache(MakeChunkKey(i % 2, i % 3));
        if (i % 10 == 0) v3->invalidate_read_cache();
        std::this_thread::yield();
    }
    stop = true;
    for (auto& r : readers) r.join();
    EXPECT_GE(reads.load(), 300);
    EXPECT_GE(i, 300);
    EXPECT_EQ(mismatches.load(), 0);
}

// The cache on its own, with a chunk whose content names its key and more
// keys than places, so renaming the least recently used chunk happens.
struct KeyedChunk {
    static constexpr int kNothingLoaded = 999;
    ChunkKey key = kNoChunkKey;
    std::atomic<int> levelLoaded{kNothingLoaded};
    std::shared_mutex lock;
    ChunkKey content = 0;
    int loads = 0;
    template <class F>
    void Load(F*, int level, int*) {
        content = key * 3 + 1;
        levelLoaded = level;
        ++loads;
    }
};
struct NoFactory {};

TEST(LRUcache, KeepsTheMostRecentlyUsedAndReloadsForAFinerLevel) {
    CLRUcache<KeyedChunk, int> cache(2);
    NoFactory factory;
    int scratch = 0;
    auto get = [&](ChunkKey key, int level) {
        auto c = cache.Get(key, level, &factory, &scratch);
        CLRUcache<KeyedChunk, int>::Release(c);
        return c;
    };
    auto a = get(1, 3);
    get(2, 0);
    EXPECT_EQ(get(1, 3).get(), a.get()) << "a hit";
    EXPECT_EQ(a->loads, 1);
    get(1, 1);
    EXPECT_EQ(a->loads, 2) << "a finer level loads again";
    get(1, 2);
    EXPECT_EQ(a->loads, 2) << "a coarser level is already there";
    auto c = get(3, 0);  // pushes out key 2, the least recently used, and takes its place
    EXPECT_EQ(std::pair(c->content, cache.size()), std::pair(ChunkKey(3 * 3 + 1), size_t(2)));
    EXPECT_EQ(get(1, 1).get(), a.get());
}

}  // namespace
