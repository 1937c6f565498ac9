// ovtool ais targets: a log replayed on its receive times, the targets listed
// at its end, with --own for logs without own fixes.
#include <gtest/gtest.h>

#include <QJsonObject>

#include "aistestsupport.h"

using namespace aistest;

namespace {

QJsonObject row(const QList<QJsonObject>& rows, double mmsi) {
    for (const QJsonObject& o : rows)
        if (o["mmsi"].toDouble() == mmsi) return o;
    return {};
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
