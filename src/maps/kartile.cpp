#include "maps/kartile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/base/fileutils.h"
#include "app/base/stringutils.h"
#include "maps/ktlformat.h"

std::map<std::string, CKartile::SharedEntry> CKartile::sharedKTLs;

namespace {

const char kProblem[] = "Problem";

std::atomic<uint64_t> g_openings{0};

const CKartile::KindRegistration*& firstKind() {
    static const CKartile::KindRegistration* first = nullptr;
    return first;
}

uint32_t loadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Floor division, for tile numbers of areas left of or above the image.
int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Latitude and longitude from a pixel by the inverse polynomials with one
// correction step, without the datum shift.
void pixelToPosition(const Geo_ref_coeff_t& g, double x, double y, double& lat, double& lon) {
    g.toPositionCorrected(x, y, lat, lon);
}

}  // namespace

// ---------------------------------------------------------------- registry

CKartile::KindRegistration::KindRegistration(uint32_t kind, Factory factory)
    : m_kind(kind), m_factory(factory), m_next(firstKind()) {
    firstKind() = this;
}

CKartile* CKartile::Create(OV_HWND parent, const std::string& path, CreateCallback callback) {
    SharedEntry& entry = sharedKTLs[path];
    ++entry.count;
    if (entry.map) {
        if (callback) callback(entry.map, entry.map->isOpen());
        return entry.map;
    }
    CKartile* map = CreateNew(parent, path, std::move(callback));
    // The callback may have run code that touched the registry: look again.
    auto it = sharedKTLs.find(path);
    if (!map) {
        if (it != sharedKTLs.end() && !it->second.map) sharedKTLs.erase(it);
        return nullptr;
    }
    if (it == sharedKTLs.end()) it = sharedKTLs.emplace(path, SharedEntry{nullptr, 1}).first;
    it->second.map = map;
    return map;
}

CKartile* CKartile::CreateNew(OV_HWND parent, const std::string& path, CreateCallback callback) {
    const HANDLE file = CreateFileA(path.c_str(), FILE_ACCESS_READ);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    uint8_t head[8];
    uint32_t got = 0;
    const bool read = ReadFile(file, head, sizeof head, &got) && got == sizeof head;
    CloseHandle(file);
    if (!read || !ktl::magicMatches(loadU32(head))) return nullptr;
    const uint32_t kind = ktl::kindOf(loadU32(head + 4));
    const KindRegistration* reg = firstKind();
    while (reg && reg->m_kind != kind) reg = reg->m_next;
    if (!reg) return nullptr;
    CKartile* map = reg->m_factory();
    map->Open(parent, path, [map, callback = std::move(callback)](bool ok) {
        if (callback) callback(map, ok);
    });
    return map;
}

void CKartile::Destroy() {
    auto it = std::find_if(sharedKTLs.begin(), sharedKTLs.end(),
                           [this](const auto& e) { return e.second.map == this; });
    if (it == sharedKTLs.end()) {
        delete this;  // never registered: the only user is the caller
        return;
    }
    if (--it->second.count > 0) return;
    sharedKTLs.erase(it);
    delete this;
}

// ---------------------------------------------------------------- opening

CKartile::~CKartile() {
    Close();
}

bool CKartile::refuse(OV_HWND parent, const std::string& message) {
    m_lastMessage = message;
    MessageBoxOK(parent, kProblem, message);
    Close();
    return false;
}

