// ovtool ais targets FILE [--own LAT,LON,COG,SOG] [--at SECONDS] [--json]:
// replays a log through the sentence layer into the AIS target manager and
// prints every target at the end of the log, or SECONDS into it: MMSI,
// class, name, position, range, bearing, CPA, TCPA and alarm state.
//
// The log's clock is its own: the time of its latest position fix, or the
// receive time some recorders append after the checksum (",1272412827").
// Targets expire on that clock every two minutes, as in the program. The
// own vessel is the log's own position, or the fixed one --own gives
// (degrees, degrees true, knots). Settings go to a temporary folder.
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "data/aistargetmanager.h"
#include "data/overlaygpsposition.h"
#include "nmea/nmeasentence.h"
#include "ovtoolcommand.h"

namespace {

constexpr double kExpiryPeriod = CAISTargetManager::kExpiryTicks / 10.0;  // seconds

struct Options {
    QString file;
    bool json = false;
    bool own = false;
    double ownValues[4] = {0, 0, 0, 0};  // lat, lon, course, speed
    double at = -1;
};

// Makes the data sources' clock read `when`.
void setClock(double when) {
    CDataSource::timestamp_correction = when - double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    if (CDataSource* heartbeat = Listener<CHeartbeat>::pDatasource) heartbeat->ClearTimestamp();
}

// The receive time after the checksum ("*hh,1272412827"), or 0.
double appendedTime(const std::string& line) {
    const size_t star = line.rfind('*');
    if (star == std::string::npos || star + 4 >= line.size() || line[star + 3] != ',') return 0;
    const double t = std::strtod(line.c_str() + star + 4, nullptr);
    return t > 1e8 && t < 1e10 ? t : 0;
}

void setOwn(const Options& o) {
    CDataGPSPosition own;
    own.latitude = o.ownValues[0];
    own.longitude = o.ownValues[1];
    own.course = float(o.ownValues[2]);
    own.speed = float(o.ownValues[3]);
    own.fix_status = CDataGPSPosition::kManual;
    CAISTargetManager::theManager.OnUpdate(own);
}

QJsonObject describe(const CAISTarget& t) {
    QJsonObject o;
    o["mmsi"] = double(t.mmsi);
    o["class"] = t.class_text ? t.class_text : "";
    o["name"] = QString::fromStdString(t.name);
    o["status"] = t.nav_status_text ? t.nav_status_text : "";
    if (t.HasFix()) {
        o["latitude"] = std::round(t.latitude * 1e6) / 1e6;
        o["longitude"] = std::round(t.longitude * 1e6) / 1e6;
        o["speed"] = std::round(double(t.speed) * 10) / 10;
        o["course"] =
            t.course < 360 ? QJsonValue(std::round(double(t.course) * 10) / 10) : QJsonValue();
    }
    const bool measured = CAISTargetManager::theManager.hasOwnPosition() && t.HasFix();
    o["range"] = measured ? QJsonValue(std::round(double(t.range))) : QJsonValue();
    o["bearing"] = measured ? QJsonValue(std::round(double(t.bearing) * 10) / 10) : QJsonValue();
    const bool approach = measured && t.tcpa > 0;
    o["cpa"] = approach ? QJsonValue(std::round(double(t.cpa))) : QJsonValue();
    o["tcpa"] = approach ? QJsonValue(std::round(double(t.tcpa))) : QJsonValue();
    o["alarm"] = t.alarm;
    o["threat"] = measured && t.isCollisionThreat();
    o["age"] = std::round(CHeartbeat::Timestamp() - t.time);
    return o;
}

std::string number(const QJsonValue& v, int digits) {
    if (v.isNull() || v.isUndefined()) return "---";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", digits, v.toDouble());
    return text;
}

void printTable(bool json) {
    if (!json)
        std::printf("%-9s  %-29s  %-20s  %10s  %11s  %7s  %6s  %7s  %6s  %s\n", "MMSI", "CLASS",
                    "NAME", "LAT", "LON", "RANGE", "BRG", "CPA", "TCPA", "ALARM");
    for (const auto& [mmsi, t] : CAISTargetManager::theManager.targets) {
        if (!t.class_text) continue;
        const QJsonObject o = describe(t);
        if (json) {
            std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
            continue;
        }
        std::printf("%-9u  %-29s  %-20.20s  %10s  %11s  %7s  %6s  %7s  %6s  %s\n", t.mmsi,
                    t.class_text, t.name.c_str(), number(o["latitude"], 5).c_str(),
                    number(o["longitude"], 5).c_str(), number(o["range"], 0).c_str(),
                    number(o["bearing"], 1).c_str(), number(o["cpa"], 0).c_str(),
                    number(o["tcpa"], 0).c_str(),
                    t.alarm ? "ALARM" : (o["threat"].toBool() ? "near" : ""));
    }
}

bool parseOptions(const QStringList& args, Options& o) {
    if (args.size() < 2 || args[0] != "targets") return false;
    o.file = args[1];
    for (int i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--json") {
            o.json = true;
            continue;
        }
        if (i + 1 >= args.size()) return false;
        const QString value = args[++i];
        bool ok = true;
        if (a == "--at") {
            o.at = value.toDouble(&ok);
            ok = ok && o.at >= 0;
        } else if (a == "--own") {
            const QStringList parts = value.split(',');
            ok = parts.size() == 4;
            for (int k = 0; ok && k < 4; ++k) o.ownValues[k] = parts[k].toDouble(&ok);
            ok = ok && std::abs(o.ownValues[0]) <= 90 && std::abs(o.ownValues[1]) <= 180;
            o.own = ok;
        } else {
            ok = false;
        }
        if (!ok) return false;
    }
    return true;
}

