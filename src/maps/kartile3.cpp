#include "maps/kartile3.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "maps/ktlformat.h"

namespace {

CKartile* makeChunked() {
    return new CKartile3;
}
const CKartile::KindRegistration chunkedKind(ktl::kKindChunked, makeChunked);
const CKartile::KindRegistration chunkedKindAlt(ktl::kKindChunkedAlt, makeChunked);

// Four-bit reversal: the chunk's first stored row of tile row t.
constexpr int rev4(int t) {
    return (t & 1) << 3 | (t & 2) << 1 | (t & 4) >> 1 | (t & 8) >> 3;
}

// Coded words of the chunk being decoded, per decoding thread.
thread_local std::vector<uint32_t> t_words;

}  // namespace

void CKartile3::CachedChunk::Load(CKartile3* map, int level, ThreadDataForRead*) {
    levelLoaded = level;
    obtained = CChunkFile::kNoLevel;
    CChunkFile* file = map->chunkFile();
    const int row = int(key >> 16), column = int(key & 0xFFFF);
    if (!file || !file->ReadChunk(row, column, level, pixels.get(), obtained, t_words)) {
        std::memset(pixels.get(), 0, size_t(CChunkFile::PixelsForLevel(level)));
        obtained = CChunkFile::kNoLevel;
    }
}

CKartile3::~CKartile3() {
    m_cache.invalidateAll();
    if (m_chunks) m_chunks->Close();
}

std::string CKartile3::ChunkFilePath(const std::string& headerPath) {
    const size_t dot = headerPath.rfind('.');
    const size_t slash = headerPath.rfind('/');
    const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                 ? headerPath
                                 : headerPath.substr(0, dot);
    struct stat st;
    if (::stat((stem + ".KT3").c_str(), &st) == 0) return stem + ".KT3";
    return stem + ".kt3";
}

bool CKartile3::OnOpen() {
    m_cache.invalidateAll();
    auto chunks = std::make_unique<CChunkFile>();
    if (!chunks->Open(ChunkFilePath(path()))) return false;
    m_chunks = std::move(chunks);
    m_requestedLevel = 0;
    return true;
}

bool CKartile3::is_writable() {
    return m_chunks && m_chunks->mode() == CChunkFile::Mode::ReadWrite;
}

int CKartile3::ReadBlock(int x, int y, int level, unsigned char* out, ThreadDataForRead* scratch) {
    if (!m_chunks) return 1;
    const int count = KtlTileCodec::pixelsForLevel(level);
    if (count == 0) return 0;
    if (x < 0 || y < 0 || x >= widthInTiles() || y >= heightInTiles()) {
        std::memset(out, 1, size_t(count));
        return 0;
    }
    m_requestedLevel = level;
    const int row = y >> 4, column = x >> 4;
    auto tellMissing = [&](int obtained) {
        if (!scratch) return;
        scratch->missing += obtained - level;
        if (scratch->missingData) scratch->missingData(this, row, column, level, obtained);
    };
    if (!m_chunks->hasHeader()) {  // nothing fetched yet, not even the directory
        std::memset(out, 1, size_t(count));
        tellMissing(CChunkFile::kNoLevel);
        return 0;
    }
    ThreadDataForRead local;
    auto chunk = m_cache.Get(uint32_t(row) << 16 | uint32_t(column), level, this,
                             scratch ? scratch : &local);
    const int obtained = chunk->obtained;
    const uint8_t* pixels = chunk->pixels.get();
    const int firstRow = rev4(y & 15);
    const int rows = kTileSize >> level;
    const size_t left = size_t(kTileSize) * size_t(x & 15);
    for (int k = 0; k < rows; ++k)
        std::memcpy(out + size_t(k) * kTileSize,
                    pixels + size_t(firstRow + 16 * k) * CChunkFile::kChunkSide + left, kTileSize);
    decltype(m_cache)::Release(chunk);
    if (obtained > level) tellMissing(obtained);
    return 0;
}

std::vector<uint32_t> CKartile3::ChunksWithin(const CBounds& bounds) const {
    std::vector<uint32_t> keys;
    if (bounds.isEmpty() || !isOpen()) return keys;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    const double lats[2] = {bounds.bottom, bounds.top}, lons[2] = {bounds.left, bounds.right};
    for (double lat : lats)
        for (double lon : lons) {
            double x, y;
            latlong_to_xy(lat, lon, x, y);
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    if (minX > maxX) return keys;
    const double side = CChunkFile::kChunkSide;
    const int c0 = int(std::clamp(std::floor(minX / side), 0.0, double(chunkColumns() - 1)));
    const int c1 = int(std::clamp(std::floor(maxX / side), 0.0, double(chunkColumns() - 1)));
    const int r0 = int(std::clamp(std::floor(minY / side), 0.0, double(chunkRows() - 1)));
    const int r1 = int(std::clamp(std::floor(maxY / side), 0.0, double(chunkRows() - 1)));
    if (maxX < 0 || maxY < 0 || minX >= width() || minY >= height()) return keys;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) keys.push_back(uint32_t(r) << 16 | uint32_t(c));
    return keys;
}

bool CKartile3::appearsFullyDownloadedWithin(const CBounds& bounds) {
    if (!m_chunks || !m_chunks->hasHeader()) return false;
    for (uint32_t key : ChunksWithin(bounds))
        if (!m_chunks->ChunkIsFullyDownloaded(int(key >> 16), int(key & 0xFFFF))) return false;
    return true;
}