void CKartile::Open(OV_HWND parent, const std::string& path, OpenCallback callback) {
    auto finish = [&](bool ok) {
        if (callback) callback(ok);
    };
    Close();
    m_lastMessage.clear();
    m_file = CreateFileA(path.c_str(), FILE_ACCESS_READ);
    if (m_file == INVALID_HANDLE_VALUE) return finish(false);
    struct stat st;
    if (::fstat(m_file, &st) != 0 || st.st_size < 0) {
        Close();
        return finish(false);
    }
    m_fileSize = uint64_t(st.st_size);
    m_path = path;

    // The fixed header (or what the file has of it); the index follows below.
    m_head.resize(size_t(std::min<uint64_t>(m_fileSize, ktl::kHeaderSize + 8)));
    // An empty file has nothing to read, as it had nothing to map.
    if (m_head.empty() || readAt(0, m_head.data(), m_head.size()) != int64_t(m_head.size())) {
        m_head.clear();
        return finish(refuse(parent, "Failed to open map: \"" + path + "\"\nTry rebooting..."));
    }
    if (m_head.size() < 8 || !ktl::magicMatches(headerU32(ktl::kOffMagic)))
        return finish(refuse(parent, "Not a Kartile: \"" + path + "\""));
    const uint32_t versionWord = headerU32(ktl::kOffVersion);
    if (ktl::versionOf(versionWord) > ktl::kMaxVersion) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%x", versionWord);
        return finish(
            refuse(parent, "To open this map you need a newer version of your software.\n\n" +
                               path + " is version " + hex + "."));
    }
    const uint32_t kind = ktl::kindOf(versionWord);
    if (kind == ktl::kKindRefused) return finish(refuse(parent, "This KT2 map is not compatible"));

    // The header and, for a classic map, the tile index must be in the file,
    // and the pixel size must fit an int.
    const std::string tooShort = "Failed to open map: \"" + path + "\"\n. Try Rebooting...";
    if (m_head.size() < ktl::kHeaderSize + 8) return finish(refuse(parent, tooShort));
    m_widthTiles = headerU32(ktl::kOffWidthTiles);
    m_heightTiles = headerU32(ktl::kOffHeightTiles);
    constexpr uint32_t kMaxTiles = (uint32_t(1) << 25) - 1;
    if (m_widthTiles == 0 || m_heightTiles == 0 || m_widthTiles > kMaxTiles ||
        m_heightTiles > kMaxTiles)
        return finish(refuse(parent, tooShort));
    if (kind == ktl::kKindClassic) {
        const uint64_t tiles = uint64_t(m_widthTiles) * m_heightTiles;
        if (tiles > (m_fileSize - ktl::kHeaderSize) / 4) return finish(refuse(parent, tooShort));
        const uint64_t needed = ktl::kHeaderSize + 8 + 4 * tiles;
        if (needed > m_fileSize) return finish(refuse(parent, tooShort));
        m_head.resize(size_t(needed));
        if (readAt(0, m_head.data(), m_head.size()) != int64_t(m_head.size()))
            return finish(refuse(parent, tooShort));
        collectTileStarts();
    }

    m_opening = ++g_openings;
    std::memset(m_extended, 0, sizeof m_extended);
    if (const uint32_t ext = headerU32(ktl::kOffExtended))
        if (!readBytes(ext, m_extended, sizeof m_extended))
            std::memset(m_extended, 0, sizeof m_extended);

    m_width = int(m_widthTiles * kTileSize);
    m_height = int(m_heightTiles * kTileSize);
    for (int i = 0; i < 128; ++i) m_palette[i] = headerU32(ktl::kOffPalette + 4 * i) | 0xFF000000u;
    for (int i = 128; i < 256; ++i) m_palette[i] = m_palette[0];
    // A damaged matrix must not lead outside the palette.
    for (uint32_t i = 0; i < ktl::kMixingSize; ++i) {
        const uint8_t v = m_head[ktl::kOffMixing + i];
        m_mixing[i] = v < 128 ? v : 0;
    }

    if (kind == ktl::kKindClassic && firstTileOffset() == 0)
        return finish(
            refuse(parent, "This map is a catalog header and has not been completely converted."));

    m_hasDatumShift = false;
    m_latShift = m_lonShift = 0;
    if (const uint32_t shift = m_extended[ktl::kExtDatumShift / 4]) {
        double values[2];
        if (readBytes(shift, values, sizeof values) && std::isfinite(values[0]) &&
            std::isfinite(values[1])) {
            m_latShift = values[0];
            m_lonShift = values[1];
            m_hasDatumShift = true;
        }
    }
    std::memcpy(&m_georef, m_head.data() + ktl::kOffGeoref, sizeof m_georef);
    computeReferenceLongitude();

    m_opened = true;
    if (!OnOpen()) {
        Close();
        return finish(false);
    }
    finish(true);
}

