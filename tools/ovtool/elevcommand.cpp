// ovtool elev at: the ground height at a place from Terrarium elevation
// tiles, as one JSON object {"lat", "lon", "level", "height"}. Tiles are read
// from the elevation folder (--dir, else the program's) and fetched into it
// from the tile server (--server, else the saved setting) when missing.
// Without --level the finest level up to 12 that answers is used. Exit 0
// with a height, 1 without one, 2 on bad usage.
//
// ovtool elev profile FILE.gpx | --route NAME | --track NAME: a profile of a
// GPX file's first route (else its first track), or of a route or track of
// the profile's files, as {"name", "length_m", "profile"} with "profile" a
// list of [distance m, height m] pairs: a route's ground heights at --samples
// evenly spaced places (tiles as for "elev at"), a track's recorded altitudes
// (its ground when it recorded none). Exit 0 with a profile, 1 when there is
// none (no such route or track, or no heights), 2 on bad usage.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <cmath>

#include "app/base/directories.h"
#include "app/base/persistantdata.h"
#include "elevation/elevationdata.h"
#include "elevation/overlayprofilesource.h"
#include "elevation/profileline.h"
#include "geo/numbertext.h"
#include "mapview/kartileview.h"
#include "overlays/gpxreader.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"
#include "ovtoolcommand.h"

namespace {

int runAt(const QStringList& args);
int runProfile(const QStringList& args);

const OvtoolCommand atCommand("elev at", "LAT LON [--level L] [--server URL] [--dir DIR]",
                              "ground height at a place from elevation tiles (JSON)", runAt);
const OvtoolCommand profileCommand(
    "elev profile",
    "FILE.gpx | --route NAME | --track NAME [--samples N] [--server URL] [--dir DIR] "
    "[--profile P]",
    "a route's ground-height or a track's altitude profile: [distance, height] pairs (JSON)",
    runProfile);

constexpr int kDefaultSamples = 100;
constexpr int kMaxSamples = 10000;

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

// The tile server from --server, else the saved setting; false (with the
// message) for an address that is not http(s).
bool useServer(const QString& server) {
    if (server.isEmpty()) {
        MZElevationData::ApplyServerSetting();
    } else {
        const QUrl url(server, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty() ||
            (url.scheme() != "http" && url.scheme() != "https")) {
            ovtoolError("--server takes an http or https address");
            return false;
        }
        MZElevationData::SetServer(url);
    }
    // The command asks for heights: missing tiles are fetched.
    CKartileView::automatic_download = true;
    return true;
}

int runAt(const QStringList& args) {
    Options o;
    if (!parse(args, o)) return ovtoolUsageError(atCommand);
    PersistantData::LoadAll("orvanta");
    if (!useServer(o.server)) return 2;
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

struct ProfileOptions {
    QString file, route, track, server, dir;
    int samples = kDefaultSamples;
};

bool parseProfile(QStringList args, ProfileOptions& o) {
    if (!ovtoolTakeProfile(args)) return false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith("--") && o.file.isEmpty()) {
            o.file = a;
            continue;
        }
        if (i + 1 >= args.size()) return false;
        const QString value = args[++i];
        bool ok = true;
        if (a == "--route")
            o.route = value;
        else if (a == "--track")
            o.track = value;
        else if (a == "--server")
            o.server = value;
        else if (a == "--dir")
            o.dir = value;
        else if (a == "--samples")
            o.samples = value.toInt(&ok);
        else
            return false;
        if (!ok || o.samples < 2 || o.samples > kMaxSamples) return false;
    }
    return int(!o.file.isEmpty()) + int(!o.route.isEmpty()) + int(!o.track.isEmpty()) == 1;
}

// The line of a GPX file's first route, else its first track; false with a
// message when the file has neither.
bool lineFromGpx(const QString& file, std::string& name, std::vector<ProfilePoint>& points,
                 bool& isRoute) {
    GpxData data;
    std::string error;
    if (!ReadGPXFile(file.toStdString(), data, &error)) {
        ovtoolError(file + ": " + QString::fromStdString(error));
        return false;
    }
    if (!data.routes.empty()) {
        name = data.routes.front().name;
        for (const GpxWaypoint& p : data.routes.front().points)
            points.push_back({p.lat, p.lon, p.time, -9999});
        isRoute = true;
        return true;
    }
    if (!data.tracks.empty()) {
        name = data.tracks.front().name;
        for (const CTrackPoint& p : data.tracks.front().points) points.push_back(ProfilePointOf(p));
        isRoute = false;
        return true;
    }
    ovtoolError(file + ": no route or track");
    return false;
}

// The source of the route or track of that name, or null.
std::unique_ptr<COverlayProfileSource> findSource(const ProfileOptions& o) {
    using Kind = COverlayProfileSource::Kind;
    if (!o.route.isEmpty()) {
        CMarkManager::theManager.LoadRoutes();
        for (const auto& route : CMarkManager::theManager.routes)
            if (!route->deleted && route->name == o.route.toStdString())
                return COverlayProfileSource::make(Kind::Route, route->GetObjectID());
        return nullptr;
    }
    CTrackManager::doRecordTrack = false;  // the program's setting is not ours to follow
    CTrackManager::theManager.LoadFromFile();
    for (const auto& track : CTrackManager::theManager.tracks)
        if (!track->deleted && track->name == o.track.toStdString())
            return COverlayProfileSource::make(Kind::Track, track->GetObjectID());
    return nullptr;
}

// Ground heights, asked again while tiles they wanted are on their way.
std::vector<ProfileSample> groundHeights(const ProfileLine& line, const ProfileOptions& o) {
    MZElevationData store(o.dir.isEmpty() ? getAppDirectory("elev") : o.dir.toStdString());
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        std::vector<ProfileSample> samples = line.groundHeights(store, o.samples);
        if (store.downloading().empty() || clock.elapsed() > kDownloadWaitMs) return samples;
        while (!store.downloading().empty() && clock.elapsed() <= kDownloadWaitMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

int runProfile(const QStringList& args) {
    ProfileOptions o;
    if (!parseProfile(args, o)) return ovtoolUsageError(profileCommand);
    PersistantData::LoadAll("orvanta");
    std::string name;
    std::vector<ProfilePoint> points;
    bool isRoute = false;
    if (!o.file.isEmpty()) {
        if (!lineFromGpx(o.file, name, points, isRoute)) return 1;
    } else {
        const std::unique_ptr<COverlayProfileSource> source = findSource(o);
        if (!source) {
            ovtoolError(o.route.isEmpty() ? "no track named " + o.track
                                          : "no route named " + o.route);
            return 1;
        }
        name = source->profileName();
        points = source->profilePoints();
        isRoute = source->kind() == COverlayProfileSource::Kind::Route;
    }
    const ProfileLine line(std::move(points));
    std::vector<ProfileSample> samples;
    if (!isRoute) samples = line.altitudes(o.samples);
    if (samples.empty() && (isRoute || !o.file.isEmpty())) {
        if (!useServer(o.server)) return 2;
        samples = groundHeights(line, o);
    }
    if (samples.empty()) {
        ovtoolError("no heights along " + QString::fromStdString(name));
        return 1;
    }
    QJsonArray pairs;
    for (const ProfileSample& s : samples)
        pairs.append(QJsonArray{std::round(s.distance * 10) / 10, double(s.value)});
    const QJsonObject out{
        {"name", QString::fromStdString(name)}, {"length_m", line.length()}, {"profile", pairs}};
    ovtoolPrint(QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact)));
    return 0;
}

}  // namespace
