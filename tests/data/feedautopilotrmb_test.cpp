// The autopilot sentence: its format, the values it takes from the go-to
// state, and the whole road from RMC sentences received over TCP to the
// $ECRMB lines the same TCP peer gets back.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "data/feedautopilotrmb.h"
#include "data/owngpstestsupport.h"
#include "nmea/connectiontestsupport.h"
#include "nmea/nmea_raw.h"
#include "nmea/tcpipconnection.h"
#include "overlays/gototestsupport.h"

namespace {

using nmeatest::withChecksum;

// The sentences generated, without checksum and line end.
class Sent : public Listener<CNMEA_Raw> {
public:
    void OnUpdate(CNMEA_Raw& raw) override {
        const std::string text = raw.text;
        lines.push_back(text.substr(0, text.find('*')));
    }
    std::vector<std::string> lines;
};

std::vector<std::string> fields(const std::string& sentence) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t comma; (comma = sentence.find(',', start)) != std::string::npos; start = comma + 1)
        out.push_back(sentence.substr(start, comma - start));
    out.push_back(sentence.substr(start, sentence.find('*', start) - start));
    return out;
}

TEST(AutopilotRMB, FormatsPositionsAsDegreesAndMinutes) {
    CFeed_AutopilotRMB::Values v;
    v.cross_track = -18.52;  // left of the leg: steer right
    v.latitude = 51.5;
    v.longitude = -0.125;
    v.distance = 3704;
    v.bearing = 60;
    v.closing = 4.8;
    EXPECT_EQ(CFeed_AutopilotRMB::Format(v, "HOMEPO"),
              "$ECRMB,A,0.01000,R,X,HOMEPO,5130.00000,N,00007.50000,W,2.00000,60.0,4.80,V,A");
    v.cross_track = 1852;        // right of it: steer left
    v.latitude = -33.999999999;  // minutes round up into the next degree
    v.longitude = 151.2093;
    v.arrived = true;
    EXPECT_EQ(CFeed_AutopilotRMB::Format(v, ""),
              "$ECRMB,A,1.00000,L,X,,3400.00000,S,15112.55800,E,2.00000,60.0,4.80,A,A");
}

TEST(AutopilotRMB, DestinationIsTheFirstSixLettersAndDigitsInUpperCase) {
    EXPECT_EQ(CFeed_AutopilotRMB::DestinationId("Home port-2"), "HOMEPO");
    EXPECT_EQ(CFeed_AutopilotRMB::DestinationId("a-1 b"), "A1B");
    EXPECT_EQ(CFeed_AutopilotRMB::DestinationId("Å-ö *"), "");
}

class AutopilotFeed : public ::testing::Test {
protected:
    void SetUp() override { owngps::resetOwnPosition(); }
    void TearDown() override {
        CMarkManager::theManager.CancelNavigation();
        owngps::resetOwnPosition();
    }
    // A go-to update as the mark manager publishes it.
    static void publish(CDataGotoMark& go) { Listener<CDataGotoMark>::Dispatch(go); }
};

TEST_F(AutopilotFeed, ClosingVelocityIsTheSpeedTowardsTheMark) {
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    COverlayMark home;
    home.name = "Home";
    home.lat = 51.5;
    home.lon = -0.125;
    CDataGotoMark go;
    go.mark = &home;
    go.distance = 3704;
    go.bearing = 37;
    go.to_mark = {0.6f, 0.8f};  // mostly north
    Sent sent;
    publish(go);  // no fix: no closing velocity
    ASSERT_EQ(sent.lines.size(), 1u);
    EXPECT_EQ(fields(sent.lines[0])[12], "0.00");
    p.fix_status = CDataGPSPosition::kGPSFix;
    p.set_course(90, 6);  // east at 6 knots
    p.evaluate_best_direction();
    publish(go);
    EXPECT_EQ(fields(sent.lines[1])[12], "3.60");
    p.set_course(270, 6);  // west: opening
    p.evaluate_best_direction();
    publish(go);
    EXPECT_EQ(fields(sent.lines[2])[12], "-3.60");
}

TEST_F(AutopilotFeed, NothingIsSentWithoutADestinationOrABearing) {
    COverlayMark home, away;
    home.name = "Home";
    away.name = "Away";
    CDataGotoMark go;
    go.mark = &home;
    go.bearing = 10;
    publish(go);  // nobody takes sentences: nothing formatted, but the mark is noted
    Sent sent;
    go.mark = &away;
    go.bearing = CDataGotoMark::kUnknownBearing;
    publish(go);  // no bearing: nothing to steer by
    EXPECT_TRUE(sent.lines.empty());
    go.bearing = 20;
    publish(go);  // the change from home is still news
    ASSERT_EQ(sent.lines.size(), 1u);
    EXPECT_EQ(fields(sent.lines[0])[5], "AWAY");
    EXPECT_EQ(fields(sent.lines[0])[13], "A");
    publish(go);
    EXPECT_EQ(fields(sent.lines[1])[13], "V");
    go.mark = nullptr;
    publish(go);
    EXPECT_EQ(sent.lines.size(), 2u);
    // After the end of a go-to the next destination is no change of target.
    go.mark = &home;
    publish(go);
    ASSERT_EQ(sent.lines.size(), 3u);
    EXPECT_EQ(fields(sent.lines[2])[5], "HOME");
    EXPECT_EQ(fields(sent.lines[2])[13], "V");
}