void CKartile::Close() {
    m_head.clear();
    m_head.shrink_to_fit();
    m_tileStarts.clear();
    m_tileStarts.shrink_to_fit();
    if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    m_opened = false;
    m_opening = 0;
    std::lock_guard<std::mutex> lock(m_boundaryMutex);
    m_boundaryBuilt = false;
    m_boundary.vertices.clear();
}

uint32_t CKartile::headerU32(uint32_t offset) const {
    return offset + 4 <= m_head.size() ? loadU32(m_head.data() + offset) : 0;
}

uint32_t CKartile::magic() const {
    return headerU32(ktl::kOffMagic);
}
uint32_t CKartile::versionWord() const {
    return headerU32(ktl::kOffVersion);
}
uint32_t CKartile::flags() const {
    return headerU32(ktl::kOffFlags);
}

uint64_t CKartile::indexEnd() const {
    return ktl::kHeaderSize + 4 * uint64_t(m_widthTiles) * m_heightTiles;
}

uint32_t CKartile::firstTileOffset() const {
    return headerU32(ktl::kHeaderSize);
}

uint32_t CKartile::tileOffset(int x, int y) const {
    if (x < 0 || y < 0 || uint32_t(x) >= m_widthTiles || uint32_t(y) >= m_heightTiles) return 0;
    const uint64_t at = ktl::kHeaderSize + 4 * (uint64_t(y) * m_widthTiles + uint32_t(x));
    return at + 4 <= m_head.size() ? loadU32(m_head.data() + at) : 0;
}

// ---------------------------------------------------------------- reading

void CKartile::collectTileStarts() {
    const uint64_t end = indexEnd();
    const size_t tiles = size_t(m_widthTiles) * m_heightTiles;
    m_tileStarts.clear();
    m_tileStarts.reserve(tiles);
    for (size_t i = 0; i < tiles; ++i) {
        const uint32_t offset = loadU32(m_head.data() + ktl::kHeaderSize + 4 * i);
        if (offset >= end) m_tileStarts.push_back(offset);
    }
    std::sort(m_tileStarts.begin(), m_tileStarts.end());
    m_tileStarts.erase(std::unique(m_tileStarts.begin(), m_tileStarts.end()), m_tileStarts.end());
    m_tileStarts.shrink_to_fit();
}

int64_t CKartile::readAt(uint64_t offset, void* out, size_t length) const {
    if (m_file == INVALID_HANDLE_VALUE) return -1;
    auto* dst = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_file, dst + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;  // the end of the file, maybe moved in since opening
        done += size_t(n);
    }
    return int64_t(done);
}

bool CKartile::readBytes(uint64_t offset, void* out, size_t length) const {
    if (offset >= m_fileSize || length > m_fileSize - offset) return false;
    return readAt(offset, out, length) == int64_t(length);
}

