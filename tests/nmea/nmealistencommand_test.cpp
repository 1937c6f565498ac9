// ovtool nmea listen and nmea record on real inputs: a replayed file, a
// socat pty opened by an unprivileged user who may only read it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include "nmea/connectiontestsupport.h"

namespace {

using testsupport::runOvtool;

QList<QJsonObject> jsonLines(const QByteArray& out) {
    QList<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n'))
        if (!line.trimmed().isEmpty()) objects.push_back(QJsonDocument::fromJson(line).object());
    return objects;
}

QString corpusLog(const char* name) {
    return testsupport::sharedDir() + "/corpora/nmea/" + name;
}

TEST(NmeaListenCommand, FollowsAReplayedFileOneFixASecond) {
    const QString log = corpusLog("garmin-geko201.log");
    if (!QFile::exists(log)) GTEST_SKIP() << "no corpus";
    testsupport::TempDir home;
    const auto r = runOvtool({"nmea", "listen", "file:" + log, "--count", "2"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QJsonObject> out = jsonLines(r.out);
    ASSERT_EQ(out.size(), 3) << r.out.constData();
    EXPECT_TRUE(out[0]["opened"].toBool());
    const QJsonObject first = out[1]["position"].toObject();
    // $GPRMC,214350,A,4023.8600,N,00339.1630,W,10.8,0.0,140605,...
    EXPECT_NEAR(first["latitude"].toDouble(), 40 + 23.86 / 60, 1e-7);
    EXPECT_NEAR(first["longitude"].toDouble(), -(3 + 39.163 / 60), 1e-7);
    EXPECT_EQ(first["fix_status"].toInt(), 3);  // simulated
    EXPECT_NEAR(first["speed"].toDouble(), 10.8, 1e-6);
    EXPECT_GT(out[2]["position"].toObject()["time"].toDouble(), first["time"].toDouble());
}

TEST(NmeaListenCommand, RefusesUnknownInputs) {
    testsupport::TempDir home;
    EXPECT_EQ(runOvtool({"nmea", "listen", "carrier-pigeon:7"}, home.path()).exitCode, 2);
    EXPECT_EQ(runOvtool({"nmea", "listen", "tcp:localhost"}, home.path()).exitCode, 2);
    const auto missing = runOvtool({"nmea", "listen", "serial:/nonexistent/tty"}, home.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.contains("Open serial port /nonexistent/tty, Failed"));
}

TEST(NmeaRecordCommand, RecordsAnInputForReplay) {
    const QString log = corpusLog("garmin-geko201.log");
    if (!QFile::exists(log)) GTEST_SKIP() << "no corpus";
    testsupport::TempDir home;
    const QString out = home.file("recorded.txt");
    const auto r = runOvtool({"nmea", "record", "file:" + log, out, "--count", "6"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = testsupport::readFile(out).split('\n');
    ASSERT_GE(lines.size(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(lines[i].startsWith('$')) << lines[i].constData();
        EXPECT_TRUE(lines[i].endsWith('\r'));
    }
    // What was recorded plays back.
    const auto replay = runOvtool({"nmea", "listen", "file:" + out, "--count", "1"}, home.path());
    EXPECT_EQ(replay.exitCode, 0);
    EXPECT_TRUE(replay.out.contains("\"latitude\":40.39766"));
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
                    "nmea", "listen", "serial:" + pty.b, "--count", "2", "--seconds", "20"});
    ASSERT_TRUE(listener.waitForStarted());
    QByteArray out;
    conntest::pumpUntil(
        [&] {
            out += listener.readAllStandardOutput();
            return out.contains("read-only");
        },
        10000, false);
    for (int i = 0; i < 20 && listener.state() != QProcess::NotRunning; ++i) {
        pty.send(conntest::rmcLines(1));
        listener.waitForFinished(300);
    }
    out += listener.readAllStandardOutput();
    EXPECT_TRUE(out.contains("Opened " + pty.b.toUtf8() + " read-only")) << out.constData();
    EXPECT_GE(out.count("\"position\""), 2) << out.constData();
}

}  // namespace
