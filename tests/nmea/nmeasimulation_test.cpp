// The simulation file connection (one fix a second, start over at the end)
// and the location service fed by Qt's nmea plugin replaying a file.
#include <gtest/gtest.h>

#include <QGeoPositionInfoSource>

#include "app/base/filedialogs.h"
#include "data/owngpstestsupport.h"
#include "nmea/connectiontestsupport.h"
#include "nmea/locationserviceconnection.h"
#include "nmea/nmeasimulation.h"

namespace {

using Positions = nmeatest::Recorder<CDataGPSPosition>;

// RMC and GGA pairs, one a second, with a GSV between.
QByteArray recording(int fixes) {
    QByteArray out = "# recorded on a test bench\r\n";
    auto add = [&](const std::string& body) {
        out += QByteArray::fromStdString(nmeatest::withChecksum(body)) + "\r\n";
    };
    for (int i = 0; i < fixes; ++i) {
        const std::string time = "1200" + std::to_string(10 + i), lat = std::to_string(10 + i);
        add("$GPRMC," + time + ",A,5130." + lat + ",N,00007.5000,W,5.0,0.0,060624,,,A");
        add("$GPGGA," + time + ",5130." + lat + ",N,00007.5000,W,1,08,0.9,45.0,M,47.0,M,,");
        add("$GPGSV,1,1,01,05,50,050,34");
    }
    return out;
}

class Simulation : public ::testing::Test {
protected:
    // Other tests of this program leave talker preferences behind.
    void SetUp() override {
        owngps::resetOwnPosition();
        tracks = 0;
        CNMEASimulation::start_simulation_track = [] { ++tracks; };
    }
    void TearDown() override {
        setFileDialogPresenter({});
        CNMEASimulation::start_simulation_track = nullptr;
    }
    // A simulation of a file holding text, opened.
    std::unique_ptr<CNMEASimulation> play(const QByteArray& text) {
        EXPECT_TRUE(testsupport::writeFile(dir.file("sim.txt"), text));
        CNMEASimulation::Setup(dir.file("sim.txt").toStdString());
        auto sim = std::make_unique<CNMEASimulation>();
        EXPECT_TRUE(sim->Open());
        return sim;
    }
    testsupport::TempDir dir;
    Positions positions;
    static inline int tracks = 0;
};

TEST_F(Simulation, PlaysOneFixASecondAndStartsOverOnceAStep) {
    auto sim = play(recording(3));
    const double lats[] = {51 + 30.10 / 60, 51 + 30.11 / 60, 51 + 30.12 / 60};
    for (int step = 0; step < 7; ++step) {
        sim->OnHeartbeat();
        EXPECT_NEAR(COverlayGPSPosition::theLatestPosition.latitude, lats[step % 3], 1e-9) << step;
    }
    // One track at the start, one at each start over.
    EXPECT_EQ(std::tuple(positions.count, positions.last->fix_status, sim->rewinds, tracks),
              std::tuple(7, CDataGPSPosition::kSimulated, 2, 3));
}

// Each start over replaces the simulation track: a file without positions
// would replace it thirty times a second.
TEST_F(Simulation, AFileWithoutPositionsStopsInsteadOfStartingOver) {
    const QByteArray gsv =
        QByteArray::fromStdString(nmeatest::withChecksum("$GPGSV,1,1,01,05,50,050,34")) + "\r\n";
    for (const QByteArray& text : {QByteArray(), gsv, gsv.repeated(40)}) {
        SCOPED_TRACE(text.size());
        tracks = 0;
        auto sim = play(text);
        for (int step = 0; step < 3; ++step) sim->OnHeartbeat();
        // No start over, only the track Open started.
        EXPECT_EQ(std::tuple(sim->rewinds, tracks, sim->isPlaying(), sim->status),
                  std::tuple(0, 1, false, std::string("No position in the simulation file")));
    }
    EXPECT_EQ(positions.count, 0);
}

TEST_F(Simulation, SentencesAreCutAtTwoHundredCharacters) {
    const std::string longLine = "$GPTXT," + std::string(243, 'A');
    auto sim = play(QByteArray::fromStdString("junk " + longLine + "$GPX,1\n"));
    char line[CNMEASimulation::kSentenceLength + 1];
    ASSERT_TRUE(sim->ReadSentence(line));
    EXPECT_EQ(std::string(line), longLine.substr(0, 200));
    ASSERT_TRUE(sim->ReadSentence(line));
    EXPECT_STREQ(line, "$GPX,1");
    EXPECT_FALSE(sim->ReadSentence(line));
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
        EXPECT_TRUE(kind == FileDialogKind::Import && mime == "text/plain" && extension == ".txt");
        done(chosen);
    });
    bool result = true;
    sim.Configure(nullptr, [&](bool ok) { result = ok; });
    EXPECT_EQ(std::pair(result, CNMEASimulation::filename), std::pair(false, chosen));
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
    ASSERT_TRUE(conntest::pumpUntil([&] { return positions.count >= 3; }, 60000))
        << positions.count;
    EXPECT_FALSE(connection.inactive);
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    EXPECT_EQ(p.fix_status, CDataGPSPosition::kGPSFix);
    EXPECT_TRUE(std::abs(p.latitude - 51.5) < 0.01 && std::abs(p.speed - 5) < 0.01 &&
                std::abs(p.altitude - 45) < 0.5)
        << p.latitude << " " << p.speed << " " << p.altitude;
    connection.Close();
    CLocationServiceConnection::plugin_parameters.clear();
    CLocationServiceConnection::with_satellites = true;

    CLocationServiceConnection broken;
    CLocationServiceConnection::plugin = "no-such-plugin";
    EXPECT_FALSE(broken.Open());
    EXPECT_EQ(broken.status, "Unable to connect to position info source");
    CLocationServiceConnection::plugin.clear();
}

}  // namespace
