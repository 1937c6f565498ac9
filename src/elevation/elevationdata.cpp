#include "elevation/elevationdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/base/datasource.h"
#include "maps/googlegrid.h"
#include "mapview/kartileview.h"
#include "online/webserver_nb.h"

MZElevationData* MZElevationData::g_elevation = nullptr;

namespace {

// One grid per level, made once: queries run millions of times a second.
const Google_Grid& gridOf(int level) {
    static const auto grids = [] {
        std::vector<Google_Grid> all;
        for (int l = 0; l <= MZElevationData::kMaxKeyLevel; ++l) all.emplace_back(l, false, "");
        return all;
    }();
    return grids[size_t(level)];
}

QUrl& serverBase() {
    static QUrl base;
    return base;
}

void unlink(MZElevationData::LruLink* link) {
    link->prev->next = link->next;
    link->next->prev = link->prev;
    link->prev = link->next = link;
}

QString badName(const QString& path) {
    return path + ".bad";
}

}  // namespace

void MZElevationData::CachedHeightTile::clear() {
    key = 0;
    std::fill(std::begin(heights), std::end(heights), 0.0f);
}

MZElevationData::MZElevationData(const std::string& directory)
    : m_directory(directory), m_alive(std::make_shared<bool>(true)) {
    while (!m_directory.empty() && m_directory.back() == '/') m_directory.pop_back();
}

MZElevationData::~MZElevationData() {
    *m_alive = false;
    if (g_elevation == this) g_elevation = nullptr;
}

std::string& MZElevationData::serverSetting() {
    static std::string setting;
    return setting;
}

void MZElevationData::ApplyServerSetting() {
    const QUrl url(QString::fromStdString(serverSetting()).trimmed(), QUrl::StrictMode);
    const bool usable = url.isValid() && !url.host().isEmpty() &&
                        (url.scheme() == "http" || url.scheme() == "https");
    SetServer(usable ? url : QUrl());
}

void MZElevationData::SetServer(const QUrl& base) {
    serverBase() = base;
}

const QUrl& MZElevationData::server() {
    return serverBase();
}

QString MZElevationData::tilePath(int level, int x, int y) {
    return QString::asprintf("/terrarium/%d/%d/%d.png", level, x, y);
}

QString MZElevationData::filePath(uint32_t key) const {
    int level, y, x;
    fromKey(key, level, y, x);
    return QString::fromStdString(m_directory) + tilePath(level, x, y);
}

int MZElevationData::levelForSpacing(double lat, double metres) {
    return std::min(Google_Grid::levelForResolution(lat, metres), kMaxKeyLevel);
}

// ---------------------------------------------------------------- queries

bool MZElevationData::elevationAtLevel(double lat, double lon, int level, float& height,
                                       bool interpolate) {
    if (!std::isfinite(lat) || !std::isfinite(lon)) return false;
    if (std::fabs(lat) >= kPolarLimit) {
        height = 0;
        return true;
    }
    level = std::clamp(level, 0, kMaxKeyLevel);
    if (lon > 180 || lon < -180) lon = std::remainder(lon, 360.0);
    double px, py;
    gridOf(level).LatLongToPixelXY(lat, lon, px, py);
    const int size = terrarium::kTileSize << level;
    const int ix = std::min(int(px), size - 1);
    const int iy = int(py);
    if (!interpolate) return elevationFromTile(level, ix, iy, height);
    float h00, h10, h01, h11;
    if ((ix & 0xFF) != 0xFF && (iy & 0xFF) != 0xFF) {
        // All four in one tile, the usual case: one lookup.
        const CachedHeightTile* tile = tileAt(level, ix >> 8, iy >> 8);
        if (!tile) return false;
        const float* row = tile->heights + (iy & 0xFF) * terrarium::kTileSize + (ix & 0xFF);
        h00 = row[0];
        h10 = row[1];
        h01 = row[terrarium::kTileSize];
        h11 = row[terrarium::kTileSize + 1];
    } else {
        // The column right of the last one is the world's first.
        const int ix1 = ix + 1 < size ? ix + 1 : 0;
        if (!elevationFromTile(level, ix, iy, h00) || !elevationFromTile(level, ix1, iy, h10) ||
            !elevationFromTile(level, ix, iy + 1, h01) ||
            !elevationFromTile(level, ix1, iy + 1, h11))
            return false;
    }
    const double fx = px - ix, fy = py - iy;  // both non-negative here
    const float top = float(h10 * fx + h00 * (1 - fx));
    const float bottom = float(h01 * (1 - fx) + h11 * fx);
    height = float(top * (1 - fy) + bottom * fy);
    return true;
}

int MZElevationData::elevationAtBestLevel(double lat, double lon, float& height, int maxLevel) {
    for (int level = std::min(maxLevel, kBestLevelCap); level >= 1; --level)
        if (elevationAtLevel(lat, lon, level, height, true)) return level;
    return 0;
}

bool MZElevationData::elevationFromTile(int level, int pixelX, int pixelY, float& height) {
    if (level < 0 || level > kMaxKeyLevel) return false;
    const int tiles = 1 << level;
    const int tileX = pixelX >> 8, tileY = pixelY >> 8;
    if (pixelX < 0 || pixelY < 0 || tileX >= tiles || tileY >= tiles) return false;
    const CachedHeightTile* tile = tileAt(level, tileX, tileY);
    if (!tile) return false;
    height = lookup(tile, pixelX, pixelY);
    return true;
}

