// Fixtures for the elevation tests: Terrarium tiles of a surface known
// exactly, and the download settings put back after each test.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <functional>

#include "elevation/elevationdata.h"
#include "maps/googlegrid.h"
#include "mapview/kartileview.h"

namespace elevationtest {

// Height in metres at a global pixel (gx, gy) of a level.
using Surface = std::function<double(double gx, double gy)>;

// A plane in global pixels: exact in the encoding (steps of 1/256 m) and
// reproduced exactly by bilinear interpolation.
inline double plane(double gx, double gy) {
    return 100 + 0.25 * gx + 0.125 * gy;
}

inline QString tileFile(const QString& root, int level, int x, int y) {
    return root + MZElevationData::tilePath(level, x, y);
}

// Tiles x0..x1, y0..y1 of a level.
inline bool writeTiles(const QString& root, int level, int x0, int x1, int y0, int y1,
                       const Surface& surface) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const QString path = tileFile(root, level, x, y);
            QDir().mkpath(QFileInfo(path).absolutePath());
            const QImage tile = terrarium::makeTile(
                [&](int px, int py) { return surface(x * 256.0 + px, y * 256.0 + py); });
            if (!tile.save(path, "PNG")) return false;
        }
    return true;
}

// The 3 x 3 tiles of a level round a place.
inline bool writeTilesAround(const QString& root, int level, double lat, double lon,
                             const Surface& surface) {
    double gx, gy;
    Google_Grid(level, false, {}).LatLongToPixelXY(lat, lon, gx, gy);
    const int tx = int(gx / 256), ty = int(gy / 256);
    return writeTiles(root, level, tx - 1, tx + 1, ty - 1, ty + 1, surface);
}

// Downloads on or off and the tile server for one test, restored after.
class DownloadSettings {
public:
    DownloadSettings(bool automatic, const QUrl& server) {
        CKartileView::automatic_download = automatic;
        MZElevationData::SetServer(server);
    }
    ~DownloadSettings() {
        CKartileView::automatic_download = m_automatic;
        MZElevationData::SetServer(m_server);
    }

private:
    bool m_automatic = CKartileView::automatic_download;
    QUrl m_server = MZElevationData::server();
};

}  // namespace elevationtest
