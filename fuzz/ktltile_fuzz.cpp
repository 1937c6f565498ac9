// One map tile's bytes through the tile decoder at every level: tiles come
// from downloaded and packaged map files.
//
// Input: byte 0 picks the level (0..7); the rest is the tile.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "maps/ktltilecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int level = data[0] % 8;
    // Exactly as many bytes as the decoder may touch, so ASan sees any overrun.
    uint8_t out[kTilePixels];
    KtlTileCodec::decode(data + 1, size - 1, level, out);
    for (int i = 0; i < KtlTileCodec::pixelsForLevel(level); ++i)
        if (out[i] >= kPaletteSize) {
            std::fprintf(stderr, "index %d out of the palette at %d\n", out[i], i);
            std::abort();
        }
    return 0;
}
