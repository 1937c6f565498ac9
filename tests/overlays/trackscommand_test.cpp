// ovtool tracks: a track recorded from a replayed file into a profile,
// listed with its statistics, and the refusal to record while the program
// holds the profile.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "nmea/nmeatestsupport.h"
#include "overlays/gototestsupport.h"
#include "support/testsupport.h"

namespace {

using namespace testsupport;

TEST(TracksCommand, RecordsAReplayedFileAndListsItsStatistics) {
    TempDir home;
    // A fix every 30 s of recorded time, 100 m further north each time;
    // the file plays at one fix a second.
    gototest::MarkField field(50.0, -1.0);
    QByteArray log;
    for (int i = 0; i < 40; ++i)
        log += QByteArray::fromStdString(
                   nmeatest::withChecksum(field.rmc(0, 100.0 * i, 30 * i, "A", 0, 6.5))) +
               "\r\n";
    const QString path = home.path() + "/voyage.txt";
    ASSERT_TRUE(writeFile(path, log));

    const ProcessResult r = runOvtool(
        {"tracks", "record", "file:" + path, "--seconds", "6", "--profile", "sea"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    // The track is the last line, after the connection's status.
    const QJsonObject recorded =
        QJsonDocument::fromJson(r.out.trimmed().split('\n').last()).object();
    const int points = recorded["points"].toInt();
    ASSERT_GE(points, 3);
    EXPECT_EQ(recorded["name"], "T1");

    const ProcessResult stats = runOvtool({"tracks", "stats", "--profile", "sea"}, home.path());
    ASSERT_EQ(stats.exitCode, 0) << stats.err.constData();
    const QJsonArray tracks = QJsonDocument::fromJson(stats.out).array();
    ASSERT_EQ(tracks.size(), 1);
    const QJsonObject t = tracks[0].toObject();
    EXPECT_TRUE(t["points"] == points && t["ovid"] == recorded["ovid"]);
    EXPECT_NEAR(t["distance_m"].toDouble(), 100.0 * (points - 1), 0.5 * points);
    EXPECT_NEAR(t["elapsed_time_s"].toDouble(), 30.0 * (points - 1), 1e-3);
    EXPECT_TRUE(t["ascent_m"].isNull());  // RMC carries no altitude

    // Other profiles have tracks of their own.
    EXPECT_EQ(runOvtool({"tracks", "list"}, home.path()).out.trimmed(), "[\n]");
    EXPECT_EQ(
        runOvtool({"tracks", "record", "file:" + path, "--profile", "sea"}, home.path()).exitCode,
        2);  // no --seconds
}

}  // namespace
