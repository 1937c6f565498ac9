#include "maps/kartilemaker.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/base/fileio.h"
#include "app/base/stringutils.h"
#include "maps/colourquantiser.h"
#include "maps/ktlformat.h"
#include "maps/ktltilecodec.h"
#include "maps/ktltileencoder.h"

namespace {

constexpr int kBoundsSamples = 11;  // per side of the grid fitted to corner bounds

void put32(std::vector<uint8_t>& buf, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) buf[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

// Appends to the file and keeps count of its length.
class CKartileMaker::Writer {
public:
    explicit Writer(FILE* f) : m_file(f) {}
    uint64_t position() const { return m_position; }
    bool write(const void* data, size_t n) {
        if (n && std::fwrite(data, 1, n, m_file) != n) m_ok = false;
        m_position += n;
        return m_ok;
    }
    bool ok() const { return m_ok; }

private:
    FILE* m_file;
    uint64_t m_position = 0;
    bool m_ok = true;
};

namespace {

double mercatorY(double latDegrees) {
    const double phi = latDegrees * M_PI / 180;
    return std::log(std::tan(M_PI / 4 + phi / 2));
}

double mercatorLatitude(double y) {
    return std::atan(std::sinh(y)) * 180 / M_PI;
}

}  // namespace

void CKartileMaker::setBounds(double west, double east, double south, double north,
                              Projection projection) {
    m_bounds[0] = west;
    m_bounds[1] = east;
    m_bounds[2] = south;
    m_bounds[3] = north;
    m_projection = projection;
    m_haveBounds = true;
    m_points.clear();
}

void CKartileMaker::setControlPoints(std::vector<PolynomialFit::ControlPoint> points) {
    m_points = std::move(points);
    m_haveBounds = false;
}

bool CKartileMaker::fail(const std::string& message) {
    m_error = message;
    return false;
}

bool CKartileMaker::fitGeoreferencing(int width, int height) {
    std::vector<PolynomialFit::ControlPoint> points = m_points;
    if (m_haveBounds) {
        double west = m_bounds[0], east = m_bounds[1];
        const double south = m_bounds[2], north = m_bounds[3];
        if (east < west) east += 360;  // across the 180th meridian
        const double polar = m_projection == Projection::Mercator ? 89 : 90;
        if (!(east > west) || !(north > south) || !(south >= -polar) || !(north <= polar) ||
            east - west > 360)
            return fail("the bounds must have west < east, south < north, within the globe");
        for (int j = 0; j < kBoundsSamples; ++j) {
            for (int i = 0; i < kBoundsSamples; ++i) {
                const double fx = double(i) / (kBoundsSamples - 1);
                const double fy = double(j) / (kBoundsSamples - 1);
                double lat;
                if (m_projection == Projection::Mercator) {
                    const double top = mercatorY(north), bottom = mercatorY(south);
                    lat = mercatorLatitude(top - (top - bottom) * fy);
                } else {
                    lat = north - (north - south) * fy;
                }
                points.push_back({fx * width, fy * height, lat, west + (east - west) * fx});
            }
        }
    }
    if (points.size() < 3) return fail("give corner bounds or at least 3 control points");
    if (!PolynomialFit::fitGeoref(points, m_georef, &m_fitError))
        return fail("the control points do not determine the georeferencing");
    return true;
}

bool CKartileMaker::make(const QImage& image, const std::string& path) {
    m_error.clear();
    std::memset(m_encodingCounts, 0, sizeof m_encodingCounts);
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return fail("the image is empty or could not be read");
    const int width = image.width(), height = image.height();
    if (!fitGeoreferencing(width, height)) return false;
    const std::vector<uint8_t> indices = paletteIndices(image);
    std::vector<uint8_t> header =
        headerBlock((width + kTileSize - 1) / kTileSize, (height + kTileSize - 1) / kTileSize);
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return fail("cannot write " + temporary);
    Writer out(file);
    out.write(header.data(), header.size());
    writeTiles(out, header, indices, width, height);
    writeTrailer(out, header, width, height);
    return finishFile(file, out, header, temporary, path);
}

// Palette indices of every pixel: an indexed image keeps its colour table,
// any other is quantised.
std::vector<uint8_t> CKartileMaker::paletteIndices(const QImage& image) {
    const int width = image.width(), height = image.height();
    std::vector<uint8_t> indices(size_t(width) * size_t(height));
    if (image.format() == QImage::Format_Indexed8 && image.colorCount() >= 1 &&
        image.colorCount() <= kPaletteSize) {
        m_palette.clear();
        for (QRgb c : image.colorTable()) m_palette.push_back(c | 0xFF000000u);
        for (int y = 0; y < height; ++y) {
            const uchar* line = image.constScanLine(y);
            for (int x = 0; x < width; ++x)
                indices[size_t(y) * width + x] = line[x] < m_palette.size() ? line[x] : 0;
        }
        return indices;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(&pixels[size_t(y) * width], rgb.constScanLine(y), size_t(width) * 4);
    m_palette = ColourQuantiser::choosePalette(pixels.data(), pixels.size(), kPaletteSize);
    ColourQuantiser::Mapper mapper(m_palette);
    for (size_t i = 0; i < pixels.size(); ++i) indices[i] = mapper.nearest(pixels[i]);
    return indices;
}

// Header and tile index; the index is filled in as tiles are written.
std::vector<uint8_t> CKartileMaker::headerBlock(int tilesX, int tilesY) const {
    const size_t tileCount = size_t(tilesX) * size_t(tilesY);
    std::vector<uint8_t> header(ktl::kHeaderSize + 4 * tileCount, 0);
    put32(header, ktl::kOffMagic, magic);
    put32(header, ktl::kOffVersion, version & 0xFFFFFF);
    put32(header, ktl::kOffWidthTiles, uint32_t(tilesX));
    put32(header, ktl::kOffHeightTiles, uint32_t(tilesY));
    put32(header, ktl::kOffFlags, flags);
    std::memcpy(&header[ktl::kOffGeoref], &m_georef, sizeof m_georef);
    for (size_t i = 0; i < m_palette.size(); ++i)
        put32(header, ktl::kOffPalette + 4 * i, m_palette[i] & 0xFFFFFF);
    const std::vector<uint8_t> mixing = ColourQuantiser::mixingMatrix(m_palette);
    std::memcpy(&header[ktl::kOffMixing], mixing.data(), ktl::kMixingSize);
    return header;
}

// Every tile in stored-row order, edges repeating the last pixel, each in its
// smallest encoding; its offset goes into the index.
void CKartileMaker::writeTiles(Writer& out, std::vector<uint8_t>& header,
                               const std::vector<uint8_t>& indices, int width, int height) {
    const int tilesX = (width + kTileSize - 1) / kTileSize;
    const int tilesY = (height + kTileSize - 1) / kTileSize;
    uint8_t tile[kTilePixels];
    std::vector<uint8_t> encoded;
    for (int ty = 0; ty < tilesY; ++ty) {
        for (int tx = 0; tx < tilesX; ++tx) {
            for (int k = 0; k < kTileSize; ++k) {
                const int y = std::min(ty * kTileSize + kTileRowOfStored[k], height - 1);
                const uint8_t* row = &indices[size_t(y) * width];
                for (int c = 0; c < kTileSize; ++c)
                    tile[k * kTileSize + c] = row[std::min(tx * kTileSize + c, width - 1)];
            }
            encoded.clear();
            ++m_encodingCounts[int(KtlTileEncoder::encode(tile, encoded))];
            put32(header, ktl::kHeaderSize + 4 * (size_t(ty) * tilesX + tx),
                  uint32_t(out.position()));
            out.write(encoded.data(), encoded.size());
        }
        if (out.position() > 0xFFFF0000u) break;
    }
}

// Strings, the extended block and the outline follow the tiles.
void CKartileMaker::writeTrailer(Writer& out, std::vector<uint8_t>& header, int width,
                                 int height) const {
    auto writeString = [&](uint32_t field, const std::string& text) {
        if (text.empty()) return;
        put32(header, field, uint32_t(out.position()));
        const std::string latin = UTF8_to_Latin(text);
        out.write(latin.c_str(), latin.size() + 1);
    };
    writeString(ktl::kOffTitle, title);
    writeString(ktl::kOffName, name);
    writeString(ktl::kOffIdentifier, identifier);
    writeString(ktl::kOffEdition, edition);
    writeString(ktl::kOffRevision, revision);
    writeString(ktl::kOffCopyright, copyright);
    writeString(ktl::kOffScale, scale);
    writeString(ktl::kOffDepthUnits, depthUnits);
    writeString(ktl::kOffHeightUnits, heightUnits);
    writeString(ktl::kOffSourceFile, sourceFile);

    if (!mapType.empty() || hasDatumShift) {
        std::vector<uint8_t> extended(ktl::kExtendedSize, 0);
        if (!mapType.empty()) {
            put32(extended, ktl::kExtMapType, uint32_t(out.position()));
            const std::string latin = UTF8_to_Latin(mapType);
            out.write(latin.c_str(), latin.size() + 1);
        }
        if (hasDatumShift) {
            put32(extended, ktl::kExtDatumShift, uint32_t(out.position()));
            const double shift[2] = {latitudeShift, longitudeShift};
            out.write(shift, sizeof shift);
        }
        put32(header, ktl::kOffExtended, uint32_t(out.position()));
        out.write(extended.data(), extended.size());
    }

    const int corners[4][2] = {{0, 0}, {width, 0}, {width, height}, {0, height}};
    put32(header, ktl::kOffOutlineCount, 4);
    put32(header, ktl::kOffOutline, uint32_t(out.position()));
    for (const auto& c : corners) {
        double point[2];
        m_georef.toPositionCorrected(c[0], c[1], point[0], point[1]);
        out.write(point, sizeof point);
    }
}

// The filled-in header over the first bytes, then the finished file over `path`.
bool CKartileMaker::finishFile(FILE* file, const Writer& out, const std::vector<uint8_t>& header,
                               const std::string& temporary, const std::string& path) {
    const bool tooBig = out.position() > 0xFFFFFFFFu;
    const bool written = !tooBig && out.ok() && std::fseek(file, 0, SEEK_SET) == 0 &&
                         std::fwrite(header.data(), 1, header.size(), file) == header.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        DeleteFileA(temporary.c_str());
        return fail(tooBig ? "the map would exceed 4 GiB" : "cannot write " + temporary);
    }
    if (!MoveFileA(temporary.c_str(), path.c_str())) {
        DeleteFileA(temporary.c_str());
        return fail("cannot rename " + temporary + " to " + path);
    }
    return true;
}
