// Two processes share a race start over UDP on loopback: the start and the
// line set on one arrive at the other, and nothing is echoed back.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <csignal>

#include "nmea/nmeatestsupport.h"
#include "support/testsupport.h"

namespace {

using testsupport::RunningProgram;

int freeUdpPort() {
    QUdpSocket socket;
    return socket.bind(QHostAddress::LocalHost, 0) ? int(socket.localPort()) : 0;
}

QStringList raceArgs(int port, int peer) {
    return {"race", QString("udp:%1").arg(port), "--send-to", QString("127.0.0.1:%1").arg(peer)};
}

TEST(RaceStartOverUdp, TwoProcessesKeepTheStartAndLineInStep) {
    QTemporaryDir home;
    const int portA = freeUdpPort(), portB = freeUdpPort();
    ASSERT_TRUE(portA && portB && portA != portB);
    const QProcessEnvironment env = testsupport::isolatedEnvironment(home.path());

    // A waits for two changes from B.
    RunningProgram a(testsupport::ovtoolBin(),
                     raceArgs(portA, portB) + QStringList{"--count", "2", "--seconds", "120"}, env);
    ASSERT_TRUE(a.waitFor("\"opened\":true")) << a.log().constData();
    QElapsedTimer clock;
    clock.start();
    const QStringList startAndLine{"--start-in", "600", "--line", "50.771,-1.290,50.770,-1.280",
                                   "--seconds", "120"};
    RunningProgram b(testsupport::ovtoolBin(), raceArgs(portB, portA) + startAndLine, env);
    ASSERT_TRUE(a.waitFor("\"line\":{") && a.waitFor("\"timer\":{")) << a.log().constData();
    const qint64 elapsed = clock.elapsed();
    ASSERT_TRUE(a.finish());
    EXPECT_TRUE(a.exitedCleanly());
    ASSERT_TRUE(b.waitFor("\"timer\":{"));
    b.signal(SIGTERM);
    ASSERT_TRUE(b.finish());

    QJsonObject aTimer, aLine, bTimer;
    for (const QJsonObject& o : nmeatest::jsonLines(a.log())) {
        if (o.contains("timer")) aTimer = o["timer"].toObject();
        if (o.contains("line")) aLine = o["line"].toObject();
    }
    int remoteAtB = 0;
    for (const QJsonObject& o : nmeatest::jsonLines(b.log())) {
        if (o.contains("timer")) bTimer = o["timer"].toObject();
        for (const char* key : {"timer", "line"})
            if (o.contains(key) && o[key].toObject()["from"] == "remote") ++remoteAtB;
    }
    EXPECT_TRUE(aTimer["from"] == "remote" && aLine["from"] == "remote");
    EXPECT_EQ(aTimer["start"], bTimer["start"]);
    EXPECT_EQ(aTimer["period"], 5);
    EXPECT_EQ(aLine["left"].toArray().at(1).toDouble(), -1.29);
    EXPECT_EQ(aLine["right"].toArray().at(0).toDouble(), 50.77);
    EXPECT_EQ(remoteAtB, 0) << "echoed back:\n" << b.log().constData();
    EXPECT_FALSE(a.log().contains("\"from\":\"local\"")) << a.log().constData();
    // Both arrive within a few seconds of starting B, its start-up included.
    EXPECT_LT(elapsed, 10000);
}

}  // namespace
