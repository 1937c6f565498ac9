// MZElevationData: ground heights from Terrarium elevation tiles (see
// terrariumtile.h) kept as files in the elevation folder and fetched on
// demand from the elevation tile server.
//
// Tiles follow the spherical-Mercator tile grid (maps/googlegrid.h): at
// level L the world is 256 * 2^L pixels square, tile (x, y) covers pixels
// x*256.. and y*256... A tile key packs level (4 bits) and tile row and
// column (14 bits each), so levels above 14 do not fit a key: every query
// is clamped to level 14 (about 9.5 m a pixel at the equator). A tile's
// file and URL path is "/terrarium/<level>/<x>/<y>.png".
//
// Heights are bilinear between the four pixels around a point, on pixel
// corners: the height of pixel (i, j) is the height at pixel coordinate
// (i, j). Latitudes of 80 degrees or more read 0 m without any tile.
//
// At most kMaxTiles decoded tiles (256 KiB each) stay in memory, least
// recently used first to go. A missing tile fails the query and, when
// automatic downloading is on and a tile server is set, is fetched in the
// background, at most kMaxDownloads at a time; until it arrives, queries for
// it fail at once. A tile whose download failed, or whose file twice failed
// to decode, is not asked for again until the program restarts. Arrivals are
// announced through Listener<MZElevationData> 250 ms after the first of a
// burst. Everything runs on the main thread.
#pragma once

#include <QString>
#include <QUrl>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "elevation/terrariumtile.h"

class CWebServer_NB;

class MZElevationData {
public:
    static constexpr int kMaxTiles = 100;
    static constexpr int kMaxDownloads = 5;
    static constexpr int kMaxKeyLevel = 14;  // 14-bit tile rows and columns
    static constexpr int kBestLevelCap = 12;
    static constexpr double kPolarLimit = 80;  // degrees
    static constexpr int kRefreshDelayMs = 250;

    struct LruLink {
        LruLink* prev = this;  // least-recently-used list, circular
        LruLink* next = this;
    };
    struct CachedHeightTile : LruLink {
        uint32_t key = 0;
        float heights[terrarium::kTilePixels];  // metres, row-major
        void clear();
    };

    // The process-wide store; null unless an altitude mode other than off
    // is selected.
    static MZElevationData* g_elevation;

    explicit MZElevationData(const std::string& directory);
    ~MZElevationData();
    MZElevationData(const MZElevationData&) = delete;
    MZElevationData& operator=(const MZElevationData&) = delete;

    // Height in metres at a place at one level; false when a tile needed
    // is missing (and then queued for download).
    bool elevationAtLevel(double lat, double lon, int level, float& height, bool interpolate);
    // Interpolated height at the finest level that answers, from
    // min(maxLevel, 12) down to 1; returns that level, 0 when none did.
    int elevationAtBestLevel(double lat, double lon, float& height, int maxLevel);
    // Height of one pixel of the world at a level (global pixel coordinates).
    bool elevationFromTile(int level, int pixelX, int pixelY, float& height);
    // The level whose pixels are about `metres` apart at a latitude, clamped
    // to what a tile key holds.
    static int levelForSpacing(double lat, double metres);

    static uint32_t toKey(int level, int a, int b) {
        return (uint32_t(level) << 28) | (uint32_t(a) << 14) | uint32_t(b);
    }
    static void fromKey(uint32_t key, int& level, int& a, int& b) {
        level = int(key >> 28);
        a = int((key >> 14) & 0x3FFF);
        b = int(key & 0x3FFF);
    }
    // "/terrarium/<level>/<x>/<y>.png"
    static QString tilePath(int level, int x, int y);

    void download_tile(uint32_t key, const QString& urlPath, const QString& filePath);
    CachedHeightTile* get_LRU_tile();
    void mark_tile_used(CachedHeightTile* tile);

    const std::string& directory() const { return m_directory; }
    const std::set<uint32_t>& wanted() const { return m_wanted; }
    const std::set<uint32_t>& failed() const { return m_failed; }
    const std::set<uint32_t>& downloading() const { return m_downloading; }
    int tileCount() const { return int(m_tiles.size()); }
    bool hasTile(uint32_t key) const { return m_tiles.count(key) != 0; }

    // The tile server: an http or https address whose path the tile paths
    // are appended to. It has no default; without it nothing is fetched.
    // The setting "MZElevationData:tileServer" is applied when the store is
    // made; SetServer overrides it for the process.
    static std::string& serverSetting();
    static void ApplyServerSetting();
    static void SetServer(const QUrl& base);
    static const QUrl& server();

private:
    // The decoded tile, read from its file or asked for when missing; null
    // when it is not there (yet).
    const CachedHeightTile* tileAt(int level, int tileX, int tileY);
    // Reads a tile file into the cache; null when it does not decode.
    CachedHeightTile* loadTile(uint32_t key, const QString& path);
    void onDownloaded(uint32_t key, const QString& path, int result);
    void startWantedDownloads();
    void scheduleRefresh();
    void tileDoesNotDecode(uint32_t key, const QString& path);
    QString filePath(uint32_t key) const;
    float lookup(const CachedHeightTile* tile, int pixelX, int pixelY) const {
        return tile->heights[(pixelY & 0xFF) * terrarium::kTileSize + (pixelX & 0xFF)];
    }

    std::string m_directory;
    std::set<uint32_t> m_downloading;
    std::set<uint32_t> m_wanted;
    std::set<uint32_t> m_failed;
    std::unordered_map<uint32_t, CachedHeightTile*> m_tiles;
    uint32_t m_lastKey = UINT32_MAX;  // no key has all bits set at level 15
    CachedHeightTile* m_lastTile = nullptr;
    LruLink m_lru;  // sentinel: next is the least recently used
    std::vector<std::unique_ptr<CachedHeightTile>> m_slots;
    std::vector<CachedHeightTile*> m_spare;  // slots of tiles that did not decode
    bool m_refreshPending = false;
    std::map<uint32_t, std::unique_ptr<CWebServer_NB>> m_clients;
    std::shared_ptr<bool> m_alive;  // downloads and timers outliving the store do nothing
};
