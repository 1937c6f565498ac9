// Version-3 map fixtures: a classic map and its version-3 twin made by the
// real map makers, local installs of the twin (header only, partial, or
// complete), and rendering a rectangle of a map.
#pragma once

#include <QDir>
#include <QFile>
#include <QImage>
#include <memory>
#include <string>

#include "ktltestmaps.h"
#include "maps/chunkfile.h"
#include "maps/kartile3.h"
#include "maps/kartile3maker.h"
#include "maps/webworker.h"
#include "support/nginxserver.h"
#include "support/testsupport.h"

namespace chunkedtest {

// 2600 x 1500 pixels: 3 x 2 chunks, the lower right one all index 1 (blank).
inline QImage twinImage() {
    return ktltest::indexedImage(2600, 1500, [](int x, int y) {
        if (x >= 2048 && y >= 1024) return 1;
        if ((x / 90 + y / 70) % 5 == 0) return (x / 3 + y / 5) % 128;  // detail
        return ((x / 40) ^ (y / 30)) % 60 + 2;                         // runs
    });
}

struct Twin {
    std::string classic;  // classic/twin.ktl
    QString serverDir;    // server/twin.ktl and server/twin.kt3
    CKartile3Maker::Result v3;
};

inline Twin makeTwin(const testsupport::TempDir& dir, const QImage& image = twinImage()) {
    Twin t;
    QDir().mkpath(dir.file("classic"));
    QDir().mkpath(dir.file("server"));
    t.classic = ktltest::makeMap(dir.file("classic/twin.ktl"), image);
    t.serverDir = dir.file("server");
    std::string error;
    if (!CKartile3Maker::make(t.classic, t.serverDir.toStdString(), t.v3, error))
        ADD_FAILURE() << error;
    return t;
}

// Copies the twin's header into `folder`; with `chunks` also the server's
// whole chunk file as the local one. Returns the local header path.
inline std::string installLocal(const Twin& t, const QString& folder, bool chunks) {
    QDir().mkpath(folder);
    const QString header = folder + "/twin.ktl";
    QFile::remove(header);
    QFile::copy(QString::fromStdString(t.v3.headerPath), header);
    if (chunks) QFile::copy(QString::fromStdString(t.v3.chunkPath), folder + "/twin.kt3");
    return header.toStdString();
}

// Stores every chunk of the server's file locally up to `level` only.
inline bool storePrefixes(const Twin& t, const std::string& localHeader, int level) {
    CChunkFile server, local;
    const std::string localChunks = localHeader.substr(0, localHeader.size() - 4) + ".kt3";
    if (!server.Open(t.v3.chunkPath) || !local.Open(localChunks)) return false;
    if (!local.WriteHeader(server.header())) return false;
    std::vector<uint32_t> words;
    for (int r = 0; r < server.rows(); ++r)
        for (int c = 0; c < server.columns(); ++c) {
            uint64_t offset;
            CChunkFile::RecordHeader h;
            if (!server.StoredRecord(r, c, offset, h)) {
                if (server.IsBlank(r, c)) local.MarkBlank(r, c);
                continue;
            }
            if (!server.ReadStoredWords(r, c, h.sizes[level], words)) return false;
            if (!local.StoreRecordPrefix(r, c, h, words.data(), h.sizes[level])) return false;
        }
    return true;
}

inline CKartile3* v3Of(const ktltest::OpenMap& map) {
    return dynamic_cast<CKartile3*>(map.get());
}

inline QString loopbackUrl(int port, const QString& path = "/") {
    return QString("http://127.0.0.1:%1%2").arg(port).arg(path);
}

// Serves `root` from a local nginx and makes it the map server; null (a
// failure noted) if nginx does not start.
inline std::unique_ptr<testsupport::NginxServer> serveMaps(const QString& root,
                                                           const QString& extra = {}) {
    auto nginx = std::make_unique<testsupport::NginxServer>(root, extra);
    if (!nginx->running()) {
        ADD_FAILURE() << nginx->error().toStdString();
        return nullptr;
    }
    CWebWorker::SetServerBase(QUrl(loopbackUrl(nginx->port())));
    return nginx;
}

// A w x h rectangle of a map at a level through ReadRectRGB.
inline QImage renderRect(CKartile* map, int x, int y, int w, int h, int level,
                         ThreadDataForRead* scratch = nullptr) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    ThreadDataForRead local;
    map->ReadRectRGB(x, y, w, h, w, level, reinterpret_cast<uint32_t*>(image.bits()),
                     scratch ? scratch : &local);
    return image;
}

}  // namespace chunkedtest
