#include "maps/ktltilecodec.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "maps/ktlhuffmanencoder.h"
#include "maps/ktltileencoder.h"

namespace {

using Encoding = KtlTileEncoder::Encoding;

std::vector<uint8_t> decodeTile(const std::vector<uint8_t>& bytes, int level, bool* ok = nullptr) {
    std::vector<uint8_t> out(kTilePixels + 16, 0xEE);  // 0xEE marks bytes left alone
    const bool good = KtlTileCodec::decode(bytes.data(), bytes.size(), level, out.data());
    if (ok) *ok = good;
    return out;
}

// A tile of `colours` indices, spread by `runs` (long runs compress well).
std::vector<uint8_t> randomTile(int colours, int runLength, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> tile(kTilePixels);
    uint8_t current = 0;
    for (int i = 0; i < kTilePixels; ++i) {
        if (i % runLength == 0) current = uint8_t(rng() % unsigned(colours));
        tile[size_t(i)] = current;
    }
    for (int i = 0; i < colours; ++i) tile[size_t(i * 31 % kTilePixels)] = uint8_t(i);  // all occur
    return tile;
}

bool samePrefix(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int count) {
    return std::equal(a.begin(), a.begin() + count, b.begin());
}

TEST(TileInterlace, StoredRowsOfEachLevelAreItsImageRows) {
    for (int k = 0; k < kTileSize; ++k) EXPECT_EQ(kTileRowOfStored[kTileRowOfStored[k]], k);
    for (int level = 0; level <= 6; ++level)
        for (int k = 0; k < (kTileSize >> level); ++k)
            EXPECT_EQ(kTileRowOfStored[k] % (1 << level), 0) << level << " " << k;
}

std::vector<uint8_t> padded(std::vector<uint8_t> head, size_t n, uint8_t fill) {
    head.resize(head.size() + n, fill);
    return head;
}

// Hand-written tiles: the first pixels of the level all come out as `index`;
// a good decode leaves the bytes past the level alone.
TEST(TileDecoding, HandWrittenTiles) {
    std::vector<uint8_t> evenRuns{2, 7, 130};  // k = 1: runs of 64 of index 7, then of 130
    for (int i = 0; i < 64; ++i) evenRuns.push_back(uint8_t(64 << 1 | (i & 1)));
    const std::vector<uint8_t> threeColours{uint8_t(256 - 3), 1, 2, 3};
    enum { Bad, Good, Either };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int level, ok, index, count;
    } cases[] = {
        {"one index", {0xFF, 5}, 0, Good, 5, 4096},
        {"one index, level 1 rows only", {0xFF, 5}, 1, Good, 5, 2048},
        {"one colour's runs, the last cut", padded({1, 9}, 17, 255), 0, Good, 9, 4096},
        {"runs of 0 then out of runs", {1, 9, 0, 0, 100}, 0, Bad, 0, 4096},
        {"Huffman root leaf needs no bits", {0x00, 77}, 0, Good, 77, 4096},
        {"long branch of size 0 without bits", {0x00, 0x80, 0, 0, 6}, 0, Bad, 0, 4096},
        {"long branch of size 0 ends", padded({0x00, 0x80, 0, 0, 6}, 512, 0xA5), 0, Good, 6, 4096},
        {"index of the upper half", {0xFF, 200}, 0, Either, 0, 4096},
        {"run of an upper-half index", evenRuns, 0, Either, 7, 64},
        {"field naming no entry", padded(threeColours, 1024, 0xFF), 0, Either, 0, 4096},
        {"nothing", {}, 0, Bad, 0, 4096},
        {"index missing", {0xFF}, 0, Bad, 0, 4096},
        {"no such encoding", {0x80, 1, 2, 3}, 0, Bad, 0, 4096},
        {"sub-palette past the end", {5, 1, 2}, 0, Bad, 0, 4096},
        {"\"1\" child past the end", {0x00, 0xFF, 3}, 0, Bad, 0, 4096},
        {"\"1\" child past the last leaf", {0x00, 0xF0, 3, 4}, 0, Bad, 0, 4096},
        {"long branch backwards", {0x00, 0x80, 0x05, 0x00, 3, 4}, 0, Bad, 0, 4096},
        {"bits missing", {0x00, 0xFE, 0xFF, 1, 2, 3}, 0, Bad, 0, 4096},
    };
    for (const Case& c : cases) {
        bool ok = false;
        const auto out = decodeTile(c.bytes, c.level, &ok);
        EXPECT_TRUE(c.ok == Either || ok == (c.ok == Good)) << c.name;
        EXPECT_EQ(std::count(out.begin(), out.begin() + c.count, c.index), c.count) << c.name;
        EXPECT_TRUE(!ok || out[size_t(KtlTileCodec::pixelsForLevel(c.level))] == 0xEE) << c.name;
    }
    EXPECT_EQ(decodeTile(evenRuns, 0)[64], 0) << "index 130 becomes 0";
}

