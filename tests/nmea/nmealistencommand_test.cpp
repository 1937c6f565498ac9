// ovtool nmea listen and nmea record on real inputs: a replayed file, a
// socat pty opened by an unprivileged user who may only read it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStandardPaths>

#include "nmea/connectiontestsupport.h"

namespace {

using nmeatest::jsonLines;
using testsupport::runOvtool;

// What record takes from an input, listen plays back one fix a second.
TEST(NmeaRecordCommand, RecordsAnInputThatListenPlaysBack) {
    testsupport::TempDir home;
    const QString log = testsupport::sharedDir() + "/corpora/nmea/garmin-geko201.log";
    const QString recorded = home.file("recorded.txt");
    const auto r =
        runOvtool({"nmea", "record", "file:" + log, recorded, "--count", "14"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = testsupport::readFile(recorded).split('\n');
    ASSERT_GE(lines.size(), 14);
    for (int i = 0; i < 14; ++i)
        EXPECT_TRUE(lines[i].startsWith('$') && lines[i].endsWith('\r')) << lines[i].constData();

    const auto replay =
        runOvtool({"nmea", "listen", "file:" + recorded, "--count", "2"}, home.path());
    ASSERT_EQ(replay.exitCode, 0) << replay.err.constData();
    const QList<QJsonObject> out = jsonLines(replay.out);
    ASSERT_EQ(out.size(), 3) << replay.out.constData();
    EXPECT_TRUE(out[0]["opened"].toBool());
    const QJsonObject first = out[1]["position"].toObject();
    // $GPRMC,214350,V,4023.8600,N,00339.1630,W,10.8,0.0,140605,2.5,W,S (simulator: valid)
    EXPECT_NEAR(first["latitude"].toDouble(), 40 + 23.86 / 60, 1e-7);
    EXPECT_EQ(first["fix_status"].toInt(), 3);  // simulated
    EXPECT_NEAR(out[2]["position"].toObject()["latitude"].toDouble(), 40 + 23.866 / 60, 1e-7);
}

// Read-write access refused, read-only granted: the connection still
// delivers and says so. Needs root to run the listener as another user.
TEST(NmeaListenCommand, SerialDeviceOpenedReadOnlyStillDelivers) {
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "needs root and setpriv to drop privileges";
    testsupport::TempDir dir;
    ::chmod(dir.path().toUtf8().constData(), 0755);
    conntest::PtyPair pty(dir.path());
    if (!pty.ready()) GTEST_SKIP() << "socat could not make a pty pair";
    const QByteArray device = QFileInfo(pty.b).canonicalFilePath().toUtf8();
    ASSERT_EQ(::chown(device.constData(), 0, 0), 0);
    ASSERT_EQ(::chmod(device.constData(), 0644), 0);  // others may read only
    const QString home = dir.file("home");
    QDir().mkpath(home);
    ::chmod(home.toUtf8().constData(), 0777);

    QProcess listener;
    listener.setProcessEnvironment(testsupport::isolatedEnvironment(home));
    listener.start("setpriv",
                   {"--reuid=65534", "--regid=65534", "--clear-groups", testsupport::ovtoolBin(),
                    "nmea", "listen", "serial:" + pty.b, "--count", "2", "--seconds", "60"});
    ASSERT_TRUE(listener.waitForStarted());
    // A line now and then until it has taken two, or a generous deadline.
    QElapsedTimer clock;
    clock.start();
    while (listener.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        pty.send(conntest::rmcLines(1));
        listener.waitForFinished(300);
    }
    const QByteArray out = listener.readAllStandardOutput();
    EXPECT_TRUE(out.contains("Opened " + pty.b.toUtf8() + " read-only")) << out.constData();
    EXPECT_GE(out.count("\"position\""), 2) << out.constData();
}

}  // namespace
