// The chunk codec of version-3 maps: run-length Huffman over palette indices.
//
// A coded chunk is a run of 32-bit little-endian words. Word 0 is t, the
// length of the code tree in words; the tree's 16-bit signed entries fill
// bytes 4 .. 4t in pre-order, and the bit stream starts at word t, each word
// read from its least significant bit.
//   entry -s (negative): a branch; its "0" child is the next entry, its "1"
//                        child s entries after that next entry
//   entry >= 0:          a leaf; bits 0-6 the palette index, bits 8-9 the run
//                        class c
// Class 0 writes one pixel. Class c = 1, 2, 3 reads 2^c more bits (most
// significant first) as v and writes a run of kRunBase[c] + v pixels:
// 2-5, 6-21 or 22-277. Pixels are coded in the chunk's stored-row order, so
// any prefix of the stream decodes a prefix of the pixels.
#pragma once

#include <cstdint>
#include <vector>

class CHuffmanEncoding {
public:
    static constexpr int kMaxWords = 10000000;
    static constexpr int kMaxCount = 10000000;
    static constexpr int kRunBase[4] = {1, 2, 6, 22};

    // Decodes `count` indices from the first `nwords` words into `out`. False
    // when nwords or count are outside 1..10,000,000, the tree is longer than
    // the data, a walk leaves the tree, or the words run out. Reads nothing
    // beyond words[nwords - 1]; writes nothing beyond out[count - 1].
    static bool decode_run(const uint32_t* words, int64_t nwords, uint8_t* out, int64_t count);

    // Codes `count` indices (0..127). Each entry of `prefixPixels` (ascending)
    // asks for the number of words from the start that decode at least that
    // many pixels; the answers go to `prefixWords` in the same order.
    static void encode_run(const uint8_t* pixels, int count, std::vector<uint32_t>& words,
                           const std::vector<int>& prefixPixels = {},
                           std::vector<int>* prefixWords = nullptr);
};
