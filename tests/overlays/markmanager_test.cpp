// Go-to navigation in the mark manager, driven by real RMC sentences
// through the sentence layer and the own position. The autopilot sentence's
// tests follow a route of marks over TCP.
#include <gtest/gtest.h>

#include <cmath>

#include "data/owngpstestsupport.h"
#include "overlays/gototestsupport.h"

namespace {

constexpr double kMile = 1852.0;

class GotoNavigation : public ::testing::Test, Listener<CDataGotoMark>, Listener<COverlayObject> {
protected:
    void SetUp() override { owngps::resetOwnPosition(); }
    void TearDown() override { owngps::resetOwnPosition(); }
    void OnUpdate(CDataGotoMark& go) override { ++updates, last = go; }
    void OnUpdate(COverlayObject& object) override { lastAction = object.last_action; }
    // A fix x metres east and y metres north of the first mark.
    void fixAt(double x, double y, const char* status = "A", float course = 0, float knots = 5) {
        ASSERT_TRUE(owngps::send(field.rmc(x, y, second++, status, course, knots)));
    }
    float axis() const {
        float angle = 0;
        last.GetAxis(angle);
        return angle;
    }

    CMarkManager& manager = CMarkManager::theManager;
    gototest::MarkField field{50.0, -4.0};
    int second = 0, updates = 0, lastAction = 0;
    CDataGotoMark last;  // as the go-to listeners last saw it
};

TEST_F(GotoNavigation, SetGotoWorksFromTheLatestFixAndEveryFixUpdates) {
    COverlayMark* mark = field.add("Harbour", 0, 0);
    fixAt(0, -kMile);
    ASSERT_TRUE(manager.SetGoto(mark));
    EXPECT_EQ(updates, 2);  // the end of any navigation, then the new one
    EXPECT_TRUE(mark->isNavigatingToMark());
    EXPECT_EQ(lastAction, COverlayObject::kDisplayChanged);
    EXPECT_NEAR(last.distance, kMile, 0.5);
    EXPECT_EQ(last.bearing, 0);
    EXPECT_NEAR(last.leg_length, kMile, 0.5);
    fixAt(120, -kMile / 2);  // right of the leg
    EXPECT_NEAR(last.cross_track, 120, 0.5);
    fixAt(500, -100, "V");  // a void fix is no position to navigate from
    EXPECT_EQ(updates, 3);
}

TEST_F(GotoNavigation, TimesToAndAfterTheWaypoint) {
    manager.SetGoto(field.add("Harbour", 0, 0));
    manager.go_to.distance_after = kMile;
    // A mile at 6 knots takes ten minutes; 60 degrees off the leg, twice that.
    const float cases[][4] = {
        {0, 6, 600, 600}, {60, 6, 1200, 600}, {90, 6, 0, 600}, {180, 6, 0, 600}, {0, 0.04f, 0, 0}};
    for (const auto& [course, knots, toWaypoint, afterIt] : cases) {
        fixAt(0, -kMile, "A", course, knots);
        EXPECT_NEAR(manager.go_to.time_to_next_WP(), toWaypoint, 1) << course << " " << knots;
        EXPECT_NEAR(manager.go_to.additional_time_after_WP(), afterIt, 1) << course;
    }
}

TEST_F(GotoNavigation, TheLegStartsAtTheFirstFixMoreThanFiveMetresOut) {
    manager.SetGoto(field.add("Harbour", 0, 0));
    EXPECT_EQ(last.bearing, CDataGotoMark::kUnknownBearing);
    fixAt(3, -3);
    EXPECT_FALSE(last.hasLeg());
    fixAt(-kMile, 0);  // west of the mark: the leg runs east
    EXPECT_EQ(last.bearing, 90);
    EXPECT_EQ(axis(), 90);
    fixAt(2, 3);  // past the mark by 3 m: the bearing stays
    EXPECT_EQ(last.bearing, 90);
}

TEST_F(GotoNavigation, NewDestinationsCancellingAndMarksWithoutAPosition) {
    COverlayMark* first = field.add("One", 0, 0);
    COverlayMark* second = field.add("Two", kMile, 0);
    fixAt(0, -kMile);
    manager.SetGoto(first);
    manager.SetGoto(second);
    EXPECT_FALSE(first->is_goto);
    EXPECT_NEAR(axis(), 45, 1);
    manager.CancelNavigation();
    EXPECT_EQ(last.mark, nullptr);
    EXPECT_EQ(last.bearing, CDataGotoMark::kUnknownBearing);
    EXPECT_FALSE(last.hasLeg() || second->is_goto);
    EXPECT_EQ(lastAction, COverlayObject::kDisplayChanged);
    fixAt(0, -kMile / 2);
    EXPECT_EQ(updates, 5);  // nothing to navigate to
    first->ClearData();
    EXPECT_FALSE(manager.SetGoto(first) || manager.SetGoto(nullptr) || first->is_goto);
}

TEST_F(GotoNavigation, AMovedDestinationIsFollowedAndADeletedOneEndsNavigation) {
    COverlayMark* mark = field.add("Buoy", 0, 0);
    fixAt(0, -kMile);
    manager.SetGoto(mark);
    field.grid.xy_to_latlon(0, kMile, mark->lat, mark->lon);  // dragged a mile north
    fixAt(0, -kMile);
    EXPECT_NEAR(last.distance, 2 * kMile, 1.0);
    EXPECT_NEAR(last.leg_length, 2 * kMile, 1.0);  // a new leg from here
    EXPECT_EQ(manager.FindMark("buoy"), nullptr);  // exact names only
    manager.DeleteMark(manager.FindMark("Buoy"));
    EXPECT_EQ(last.mark, nullptr);
    EXPECT_TRUE(mark->deleted && !mark->HasPosition());
    EXPECT_EQ(manager.FindMark("Buoy"), nullptr);
}

}  // namespace
