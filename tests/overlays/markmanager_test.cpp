// Go-to navigation in the mark manager, driven by real RMC sentences
// through the sentence layer and the own position.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "data/owngpstestsupport.h"
#include "overlays/gototestsupport.h"

namespace {

constexpr double kMile = 1852.0;
constexpr double kLat = 50.0, kLon = -4.0;  // the first mark

// Go-to updates as their listeners see them.
class GotoUpdates : public Listener<CDataGotoMark> {
public:
    void OnUpdate(CDataGotoMark& go) override {
        ++count;
        last = go;
    }
    int count = 0;
    CDataGotoMark last;
};

// The last overlay action each object announced.
class OverlayActions : public Listener<COverlayObject> {
public:
    void OnUpdate(COverlayObject& object) override {
        if (&object == watched) last = object.last_action;
    }
    const COverlayObject* watched = nullptr;
    COverlayObject::update_action last = COverlayObject::kNoAction;
};

class GotoNavigation : public ::testing::Test {
protected:
    void SetUp() override { owngps::resetOwnPosition(); }
    void TearDown() override { owngps::resetOwnPosition(); }
    COverlayMark* addMark(const std::string& name, double x, double y) {
        return field.add(name, x, y);
    }
    // A fix x metres east and y metres north of the first mark.
    void fixAt(double x, double y, const char* status = "A") {
        const std::string body = field.rmc(x, y, second++, status);
        ASSERT_TRUE(owngps::send(body)) << body;
    }

