// A route followed end to end: RMC sentences a TCP peer sends carry the boat
// past three waypoints through the sentence layer, and the $ECRMB lines the
// same peer gets back name each waypoint in turn, flagging each new one.
#include <gtest/gtest.h>

#include <map>

#include "data/owngpstestsupport.h"
#include "nmea/connectiontestsupport.h"
#include "overlays/gototestsupport.h"
#include "overlays/markmanager.h"

namespace {

using nmeatest::withChecksum;

class RouteFollowing : public ::testing::Test {
protected:
    void SetUp() override {
        owngps::resetOwnPosition();
        connection.output_filter.add("accept EC");
        ASSERT_TRUE(conntest::connectTo(connection, server));
    }
    void TearDown() override {
        manager.CancelNavigation();
        manager.LoadRoutes("/nonexistent/routes.ovtf");
        owngps::resetOwnPosition();
    }
    // The peer sends a fix x metres east and y north of the first waypoint
    // and waits until it is the own position.
    void fixAt(double x, double y, float course) {
        const int s = second++;
        const std::string rmc = field.rmc(x, y, s, "A", course);
        server.send(QByteArray::fromStdString(withChecksum(rmc) + "\r\n"));
        ASSERT_TRUE(conntest::pumpUntil([&] {
            return COverlayGPSPosition::theLatestPosition.time == gototest::MarkField::rmcTime(s);
        }));
    }
    COverlayMark* waypoint(COverlayRoute* route, const char* name, double x, double y) {
        double lat = 0, lon = 0;
        field.grid.xy_to_latlon(x, y, lat, lon);
        COverlayMark* wp = route->AddWaypoint(lat, lon);
        wp->name = name;
        return wp;
    }

    CMarkManager& manager = CMarkManager::theManager;
    gototest::MarkField field{50.7, -1.3};
    int second = 0;
    conntest::LoopbackServer server;
    CTCPIPConnection connection;
};

TEST_F(RouteFollowing, EveryWaypointInTurnReachesTheAutopilot) {
    COverlayRoute* route = manager.CreateNewRoute();
    waypoint(route, "Alpha", 0, 0);
    waypoint(route, "Bravo", 0, 1000);
    waypoint(route, "Charlie buoy", 500, 1500);
    manager.FinishRouteBuilding();

    fixAt(0, -500, 0);
    ASSERT_TRUE(manager.SetFollowRoute(route));
    std::map<std::string, float> distanceAfter;  // while heading for each waypoint
    for (int y = -400; y <= 1000; y += 100) {
        fixAt(0, y, 0);
        distanceAfter[manager.go_to.mark->name] = manager.go_to.distance_after;
    }
    for (int step = 1; step <= 6; ++step) fixAt(100.0 * step, 1000 + 100.0 * step, 45);
    EXPECT_EQ(manager.go_to.mark->name, "Charlie buoy");
    EXPECT_TRUE(route->is_followed);
    EXPECT_NEAR(distanceAfter["Bravo"], 707.1, 1.0);  // the leg after Bravo
    EXPECT_NEAR(distanceAfter["Alpha"], 1707.1, 1.5);

    ASSERT_TRUE(conntest::sendGenerated("$ECTXT,01,01,01,MARKER"));
    QByteArray got;
    ASSERT_TRUE(conntest::pumpUntil([&] {
        got += server.received();
        return got.contains("MARKER") && got.endsWith("\n");
    }));
    // Each destination named in order, and flagged when it is new.
    std::vector<std::string> order;
    for (const QByteArray& line : got.trimmed().split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields[0] != "$ECRMB") continue;
        const std::string id = fields[5].toStdString();
        const bool arrival = fields[13] == "A";
        if (order.empty() || order.back() != id) {
            order.push_back(id);
            EXPECT_EQ(arrival, order.size() > 1) << id;
        } else {
            EXPECT_FALSE(arrival) << id;
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"ALPHA", "BRAVO", "CHARLI"}));

    manager.CancelNavigation();
    EXPECT_FALSE(route->is_followed);
    EXPECT_EQ(manager.go_to.route, nullptr);
}

TEST_F(RouteFollowing, FollowingReversedStartsFromTheOtherEnd) {
    COverlayRoute* route = manager.CreateNewRoute();
    waypoint(route, "Home", 0, 0);
    waypoint(route, "Pier", 0, 1000);
    route->SetNameFromEndWaypoints();
    fixAt(0, 1500, 180);
    ASSERT_TRUE(manager.SetFollowRoute(route, true));
    EXPECT_EQ(route->name, "Pier to Home");
    EXPECT_EQ(manager.go_to.mark->name, "Pier");
    float axis = 0;
    ASSERT_TRUE(manager.go_to.GetAxis(axis));
    EXPECT_NEAR(axis, 180, 1);  // the first leg, from the pier south
    fixAt(0, 900, 180);
    EXPECT_EQ(manager.go_to.mark->name, "Home");
    EXPECT_NEAR(manager.go_to.distance, 900, 1);
}

}  // namespace
