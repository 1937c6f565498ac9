// Fixtures for the elevation tests: Terrarium tiles of a surface known
// exactly, written where a store or a server reads them, and the download
// settings put back after each test.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <functional>

#include "app/base/datasource.h"
#include "elevation/elevationdata.h"
#include "elevation/terrariumtile.h"
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

inline bool writeTile(const QString& root, int level, int x, int y, const Surface& surface) {
    const QString path = tileFile(root, level, x, y);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return terrarium::makeTile(
               [&](int px, int py) { return surface(x * 256.0 + px, y * 256.0 + py); })
        .save(path, "PNG");
}

// Tiles x0..x1, y0..y1 of a level.
inline bool writeTiles(const QString& root, int level, int x0, int x1, int y0, int y1,
                       const Surface& surface) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (!writeTile(root, level, x, y, surface)) return false;
    return true;
}

// Degrees of a global pixel position at a level.
inline void placeOf(int level, double gx, double gy, double& lat, double& lon) {
    Google_Grid(level, false, {}).PixelXYToLatLong(gx, gy, lat, lon);
}

// Downloads on or off and the tile server for one test, restored after.
class DownloadSettings {
public:
    DownloadSettings(bool automatic, const QUrl& server)
        : m_automatic(CKartileView::automatic_download), m_server(MZElevationData::server()) {
        CKartileView::automatic_download = automatic;
        MZElevationData::SetServer(server);
    }
    ~DownloadSettings() {
        CKartileView::automatic_download = m_automatic;
        MZElevationData::SetServer(m_server);
    }

private:
    bool m_automatic;
    QUrl m_server;
};

// Counts the store's announcements of arrived tiles.
struct ArrivalCounter : Listener<MZElevationData> {
    int count = 0;
    void OnUpdate(MZElevationData&) override { ++count; }
};

}  // namespace elevationtest