    CMarkManager& manager = CMarkManager::theManager;
    gototest::MarkField field{kLat, kLon};
    CSimpleGrid& grid = field.grid;
    int second = 0;
    GotoUpdates updates;
};

TEST_F(GotoNavigation, SetGotoWorksTheStateOutFromTheLatestFix) {
    COverlayMark* mark = addMark("Harbour", 0, 0);
    fixAt(0, -kMile);
    OverlayActions actions;
    actions.watched = mark;
    ASSERT_TRUE(manager.SetGoto(mark));
    EXPECT_EQ(updates.count, 2);  // the end of any navigation, then the new one
    EXPECT_EQ(updates.last.mark, mark);
    EXPECT_TRUE(mark->is_goto);
    EXPECT_TRUE(mark->isNavigatingToMark());
    EXPECT_EQ(actions.last, COverlayObject::kDisplayChanged);
    EXPECT_NEAR(updates.last.distance, kMile, 0.5);
    EXPECT_EQ(updates.last.bearing, 0);
    EXPECT_NEAR(updates.last.leg_length, kMile, 0.5);
    EXPECT_NE(updates.last.grid_time, 0);
}

TEST_F(GotoNavigation, EveryFixUpdatesTheStateAndPublishesIt) {
    COverlayMark* mark = addMark("Harbour", 0, 0);
    fixAt(0, -kMile);
    manager.SetGoto(mark);
    fixAt(120, -kMile / 2);  // right of the leg
    EXPECT_EQ(updates.count, 3);
    EXPECT_NEAR(updates.last.cross_track, 120, 0.5);
    EXPECT_NEAR(updates.last.distance, std::hypot(120, kMile / 2), 0.5);
    EXPECT_NEAR(updates.last.bearing, 352.6, 1.0);
    fixAt(-60, -kMile / 4);  // left of it
    EXPECT_EQ(updates.count, 4);
    EXPECT_NEAR(updates.last.cross_track, -60, 0.5);
    // A fix marked void is no position to navigate from.
    fixAt(500, -100, "V");
    EXPECT_EQ(updates.count, 4);
    EXPECT_NEAR(manager.go_to.cross_track, -60, 0.5);
}

TEST_F(GotoNavigation, WithoutAFixTheLegStartsAtTheFirstFix) {
    COverlayMark* mark = addMark("Harbour", 0, 0);
    manager.SetGoto(mark);
    EXPECT_EQ(updates.count, 2);
    EXPECT_EQ(updates.last.bearing, CDataGotoMark::kUnknownBearing);
    EXPECT_FALSE(updates.last.hasLeg());
    fixAt(-kMile, 0);  // west of the mark: the leg runs east
    EXPECT_EQ(updates.count, 3);
    EXPECT_EQ(updates.last.bearing, 90);
    float axis = 0;
    ASSERT_TRUE(updates.last.GetAxis(axis));
    EXPECT_EQ(axis, 90);
    EXPECT_NEAR(updates.last.cross_track, 0, 0.5);
}

TEST_F(GotoNavigation, CancelNavigationEndsIt) {
    COverlayMark* mark = addMark("Harbour", 0, 0);
    fixAt(0, -kMile);
    manager.SetGoto(mark);
    OverlayActions actions;
    actions.watched = mark;
    manager.CancelNavigation();
    EXPECT_EQ(updates.count, 3);
    EXPECT_EQ(updates.last.mark, nullptr);
    EXPECT_EQ(updates.last.bearing, CDataGotoMark::kUnknownBearing);
    EXPECT_EQ(updates.last.grid_time, 0);
    EXPECT_FALSE(updates.last.hasLeg());
    EXPECT_FALSE(mark->is_goto);
    EXPECT_EQ(actions.last, COverlayObject::kDisplayChanged);
    fixAt(0, -kMile / 2);
    EXPECT_EQ(updates.count, 3);  // nothing to navigate to
}

TEST_F(GotoNavigation, ANewDestinationTakesOverTheFlag) {
    COverlayMark* first = addMark("One", 0, 0);
    COverlayMark* second = addMark("Two", kMile, 0);
    fixAt(0, -kMile);
    manager.SetGoto(first);
    manager.SetGoto(second);
    EXPECT_FALSE(first->is_goto);
    EXPECT_TRUE(second->is_goto);
    EXPECT_EQ(manager.go_to.mark, second);
    EXPECT_NEAR(manager.go_to.distance, kMile * std::sqrt(2.0), 1.0);
    EXPECT_NEAR(manager.go_to.bearing, 45, 1.0);
}

TEST_F(GotoNavigation, AMarkWithoutAPositionIsNoDestination) {
    COverlayMark* mark = addMark("Gone", 0, 0);
    mark->ClearData();
    EXPECT_FALSE(manager.SetGoto(mark));
    EXPECT_EQ(manager.go_to.mark, nullptr);
    EXPECT_FALSE(mark->is_goto);
    EXPECT_FALSE(manager.SetGoto(nullptr));
}

TEST_F(GotoNavigation, AMovedDestinationIsFollowedToItsNewPlace) {
    COverlayMark* mark = addMark("Buoy", 0, 0);
    fixAt(0, -kMile);
    manager.SetGoto(mark);
    grid.xy_to_latlon(0, kMile, mark->lat, mark->lon);  // dragged a mile north
    fixAt(0, -kMile);
    EXPECT_NEAR(updates.last.distance, 2 * kMile, 1.0);
    EXPECT_NEAR(updates.last.leg_length, 2 * kMile, 1.0);  // a new leg from here
    EXPECT_NEAR(updates.last.cross_track, 0, 0.5);
}

TEST_F(GotoNavigation, DeletingTheDestinationEndsNavigation) {
    COverlayMark* mark = addMark("Buoy", 0, 0);
    fixAt(0, -kMile);
    manager.SetGoto(mark);
    manager.DeleteMark(mark);
    EXPECT_EQ(manager.go_to.mark, nullptr);
    EXPECT_EQ(updates.last.mark, nullptr);
    EXPECT_TRUE(mark->deleted);
    EXPECT_FALSE(mark->HasPosition());
    EXPECT_EQ(manager.FindMark("Buoy"), nullptr);
    EXPECT_TRUE(manager.marks_changed);
    fixAt(0, -kMile / 2);
    EXPECT_EQ(updates.count, 3);
}

TEST_F(GotoNavigation, ChangingDestinationOnTheWayKeepsNavigating) {
    COverlayMark* first = addMark("One", 0, 0);
    COverlayMark* second = addMark("Two", 0, kMile);
    fixAt(0, -kMile);
    manager.SetGoto(first);
    // At the first mark, on to the second with the leg from the first.
    manager.ChangeDestination(second, first);
    EXPECT_EQ(updates.count, 2);  // heard of with the next fix
    fixAt(30, 10);
    EXPECT_EQ(updates.count, 3);
    EXPECT_EQ(updates.last.mark, second);
    EXPECT_NEAR(updates.last.leg_length, kMile, 0.5);
    EXPECT_NEAR(updates.last.cross_track, 30, 0.5);
    EXPECT_NEAR(updates.last.distance, std::hypot(30, kMile - 10), 0.5);
}

TEST_F(GotoNavigation, FindMarkMatchesTheExactNameOfALiveMark) {
    addMark("Camp", 0, 0);
    COverlayMark* camp2 = addMark("Camp 2", 10, 0);
    EXPECT_EQ(manager.FindMark("Camp 2"), camp2);
    EXPECT_EQ(manager.FindMark("camp 2"), nullptr);
    EXPECT_EQ(manager.FindMark("Camp")->name, "Camp");
    manager.DeleteMark(manager.FindMark("Camp"));
    EXPECT_EQ(manager.FindMark("Camp"), nullptr);
}

}  // namespace
