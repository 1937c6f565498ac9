// Terrarium elevation tiles: 256 x 256 PNG images whose colour carries the
// height of each pixel in metres,
//     height = R * 256 + G + B / 256 - 32768,
// read only where R > 120 (a height above -1792 m); lower pixels read 0, so
// ocean depths below that are sea level. Heights are exact to 1/256 m.
//
// A file is decoded only after its header says it is a tile: exactly
// 256 x 256, 8-bit colour (RGB, RGBA or a palette), at most kMaxFileBytes;
// anything else (grey levels, 16-bit channels, a giant image) is refused
// before a pixel is decoded.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <string>

namespace terrarium {

constexpr int kTileSize = 256;
constexpr int kTilePixels = kTileSize * kTileSize;
// An uncompressed 256 x 256 RGBA PNG is about 263 KB; four times that is
// more than any tile needs.
constexpr qint64 kMaxFileBytes = 1 << 20;

// Height in metres of one pixel's colour.
inline float heightOf(unsigned r, unsigned g, unsigned b) {
    if (r <= 120) return 0.0f;
    return float(int(r * 256 + g) - 32768) + float(b) * 0.00390625f;
}

// Decodes a tile (a file, or its bytes) into kTilePixels heights, row-major
// (row = pixel y). False with the reason when it is not a tile.
bool decodeFile(const QString& path, float* heights, std::string* why = nullptr);
bool decodeBytes(const QByteArray& bytes, float* heights, std::string* why = nullptr);

// The colour that encodes a height (rounded to 1/256 m, clamped to what the
// encoding holds).
QRgb colourOf(double height);
// A tile image of heights given per pixel (x, y within the tile).
QImage makeTile(const std::function<double(int x, int y)>& height);

}  // namespace terrarium