const uint8_t* CKartile::readTile(uint32_t offset, size_t* length,
                                  ThreadDataForRead* scratch) const {
    *length = 0;
    // A tile offset inside the header or index would decode header bytes.
    if (offset < indexEnd() || offset >= m_fileSize) return nullptr;
    const auto next = std::upper_bound(m_tileStarts.begin(), m_tileStarts.end(), offset);
    const uint64_t end = next == m_tileStarts.end() ? m_fileSize : *next;
    const size_t bytes = size_t(std::min<uint64_t>(end - offset, kMaxTileBytes));
    ThreadDataForRead& s = *scratch;
    if (s.m_bytesOpening == m_opening && offset >= s.m_bytesStart &&
        offset + bytes <= s.m_bytesStart + s.m_bytesLength) {
        *length = bytes;
        return s.m_bytes.data() + (offset - s.m_bytesStart);
    }
    const size_t wanted =
        size_t(std::min<uint64_t>(std::max(bytes, kReadAhead), m_fileSize - offset));
    if (s.m_bytes.size() < wanted) s.m_bytes.resize(std::max(wanted, kReadAhead));
    const int64_t got = readAt(offset, s.m_bytes.data(), wanted);
    s.m_bytesOpening = got > 0 ? m_opening : 0;
    s.m_bytesStart = offset;
    s.m_bytesLength = got > 0 ? size_t(got) : 0;
    // A short read is a file cut while open: the tile counts as damaged.
    if (got < int64_t(bytes)) return nullptr;
    *length = bytes;
    return s.m_bytes.data();
}

// ---------------------------------------------------------------- strings

void CKartile::GetHeaderString(uint32_t offset, std::string& out) const {
    out.clear();
    if (offset == 0 || offset >= m_fileSize) return;
    // A string stops at its NUL, at the end of the file, or after 64 KiB.
    constexpr size_t kLongest = 0x10000;
    char block[1024];
    std::string raw;
    for (uint64_t at = offset; raw.size() < kLongest;) {
        const int64_t got = readAt(at, block, sizeof block);
        if (got <= 0) break;
        const void* nul = std::memchr(block, 0, size_t(got));
        raw.append(block, nul ? size_t(static_cast<const char*>(nul) - block) : size_t(got));
        if (nul || got < int64_t(sizeof block)) break;
        at += uint64_t(got);
    }
    if (raw.size() > kLongest) raw.resize(kLongest);
    out = Latin_to_UTF8(raw);
}

std::string CKartile::headerString(uint32_t headerField) const {
    std::string s;
    GetHeaderString(headerU32(headerField), s);
    return s;
}

bool CKartile::GetString(HANDLE file, uint32_t offset, std::string& out) {
    out.clear();
    if (offset == 0) return true;
    if (SetFilePointer32(file, offset) != int64_t(offset)) return false;
    char buffer[1024];
    uint32_t got = 0;
    if (!ReadFile(file, buffer, sizeof buffer - 1, &got)) return false;
    buffer[got] = 0;
    out = Latin_to_UTF8(std::string(buffer, std::strlen(buffer)));
    return true;
}

std::string CKartile::GetTitle() const {
    if (!m_opened) return {};
    std::string title = headerString(ktl::kOffName);
    if (title.empty()) title = headerString(ktl::kOffTitle);
    if (title.empty()) title = headerString(ktl::kOffIdentifier);
    if (title.empty()) {
        const size_t slash = m_path.rfind('/');
        title = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    }
    const std::string type = GetMapType();
    const bool seaChart = type.find("Nautical") != std::string::npos ||
                          type.find("Marine") != std::string::npos ||
                          type.find("Hydro") != std::string::npos;
    if (seaChart && headerU32(ktl::kOffDepthUnits) != 0)
        title += ". Soundings in " + headerString(ktl::kOffDepthUnits);
    return title;
}

std::string CKartile::GetCopyright() const {
    return m_opened ? headerString(ktl::kOffCopyright) : std::string();
}

std::string CKartile::GetMapType() const {
    if (!m_opened) return {};
    std::string s;
    GetHeaderString(m_extended[ktl::kExtMapType / 4], s);
    return s;
}

// ---------------------------------------------------------------- georeferencing

void CKartile::computeReferenceLongitude() {
    double lat = 0, lon = 0;
    xy_to_latlong(m_width / 2, m_height / 2, lat, lon);
    m_refLongitude = lon;
}

void CKartile::xy_to_latlong(int x, int y, double& lat, double& lon) const {
    pixelToPosition(m_georef, x, y, lat, lon);
    if (m_hasDatumShift) {
        lat += m_latShift;
        lon += m_lonShift;
    }
}

