// Byte layout of a classic Kartile map file (".ktl"), shared by the reader
// and the map maker. All integers are little-endian; an "offset" is a u32
// byte position from the start of the file, 0 meaning absent.
#pragma once

#include <cstdint>

namespace ktl {

constexpr uint32_t kMagic = 0x1423D5FE;  // 0x1423D5FF is equally valid: bit 0 is ignored
constexpr uint32_t kMaxVersion = 5;      // bits 0-23 of the version word
constexpr uint32_t kKindClassic = 0x00;  // bits 24-31 of the version word
constexpr uint32_t kKindChunked = 0x01;  // version-3 maps, tiles in a chunk file
constexpr uint32_t kKindChunkedAlt = 0x20;
constexpr uint32_t kKindRefused = 0x10;  // an older kind that cannot be read

inline bool magicMatches(uint32_t magic) {
    return (magic | 1u) == (kMagic | 1u);
}
inline uint32_t versionOf(uint32_t word) {
    return word & 0xFFFFFF;
}
inline uint32_t kindOf(uint32_t word) {
    return word >> 24;
}

// Header fields.
constexpr uint32_t kOffMagic = 0x00;
constexpr uint32_t kOffVersion = 0x04;
constexpr uint32_t kOffWidthTiles = 0x08;
constexpr uint32_t kOffHeightTiles = 0x0C;
constexpr uint32_t kOffTitle = 0x10;        // string offset: second choice of display title
constexpr uint32_t kOffName = 0x14;         // first choice
constexpr uint32_t kOffIdentifier = 0x18;   // "ID", third choice
constexpr uint32_t kOffEdition = 0x1C;      // "Ed"
constexpr uint32_t kOffRevision = 0x20;     // "Rev"
constexpr uint32_t kOffCopyright = 0x28;    // "(C)"
constexpr uint32_t kOffScale = 0x2C;        // "Scale"
constexpr uint32_t kOffDepthUnits = 0x34;   // "Depths"
constexpr uint32_t kOffHeightUnits = 0x38;  // "Heights"
constexpr uint32_t kOffFlags = 0x40;
constexpr uint32_t kOffSourceFile = 0x44;    // name of the image the map was made from
constexpr uint32_t kOffExtended = 0x54;      // offset of the 32-byte extended block
constexpr uint32_t kOffOutlineCount = 0x58;  // i32
constexpr uint32_t kOffOutline = 0x5C;       // count x (f64 latitude, f64 longitude), degrees
constexpr uint32_t kOffGeoref = 0x60;        // 40 x f64, see Geo_ref_coeff_t
constexpr uint32_t kOffPalette = 0x1A0;      // 256 x u32 0x??RRGGBB; entries 0..127 used
constexpr uint32_t kOffMixing = 0x5A0;       // 128 x 128 palette indices: even mix of a and b
constexpr uint32_t kHeaderSize = 0x45A0;  // the tile index follows: u32 per tile, rows from the top
constexpr uint32_t kMixingSize = 128 * 128;

// Extended block fields.
constexpr uint32_t kExtendedSize = 32;
constexpr uint32_t kExtMapType = 0x00;     // string offset
constexpr uint32_t kExtDatumShift = 0x04;  // offset of f64 latitude, f64 longitude shift, degrees

}  // namespace ktl
