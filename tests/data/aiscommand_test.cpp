// ovtool ais targets: a log replayed on its own clock, the targets listed at
// its end or some seconds into it, with --own for logs without own fixes.
#include <gtest/gtest.h>

#include <QJsonObject>
#include <cmath>

#include "aistestsupport.h"

using namespace aistest;

namespace {

// "$GPRMC" for the own vessel, stopped, at second s of 2026-07-18 09:00 UTC.
std::string rmc(int s) {
    char body[160];
    const double west = -kOwnLon;
    std::snprintf(body, sizeof body,
                  "$GPRMC,09%02d%02d.00,A,%02d%07.4f,N,%03d%07.4f,W,0,0,180726,,,A", s / 60, s % 60,
                  int(kOwnLat), (kOwnLat - int(kOwnLat)) * 60, int(west), (west - int(west)) * 60);
    return nmeatest::withChecksum(body);
}

// Ten minutes: the own vessel stopped; a vessel 2 nm north coming straight
// at it at 10 kn until second 300, then silent; a yacht heard only at first.
QByteArray voyage() {
    QByteArray log;
    auto add = [&](const std::vector<std::string>& lines) {
        for (const std::string& l : lines) log += QByteArray::fromStdString(l) + "\r\n";
    };
    for (int s = 0; s < 600; ++s) {
        add({rmc(s)});
        if (s % 10 == 0 && s <= 300)
            add(AisEncoder::classA(at(235001001, 0, 3704 - 5.144445 * s, 180, 10)).sentences());
        if (s == 5) add(AisEncoder::classB(at(235001002, 800, 0, 90, 4)).sentences());
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
    const struct {
        const char* name;
        QStringList extra;
        double range, tcpa;
        bool yachtLost;
    } cases[] = {
        // At 100 s: 3704 - 514 = 3190 m off, 620 s to go.
        {"100 s in", {"--at", "100"}, 3190, 620, false},
        // Checks every 120 s from the first fix: at the last (480 s) the vessel, silent
        // since 300 s, is still heard where it was last (2161 m, 420 s to go); the
        // yacht, silent since 5 s, is lost.
        {"the end", {}, 2161, 420, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args{"ais", "targets", dir.file("voyage.nmea"), "--json"};
        args += c.extra;
        const auto r = testsupport::runOvtool(args, dir.path());
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QList<QJsonObject> rows = nmeatest::jsonLines(r.out);
        const QJsonObject ferry = row(rows, 235001001);
        ASSERT_FALSE(ferry.isEmpty()) << r.out.constData();
        EXPECT_EQ(ferry["status"].toString(), "Under way using engine");
        EXPECT_NEAR(ferry["range"].toDouble(), c.range, 3);
        EXPECT_NEAR(ferry["tcpa"].toDouble(), c.tcpa, 2);
        EXPECT_TRUE(ferry["alarm"].toBool());
        EXPECT_EQ(ferry["class"].toString(), "Class A");
        const QJsonObject yacht = row(rows, 235001002);
        ASSERT_FALSE(yacht.isEmpty());
        EXPECT_EQ(yacht["status"].toString() == "Lost contact", c.yachtLost);
    }
}

TEST(AisCommand, FixedOwnVesselAndReceiveTimes) {
    testsupport::TempDir dir;
    // Receive times after the checksum: heard at 1e9, then the ship alone at 1e9 + 750,
    // after the check at 720 s removed both.
    QByteArray log;
    auto add = [&](const AisPayload& payload, const char* received) {
        for (const std::string& l : payload.sentences())
            log += QByteArray::fromStdString(l) + received;
    };
    add(AisEncoder::classA(at(235001101, 0, 1852, 180, 6)), ",1000000000\n");
    add(AisEncoder::classB(at(235001102, 0, 900, 0, 0)), ",1000000000\n");
    add(AisEncoder::classA(at(235001101, 0, 1000, 180, 6)), ",1000000750\n");
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
