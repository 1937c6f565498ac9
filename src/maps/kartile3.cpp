#include "maps/kartile3.h"

#include <sys/stat.h>

#include <QObject>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "maps/kartile3area.h"
#include "maps/ktlformat.h"
#include "maps/webworker.h"
#include "online/progressdialogdata.h"

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
    const int row = ChunkKeyRow(key), column = ChunkKeyColumn(key);
    if (!file || !file->ReadChunk(row, column, level, pixels.get(), obtained, t_words)) {
        std::memset(pixels.get(), 0, size_t(CChunkFile::PixelsForLevel(level)));
        obtained = CChunkFile::kNoLevel;
    }
}

// A running area download: its own web worker (a fresh one, so earlier
// failures of the view's downloads do not count), the chunks not settled yet.
struct CKartile3::AreaDownload {
    std::unique_ptr<CWebWorker> worker;
    CProgressDialogData* progress = nullptr;
    std::set<ChunkKey> pending;
    int level = 0;
    bool cancelled = false;
    bool settling = false;
};

CKartile3::~CKartile3() {
    if (m_download) {
        auto download = std::move(m_download);
        download->worker.reset();  // drops its transfers without calling back
        if (CProgressDialogData* progress = download->progress) {
            for (size_t i = 0; i < download->pending.size(); ++i) progress->Advance(false);
            progress->Finish(false, "The map was closed");
        }
    }
    // This may run inside the context's own queued call: let the event loop delete it.
    if (m_downloadContext) m_downloadContext.release()->deleteLater();
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
    // A header asking for more chunks than a chunk file may hold can never fill.
    if (chunkColumns() > CChunkFile::kMaxSide || chunkRows() > CChunkFile::kMaxSide ||
        int64_t(chunkColumns()) * chunkRows() > CChunkFile::kMaxDirectoryEntries)
        return false;
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
    auto chunk = m_cache.Get(MakeChunkKey(row, column), level, this, scratch ? scratch : &local);
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

std::vector<ChunkKey> CKartile3::ChunksWithin(const CBounds& bounds) const {
    std::vector<ChunkKey> keys;
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
        for (int c = c0; c <= c1; ++c) keys.push_back(MakeChunkKey(r, c));
    return keys;
}

bool CKartile3::appearsFullyDownloadedWithin(const CBounds& bounds) {
    if (!m_chunks || !m_chunks->hasHeader()) return false;
    for (ChunkKey key : ChunksWithin(bounds))
        if (!m_chunks->ChunkIsFullyDownloaded(ChunkKeyRow(key), ChunkKeyColumn(key))) return false;
    return true;
}

// ---------------------------------------------------------------- area downloads

void CKartile3::DownloadPolygon(const CPolygon* area, CProgressDialogData* progress) {
    DownloadChunks(area ? CKartile3Area::UnderPolygon(*this, *area) : std::vector<ChunkKey>{}, 0,
                   progress);
}

void CKartile3::DownloadRoute(const CPolyline* route, double width, CProgressDialogData* progress) {
    DownloadChunks(
        route ? CKartile3Area::AlongRoute(*this, *route, width) : std::vector<ChunkKey>{}, 0,
        progress);
}

void CKartile3::DownloadWholeMap(CProgressDialogData* progress) {
    std::vector<ChunkKey> keys;
    for (int r = 0; r < chunkRows(); ++r)
        for (int c = 0; c < chunkColumns(); ++c) keys.push_back(MakeChunkKey(r, c));
    DownloadChunks(std::move(keys), 0, progress);
}

void CKartile3::DownloadChunks(std::vector<ChunkKey> keys, int level,
                               CProgressDialogData* progress) {
    auto refuse = [&](const std::string& why) {
        if (!progress) return;
        progress->Start(int(keys.size()));
        for (size_t i = 0; i < keys.size(); ++i) progress->Advance(false);
        progress->Finish(false, why);
    };
    if (m_download) return refuse("A download of this map is already running");
    if (!m_chunks || !is_writable()) return refuse("The map's chunk file cannot be written");
    level = std::clamp(level, 0, CChunkFile::kLevels - 1);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());

    auto download = std::make_unique<AreaDownload>();
    download->progress = progress;
    download->level = level;
    for (ChunkKey key : keys)
        if (!m_chunks->hasHeader() ||
            m_chunks->StoredLevel(ChunkKeyRow(key), ChunkKeyColumn(key)) > level)
            download->pending.insert(key);
    if (progress) progress->Start(int(keys.size()), int(keys.size() - download->pending.size()));
    if (download->pending.empty()) {
        if (progress) progress->Finish(true);
        return;
    }
    const QUrl url = CWebWorker::ServerChunkUrl(path());
    if (url.isEmpty()) {
        if (progress) {
            for (size_t i = 0; i < download->pending.size(); ++i) progress->Advance(false);
            progress->Finish(false, "No map server is set");
        }
        return;
    }
    if (!m_downloadContext) m_downloadContext = std::make_unique<QObject>();
    download->worker = std::make_unique<CWebWorker>(this, url);
    CWebWorker* worker = download->worker.get();
    worker->onChunkDone = [this](ChunkKey key, bool ok) {
        if (!m_download || !ok) return;  // failed chunks are tried again until the worker gives up
        m_download->worker->ProcessWebOutput();  // readers see the new data
        if (m_download->pending.erase(key) && m_download->progress)
            m_download->progress->Advance(true);
    };
    worker->onSettled = [this] { settleDownload(); };
    if (progress)
        progress->onCancel = [this] {
            if (!m_download) return;
            m_download->cancelled = true;
            m_download->worker->CancelAll();
            if (m_download && m_download->worker->idle()) settleDownload();
        };
    m_download = std::move(download);
    for (ChunkKey key : m_download->pending)
        worker->Want(ChunkKeyRow(key), ChunkKeyColumn(key), level);
}

// Called from inside the worker's callbacks: the end is queued, so that the
// worker is deleted from the event loop rather than under its own feet.
void CKartile3::settleDownload() {
    if (!m_download || m_download->settling) return;
    m_download->settling = true;
    QMetaObject::invokeMethod(
        m_downloadContext.get(),
        [this, alive = std::weak_ptr<int>(m_lifetime)] {
            if (alive.expired()) return;
            auto download = std::move(m_download);
            if (!download) return;
            const QString error = download->worker->lastError();
            download->worker.reset();
            int failed = 0;
            for (ChunkKey key : download->pending) {
                const bool stored =
                    m_chunks &&
                    m_chunks->StoredLevel(ChunkKeyRow(key), ChunkKeyColumn(key)) <= download->level;
                if (stored) invalidate_read_cache(key);
                if (!stored) ++failed;
                if (download->progress) download->progress->Advance(stored);
            }
            if (!download->progress) return;
            download->progress->onCancel = nullptr;
            if (failed == 0)
                download->progress->Finish(true);
            else
                download->progress->Finish(false, download->cancelled ? "Cancelled"
                                                  : error.isEmpty()
                                                      ? "The map server stopped answering"
                                                      : error.toStdString());
        },
        Qt::QueuedConnection);
}
