// The tile decoder: the encoding's edge values, and files that are not
// tiles refused before their pixels are decoded.
#include <gtest/gtest.h>

#include <zlib.h>
#include <QBuffer>
#include <QImage>
#include <QtEndian>
#include <vector>

#include "elevation/terrariumtile.h"

namespace {

QByteArray png(QSize size, QImage::Format format, QRgb colour = qRgb(128, 10, 128)) {
    const bool palette = format == QImage::Format_Indexed8;
    QImage image(size, palette ? QImage::Format_RGB32 : format);
    image.fill(colour);
    if (palette) image = image.convertToFormat(format);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A PNG whose header claims a size, with next to no pixel data.
QByteArray claimedPng(quint32 width, quint32 height) {
    const auto chunk = [](const char* type, QByteArray data) {
        QByteArray body = QByteArray(type, 4) + data, head(4, 0), crc(4, 0);
        qToBigEndian<quint32>(quint32(data.size()), head.data());
        qToBigEndian<quint32>(
            quint32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))),
            crc.data());
        return head + body + crc;
    };
    QByteArray header(13, 0);
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 8;  // bits per channel, RGB
    header[9] = 2;
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", QByteArray("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9)) + chunk("IEND", {});
}

TEST(TerrariumTile, PixelHeights) {
    const std::tuple<const char*, unsigned, unsigned, unsigned, float> cases[] = {
        {"10.5 m", 128, 10, 128, 10.5f},
        {"red 100 is below the floor: 0 m", 100, 200, 50, 0},
        {"red 120 still reads 0 m", 120, 0, 0, 0},
        {"red 121, the lowest read", 121, 0, 0, -1792},
        {"the highest", 255, 255, 255, 32767.99609375f},
    };
    for (const auto& [name, r, g, b, expected] : cases)
        EXPECT_EQ(terrarium::heightOf(r, g, b), expected) << name;
    const QRgb c = terrarium::colourOf(8848.86);  // what is written reads back to 1/256 m
    EXPECT_NEAR(terrarium::heightOf(qRed(c), qGreen(c), qBlue(c)), 8848.86, 1.0 / 512);
}

TEST(TerrariumTile, OnlyTilesAreDecoded) {
    const QByteArray tile = png({256, 256}, QImage::Format_RGB32);
    const std::tuple<const char*, QByteArray, bool> cases[] = {
        {"RGB tile", tile, true},
        {"RGBA tile", png({256, 256}, QImage::Format_ARGB32), true},
        {"palette tile", png({256, 256}, QImage::Format_Indexed8), true},
        {"256 wide, 255 high", png({256, 255}, QImage::Format_RGB32), false},
        {"255 wide", png({255, 256}, QImage::Format_RGB32), false},
        {"grey levels", png({256, 256}, QImage::Format_Grayscale8), false},
        {"16-bit channels", png({256, 256}, QImage::Format_RGBA64), false},
        {"claims 256 x 60000", claimedPng(256, 60000), false},
        {"claims 60000 x 60000", claimedPng(60000, 60000), false},
        {"over the file cap", tile + QByteArray(int(terrarium::kMaxFileBytes), '\0'), false},
        {"cut short", tile.left(60), false},
        {"not an image", "hello", false},
    };
    std::vector<float> heights(terrarium::kTilePixels);
    for (const auto& [name, bytes, ok] : cases) {
        SCOPED_TRACE(name);
        std::fill(heights.begin(), heights.end(), -1.0f);
        std::string why;
        EXPECT_EQ(terrarium::decodeBytes(bytes, heights.data(), &why), ok) << why;
        EXPECT_EQ(heights.back(), ok ? 10.5f : -1.0f);
    }
}

}  // namespace
