#include "maps/chartoutline.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "app/base/fileio.h"
#include "app/base/fileutils.h"
#include "maps/georefcoeff.h"
#include "maps/kartile.h"
#include "maps/ktlformat.h"
#include "maps/polynomialprojection.h"
#include "maps/selectmaptypes.h"

namespace {

constexpr uint32_t kHeaderRead = 416;  // up to the palette: all the catalogue needs

CChartOutline::ChunkedMapProbe* g_firstProbe = nullptr;

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path)
        : m_handle(CreateFileA(path.c_str(), FILE_ACCESS_READ)) {
        if (m_handle != INVALID_HANDLE_VALUE) m_size = SetFilePointer32(m_handle, 0, FILE_END);
    }
    ~ReadOnlyFile() {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool ok() const { return m_handle != INVALID_HANDLE_VALUE && m_size >= 0; }
    HANDLE handle() const { return m_handle; }
    uint64_t size() const { return uint64_t(m_size); }
    // True when [offset, offset + length) lies in the file (64-bit, no wrap).
    bool holds(uint64_t offset, uint64_t length) const {
        return offset <= size() && length <= size() - offset;
    }
    bool readAt(uint64_t offset, void* out, uint32_t length) const {
        if (!holds(offset, length) ||
            SetFilePointer32(m_handle, int64_t(offset)) != int64_t(offset))
            return false;
        auto* p = static_cast<char*>(out);
        while (length > 0) {
            uint32_t got = 0;
            if (!ReadFile(m_handle, p, length, &got)) return false;
            p += got;
            length -= got;
        }
        return true;
    }

private:
    HANDLE m_handle;
    int64_t m_size = -1;
};

// What the catalogue takes from a header, checked against the file's size.
struct MapHeader {
    uint32_t flags = 0;
    uint32_t kind = 0;
    uint32_t widthTiles = 0, heightTiles = 0;
    uint32_t nameOffset = 0, mapTypeOffset = 0;
    int32_t outlineCount = 0;
    uint32_t outlineOffset = 0;
    double latShift = 0, lonShift = 0;
    Geo_ref_coeff_t georef;

    int width() const { return int(widthTiles) * 64; }
    int height() const { return int(heightTiles) * 64; }
    bool hasOutline() const { return outlineCount > 0 && outlineOffset != 0; }

    bool read(const ReadOnlyFile& file) {
        uint8_t raw[kHeaderRead];
        if (!file.readAt(0, raw, sizeof raw)) return false;
        const auto u32 = [&raw](uint32_t at) {
            uint32_t v;
            std::memcpy(&v, raw + at, 4);
            return v;
        };
        const uint32_t version = u32(ktl::kOffVersion);
        kind = ktl::kindOf(version);
        if (!ktl::magicMatches(u32(ktl::kOffMagic)) || ktl::versionOf(version) > ktl::kMaxVersion)
            return false;
        if (kind != ktl::kKindClassic && kind != ktl::kKindChunked && kind != ktl::kKindChunkedAlt)
            return false;
        widthTiles = u32(ktl::kOffWidthTiles);
        heightTiles = u32(ktl::kOffHeightTiles);
        constexpr uint32_t kMaxTiles = std::numeric_limits<int>::max() / 64;
        if (widthTiles < 1 || heightTiles < 1 || widthTiles > kMaxTiles || heightTiles > kMaxTiles)
            return false;
        nameOffset = u32(ktl::kOffName);
        outlineCount = int32_t(u32(ktl::kOffOutlineCount));
        outlineOffset = u32(ktl::kOffOutline);
        if (nameOffset != 0 && nameOffset >= file.size()) return false;
        if (outlineOffset != 0 && outlineOffset >= file.size()) return false;
        if (hasOutline() && (!file.holds(outlineOffset, uint64_t(outlineCount) * 16) ||
                             uint64_t(outlineCount) * 16 > 0xFFFFFFFFu))
            return false;
        flags = u32(ktl::kOffFlags);
        std::memcpy(georef.forward, raw + ktl::kOffGeoref, sizeof georef.forward);
        std::memcpy(georef.inverse, raw + ktl::kOffGeoref + sizeof georef.forward,
                    sizeof georef.inverse);

        if (const uint32_t ext = u32(ktl::kOffExtended)) {
            uint32_t block[ktl::kExtendedSize / 4];
            if (!file.readAt(ext, block, sizeof block)) return false;
            mapTypeOffset = block[ktl::kExtMapType / 4];
            const uint32_t shiftOffset = block[ktl::kExtDatumShift / 4];
            if (mapTypeOffset != 0 && mapTypeOffset >= file.size()) return false;
            if (shiftOffset != 0) {
                double shift[2];
                if (!file.readAt(shiftOffset, shift, sizeof shift)) return false;
                // A shift that is no number is no shift, as the map reader takes it.
                if (std::isfinite(shift[0]) && std::isfinite(shift[1])) {
                    latShift = shift[0];
                    lonShift = shift[1];
                }
            }
        }
        if (kind == ktl::kKindClassic) {
            // The last tile's index entry, and the tile it points at, lie in the file.
            const uint64_t last =
                uint64_t(ktl::kHeaderSize) + 4 * (uint64_t(widthTiles) * heightTiles - 1);
            uint32_t lastTile = 0;
            if (!file.readAt(last, &lastTile, 4) || lastTile >= file.size()) return false;
        }
        return true;
    }