// From RMC sentences a TCP server sends to the $ECRMB lines it gets back.
class AutopilotOverTcp : public ::testing::Test {
protected:
    static constexpr double kMile = 1852.0;

    void SetUp() override {
        owngps::resetOwnPosition();
        ASSERT_GT(server.port(), 0);
        connection.Setup("127.0.0.1", server.port(), false);
        connection.output_filter.add("accept ECRMB");
        ASSERT_TRUE(connection.Open());
        ASSERT_TRUE(server.waitForClient());
        ASSERT_TRUE(conntest::pumpUntil([&] { return connection.isConnected(); }));
    }
    void TearDown() override { owngps::resetOwnPosition(); }
    COverlayMark* addMark(const std::string& name, double x, double y) {
        return field.add(name, x, y);
    }
    // The server sends an RMC for x metres east and y metres north of the
    // first mark, heading north at 5 knots, and waits until it is the own
    // position.
    void fixAt(double x, double y) {
        const int s = second++;
        server.send(QByteArray::fromStdString(withChecksum(field.rmc(x, y, s)) + "\r\n"));
        ASSERT_TRUE(conntest::pumpUntil([&] {
            return COverlayGPSPosition::theLatestPosition.time == gototest::MarkField::rmcTime(s);
        }));
    }
    // The $ECRMB lines the server received so far, checksums checked.
    std::vector<std::string> received() {
        conntest::pumpFor(100);
        buffer += server.received().toStdString();
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = buffer.find("\r\n", start)) != std::string::npos; start = end + 2) {
            const std::string line = buffer.substr(start, end - start);
            EXPECT_EQ(withChecksum(line.substr(0, line.find('*'))), line);
            lines.push_back(line);
        }
        return lines;
    }
    std::vector<std::string> waitForLines(size_t n) {
        std::vector<std::string> lines;
        conntest::pumpUntil([&] { return (lines = received()).size() >= n; });
        return lines;
    }

    static constexpr double kMarkLat = 51.5 + 1.0 / 60, kMarkLon = -0.125;
    CMarkManager& manager = CMarkManager::theManager;
    gototest::MarkField field{kMarkLat, kMarkLon};
    int second = 0;
    std::string buffer;
    conntest::LoopbackServer server;
    CTCPIPConnection connection;
};

TEST_F(AutopilotOverTcp, SteersBackToTheLegAndFlagsANewTarget) {
    COverlayMark* entrance = addMark("Harbour entrance", 0, 0);
    COverlayMark* berth = addMark("berth 7", 0, kMile / 2);
    fixAt(0, -kMile);
    ASSERT_TRUE(manager.SetGoto(entrance));
    std::vector<std::string> lines = waitForLines(1);
    ASSERT_EQ(lines.size(), 1u);
    std::vector<std::string> f = fields(lines[0]);
    ASSERT_EQ(f.size(), 15u);
    EXPECT_EQ(f[0], "$ECRMB");
    EXPECT_EQ(f[1], "A");
    EXPECT_EQ(f[2], "0.00000");
    EXPECT_EQ(f[5], "HARBOU");
    EXPECT_EQ(f[6] + f[7] + f[8] + f[9], "5131.00000N00007.50000W");
    EXPECT_NEAR(std::stod(f[10]), 1.0, 0.001);
    EXPECT_EQ(f[11], "0.0");
    EXPECT_EQ(f[12], "5.00");  // straight at it
    EXPECT_EQ(f[13], "V");

    fixAt(185.2, -kMile / 2);  // a tenth of a mile right of the leg
    lines = waitForLines(2);
    ASSERT_EQ(lines.size(), 2u);
    f = fields(lines[1]);
    EXPECT_NEAR(std::stod(f[2]), 0.1, 0.0005);
    EXPECT_EQ(f[3], "L");
    EXPECT_NEAR(std::stod(f[11]), 348.7, 1.0);  // back a little west of north
    EXPECT_NEAR(std::stod(f[12]), 5 * std::cos(11.31 * std::numbers::pi / 180), 0.1);

    fixAt(-92.6, -kMile / 4);  // left of it
    lines = waitForLines(3);
    ASSERT_EQ(lines.size(), 3u);
    f = fields(lines[2]);
    EXPECT_NEAR(std::stod(f[2]), 0.05, 0.0005);
    EXPECT_EQ(f[3], "R");
    EXPECT_EQ(f[13], "V");

    // At the entrance navigation moves on to the berth: one sentence says so.
    manager.ChangeDestination(berth, entrance);
    fixAt(0, 0);
    fixAt(10, 100);
    lines = waitForLines(5);
    ASSERT_EQ(lines.size(), 5u);
    f = fields(lines[3]);
    EXPECT_EQ(f[5], "BERTH7");
    EXPECT_EQ(f[13], "A");
    EXPECT_NEAR(std::stod(f[10]), 0.5, 0.001);
    f = fields(lines[4]);
    EXPECT_EQ(f[13], "V");
    EXPECT_EQ(f[3], "L");

    // Cancelled: the fixes go on, the sentences stop.
    manager.CancelNavigation();
    fixAt(10, 200);
    fixAt(10, 300);
    EXPECT_EQ(received().size(), 5u);
}

}  // namespace