void CKartile::latlong_to_xy(double lat, double lon, double& x, double& y) const {
    if (m_hasDatumShift) {
        lat -= m_latShift;
        lon -= m_lonShift;
    }
    const double d = lon - m_refLongitude;
    if (d * d > 32400) lon += d < 0 ? 360 : -360;
    m_georef.toPixel(lat, lon, x, y);
}

bool CKartile::latlong_to_xy(double lat, double lon, IntPoint& point) const {
    double x, y;
    latlong_to_xy(lat, lon, x, y);
    // The negated test also refuses NaN.
    if (!(x * x < 4e18) || !(y * y < 4e18)) {
        point = IntPoint(-1, -1);
        return false;
    }
    point = IntPoint(int32_t(x), int32_t(y));
    return true;
}

double CKartile::get_scale(double x, double y) const {
    const double* I = m_georef.inverse[0];
    const double gx =
        I[1] + 2 * I[3] * x + I[4] * y + 3 * I[6] * x * x + 2 * I[7] * x * y + I[8] * y * y;
    const double gy =
        I[2] + I[4] * x + 2 * I[5] * y + I[7] * x * x + 2 * I[8] * x * y + 3 * I[9] * y * y;
    return 60 * std::sqrt(gx * gx + gy * gy);
}

void CKartile::getBoundaryPolygon(CPolygon& out) const {
    const int32_t count = int32_t(headerU32(ktl::kOffOutlineCount));
    const uint32_t offset = headerU32(ktl::kOffOutline);
    // An outline that does not fit the file counts as none.
    const bool outline = count >= 1 && offset != 0 && uint64_t(offset) < m_fileSize &&
                         uint64_t(count) <= (m_fileSize - offset) / 16;
    if (!outline) {
        const int corners[4][2] = {{0, 0}, {m_width, 0}, {m_width, m_height}, {0, m_height}};
        for (const auto& c : corners) {
            double lat, lon;
            pixelToPosition(m_georef, c[0], c[1], lat, lon);
            out.vertices.emplace_back(lon, lat);
        }
        return;
    }
    double centreLat, centreLon;
    pixelToPosition(m_georef, m_width / 2, m_height / 2, centreLat, centreLon);
    std::unique_ptr<double[]> points(new double[size_t(count) * 2]);
    if (!readBytes(offset, points.get(), size_t(count) * 16)) return;
    for (int32_t i = 0; i < count; ++i) {
        double lat = points[2 * size_t(i)];
        double lon = points[2 * size_t(i) + 1];
        const double d = lon - centreLon;
        if (d < -180)
            lon += 360;
        else if (d > 180)
            lon -= 360;
        if (m_hasDatumShift) {
            lat += m_latShift;
            lon += m_lonShift;
        }
        out.vertices.emplace_back(lon, lat);
    }
}

bool CKartile::doesContain(double lat, double lon) {
    std::lock_guard<std::mutex> lock(m_boundaryMutex);
    if (!m_boundaryBuilt) {
        m_boundary.vertices.clear();
        getBoundaryPolygon(m_boundary);
        m_boundaryBuilt = true;
    }
    return m_boundary.doesContain(lon, lat);
}

// ---------------------------------------------------------------- composing