const MZElevationData::CachedHeightTile* MZElevationData::tileAt(int level, int tileX, int tileY) {
    const uint32_t key = toKey(level, tileY, tileX);
    if (key == m_lastKey) return m_lastTile;
    if (auto it = m_tiles.find(key); it != m_tiles.end()) {
        m_lastKey = key;
        m_lastTile = it->second;
        mark_tile_used(it->second);
        return it->second;
    }
    if (m_wanted.count(key)) return nullptr;
    const QString path = filePath(key);
    if (QFileInfo::exists(path)) return loadTile(key, path);
    if (CKartileView::automatic_download && !m_failed.count(key) && !server().isEmpty()) {
        m_wanted.insert(key);
        if (int(m_downloading.size()) < kMaxDownloads)
            download_tile(key, tilePath(level, tileX, tileY), path);
    }
    return nullptr;
}

MZElevationData::CachedHeightTile* MZElevationData::loadTile(uint32_t key, const QString& path) {
    CachedHeightTile* tile = get_LRU_tile();
    if (!terrarium::decodeFile(path, tile->heights)) {
        tile->clear();
        m_spare.push_back(tile);
        tileDoesNotDecode(key, path);
        return nullptr;
    }
    tile->key = key;
    m_tiles[key] = tile;
    m_lastKey = key;
    m_lastTile = tile;
    mark_tile_used(tile);
    return tile;
}

// A file that does not decode is kept once as "<name>.bad"; the second
// time, the key is given up until restart.
void MZElevationData::tileDoesNotDecode(uint32_t key, const QString& path) {
    const QString bad = badName(path);
    if (QFileInfo::exists(bad)) {
        QFile::remove(path);
        m_failed.insert(key);
    } else {
        QFile::rename(path, bad);
    }
}

// ---------------------------------------------------------------- tile slots

MZElevationData::CachedHeightTile* MZElevationData::get_LRU_tile() {
    if (!m_spare.empty()) {
        CachedHeightTile* tile = m_spare.back();
        m_spare.pop_back();
        return tile;
    }
    if (int(m_slots.size()) < kMaxTiles) {
        m_slots.push_back(std::make_unique<CachedHeightTile>());
        return m_slots.back().get();
    }
    auto* oldest = static_cast<CachedHeightTile*>(m_lru.next);
    unlink(oldest);
    m_tiles.erase(oldest->key);
    m_lastKey = UINT32_MAX;
    m_lastTile = nullptr;
    oldest->clear();
    return oldest;
}

void MZElevationData::mark_tile_used(CachedHeightTile* tile) {
    unlink(tile);
    tile->prev = m_lru.prev;
    tile->next = &m_lru;
    m_lru.prev->next = tile;
    m_lru.prev = tile;
}

// ---------------------------------------------------------------- downloads

void MZElevationData::download_tile(uint32_t key, const QString& urlPath, const QString& filePath) {
    const QUrl base = server();
    if (base.isEmpty() || m_downloading.count(key)) return;
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    m_downloading.insert(key);
    auto client =
        std::make_unique<CWebServer_NB>(base.host(), false, base.scheme() == "https", base.port(0));
    CWebServer_NB* web = client.get();
    m_clients[key] = std::move(client);
    std::weak_ptr<bool> alive = m_alive;
    web->SetCompletion([this, alive, key, filePath](int result) {
        if (alive.expired() || !*alive.lock()) return;
        onDownloaded(key, filePath, result);
    });
    QString path = base.path();
    while (path.endsWith('/')) path.chop(1);
    web->GetFile(path + urlPath, filePath);
}

void MZElevationData::onDownloaded(uint32_t key, const QString& path, int result) {
    m_downloading.erase(key);
    // The client is inside its own callback: it goes when the loop next runs.
    if (auto it = m_clients.find(key); it != m_clients.end()) {
        it->second.release()->deleteLater();
        m_clients.erase(it);
    }
    if (result < 1) {
        m_failed.insert(key);
    } else {
        std::string why;
        std::vector<float> scratch(terrarium::kTilePixels);
        if (terrarium::decodeFile(path, scratch.data(), &why)) {
            m_wanted.erase(key);
            scheduleRefresh();
        } else {
            tileDoesNotDecode(key, path);
        }
    }
    startWantedDownloads();
}

void MZElevationData::startWantedDownloads() {
    for (uint32_t key : m_wanted) {
        if (int(m_downloading.size()) >= kMaxDownloads) break;
        if (m_downloading.count(key) || m_failed.count(key)) continue;
        int level, y, x;
        fromKey(key, level, y, x);
        download_tile(key, tilePath(level, x, y), filePath(key));
    }
}

void MZElevationData::scheduleRefresh() {
    if (m_refreshPending) return;
    m_refreshPending = true;
    std::weak_ptr<bool> alive = m_alive;
    QTimer::singleShot(kRefreshDelayMs, [this, alive] {
        if (alive.expired() || !*alive.lock()) return;
        m_refreshPending = false;
        Listener<MZElevationData>::Dispatch(*this);
    });
}
