// ovtool gpx dump|import|export: what the GPX importer reads from a file,
// importing files into a profile, and exporting a profile's marks, routes
// and tracks. Import changes the profile's files, so it is refused while
// the program runs with that profile.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cstdio>

#include "app/base/persistantdata.h"
#include "app/base/profilelock.h"
#include "overlays/gpxexport.h"
#include "overlays/gpximport.h"
#include "overlays/gpxoutput.h"
#include "overlays/markmanager.h"
#include "overlays/overlaytrack.h"
#include "overlays/trackmanager.h"
#include "overlays/xmlnode.h"
#include "ovtoolcommand.h"

namespace {

QJsonValue timeJson(double time) {
    if (time == 0) return QJsonValue();
    std::string text;
    CXMLnode::format_time(time, text);
    return QString::fromStdString(text);
}

QString idText(uint64_t id) {
    if (id == 0) return {};
    char text[32];
    std::snprintf(text, sizeof text, "ovid:%llX", (unsigned long long)id);
    return text;
}

QJsonObject waypointJson(const GpxWaypoint& wp) {
    QJsonObject o{{"lat", wp.lat},
                  {"lon", wp.lon},
                  {"time", timeJson(wp.time)},
                  {"name", QString::fromStdString(wp.name)},
                  {"comment", QString::fromStdString(wp.comment)},
                  {"link", QString::fromStdString(wp.link)},
                  {"type", QString::fromStdString(wp.type)},
                  {"sym", QString::fromStdString(wp.sym)},
                  {"ovid", idText(wp.object_id)}};
    if (wp.elevation > -9998) o["ele"] = wp.elevation;
    if (wp.has_color) o["color"] = QString::fromStdString(wp.color.ToHash());
    if (wp.has_proximity) o["proximity"] = wp.proximity;
    return o;
}

QJsonObject styleJson(const GpxLineStyle& style) {
    QJsonObject o;
    if (style.has_color) o["color"] = QString::fromStdString(style.color.ToHash());
    if (style.has_opacity) o["opacity"] = style.opacity;
    if (style.has_width) o["width"] = style.width;
    if (style.pattern >= 0) o["pattern"] = GpxLinePatternName(style.pattern);
    return o;
}

QJsonObject trackJson(const GpxTrack& record) {
    QJsonArray points;
    for (const CTrackPoint& p : record.points) {
        QJsonObject point{{"lat", p.lat}, {"lon", p.lon}, {"time", timeJson(p.time)}};
        if (p.altitude() > -9998) point["ele"] = p.altitude();
        points.append(point);
    }
    COverlayTrack track;
    FillTrackFromGpx(track, record, nullptr);
    double moving = 0, maxSpeed = 0;
    const double distance = track.getStats(moving, maxSpeed);
    const QJsonObject stats{{"points", int(record.points.size())},
                            {"distance_m", distance},
                            {"elapsed_time_s", track.getElapsedTime()},
                            {"moving_time_s", moving},
                            {"max_speed_ms", maxSpeed},
                            {"simplified_on_import", GpxTrackNeedsCompacting(record)}};
    return QJsonObject{{"name", QString::fromStdString(record.name)},
                       {"comment", QString::fromStdString(record.comment)},
                       {"type", QString::fromStdString(record.type)},
                       {"ovid", idText(record.object_id)},
                       {"line", styleJson(record.style)},
                       {"segments", record.segments},
                       {"stats", stats},
                       {"points", points}};
}

QJsonObject dataJson(const GpxData& data) {
    QJsonArray marks, routes, tracks;
    for (const GpxWaypoint& wp : data.marks) marks.append(waypointJson(wp));
    for (const GpxRoute& route : data.routes) {
        QJsonArray points;
        for (const GpxWaypoint& wp : route.points) points.append(waypointJson(wp));
        routes.append(QJsonObject{{"name", QString::fromStdString(route.name)},
                                  {"comment", QString::fromStdString(route.comment)},
                                  {"type", QString::fromStdString(route.type)},
                                  {"ovid", idText(route.object_id)},
                                  {"line", styleJson(route.style)},
                                  {"points", points}});
    }
    for (const GpxTrack& track : data.tracks) tracks.append(trackJson(track));
    return QJsonObject{{"marks", marks}, {"routes", routes}, {"tracks", tracks}};
}

void loadProfile() {
    PersistantData::LoadAll("orvanta");
    CTrackManager::doRecordTrack = false;  // the program's setting is not ours to follow
    CMarkManager::theManager.LoadFromFile();
    CMarkManager::theManager.LoadRoutes();
    CTrackManager::theManager.LoadFromFile();
}

int runDump(const QStringList& args);
int runImport(const QStringList& args);
int runExport(const QStringList& args);

const OvtoolCommand dumpCommand("gpx dump", "FILE",
                                "what the GPX importer reads from FILE, as JSON: marks, routes "
                                "with their points, tracks with their points and statistics",
                                runDump);
const OvtoolCommand importCommand("gpx import", "FILE... [--profile P]",
                                  "imports GPX files into the profile's marks, routes and tracks",
                                  runImport);
const OvtoolCommand exportCommand(
    "gpx export", "OUT.gpx [--profile P] [--marks] [--routes] [--tracks]",
    "writes the profile's marks, routes and tracks (all, or those asked for) as GPX 1.1",
    runExport);

int runDump(const QStringList& args) {
    if (args.size() != 1) return ovtoolUsageError(dumpCommand);
    GpxData data;
    std::string error;
    if (!ReadGPXFile(args.first().toStdString(), data, &error)) {
        ovtoolError(args.first() + ": " + QString::fromStdString(error));
        return 1;
    }
    ovtoolPrint(
        QString::fromUtf8(QJsonDocument(dataJson(data)).toJson(QJsonDocument::Indented)).trimmed());
    return 0;
}

int runImport(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || args.isEmpty()) return ovtoolUsageError(importCommand);
    if (ProfileLock::HeldByAnother()) {
        ovtoolError("Orvanta is running with this profile; import there, or quit it first");
        return 1;
    }
    loadProfile();
    int status = 0;
    for (const QString& path : args) {
        GpxImportResult result;
        if (!ImportGPXFile(path.toStdString(), result)) {
            ovtoolError(path + ": " + QString::fromStdString(result.error));
            status = 1;
            continue;
        }
        ovtoolPrint(path + ": " + QString::fromStdString(result.counts.Summary()));
    }
    const bool saved = CMarkManager::theManager.SaveIfNeeded() &&
                       CMarkManager::theManager.SaveRoutesIfNeeded() &&
                       CTrackManager::theManager.SaveIfNeeded();
    if (!saved) {
        ovtoolError("could not write the profile's overlay files");
        return 1;
    }
    return status;
}

int runExport(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args)) return ovtoolUsageError(exportCommand);
    bool marks = args.removeAll("--marks") > 0;
    bool routes = args.removeAll("--routes") > 0;
    bool tracks = args.removeAll("--tracks") > 0;
    if (args.size() != 1 || args.first().startsWith("--")) return ovtoolUsageError(exportCommand);
    if (!marks && !routes && !tracks) marks = routes = tracks = true;
    loadProfile();
    std::string error;
    if (!ExportGPXFile(args.first().toStdString(), OverlayObjectsForExport(marks, routes, tracks),
                       &error)) {
        ovtoolError(QString::fromStdString(error));
        return 1;
    }
    return 0;
}

}  // namespace