TEST(TileDecoding, BitPackedThreeColoursTakesSixteenPixelsPerWord) {
    std::vector<uint8_t> tile{uint8_t(256 - 3), 10, 20, 30};
    for (int w = 0; w < 256; ++w) {
        uint32_t word = 0;  // field j of word w holds (j + w) mod 3
        for (int j = 0; j < 16; ++j) word |= uint32_t((j + w) % 3) << (2 * j);
        for (int b = 0; b < 4; ++b) tile.push_back(uint8_t(word >> (8 * b)));
    }
    bool ok = false;
    auto out = decodeTile(tile, 0, &ok);
    ASSERT_TRUE(ok);
    for (int i : {0, 1, 2, 16, 4095})
        EXPECT_EQ(out[size_t(i)], 10 * ((i / 16 + i % 16) % 3 + 1)) << i;
    tile.pop_back();
    decodeTile(tile, 0, &ok);
    EXPECT_FALSE(ok) << "256 words are needed at level 0";
    decodeTile(tile, 1, &ok);
    EXPECT_TRUE(ok) << "128 words suffice at level 1";
}

TEST(TileEncoding, EveryEncodingRoundTripsAtEveryLevel) {
    for (auto [colours, run] : {std::pair{1, 1}, {2, 1}, {3, 7}, {17, 40}, {127, 1}, {128, 3}}) {
        const auto tile = randomTile(colours, run, unsigned(colours * 100 + run));
        for (Encoding e :
             {Encoding::Single, Encoding::RunLength, Encoding::BitPacked, Encoding::Huffman}) {
            std::vector<uint8_t> bytes;
            if (!KtlTileEncoder::encodeAs(e, tile.data(), bytes)) {
                EXPECT_EQ(KtlTileEncoder::encodedSize(e, tile.data()), SIZE_MAX);
                continue;
            }
            EXPECT_EQ(bytes.size(), KtlTileEncoder::encodedSize(e, tile.data()));
            for (int level = 0; level <= 6; ++level) {
                bool ok = false;
                const auto out = decodeTile(bytes, level, &ok);
                EXPECT_TRUE(ok) << colours << " colours, encoding " << int(e) << " level " << level;
                EXPECT_TRUE(samePrefix(out, tile, KtlTileCodec::pixelsForLevel(level)));
            }
            // Cut short by one byte, the tile is damaged, never read past.
            bytes.pop_back();
            bool ok = true;
            decodeTile(bytes, 0, &ok);
            EXPECT_FALSE(ok) << colours << " colours, encoding " << int(e);
        }
    }
}

TEST(HuffmanTree, ALargeZeroSubtreeUsesTheLongBranch) {
    // One frequent index and 99 rare ones: the rare ones form the "0"
    // subtree, well over 127 bytes.
    uint32_t counts[128] = {};
    counts[0] = 3000;
    for (int i = 1; i < 100; ++i) counts[i] = 5 + uint32_t(i % 7);
    EXPECT_EQ(KtlHuffmanEncoder(counts).codeLength(0), 1);
    std::vector<uint8_t> tile(kTilePixels, 0);
    size_t at = 0;
    for (int i = 1; i < 100; ++i)
        for (uint32_t n = 0; n < counts[i]; ++n) tile[at++ * 5 % kTilePixels] = uint8_t(i);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(KtlTileEncoder::encodeAs(Encoding::Huffman, tile.data(), bytes));
    EXPECT_EQ(bytes[1], 0x80) << "the long branch";
    bool ok = false;
    EXPECT_TRUE(samePrefix(decodeTile(bytes, 0, &ok), tile, kTilePixels) && ok);
}

TEST(HuffmanTree, HandWrittenLongBranchDecodes) {
    // Root: long branch over a 201-byte "0" subtree, a chain of 100 branches
    // each with leaf 100 + i on bit 0, ending in leaf 99.
    std::vector<uint8_t> zero;
    for (int i = 0; i < 100; ++i) zero.insert(zero.end(), {0xFF, uint8_t(i % 28 + 100)});
    zero.push_back(99);
    std::vector<uint8_t> tile{0x00, 0x80};
    const uint16_t minus = uint16_t(-int(zero.size()));
    tile.push_back(uint8_t(minus));
    tile.push_back(uint8_t(minus >> 8));
    tile.insert(tile.end(), zero.begin(), zero.end());
    tile.push_back(120);  // the root's "1" child, the last leaf
    const size_t treeEnd = tile.size();

    tile.resize(treeEnd + 512, 0xFF);  // bit 1 for every pixel: 120
    bool ok = false;
    auto out = decodeTile(tile, 0, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::count(out.begin(), out.begin() + 4096, 120), 4096);

    // 0, then 1 x 100: the far end of the chain, past the 8-bit lookup.
    tile.resize(treeEnd);
    std::vector<uint8_t> bits((101 * 4096 + 7) / 8, 0);
    for (int p = 0; p < 4096; ++p)
        for (int b = 1; b <= 100; ++b) {
            const size_t bit = size_t(p) * 101 + size_t(b);
            bits[bit / 8] |= uint8_t(1 << (bit % 8));
        }
    tile.insert(tile.end(), bits.begin(), bits.end());
    out = decodeTile(tile, 0, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::count(out.begin(), out.begin() + 4096, 99), 4096);
}

}  // namespace