int CKartile::ReadRectRGB(int x, int y, int w, int h, int stride, int level, uint32_t* out,
                          ThreadDataForRead* scratch) {
    std::unique_ptr<ThreadDataForRead> own;
    if (!scratch) {
        own = std::make_unique<ThreadDataForRead>();
        scratch = own.get();
    }
    if (w <= 0 || h <= 0 || level < -16) return 0;
    uint8_t* tile = scratch->tile;
    const uint32_t* pal = m_palette;

    if (level <= 0) {
        // Whole tiles decoded; each source pixel becomes an m x m block.
        const int m = 1 << -level;
        const int sw = w / m, sh = h / m;
        if (sw == 0 || sh == 0 || (level == 0 && h < kTileSize)) return 0;
        const int tx0 = floorDiv(x, kTileSize), tx1 = floorDiv(x + sw - 1, kTileSize);
        const int ty0 = floorDiv(y, kTileSize), ty1 = floorDiv(y + sh - 1, kTileSize);
        for (int ty = ty0; ty <= ty1; ++ty) {
            for (int tx = tx0; tx <= tx1; ++tx) {
                if (ReadBlock(tx, ty, 0, tile, scratch) != 0) return 1;
                const int sx0 = std::max(x, tx * kTileSize);
                const int sx1 = std::min(x + sw, (tx + 1) * kTileSize);
                const int sy0 = std::max(y, ty * kTileSize);
                const int sy1 = std::min(y + sh, (ty + 1) * kTileSize);
                for (int sy = sy0; sy < sy1; ++sy) {
                    const uint8_t* src = tile + kTileSize * kTileRowOfStored[sy - ty * kTileSize];
                    const int first = tx * kTileSize;
                    uint32_t* row = out + size_t(sy - y) * m * stride + size_t(sx0 - x) * m;
                    uint32_t* dst = row;
                    if (m == 1) {
                        for (int sx = sx0; sx < sx1; ++sx) *dst++ = pal[src[sx - first]];
                    } else {
                        for (int sx = sx0; sx < sx1; ++sx) {
                            const uint32_t c = pal[src[sx - first]];
                            for (int i = 0; i < m; ++i) *dst++ = c;
                        }
                    }
                    const size_t bytes = size_t(dst - row) * sizeof(uint32_t);
                    for (int i = 1; i < m; ++i) std::memcpy(row + size_t(i) * stride, row, bytes);
                }
            }
        }
        return 0;
    }

    // Reduced: each tile gives a q x q square mixed from the rows and columns
    // that are multiples of 2^(level-1).
    if (level >= 7) return 0;
    const int q = kTileSize >> level;
    if (h < q) return 0;
    const int d = 1 << (level - 1);
    const int across = (w + q - 1) / q, down = (h + q - 1) / q;
    const int tx0 = floorDiv(x, kTileSize), ty0 = floorDiv(y, kTileSize);
    const uint8_t* M = m_mixing;
    for (int b = 0; b < down; ++b) {
        for (int a = 0; a < across; ++a) {
            if (ReadBlock(tx0 + a, ty0 + b, level - 1, tile, scratch) != 0) return 1;
            const int rows = std::min(q, h - b * q), cols = std::min(q, w - a * q);
            for (int j = 0; j < rows; ++j) {
                const int A = j << level;
                const uint8_t* rowA = tile + kTileSize * kTileRowOfStored[A];
                const uint8_t* rowB = tile + kTileSize * kTileRowOfStored[A + d];
                uint32_t* dst = out + size_t(b * q + j) * stride + size_t(a) * q;
                for (int i = 0; i < cols; ++i) {
                    const int c = i << level;
                    const int p = rowA[c], qq = rowB[c + d], r = rowB[c], s = rowA[c + d];
                    const int first = M[(128 * p + qq) & 0x3FFF];
                    const int second = M[(128 * r + s) & 0x3FFF];
                    dst[i] = pal[M[(128 * first + second) & 0x3FFF]];
                }
            }
        }
    }
    return 0;
}

int64_t CKartile::getKtlFileSize(const std::string& path) {
    int64_t size = std::max<int64_t>(0, getFileSize(path));
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                 ? path
                                 : path.substr(0, dot);
    int64_t chunks = std::max<int64_t>(0, getDirectorySizeSingleLevel(stem + ".KT3"));
    if (chunks == 0) chunks = std::max<int64_t>(0, getDirectorySizeSingleLevel(stem + ".kt3"));
    return size + chunks;
}