    // Corners of the image, or the outline points with their longitudes on
    // the centre's side of ±180° and the datum shift added.
    bool boundary(const ReadOnlyFile& file, CPolygon& polygon) const {
        CPolynomialProjection projection;
        projection.init(georef, width(), height(), 0, 0);
        polygon.vertices.clear();
        if (!hasOutline()) {
            const double corners[4][2] = {{0, 0},
                                          {double(width()), 0},
                                          {double(width()), double(height())},
                                          {0, double(height())}};
            for (const auto& c : corners) {
                double lat, lon;
                projection.xy_to_latlong(c[0], c[1], lat, lon);
                polygon.vertices.emplace_back(lon, lat);
            }
        } else {
            double centreLat, centreLon;
            projection.xy_to_latlong(width() / 2.0, height() / 2.0, centreLat, centreLon);
            std::vector<double> points(size_t(outlineCount) * 2);
            if (!file.readAt(outlineOffset, points.data(), uint32_t(points.size() * 8)))
                return false;
            for (size_t i = 0; i < points.size(); i += 2) {
                double lon = points[i + 1];
                if (lon - centreLon > 180) lon -= 360 * std::ceil((lon - centreLon - 180) / 360);
                if (centreLon - lon > 180) lon += 360 * std::ceil((centreLon - lon - 180) / 360);
                polygon.vertices.emplace_back(lon + lonShift, points[i] + latShift);
            }
        }
        // A boundary that is no place at all can't be searched.
        for (const Vertex& v : polygon.vertices)
            if (!std::isfinite(v.x) || !std::isfinite(v.y)) return false;
        return !polygon.vertices.empty();
    }
};

}  // namespace

bool CChartOutline::Read(const std::string& p) {
    ReadOnlyFile file(p);
    MapHeader header;
    if (!file.ok() || !header.read(file)) return false;
    path = p;
    flags = header.flags;
    chunked = header.kind != ktl::kKindClassic;
    fully_downloaded = !chunked || ChunkedMapProbe::AppearsFullyDownloaded(p);
    if (!CKartile::GetString(file.handle(), header.nameOffset, name)) return false;
    if (name.empty()) name = fileName();
    if (!CKartile::GetString(file.handle(), header.mapTypeOffset, map_type)) return false;

    CPolynomialProjection projection;
    projection.init(header.georef, header.width(), header.height(), 0, 0);
    scale = projection.get_scale(header.width() / 2.0, header.height() / 2.0);
    if (!std::isfinite(scale) || scale < 0) scale = 0;  // never chosen, still listed

    if (!header.boundary(file, m_polygon)) return false;
    bounds = m_polygon.getBounds();
    file_size = int64_t(file.size());
    modified = getLastWriteTime(p);
    return true;
}

bool CChartOutline::readBoundary(CPolygon& polygon) const {
    ReadOnlyFile file(path);
    MapHeader header;
    return file.ok() && header.read(file) && header.boundary(file, polygon);
}

const CPolygon& CChartOutline::getPolygon() const {
    if (m_polygon.vertices.empty()) readBoundary(m_polygon);
    return m_polygon;
}

bool CChartOutline::doesContain(double lat, double lon) const {
    if (!(lon >= bounds.left && lon <= bounds.right && lat >= bounds.bottom && lat <= bounds.top))
        return false;
    return getPolygon().doesContain(lon, lat);
}

bool CChartOutline::doesOverlap(const CPolygon& other) const {
    return getPolygon().doesOverlap(other);
}

bool CChartOutline::mightOverlap(const CBounds& b) const {
    return !bounds.isEmpty() && !b.isEmpty() && bounds.left <= b.right && b.left <= bounds.right &&
           bounds.bottom <= b.top && b.bottom <= bounds.top;
}

bool CChartOutline::typeIsSelected() const {
    return CSelectMapTypes::isSelected(map_type);
}

std::string CChartOutline::fileName() const {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

CChartOutline::ChunkedMapProbe::ChunkedMapProbe(Function appearsFullyDownloaded)
    : m_function(appearsFullyDownloaded), m_next(g_firstProbe) {
    g_firstProbe = this;
}

bool CChartOutline::ChunkedMapProbe::AppearsFullyDownloaded(const std::string& path) {
    for (ChunkedMapProbe* p = g_firstProbe; p; p = p->m_next)
        if (p->m_function) return p->m_function(path);
    return false;
}
