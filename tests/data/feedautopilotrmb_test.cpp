// The autopilot sentence: its format, the values it takes from the go-to
// state, and the whole road from RMC sentences received over TCP to the
// $ECRMB lines the same TCP peer gets back.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "data/feedautopilotrmb.h"
#include "data/owngpstestsupport.h"
#include "nmea/connectiontestsupport.h"
#include "overlays/gototestsupport.h"

namespace {

using nmeatest::withChecksum;

// The fields of the sentences generated.
class Sent : public Listener<CNMEA_Raw> {
public:
    void OnUpdate(CNMEA_Raw& raw) override { lines.push_back(fields(raw.text)); }
    static std::vector<std::string> fields(const std::string& sentence) {
        std::vector<std::string> out;
        for (const QString& f :
             QString::fromStdString(sentence.substr(0, sentence.find('*'))).split(','))
            out.push_back(f.toStdString());
        return out;
    }
    std::vector<std::vector<std::string>> lines;
};

// North, west and steering both ways: see the round trip over TCP below.
TEST(AutopilotRMB, SouthEastArrivalAndMinutesRoundingIntoTheNextDegree) {
    // A mile right of the leg: steer left.
    const CFeed_AutopilotRMB::Values v{1852, -33.999999999, 151.2093, 3704, 60, 4.8, true};
    EXPECT_EQ(CFeed_AutopilotRMB::Format(v, ""),
              "$ECRMB,A,1.00000,L,X,,3400.00000,S,15112.55800,E,2.00000,60.0,4.80,A,A");
    for (auto [name, id] : {std::pair{"a-1 b", "A1B"}, {"Å-ö *", ""}})
        EXPECT_EQ(CFeed_AutopilotRMB::DestinationId(name), id) << name;
}

TEST(AutopilotFeed, NothingIsSentWithoutADestinationOrABearing) {
    COverlayMark home, away;
    home.name = "Home";
    away.name = "Away";
    CDataGotoMark go;
    go.mark = &home;
    go.bearing = 10;
    Listener<CDataGotoMark>::Dispatch(go);  // nobody takes sentences: only the mark is noted
    Sent sent;
    // No bearing; the change from home still news; none; after the end of a go-to.
    const double kNone = CDataGotoMark::kUnknownBearing;
    for (auto [mark, bearing] : {std::pair{&away, kNone},
                                 {&away, 20.0},
                                 {&away, 20.0},
                                 {(COverlayMark*)nullptr, 20.0},
                                 {&home, 20.0}}) {
        go.mark = mark, go.bearing = bearing;
        Listener<CDataGotoMark>::Dispatch(go);
    }
    ASSERT_EQ(sent.lines.size(), 3u);
    const char* expected[3] = {"AWAYA", "AWAYV", "HOMEV"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sent.lines[i][5] + sent.lines[i][13], expected[i]);
}

// From RMC sentences a TCP server sends to the $ECRMB lines it gets back.
class AutopilotOverTcp : public ::testing::Test {
protected:
    static constexpr double kMile = 1852.0;

    void SetUp() override {
        owngps::resetOwnPosition();
        connection.output_filter.add("accept EC");
        ASSERT_TRUE(conntest::connectTo(connection, server));
    }
    void TearDown() override {
        manager.CancelNavigation();
        owngps::resetOwnPosition();
    }
    // The server sends an RMC for x metres east and y metres north of the
    // first mark, at 5 knots on course (north by default), and waits until
    // it is the own position.
    void fixAt(double x, double y, float course = 0) {
        const int s = second++;
        const std::string rmc = field.rmc(x, y, s, "A", course);
        server.send(QByteArray::fromStdString(withChecksum(rmc) + "\r\n"));
        ASSERT_TRUE(conntest::pumpUntil([&] {
            return COverlayGPSPosition::theLatestPosition.time == gototest::MarkField::rmcTime(s);
        }));
    }
    static constexpr double kMarkLat = 51.5 + 1.0 / 60, kMarkLon = -0.125;
    CMarkManager& manager = CMarkManager::theManager;
    gototest::MarkField field{kMarkLat, kMarkLon};
    int second = 0;
    conntest::LoopbackServer server;
    CTCPIPConnection connection;
};

TEST_F(AutopilotOverTcp, SteersBackToTheLegFlagsANewTargetAndStopsWhenCancelled) {
    COverlayMark* entrance = field.add("Harbour entrance", 0, 0);
    COverlayMark* berth = field.add("berth 7", 0, kMile / 2);
    fixAt(0, -kMile);
    ASSERT_TRUE(manager.SetGoto(entrance));
    fixAt(185.2, -kMile / 2);       // a tenth of a mile right of the leg
    fixAt(-92.6, -kMile / 4, 180);  // a twentieth left of it, heading away
    manager.ChangeDestination(berth, entrance);
    fixAt(0, 0);
    fixAt(10, 100);
    manager.CancelNavigation();
    fixAt(10, 200);  // the fixes go on, the sentences stop
    // A marker through the same output: nothing may come before it.
    ASSERT_TRUE(conntest::sendGenerated("$ECTXT,01,01,01,MARKER"));
    QByteArray got;
    ASSERT_TRUE(conntest::pumpUntil([&] {
        got += server.received();
        return got.contains("MARKER") && got.endsWith("\n");
    }));
    std::vector<std::vector<std::string>> lines;
    for (const QByteArray& line : got.trimmed().split('\n')) {
        const std::string text = line.trimmed().toStdString();
        EXPECT_EQ(withChecksum(text.substr(0, text.find('*'))), text);
        lines.push_back(Sent::fields(text));
    }
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5][0] + " " + std::to_string(lines[0].size()), "$ECTXT 15");
    EXPECT_EQ(lines[0][5] + lines[0][6] + lines[0][7] + lines[0][8] + lines[0][9],
              "HARBOU5131.00000N00007.50000W");
    EXPECT_NEAR(std::stod(lines[0][10]), 1.0, 0.001);
    EXPECT_EQ(lines[0][11] + " " + lines[0][12] + " " + lines[0][13], "0.0 5.00 V");
    // Left, right, left of the leg; no arrival after the berth moved on.
    EXPECT_EQ(lines[1][3] + lines[2][3] + lines[4][3] + lines[4][13], "LRLV");
    EXPECT_NEAR(std::stod(lines[1][2]), 0.1, 0.0005);
    EXPECT_NEAR(std::stod(lines[1][11]), 348.7, 1.0);  // back a little west of north
    EXPECT_NEAR(std::stod(lines[1][12]), 5 * std::cos(11.31 * std::numbers::pi / 180), 0.1);
    EXPECT_NEAR(std::stod(lines[2][2]), 0.05, 0.0005);
    EXPECT_NEAR(std::stod(lines[2][12]), -4.90, 0.05);  // opening
    // At the entrance navigation moves on to the berth: one sentence says so.
    EXPECT_EQ(lines[3][5] + lines[3][13], "BERTH7A");
    EXPECT_NEAR(std::stod(lines[3][10]), 0.5, 0.001);
}

}  // namespace
