// Decoding of one 64 x 64 map tile into palette indices.
//
// A tile's pixel rows are stored interlaced: stored row k holds image row
// kTileRowOfStored[k] (the six bits of k reversed, its own inverse), so the
// first 64 >> L stored rows are the image rows that are multiples of 2^L and a
// view reduced by 2^L decodes only those.
//
// First byte of a tile:
//   0x00       Huffman-coded indices; the code tree follows in pre-order
//   0x01-0x7F  run-length coded with a sub-palette of that many entries
//   0x81-0xFE  bit-packed in 32-bit words, sub-palette of 256 - b entries
//   0xFF       one index for the whole tile (the next byte)
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kTileSize = 64;                       // pixels per side
constexpr int kTilePixels = kTileSize * kTileSize;  // 4096 indices
constexpr int kPaletteSize = 128;                   // indices 0..127 are meaningful

// Image row held by each stored row (and the stored row of each image row).
extern const uint8_t kTileRowOfStored[kTileSize];

class KtlTileCodec {
public:
    // Indices produced at a level: 64 * (64 >> level) for level 0..6, 0 above.
    static int pixelsForLevel(int level);

    // Decodes the first pixelsForLevel(level) indices (stored-row order) of
    // the tile whose bytes start at `data`; `available` is how many bytes may
    // be read. Every read stays inside [data, data + available). Indices come
    // out in 0..127: sub-palette entries of 128 and above become 0. A damaged
    // tile (data missing, a walk outside the code tree, an unknown encoding)
    // is filled with index 0 and false is returned. No allocation.
    static bool decode(const uint8_t* data, size_t available, int level, uint8_t* out);
};
