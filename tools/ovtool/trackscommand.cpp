// ovtool tracks list|stats|record: the recorded tracks of a profile's
// "tracks.ovtf" with their statistics, and recording a new track from any
// input that `nmea listen` takes, filtered as the program records. While the
// program runs with that profile, recording is refused: it would write its
// own copy of the file over the new track.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include "app/base/persistantdata.h"
#include "app/base/profilelock.h"
#include "connectionargs.h"
#include "nmea/dataconnection.h"
#include "nmea/nmeasimulation.h"
#include "overlays/trackmanager.h"
#include "ovtoolcommand.h"

namespace {

CTrackManager& loadTracks() {
    PersistantData::LoadAll("orvanta");
    CTrackManager::doRecordTrack = false;  // the program's setting is not ours to follow
    CTrackManager::theManager.LoadFromFile();
    return CTrackManager::theManager;
}

QJsonValue orNull(bool known, double value) {
    return known ? QJsonValue(value) : QJsonValue();
}

QJsonObject trackJson(COverlayTrack& track, bool withStats) {
    QJsonObject o{{"name", QString::fromStdString(track.name)},
                  {"points", track.getTotalPoints()},
                  {"sections", int(track.sections.size())},
                  {"start", orNull(track.hasTiming(), track.getTimeOfStart())},
                  {"distance_m", track.getTotalDistance()},
                  {"ovid", QString::fromStdString(track.GetObjectIDstr())}};
    if (!withStats) return o;
    const double moving = track.getMovingTime();
    double up = 0, down = 0, top = 0;
    const bool climbs = track.firstPoint() && track.getAltitudeMetrics(up, down, top);
    o["moving_time_s"] = moving;
    o["elapsed_time_s"] = track.getElapsedTime();
    o["stopped_time_s"] = track.getStoppedTime();
    o["avg_moving_speed_ms"] = orNull(moving > 10, moving > 0 ? track.total_distance / moving : 0);
    o["max_speed_ms"] = track.max_speed;
    o["ascent_m"] = orNull(climbs, up);
    o["descent_m"] = orNull(climbs, down);
    return o;
}

int printTracks(const QStringList& argsIn, bool withStats, const OvtoolCommand& command) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || !args.isEmpty()) return ovtoolUsageError(command);
    CTrackManager& manager = loadTracks();
    QJsonArray list;
    for (auto& track : manager.tracks)
        if (!track->deleted) list.append(trackJson(*track, withStats));
    ovtoolPrint(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented)).trimmed());
    return 0;
}

int runList(const QStringList& args);
int runStats(const QStringList& args);
int runRecord(const QStringList& args);

const OvtoolCommand listCommand("tracks list", "[--profile P]",
                                "the tracks as JSON: name, points, start, distance, ovid", runList);
const OvtoolCommand statsCommand(
    "tracks stats", "[--profile P]",
    "the tracks with distance, moving, elapsed and stopped time, speeds, ascent and descent",
    runStats);
const OvtoolCommand recordCommand("tracks record", "INPUT --seconds S [--profile P]",
                                  "records a new track from an NMEA input for S seconds",
                                  runRecord);

int runList(const QStringList& args) {
    return printTracks(args, false, listCommand);
}

int runStats(const QStringList& args) {
    return printTracks(args, true, statsCommand);
}

int runRecord(const QStringList& argsIn) {
    QStringList args = argsIn;
    long long count = 0;
    double seconds = 0;
    if (!ovtoolTakeProfile(args) || args.isEmpty() || !ParseLimits(args.mid(1), &count, &seconds) ||
        seconds <= 0)
        return ovtoolUsageError(recordCommand);
    if (ProfileLock::HeldByAnother()) {
        ovtoolError("Orvanta is running with this profile; record there, or quit it first");
        return 1;
    }
    QString error;
    std::unique_ptr<CDataConnection> connection = MakeConnectionFromArgument(args.first(), &error);
    if (!connection) {
        ovtoolError(error);
        return 2;
    }
    CTrackManager& manager = loadTracks();
    // A replayed file is recorded as a track of its own, kept when it ends.
    CNMEASimulation::start_simulation_track = nullptr;
    CNMEASimulation::end_simulation_track = nullptr;
    CTrackManager::doRecordTrack = true;  // for this run only, not saved
    manager.StartNewTrack();
    COverlayTrack* track = manager.tracks.back().get();
    const int status = RunConnection(
        *connection, seconds, [](void*) { return false; }, nullptr);
    connection.reset();
    CTrackManager::doRecordTrack = false;
    const bool kept = !track->isTrivial();
    if (!kept) manager.DeleteTrack(track);
    if (!manager.SaveIfNeeded()) {
        ovtoolError("could not write " + QString::fromStdString(CTrackManager::FilePath()));
        return 1;
    }
    if (!kept) {
        ovtoolError("no track: fewer than two points were recorded");
        return status ? status : 1;
    }
    // One line, after the connection's status lines.
    ovtoolPrint(
        QString::fromUtf8(QJsonDocument(trackJson(*track, true)).toJson(QJsonDocument::Compact)));
    return status;
}

}  // namespace
