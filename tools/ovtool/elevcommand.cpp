// ovtool elev at: the ground height at a place from Terrarium elevation
// tiles, as one JSON object {"lat", "lon", "level", "height"}. Tiles are read
// from the elevation folder (--dir, else the program's) and fetched into it
// from the tile server (--server, else the saved setting) when missing.
// Without --level the finest level up to 12 that answers is used. Exit 0
// with a height, 1 without one, 2 on bad usage.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <cmath>

#include "app/base/directories.h"
#include "app/base/persistantdata.h"
#include "elevation/elevationdata.h"
#include "geo/numbertext.h"
#include "mapview/kartileview.h"
#include "ovtoolcommand.h"

namespace {

int runAt(const QStringList& args);

const OvtoolCommand atCommand("elev at", "LAT LON [--level L] [--server URL] [--dir DIR]",
                              "ground height at a place from elevation tiles (JSON)", runAt);

constexpr int kDownloadWaitMs = 60000;

bool readNumber(const QString& text, double& value) {
    const QByteArray bytes = text.toUtf8();
    const char* p = bytes.constData();
    if (!scanDouble(p, value)) return false;
    skipSpace(p);
    return *p == 0 && std::isfinite(value);
}

struct Options {
    double lat = 0, lon = 0;
    int level = -1;  // -1: the best level
    QString server, dir;
};

bool parse(const QStringList& args, Options& o) {
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--level" || a == "--server" || a == "--dir") {
            if (i + 1 >= args.size()) return false;
            const QString value = args[++i];
            bool ok = true;
            if (a == "--level") {
                o.level = value.toInt(&ok);
                ok = ok && o.level >= 0 && o.level <= 20;
            } else if (a == "--server") {
                o.server = value;
            } else {
                o.dir = value;
            }
            if (!ok) return false;
        } else {
            positional << a;
        }
    }
    return positional.size() == 2 && readNumber(positional[0], o.lat) &&
           readNumber(positional[1], o.lon) && std::fabs(o.lat) <= 90;
}

// One query; while tiles it asked for are on their way (finer levels
// included), they are awaited and the query is asked again.
int query(MZElevationData& store, const Options& o, float& height) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int level;
        bool answered;
        if (o.level >= 0) {
            level = std::min(o.level, int(MZElevationData::kMaxKeyLevel));
            answered = store.elevationAtLevel(o.lat, o.lon, level, height, true);
        } else {
            level =
                store.elevationAtBestLevel(o.lat, o.lon, height, MZElevationData::kBestLevelCap);
            answered = level > 0;
        }
        if (store.downloading().empty() || clock.elapsed() > kDownloadWaitMs)
            return answered ? level : -1;
        while (!store.downloading().empty() && clock.elapsed() <= kDownloadWaitMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

int runAt(const QStringList& args) {
    Options o;
    if (!parse(args, o)) return ovtoolUsageError(atCommand);
    if (o.server.isEmpty()) {
        PersistantData::LoadAll("orvanta");
        MZElevationData::ApplyServerSetting();
    } else {
        const QUrl url(o.server, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty() ||
            (url.scheme() != "http" && url.scheme() != "https")) {
            ovtoolError("--server takes an http or https address");
            return 2;
        }
        MZElevationData::SetServer(url);
    }
    // The command asks for the height: missing tiles are fetched.
    CKartileView::automatic_download = true;
    MZElevationData store(o.dir.isEmpty() ? getAppDirectory("elev") : o.dir.toStdString());
    float height = 0;
    const int level = query(store, o, height);
    if (level < 0) {
        ovtoolError(QString("no height at %1, %2").arg(o.lat).arg(o.lon));
        return 1;
    }
    QJsonObject out{{"lat", o.lat}, {"lon", o.lon}, {"level", level}, {"height", double(height)}};
    ovtoolPrint(QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact)));
    return 0;
}

}  // namespace
