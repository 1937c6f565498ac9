// ovtool ais targets: a log of own fixes and AIS traffic replayed on its own
// clock, the targets listed at its end or some seconds into it, with --own
// for logs without own fixes.
#include <gtest/gtest.h>

#include <QJsonObject>
#include <cmath>

#include "aistestsupport.h"

using namespace aistest;

namespace {

// "$GPRMC" for the own vessel at second s of 2026-07-18 09:00 UTC.
std::string rmc(int s, double lat, double lon, double sog, double cog) {
    char body[160];
    const double alat = std::abs(lat), alon = std::abs(lon);
    std::snprintf(body, sizeof body,
                  "$GPRMC,09%02d%02d.00,A,%02d%07.4f,%c,%03d%07.4f,%c,%.1f,%.1f,180726,,,A", s / 60,
                  s % 60, int(alat), (alat - int(alat)) * 60, lat < 0 ? 'S' : 'N', int(alon),
                  (alon - int(alon)) * 60, lon < 0 ? 'W' : 'E', sog, cog);
    return nmeatest::withChecksum(body);
}

// Ten minutes: the own vessel stopped; a vessel 2 nm north coming straight
// at it at 10 kn until second 300, then silent; a yacht heard only at first.
QByteArray voyage() {
    QByteArray log;
    const CSimpleGrid grid(kOwnLat, kOwnLon);
    for (int s = 0; s < 600; ++s) {
        log += QByteArray::fromStdString(rmc(s, kOwnLat, kOwnLon, 0, 0)) + "\r\n";
        if (s % 10 == 0 && s <= 300) {
            AisPositionReport r = at(235001001, 0, 3704 - 5.144445 * s, 180, 10);
            for (const std::string& l : AisEncoder::classA(r).sentences())
                log += QByteArray::fromStdString(l) + "\r\n";
        }
        if (s == 5)
            for (const std::string& l :
                 AisEncoder::classB(at(235001002, 800, 0, 90, 4)).sentences())
                log += QByteArray::fromStdString(l) + "\r\n";
    }
    return log;
}

QJsonObject row(const QList<QJsonObject>& rows, double mmsi) {
    for (const QJsonObject& o : rows)
        if (o["mmsi"].toDouble() == mmsi) return o;
    return {};
}

TEST(AisCommand, TargetsAtTimesIntoTheLog) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeFile(dir.file("voyage.nmea"), voyage()));
    struct Case {
        const char* name;
        QStringList extra;
        bool ferryListed;
        const char* status;
        double range, tcpa;  // -1: none
        bool alarm;
        bool yachtListed;
    } cases[] = {
        // At 100 s: 3704 - 514 = 3190 m off, 620 s to go.
        {"100 s in", {"--at", "100"}, true, "Under way using engine", 3190, 620, true, true},
        // At 300 s: 2161 m, 420 s to go.
        {"300 s in", {"--at", "300"}, true, "Under way using engine", 2161, 420, true, true},
        // Checks every 120 s from the first fix: at the last (480 s) the vessel, silent
        // since 300 s, is still heard; the yacht, silent since 5 s, is lost.
        {"the end", {}, true, "Under way using engine", 2161, 420, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args{"ais", "targets", dir.file("voyage.nmea"), "--json"};
        args += c.extra;
        const auto r = testsupport::runOvtool(args, dir.path());
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QList<QJsonObject> rows = nmeatest::jsonLines(r.out);
        const QJsonObject ferry = row(rows, 235001001);
        ASSERT_EQ(!ferry.isEmpty(), c.ferryListed) << r.out.constData();
        EXPECT_EQ(ferry["status"].toString(), c.status);
        EXPECT_NEAR(ferry["range"].toDouble(), c.range, 3);
        EXPECT_NEAR(ferry["tcpa"].toDouble(), c.tcpa, 2);
        EXPECT_EQ(ferry["alarm"].toBool(), c.alarm);
        EXPECT_EQ(ferry["class"].toString(), "Class A");
        const QJsonObject yacht = row(rows, 235001002);
        ASSERT_FALSE(yacht.isEmpty());
        EXPECT_EQ(yacht["status"].toString() == "Lost contact", !c.yachtListed);
    }
}

TEST(AisCommand, FixedOwnVesselAndReceiveTimes) {
    testsupport::TempDir dir;
    // Receive times after the checksum: heard at 1e9, then the ship alone at 1e9 + 750,
    // after the check at 720 s removed both.
    QByteArray log;
    for (const std::string& l : AisEncoder::classA(at(235001101, 0, 1852, 180, 6)).sentences())
        log += QByteArray::fromStdString(l) + ",1000000000\n";
    for (const std::string& l : AisEncoder::classB(at(235001102, 0, 900, 0, 0)).sentences())
        log += QByteArray::fromStdString(l) + ",1000000000\n";
    for (const std::string& l : AisEncoder::classA(at(235001101, 0, 1000, 180, 6)).sentences())
        log += QByteArray::fromStdString(l) + ",1000000750\n";
    ASSERT_TRUE(testsupport::writeFile(dir.file("ais.txt"), log));
    const QString own = QString("%1,%2,0,6").arg(kOwnLat).arg(kOwnLon);
    const auto r = testsupport::runOvtool(
        {"ais", "targets", dir.file("ais.txt"), "--own", own, "--json"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QJsonObject> rows = nmeatest::jsonLines(r.out);
    // Closing at 12 kn (6.1733 m/s) over 1000 m: 162 s.
    const QJsonObject ship = row(rows, 235001101);
    EXPECT_NEAR(ship["tcpa"].toDouble(), 162, 2);
    EXPECT_TRUE(ship["alarm"].toBool());
    // The still class B, silent for 750 s, is gone.
    EXPECT_TRUE(row(rows, 235001102).isEmpty()) << r.out.constData();

    const auto table = testsupport::runOvtool({"ais", "targets", dir.file("ais.txt")}, dir.path());
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_TRUE(table.out.contains("235001101")) << table.out.constData();
    for (const QStringList& bad :
         {QStringList{"ais", "targets"},
          QStringList{"ais", "targets", dir.file("ais.txt"), "--own", "1,2"},
          QStringList{"ais", "targets", dir.file("ais.txt"), "--at", "-5"}})
        EXPECT_EQ(testsupport::runOvtool(bad, dir.path()).exitCode, 2)
            << bad.join(' ').toStdString();
    EXPECT_EQ(testsupport::runOvtool({"ais", "targets", dir.file("none.txt")}, dir.path()).exitCode,
              1);
}

}  // namespace
