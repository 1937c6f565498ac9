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

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray chunk(const char* type, const QByteArray& data) {
    QByteArray out(4, 0);
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    QByteArray body = QByteArray(type, 4) + data;
    out += body;
    QByteArray crc(4, 0);
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))),
        crc.data());
    return out + crc;
}

// A PNG whose header claims a size, with a few bytes of pixel data.
QByteArray claimedPng(quint32 width, quint32 height) {
    QByteArray header(13, 0);
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 8;  // bits per channel
    header[9] = 2;  // RGB
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", QByteArray("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9)) + chunk("IEND", {});
}

QImage filled(QSize size, QImage::Format format, QRgb colour) {
    QImage image(size, format);
    image.fill(colour);
    return image;
}

TEST(TerrariumTile, PixelHeights) {
    struct Case {
        const char* name;
        unsigned r, g, b;
        float expected;
    };
    const Case cases[] = {
        {"10.5 m", 128, 10, 128, 10.5f},
        {"sea level", 128, 0, 0, 0},
        {"red 100 is below the floor: 0 m", 100, 200, 50, 0},
        {"red 120 still reads 0 m", 120, 0, 0, 0},
        {"red 121, the lowest read", 121, 0, 0, -1792},
        {"the highest", 255, 255, 255, 32767.99609375f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(terrarium::heightOf(c.r, c.g, c.b), c.expected);
    }
    // What the encoder writes reads back to 1/256 m.
    for (double h : {-1500.0, -0.5, 0.0, 8848.86, 1234.00390625}) {
        SCOPED_TRACE(h);
        const QRgb c = terrarium::colourOf(h);
        EXPECT_NEAR(terrarium::heightOf(qRed(c), qGreen(c), qBlue(c)), h, 1.0 / 512);
    }
}

TEST(TerrariumTile, OnlyTilesAreDecoded) {
    const QRgb tenAndAHalf = qRgb(128, 10, 128);
    QImage palette = filled({256, 256}, QImage::Format_RGB32, tenAndAHalf)
                         .convertToFormat(QImage::Format_Indexed8);
    QByteArray big = png(filled({256, 256}, QImage::Format_RGB32, tenAndAHalf));
    big += QByteArray(int(terrarium::kMaxFileBytes), '\0');  // trailing bytes a reader ignores
    struct Case {
        const char* name;
        QByteArray bytes;
        bool ok;
    };
    const Case cases[] = {
        {"RGB tile", png(filled({256, 256}, QImage::Format_RGB32, tenAndAHalf)), true},
        {"RGBA tile", png(filled({256, 256}, QImage::Format_ARGB32, tenAndAHalf)), true},
        {"palette tile", png(palette), true},
        {"256 wide, 255 high", png(filled({256, 255}, QImage::Format_RGB32, tenAndAHalf)), false},
        {"256 wide, 512 high", png(filled({256, 512}, QImage::Format_RGB32, tenAndAHalf)), false},
        {"255 wide", png(filled({255, 256}, QImage::Format_RGB32, tenAndAHalf)), false},
        {"grey levels", png(filled({256, 256}, QImage::Format_Grayscale8, qRgb(128, 128, 128))),
         false},
        {"16-bit channels", png(filled({256, 256}, QImage::Format_RGBA64, tenAndAHalf)), false},
        {"claims 256 x 60000", claimedPng(256, 60000), false},
        {"claims 60000 x 60000", claimedPng(60000, 60000), false},
        {"over the file cap", big, false},
        {"cut short", png(filled({256, 256}, QImage::Format_RGB32, tenAndAHalf)).left(60), false},
        {"not an image", "hello", false},
        {"empty", {}, false},
    };
    std::vector<float> heights(terrarium::kTilePixels, -1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::fill(heights.begin(), heights.end(), -1.0f);
        std::string why;
        EXPECT_EQ(terrarium::decodeBytes(c.bytes, heights.data(), &why), c.ok) << why;
        if (c.ok) {
            EXPECT_EQ(heights.front(), 10.5f);
            EXPECT_EQ(heights.back(), 10.5f);
        } else {
            EXPECT_FALSE(why.empty());
        }
    }
}

}  // namespace
