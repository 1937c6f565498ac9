#include "elevation/terrariumtile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cmath>

namespace terrarium {

namespace {

bool refuse(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

// Formats whose pixels carry the encoded channels exactly.
bool exactColour(QImage::Format format) {
    switch (format) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGB888:
        case QImage::Format_RGBA8888:
        case QImage::Format_RGBX8888:
        case QImage::Format_Indexed8:
            return true;
        default:
            return false;
    }
}

bool decode(QIODevice& device, float* heights, std::string* why) {
    if (device.size() > kMaxFileBytes) return refuse(why, "file too large for a tile");
    QImageReader reader(&device, "png");
    reader.setAutoTransform(false);
    // The header is read first: size and format are known before decoding.
    if (reader.size() != QSize(kTileSize, kTileSize)) return refuse(why, "not 256 x 256 pixels");
    if (!exactColour(reader.imageFormat())) return refuse(why, "not 8-bit colour");
    QImage image;
    if (!reader.read(&image)) return refuse(why, "damaged image");
    if (image.size() != QSize(kTileSize, kTileSize)) return refuse(why, "not 256 x 256 pixels");
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < kTileSize; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        float* row = heights + y * kTileSize;
        for (int x = 0; x < kTileSize; ++x)
            row[x] = heightOf(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    return true;
}

}  // namespace

bool decodeFile(const QString& path, float* heights, std::string* why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return refuse(why, "cannot open");
    return decode(file, heights, why);
}

bool decodeBytes(const QByteArray& bytes, float* heights, std::string* why) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return decode(buffer, heights, why);
}

QRgb colourOf(double height) {
    const double steps = std::clamp(std::round((height + 32768.0) * 256.0), 0.0, 16777215.0);
    const unsigned v = unsigned(steps);
    return qRgb(int(v >> 16), int((v >> 8) & 0xFF), int(v & 0xFF));
}

QImage makeTile(const std::function<double(int x, int y)>& height) {
    QImage image(kTileSize, kTileSize, QImage::Format_RGB32);
    for (int y = 0; y < kTileSize; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kTileSize; ++x) line[x] = colourOf(height(x, y));
    }
    return image;
}

}  // namespace terrarium
