#include "maps/ktltileencoder.h"

#include <algorithm>
#include <cstdint>

#include "maps/ktlhuffmanencoder.h"
#include "maps/ktltilecodec.h"

namespace {

// The colours of a tile, most frequent first, and each colour's slot.
struct TileColours {
    uint32_t counts[kPaletteSize] = {};
    uint8_t order[kPaletteSize] = {};  // sub-palette
    uint8_t slot[kPaletteSize] = {};   // index -> position in order
    int n = 0;

    explicit TileColours(const uint8_t* indices) {
        for (int i = 0; i < kTilePixels; ++i) ++counts[indices[i] & 127];
        for (int i = 0; i < kPaletteSize; ++i)
            if (counts[i]) order[n++] = uint8_t(i);
        std::stable_sort(order, order + n,
                         [this](uint8_t a, uint8_t b) { return counts[a] > counts[b]; });
        for (int i = 0; i < n; ++i) slot[order[i]] = uint8_t(i);
    }
};

int bitsFor(int n) {
    int k = 1;
    while ((1 << k) < n) ++k;
    return k;
}

int runBits(int n) {
    return n == 1 ? 0 : bitsFor(n);
}

// Calls emit(index, length) for each run of equal indices.
template <typename Emit>
void forEachRun(const uint8_t* indices, Emit emit) {
    int i = 0;
    while (i < kTilePixels) {
        int j = i + 1;
        while (j < kTilePixels && indices[j] == indices[i]) ++j;
        emit(indices[i] & 127, j - i);
        i = j;
    }
}

size_t runLengthSize(const TileColours& colours, const uint8_t* indices) {
    if (colours.n > 127) return SIZE_MAX;
    const int maxRun = 255 >> runBits(colours.n);
    size_t bytes = 1 + size_t(colours.n);
    forEachRun(indices, [&](int, int length) { bytes += size_t((length + maxRun - 1) / maxRun); });
    return bytes;
}

size_t bitPackedSize(const TileColours& colours) {
    if (colours.n < 2 || colours.n > 127) return SIZE_MAX;
    const int perWord = 32 / bitsFor(colours.n);
    return 1 + size_t(colours.n) + 4 * size_t((kTilePixels + perWord - 1) / perWord);
}

size_t huffmanSize(const KtlHuffmanEncoder& huffman) {
    return 1 + huffman.tree().size() + size_t((huffman.payloadBits() + 7) / 8);
}

void appendRunLength(const TileColours& colours, const uint8_t* indices,
                     std::vector<uint8_t>& out) {
    const int k = runBits(colours.n);
    const int maxRun = 255 >> k;
    out.push_back(uint8_t(colours.n));
    out.insert(out.end(), colours.order, colours.order + colours.n);
    forEachRun(indices, [&](int index, int length) {
        while (length > 0) {
            const int run = std::min(length, maxRun);
            out.push_back(uint8_t(run << k | colours.slot[index]));
            length -= run;
        }
    });
}

void appendBitPacked(const TileColours& colours, const uint8_t* indices,
                     std::vector<uint8_t>& out) {
    const int k = bitsFor(colours.n);
    const int perWord = 32 / k;
    out.push_back(uint8_t(256 - colours.n));
    out.insert(out.end(), colours.order, colours.order + colours.n);
    for (int i = 0; i < kTilePixels; i += perWord) {
        uint32_t word = 0;
        for (int j = 0; j < perWord && i + j < kTilePixels; ++j)
            word |= uint32_t(colours.slot[indices[i + j] & 127]) << (j * k);
        for (int b = 0; b < 4; ++b) out.push_back(uint8_t(word >> (8 * b)));
    }
}

void appendHuffman(const KtlHuffmanEncoder& huffman, const uint8_t* indices,
                   std::vector<uint8_t>& out) {
    out.push_back(0x00);
    out.insert(out.end(), huffman.tree().begin(), huffman.tree().end());
    huffman.appendBits(indices, kTilePixels, out);
}

}  // namespace

size_t KtlTileEncoder::encodedSize(Encoding encoding, const uint8_t* indices) {
    const TileColours colours(indices);
    switch (encoding) {
        case Encoding::Single:
            return colours.n == 1 ? 2 : SIZE_MAX;
        case Encoding::RunLength:
            return runLengthSize(colours, indices);
        case Encoding::BitPacked:
            return bitPackedSize(colours);
        case Encoding::Huffman:
            return huffmanSize(KtlHuffmanEncoder(colours.counts));
    }
    return SIZE_MAX;
}

bool KtlTileEncoder::encodeAs(Encoding encoding, const uint8_t* indices,
                              std::vector<uint8_t>& out) {
    const TileColours colours(indices);
    switch (encoding) {
        case Encoding::Single:
            if (colours.n != 1) return false;
            out.push_back(0xFF);
            out.push_back(colours.order[0]);
            return true;
        case Encoding::RunLength:
            if (colours.n > 127) return false;
            appendRunLength(colours, indices, out);
            return true;
        case Encoding::BitPacked:
            if (bitPackedSize(colours) == SIZE_MAX) return false;
            appendBitPacked(colours, indices, out);
            return true;
        case Encoding::Huffman:
            appendHuffman(KtlHuffmanEncoder(colours.counts), indices, out);
            return true;
    }
    return false;
}

KtlTileEncoder::Encoding KtlTileEncoder::encode(const uint8_t* indices, std::vector<uint8_t>& out) {
    const TileColours colours(indices);
    if (colours.n == 1) {
        out.push_back(0xFF);
        out.push_back(colours.order[0]);
        return Encoding::Single;
    }
    const KtlHuffmanEncoder huffman(colours.counts);
    const size_t sizes[3] = {runLengthSize(colours, indices), bitPackedSize(colours),
                             huffmanSize(huffman)};
    const size_t best = size_t(std::min_element(sizes, sizes + 3) - sizes);
    if (best == 0) {
        appendRunLength(colours, indices, out);
        return Encoding::RunLength;
    }
    if (best == 1) {
        appendBitPacked(colours, indices, out);
        return Encoding::BitPacked;
    }
    appendHuffman(huffman, indices, out);
    return Encoding::Huffman;
}
