// The go-to arithmetic on a known geometry: a destination one nautical mile
// north of where navigation starts, and a boat beside the leg.
#include <gtest/gtest.h>

#include <cmath>

#include "data/overlaygpsposition.h"
#include "overlays/datagotomark.h"

namespace {

constexpr double kMile = 1852.0;
constexpr double kDestLat = 50.0, kDestLon = -4.0;

class GotoGeometry : public ::testing::Test {
protected:
    void SetUp() override {
        go.grid.SetOrigin(kDestLat, kDestLon);
        go.grid_time = 1;
    }
    void TearDown() override {
        COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
        p.fix_status = CDataGPSPosition::kNoFix;
        p.set_course(999, 0);
    }
    // The point x metres east and y metres north of the destination.
    void at(double x, double y, double& lat, double& lon) const {
        go.grid.xy_to_latlon(x, y, lat, lon);
    }
    void startAt(double x, double y) {
        double lat, lon;
        at(x, y, lat, lon);
        go.NavigateFrom(lat, lon);
    }
    void boatAt(double x, double y) {
        double lat, lon;
        at(x, y, lat, lon);
        go.UpdateFromPosition(lat, lon);
    }
    static void moving(float course, float speed) {
        COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
        p.fix_status = CDataGPSPosition::kGPSFix;
        p.set_course(course, speed);
    }

    CDataGotoMark go;
};

TEST_F(GotoGeometry, ALegNorthPointsItsNormalEastAndItsAxisNorth) {
    startAt(0, -kMile);
    EXPECT_NEAR(go.leg_length, kMile, 0.01);
    EXPECT_NEAR(go.leg.x, 1.0, 1e-6);
    EXPECT_NEAR(go.leg.y, 0.0, 1e-6);
    float axis = 0;
    ASSERT_TRUE(go.GetAxis(axis));
    EXPECT_EQ(axis, 0);
    // Velocity along the leg counts, across it does not, back along it is negative.
    EXPECT_NEAR(go.component_parallel_to_leg(0, 1), 1, 1e-6);
    EXPECT_NEAR(go.component_parallel_to_leg(1, 0), 0, 1e-6);
    EXPECT_NEAR(go.component_parallel_to_leg(0, -1), -1, 1e-6);
}

TEST_F(GotoGeometry, AxesOfLegsInOtherDirections) {
    float axis = 0;
    startAt(-kMile, 0);  // start west: the leg runs east
    ASSERT_TRUE(go.GetAxis(axis));
    EXPECT_EQ(axis, 90);
    startAt(kMile, 2 * kMile);  // start north-north-east: the leg runs 206.6 degrees
    ASSERT_TRUE(go.GetAxis(axis));
    EXPECT_NEAR(axis, 206.57, 1.0);
    EXPECT_EQ(axis, std::round(axis));  // whole degrees
    EXPECT_NEAR(go.leg_length, kMile * std::sqrt(5.0), 0.05);
}

TEST_F(GotoGeometry, NoLegWithinFiveMetresOfTheDestination) {
    startAt(3, -3);
    EXPECT_EQ(go.leg_length, 0);
    EXPECT_FALSE(go.hasLeg());
    float axis = 0;
    EXPECT_FALSE(go.GetAxis(axis));
    EXPECT_EQ(axis, 999);
    // The first position farther out starts the leg there.
    boatAt(0, -500);
    EXPECT_TRUE(go.hasLeg());
    EXPECT_NEAR(go.leg_length, 500, 0.01);
}

TEST_F(GotoGeometry, CrossTrackIsPositiveRightOfTheLegAndNegativeLeft) {
    startAt(0, -kMile);
    boatAt(100, -kMile / 2);  // east of a leg heading north: to its right
    EXPECT_NEAR(go.cross_track, 100, 0.01);
    EXPECT_NEAR(go.distance, std::hypot(100, kMile / 2), 0.01);
    EXPECT_NEAR(go.pos_x, 100, 1e-6);
    EXPECT_NEAR(go.pos_y, -kMile / 2, 1e-6);
    // Towards the mark: north and a little west, bearing 353.8 degrees,
    // given in whole degrees.
    EXPECT_NEAR(go.to_mark.x, -100 / go.distance, 1e-6);
    EXPECT_NEAR(go.to_mark.y, (kMile / 2) / go.distance, 1e-6);
    EXPECT_NEAR(go.bearing, 353.84, 1.0);
    EXPECT_EQ(go.bearing, std::round(go.bearing));

    boatAt(-250, -kMile / 4);  // west of it: left
    EXPECT_NEAR(go.cross_track, -250, 0.01);
    EXPECT_NEAR(go.bearing, 28.37, 1.0);  // north-east

    // The leg stays where it started while the boat moves.
    EXPECT_NEAR(go.leg_length, kMile, 0.01);
}

TEST_F(GotoGeometry, BearingKeepsItsLastValueCloserThanFiveMetres) {
    startAt(0, -kMile);
    boatAt(0, -100);
    EXPECT_EQ(go.bearing, 0);
    boatAt(2, 3);  // past the mark by 3 m
    EXPECT_EQ(go.bearing, 0);
    EXPECT_NEAR(go.distance, std::hypot(2, 3), 0.01);
}

TEST_F(GotoGeometry, TimeToTheWaypointUsesTheSpeedAlongTheLeg) {
    startAt(0, -kMile);
    boatAt(100, -kMile / 2);
    EXPECT_EQ(go.time_to_next_WP(), 0);  // no fix
    moving(0, 6);                        // north at 6 knots
    const double metresPerSecond = 6 / CDataGotoMark::kKnotsPerMetrePerSecond;
    EXPECT_NEAR(go.time_to_next_WP(), go.distance / metresPerSecond, 0.01);
    moving(60, 6);  // 3 knots of it along the leg
    EXPECT_NEAR(go.time_to_next_WP(), 2 * go.distance / metresPerSecond, 0.05);
    moving(90, 6);  // across the leg
    EXPECT_EQ(go.time_to_next_WP(), 0);
    moving(180, 6);  // away from the mark
    EXPECT_EQ(go.time_to_next_WP(), 0);
    moving(0, 0.09f);  // as good as still
    EXPECT_EQ(go.time_to_next_WP(), 0);
}

TEST_F(GotoGeometry, TimeAfterTheWaypointUsesTheSpeedOverGround) {
    go.distance_after = kMile;
    EXPECT_EQ(go.additional_time_after_WP(), 0);  // no fix
    moving(135, 6);
    EXPECT_NEAR(go.additional_time_after_WP(), kMile / (6 / CDataGotoMark::kKnotsPerMetrePerSecond),
                0.01);
    moving(135, 0.1f);
    EXPECT_EQ(go.additional_time_after_WP(), 0);
}

}  // namespace
