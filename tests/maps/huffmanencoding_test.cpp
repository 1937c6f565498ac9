// The chunk codec: hand-made streams from the format's own examples, its
// refusals, and round trips of the encoder with level prefixes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "maps/chunkfile.h"
#include "maps/huffmanencoding.h"

namespace {

// Words of a tree given as 16-bit entries, followed by stream words.
std::vector<uint32_t> coded(const std::vector<int16_t>& tree, const std::vector<uint32_t>& bits) {
    std::vector<int16_t> entries = tree;
    if (entries.size() % 2) entries.push_back(0);
    std::vector<uint32_t> words{uint32_t(1 + entries.size() / 2)};
    for (size_t i = 0; i < entries.size(); i += 2)
        words.push_back(uint16_t(entries[i]) | uint32_t(uint16_t(entries[i + 1])) << 16);
    words.insert(words.end(), bits.begin(), bits.end());
    return words;
}

bool decode(const std::vector<uint32_t>& words, std::vector<uint8_t>& out, int64_t count) {
    return CHuffmanEncoding::decode_run(words.data(), int64_t(words.size()), out.data(), count);
}

int16_t leaf(int index, int runClass) {
    return int16_t(index | runClass << 8);
}

TEST(HuffmanDecodeRun, HandMadeStreams) {
    // A class-3 leaf with zero bits is a run of 22.
    const auto words = coded({leaf(5, 3)}, {0});
    std::vector<uint8_t> out(30, 99);
    ASSERT_TRUE(decode(words, out, 22));
    EXPECT_EQ(std::count(out.begin(), out.end(), 5), 22);
    EXPECT_EQ(out[22], 99) << "nothing past count";

    // Root: "0" -> index 7 class 1, "1" -> index 9 class 2.
    // Bits (first taken first): 0, then 2 bits "10" (v=2, run 4); 1, then
    // 4 bits "0011" (v=3, run 9); 0, "11" (run 5).
    const int stream[] = {0, 1, 0, 1, 0, 0, 1, 1, 0, 1, 1};
    uint32_t bits = 0;
    for (int i = 0; i < 11; ++i) bits |= uint32_t(stream[i]) << i;
    out.assign(18, 0);
    ASSERT_TRUE(decode(coded({-1, leaf(7, 1), leaf(9, 2)}, {bits}), out, 18));
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 7, 7, 7, 9, 9, 9, 9, 9, 9, 9, 9, 9, 7, 7, 7, 7, 7}));
}

TEST(HuffmanDecodeRun, RefusesBadInput) {
    std::vector<uint8_t> out(64);
    const auto good = coded({leaf(1, 0)}, {0});
    EXPECT_FALSE(CHuffmanEncoding::decode_run(good.data(), 0, out.data(), 4));
    EXPECT_FALSE(CHuffmanEncoding::decode_run(good.data(), 3, out.data(), 0));
    EXPECT_FALSE(CHuffmanEncoding::decode_run(good.data(), 3, out.data(), 10000001));
    // t not below nwords: the tree would eat all the data.
    const std::vector<uint32_t> tooLongTree{5, 0, 0};
    EXPECT_FALSE(CHuffmanEncoding::decode_run(tooLongTree.data(), 3, out.data(), 4));
    // A branch whose "1" child lies past the tree's end.
    const auto outside = coded({-40, leaf(1, 0)}, {0xFFFFFFFF});
    EXPECT_FALSE(decode(outside, out, 4));
    // Bits run out before count pixels are written.
    const auto shortData = coded({-1, leaf(1, 0), leaf(2, 0)}, {0});
    EXPECT_FALSE(decode(shortData, out, 33));
    EXPECT_TRUE(decode(shortData, out, 32));
}

TEST(HuffmanEncodeRun, RoundTripsAndEveryLevelPrefixDecodesItsPixels) {
    std::mt19937 random(7);
    std::vector<uint8_t> pixels(CChunkFile::kChunkPixels);
    // Runs of every class, single pixels and noise.
    size_t i = 0;
    while (i < pixels.size()) {
        const int run = int(random() % 300) + 1;
        const uint8_t index = uint8_t(random() % 128);
        for (int k = 0; k < run && i < pixels.size(); ++k) pixels[i++] = random() % 9 ? index : 3;
    }
    std::vector<int> prefixPixels, sizes;
    for (int l = 0; l < CChunkFile::kLevels; ++l)
        prefixPixels.push_back(CChunkFile::PixelsForLevel(l));
    std::vector<uint32_t> words;
    CHuffmanEncoding::encode_run(pixels.data(), int(pixels.size()), words, prefixPixels, &sizes);
    ASSERT_EQ(sizes.size(), size_t(CChunkFile::kLevels));
    EXPECT_EQ(sizes[0], int(words.size()));
    EXPECT_LE(sizes[0], CChunkFile::kMaxDataWords);
    for (int l = 1; l < CChunkFile::kLevels; ++l) EXPECT_LT(sizes[size_t(l)], sizes[size_t(l - 1)]);
    std::vector<uint8_t> out(pixels.size());
    for (int l = 0; l < CChunkFile::kLevels; ++l) {
        const int n = CChunkFile::PixelsForLevel(l);
        std::fill(out.begin(), out.end(), 200);
        ASSERT_TRUE(CHuffmanEncoding::decode_run(words.data(), sizes[size_t(l)], out.data(), n))
            << "level " << l;
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + n, pixels.begin())) << "level " << l;
    }
    // One colour: a tree of one leaf, and long runs stay cheap.
    std::fill(pixels.begin(), pixels.end(), 42);
    CHuffmanEncoding::encode_run(pixels.data(), int(pixels.size()), words);
    ASSERT_TRUE(decode(words, out, int64_t(out.size())));
    EXPECT_EQ(out, pixels);
    EXPECT_LT(words.size(), pixels.size() / 64) << "under half a bit a pixel";
}

TEST(LevelChecksum, MatchesTheWorkedExample) {
    const uint32_t data[] = {0x01020304, 0x00000001};
    EXPECT_EQ(CChunkFile::LevelChecksum(data, 2), 0x0B);
    CChunkFile::RecordHeader h;
    h.sizes[4] = 2;
    h.checksum[4] = 0x0B;
    EXPECT_TRUE(CChunkFile::CheckChecksum(h, 4, data));
    h.checksum[4] = 0x0C;
    EXPECT_FALSE(CChunkFile::CheckChecksum(h, 4, data));
    // An empty level passes only with a zero checksum byte.
    EXPECT_TRUE(CChunkFile::CheckChecksum(h, 9, data));
    h.checksum[9] = 1;
    EXPECT_FALSE(CChunkFile::CheckChecksum(h, 9, data));
}

}  // namespace
