// ovtool race udp:PORT --send-to HOST:PORT: takes part in a race start over
// UDP as the program does. It prints every change of the start timer and
// the start line as a JSON line ("from" "remote" when it came from another
// device), and with --start-in / --line sets them here after --after
// seconds, which sends them to HOST:PORT. Settings go to a temporary
// folder, never to the user's.
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "connectionargs.h"
#include "data/feedstartinfo.h"
#include "data/startdata.h"
#include "nmea/udpconnection.h"
#include "ovtoolcommand.h"

namespace {

struct RaceSession : public Listener<CDataStartTimer>, public Listener<CDataStartLine> {
    long long count = 0;  // remote changes to wait for; 0 = until the time is up
    long long remote = 0;
    double after = 0;
    double startIn = 0;
    bool setLine = false;
    double line[4] = {0, 0, 0, 0};
    double openedAt = 0;
    bool acted = false;

    static const char* from() {
        return Feed_StartInfo::theFeed_Start_to_NMEA.applying_remote ? "remote" : "local";
    }
    void counted() {
        if (Feed_StartInfo::theFeed_Start_to_NMEA.applying_remote) ++remote;
        std::fflush(stdout);
    }
    void OnUpdate(CDataStartTimer& t) override {
        std::printf("{\"timer\":{\"start\":%.0f,\"period\":%d,\"from\":\"%s\"}}\n", t.time_of_start,
                    int(t.period_minutes), from());
        counted();
    }
    void OnUpdate(CDataStartLine& l) override {
        std::printf("{\"line\":{\"left\":[%.6f,%.6f],\"right\":[%.6f,%.6f],\"from\":\"%s\"}}\n",
                    l.left_lat, l.left_lon, l.right_lat, l.right_lon, from());
        counted();
    }
    void act() {
        acted = true;
        if (setLine) {
            CDataStartLine& l = CDataStartLine::theStartLine;
            l.left_lat = line[0];
            l.left_lon = line[1];
            l.right_lat = line[2];
            l.right_lon = line[3];
            l.Changed();
        }
        if (startIn > 0) {
            CDataStartTimer& t = CDataStartTimer::theStartTime;
            t.time_of_start = std::floor(CHeartbeat::Timestamp()) + startIn;
            t.Changed();
        }
    }
};

bool step(void* context) {
    auto* s = static_cast<RaceSession*>(context);
    if (!s->acted && CHeartbeat::Timestamp() - s->openedAt >= s->after) s->act();
    return s->count > 0 && s->remote >= s->count;
}

int runRace(const QStringList& args);
const OvtoolCommand raceCommand(
    "race",
    "udp:PORT --send-to HOST:PORT [--start-in S] [--line LAT,LON,LAT,LON] [--after S] "
    "[--count N] [--seconds S]",
    "share a race start timer and line with other devices over UDP", runRace);

int runRace(const QStringList& args) {
    if (args.isEmpty() || !args.first().startsWith("udp:")) return ovtoolUsageError(raceCommand);
    RaceSession session;
    QString sendTo;
    QStringList limits;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        bool ok = true;
        if (a == "--send-to") {
            sendTo = value;
        } else if (a == "--start-in") {
            session.startIn = value.toDouble(&ok);
        } else if (a == "--after") {
            session.after = value.toDouble(&ok);
        } else if (a == "--line") {
            const QStringList parts = value.split(',');
            ok = parts.size() == 4;
            for (int k = 0; ok && k < 4; ++k) session.line[k] = parts[k].toDouble(&ok);
            session.setLine = ok;
        } else if (a == "--count" || a == "--seconds") {
            limits << a << value;
        } else {
            ok = false;
        }
        if (!ok || value.isEmpty()) return ovtoolUsageError(raceCommand);
        ++i;
    }
    double seconds = 0;
    if (sendTo.isEmpty() || !ParseLimits(limits, &session.count, &seconds))
        return ovtoolUsageError(raceCommand);

    QTemporaryDir settings;
    PersistantData::SetFolders(settings.path().toStdString(), settings.path().toStdString());
    QString error;
    std::unique_ptr<CDataConnection> connection = MakeConnectionFromArgument(args.first(), &error);
    if (!connection) {
        ovtoolError(error);
        return 2;
    }
    static_cast<CUDPConnection&>(*connection).send_to = sendTo.toStdString();
    connection->output_filter.add("A POVX");
    session.openedAt = CHeartbeat::Timestamp();
    const int status = RunConnection(*connection, seconds, step, &session);
    PersistantData::SetFolders("", "");
    return status;
}

}  // namespace