// Replays the log; returns false when it cannot be read.
bool replay(const Options& o) {
    QFile in(o.file);
    if (!in.open(QIODevice::ReadOnly)) return false;
    CAISTargetManager& manager = CAISTargetManager::theManager;
    const COverlayGPSPosition& position = COverlayGPSPosition::theLatestPosition;
    double start = 0, now = 0, nextExpiry = 0;
    auto advance = [&](double when) {
        if (start == 0) {
            start = when;
            nextExpiry = when + kExpiryPeriod;
        }
        // The expiry checks the program would have run on the way.
        for (; nextExpiry <= when; nextExpiry += kExpiryPeriod) {
            setClock(nextExpiry);
            manager.OnHeartbeat();
        }
        now = when;
        setClock(now);
    };
    std::vector<char> buffer;
    while (!in.atEnd()) {
        const std::string line = in.readLine().trimmed().toStdString();
        if (line.empty() || line[0] == '#') continue;
        double when = appendedTime(line);
        if (when == 0 && !o.own && position.time > 0) when = position.time;
        if (when > 0 && when != now) {
            if (o.at >= 0 && start > 0 && when > start + o.at) break;
            advance(when);
        }
        if (o.own) setOwn(o);
        buffer.assign(line.begin(), line.end());
        buffer.push_back(0);
        CNMEASentence::DispatchSentence(buffer.data(), nullptr);
    }
    if (start > 0) advance(o.at >= 0 ? start + o.at : now);
    if (o.own) setOwn(o);
    manager.RecomputeAll();
    return true;
}

int runAis(const QStringList& args);
const OvtoolCommand aisCommand(
    "ais", "targets FILE [--own LAT,LON,COG,SOG] [--at SECONDS] [--json]",
    "replay a log through the AIS target manager and list the targets with CPA and TCPA", runAis);

int runAis(const QStringList& args) {
    Options options;
    if (!parseOptions(args, options)) return ovtoolUsageError(aisCommand);
    QTemporaryDir settings;
    // Nothing of the replay (a man-overboard mark, target tracks) reaches the
    // user's files: the program's folders are the temporary one's.
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, settings.path().toUtf8());
    PersistantData::SetFolders(settings.path().toStdString(), settings.path().toStdString());
    const bool ok = replay(options);
    if (ok) printTable(options.json);
    PersistantData::SetFolders("", "");
    if (!ok) {
        ovtoolError("cannot read " + options.file);
        return 1;
    }
    return 0;
}

}  // namespace
