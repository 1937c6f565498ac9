// Encoding of one 64 x 64 map tile in the smallest of the four tile
// encodings (one index, run-length, bit-packed, Huffman; see ktltilecodec.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class KtlTileEncoder {
public:
    enum class Encoding { Single, RunLength, BitPacked, Huffman };

    // Appends the smallest encoding of 4096 indices (0..127, stored-row
    // order) to `out`; returns the encoding chosen.
    static Encoding encode(const uint8_t* indices, std::vector<uint8_t>& out);

    // Appends one particular encoding; false when it cannot hold the tile
    // (Single needs one colour, RunLength and BitPacked at most 127, and
    // BitPacked at least 2).
    static bool encodeAs(Encoding encoding, const uint8_t* indices, std::vector<uint8_t>& out);

    // Bytes the encoding would take, or SIZE_MAX when it cannot hold the tile.
    static size_t encodedSize(Encoding encoding, const uint8_t* indices);
};
