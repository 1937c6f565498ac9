// The simulation file connection (one fix a second, start over at the end)
// and the location service fed by Qt's nmea plugin replaying a file.
#include <gtest/gtest.h>

#include <QGeoPositionInfoSource>

#include "app/base/filedialogs.h"
#include "data/overlaygpsposition.h"
#include "data/owngpstestsupport.h"
#include "nmea/connectiontestsupport.h"
#include "nmea/locationserviceconnection.h"
#include "nmea/nmea_gps.h"
#include "nmea/nmeasimulation.h"

namespace {

using nmeatest::Recorder;

using Positions = Recorder<CDataGPSPosition>;

// RMC and GGA pairs, one a second, with a GSV between.
QByteArray recording(int fixes) {
    QByteArray out = "# recorded on a test bench\r\n";
    for (int i = 0; i < fixes; ++i) {
        char rmc[120], gga[120];
        std::snprintf(rmc, sizeof rmc,
                      "$GPRMC,1200%02d.00,A,5130.%04d,N,00007.5000,W,5.0,0.0,060624,,,A", i,
                      i * 10);
        std::snprintf(gga, sizeof gga,
                      "$GPGGA,1200%02d.00,5130.%04d,N,00007.5000,W,1,08,0.9,45.0,M,47.0,M,,", i,
                      i * 10);
        out += QByteArray::fromStdString(nmeatest::withChecksum(rmc)) + "\r\n";
        out += QByteArray::fromStdString(nmeatest::withChecksum(gga)) + "\r\n";
        out += QByteArray::fromStdString(nmeatest::withChecksum("$GPGSV,1,1,01,05,50,050,34")) +
               "\r\n";
    }
    return out;
}

class Simulation : public ::testing::Test {
protected:
    // Other tests of this program leave talker preferences behind.
    void SetUp() override { owngps::resetOwnPosition(); }
    void TearDown() override { setFileDialogPresenter({}); }
    testsupport::TempDir dir;
};

TEST_F(Simulation, PlaysOneFixASecondAndStartsOver) {
    ASSERT_TRUE(testsupport::writeFile(dir.file("track.txt"), recording(3)));
    ASSERT_TRUE(CNMEASimulation::Setup(dir.file("track.txt").toStdString()));
    CNMEASimulation sim;
    ASSERT_TRUE(sim.Open());
    EXPECT_FALSE(sim.inactive);
    Positions positions;
    sim.OnHeartbeat();
    EXPECT_EQ(positions.count, 1);
    EXPECT_EQ(positions.last->fix_status, CDataGPSPosition::kSimulated);
    EXPECT_NEAR(COverlayGPSPosition::theLatestPosition.latitude, 51.5, 1e-9);
    sim.OnHeartbeat();
    sim.OnHeartbeat();
    EXPECT_EQ(positions.count, 3);
    EXPECT_EQ(sim.rewinds, 0);
    sim.OnHeartbeat();  // the end: start over and play the first fix again
    EXPECT_EQ(sim.rewinds, 1);
    EXPECT_EQ(positions.count, 4);
    EXPECT_NEAR(COverlayGPSPosition::theLatestPosition.latitude, 51.5, 1e-9);
}

// Each start over replaces the simulation track: a file without positions
// would replace it thirty times a second.
TEST_F(Simulation, AFileWithoutPositionsStopsInsteadOfStartingOver) {
    static int tracks;
    CNMEASimulation::start_simulation_track = [] { ++tracks; };
    const QByteArray gsv =
        QByteArray::fromStdString(nmeatest::withChecksum("$GPGSV,1,1,01,05,50,050,34")) + "\r\n";
    for (const QByteArray& text : {QByteArray(), gsv, gsv.repeated(40)}) {
        SCOPED_TRACE(text.size());
        tracks = 0;
        ASSERT_TRUE(testsupport::writeFile(dir.file("none.txt"), text));
        CNMEASimulation::Setup(dir.file("none.txt").toStdString());
        CNMEASimulation sim;
        ASSERT_TRUE(sim.Open());
        for (int step = 0; step < 3; ++step) sim.OnHeartbeat();
        EXPECT_EQ(sim.rewinds, 0);
        EXPECT_EQ(tracks, 1);  // the one Open started
        EXPECT_FALSE(sim.isPlaying());
        EXPECT_EQ(sim.status, "No position in the simulation file");
    }
    // A file with a position starts over once a step at most.
    ASSERT_TRUE(testsupport::writeFile(dir.file("one.txt"), recording(1)));
    CNMEASimulation::Setup(dir.file("one.txt").toStdString());
    CNMEASimulation sim;
    Positions positions;
    ASSERT_TRUE(sim.Open());
    for (int step = 0; step < 5; ++step) sim.OnHeartbeat();
    EXPECT_EQ(positions.count, 5);
    EXPECT_EQ(sim.rewinds, 4);
    EXPECT_TRUE(sim.isPlaying());
    CNMEASimulation::start_simulation_track = nullptr;
}

TEST_F(Simulation, SentencesAreCutAtTwoHundredCharacters) {
    const std::string longLine = "$GPTXT," + std::string(243, 'A');
    ASSERT_TRUE(testsupport::writeFile(dir.file("long.txt"),
                                       QByteArray::fromStdString("junk " + longLine + "$GPX,1\n")));
    CNMEASimulation::Setup(dir.file("long.txt").toStdString());
    CNMEASimulation sim;
    ASSERT_TRUE(sim.Open());
    char line[CNMEASimulation::kSentenceLength + 1];
    ASSERT_TRUE(sim.ReadSentence(line));
    EXPECT_EQ(std::string(line), longLine.substr(0, 200));
    ASSERT_TRUE(sim.ReadSentence(line));
    EXPECT_STREQ(line, "$GPX,1");
    EXPECT_FALSE(sim.ReadSentence(line));
}

TEST_F(Simulation, MissingFilesAreReported) {
    CNMEASimulation sim;
    EXPECT_FALSE(CNMEASimulation::Setup(dir.file("none.txt").toStdString()));
    EXPECT_FALSE(sim.Open());
    EXPECT_EQ(sim.status, "Simulation file error");
    // A chosen file that does not exist is kept but reported as unusable.
    const std::string chosen = dir.file("gone.txt").toStdString();
    setFileDialogPresenter([&](OV_HWND, FileDialogKind kind, const std::string& mime,
                               const std::string& extension, auto done) {
        EXPECT_EQ(kind, FileDialogKind::Import);
        EXPECT_EQ(mime, "text/plain");
        EXPECT_EQ(extension, ".txt");
        done(chosen);
    });
    bool result = true;
    sim.Configure(nullptr, [&](bool ok) { result = ok; });
    EXPECT_FALSE(result);
    EXPECT_EQ(CNMEASimulation::filename, chosen);
}

TEST(LocationService, FollowsQtsNmeaPluginReplayingAFile) {
    if (!QGeoPositionInfoSource::availableSources().contains("nmea"))
        GTEST_SKIP() << "Qt's nmea positioning plugin is not installed";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeFile(dir.file("replay.nmea"), recording(20)));
    CLocationServiceConnection::plugin = "nmea";
    CLocationServiceConnection::plugin_parameters = {
        {"nmea.source", "file://" + dir.file("replay.nmea")}};
    CLocationServiceConnection::with_satellites = false;
    owngps::resetOwnPosition();
    CLocationServiceConnection connection;
    Positions positions;
    ASSERT_TRUE(connection.Open()) << connection.status;
    ASSERT_TRUE(conntest::pumpUntil([&] { return positions.count >= 3; }, 10000))
        << positions.count;
    EXPECT_FALSE(connection.inactive);
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    EXPECT_EQ(p.fix_status, CDataGPSPosition::kGPSFix);
    EXPECT_NEAR(p.latitude, 51.5, 0.01);
    EXPECT_NEAR(p.speed, 5.0, 0.01);
    EXPECT_NEAR(p.altitude, 45.0, 0.5);
    connection.Close();
    CLocationServiceConnection::plugin.clear();
    CLocationServiceConnection::plugin_parameters.clear();
    CLocationServiceConnection::with_satellites = true;

    CLocationServiceConnection broken;
    CLocationServiceConnection::plugin = "no-such-plugin";
    EXPECT_FALSE(broken.Open());
    EXPECT_EQ(broken.status, "Unable to connect to position info source");
    CLocationServiceConnection::plugin.clear();
}

TEST(LocationService, ErrorsBecomeStatusTexts) {
    CLocationServiceConnection connection;
    connection.errorOccurred(QGeoPositionInfoSource::AccessError);
    EXPECT_EQ(connection.status, "Cannot access position info due to Location Permission settings");
    connection.errorOccurred(QGeoPositionInfoSource::UpdateTimeoutError);
    EXPECT_EQ(connection.status, "The location service is unable to provide regular updates");
    connection.errorOccurred(QGeoPositionInfoSource::NoError);
    EXPECT_TRUE(connection.status.empty());
}

}  // namespace
