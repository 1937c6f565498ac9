// The own position: new-fix rule, staleness watchdog, averaged speed and
// course, odometer legs and the last-position file.
#include <gtest/gtest.h>

#include <cmath>

#include "app/base/heartbeat.h"
#include "data/owngpstestsupport.h"
#include "support/testsupport.h"

namespace {

class OwnPosition : public ::testing::Test {
protected:
    void SetUp() override {
        owngps::resetOwnPosition();
        COverlayGPSPosition::averaging_time = 30;
    }
    // A fix moving north at `knots` from 51.5 N, t seconds after the start.
    void fixAt(double t, double knots, float course = 0) {
        const double metres = knots * 1852.0 / 3600.0 * t;
        p.set_latlon(51.5 + metres / 111250.0, -0.1);
        p.set_course(course, float(knots));
        p.time = 1.7e9 + t;
        p.fix_status = CDataGPSPosition::kGPSFix;
        p.DispatchPositionUpdate();
    }
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
};

class Updates : public Listener<CDataGPSPosition> {
public:
    void OnUpdate(CDataGPSPosition&) override { ++count; }
    int count = 0;
};

TEST_F(OwnPosition, FixesCloserThanNineTenthsOfASecondAreNotNew) {
    Updates updates;
    fixAt(0, 5);
    const double first = p.last_fix_time;
    fixAt(0.5, 5);
    EXPECT_EQ(updates.count, 2);
    EXPECT_EQ(p.last_fix_time, first);
    fixAt(1.0, 5);
    EXPECT_DOUBLE_EQ(p.last_fix_time, 1.7e9 + 1.0);
    p.time = 1.7e9 - 100;  // the clock went back
    p.DispatchPositionUpdate();
    EXPECT_EQ(p.last_fix_time, 0);
}

TEST_F(OwnPosition, FiveSecondsWithoutFixesMakeItStaleOnce) {
    Updates updates;
    p.altitude = 12;
    fixAt(0, 5);
    EXPECT_TRUE(p.fix_seen);
    for (int i = 0; i < 49; ++i) CHeartbeat::Pulse();
    EXPECT_TRUE(p.fix_seen);
    CHeartbeat::Pulse();
    EXPECT_FALSE(p.fix_seen);
    EXPECT_EQ(p.altitude, -9999);
    EXPECT_EQ(p.best_source, CDataSpeedDirection::kNone);
    EXPECT_EQ(updates.count, 2);
    for (int i = 0; i < 120; ++i) CHeartbeat::Pulse();
    EXPECT_EQ(updates.count, 2);
}

TEST_F(OwnPosition, AveragesSpeedAndCourseOverTheAveragingTime) {
    for (int t = 0; t <= 60; ++t) fixAt(t, 6.0);
    EXPECT_NEAR(p.averaged_speed, 6.0, 0.1);
    EXPECT_NEAR(std::fmod(p.averaged_course + 180, 360) - 180, 0.0, 1.0);
    // Samples every 3 s, none older than 45 s.
    const int n = p.history_count;
    EXPECT_GT(n, 5);
    for (int i = 0; i < n; ++i) {
        const auto& e = p.history[(p.history_next - n + i + 10) % 10];
        EXPECT_GE(e.time, 1.7e9 + 60 - 45);
    }
    p.reset_history();
    EXPECT_EQ(p.history_count, 0);
    EXPECT_EQ(p.last_fix_time, 0);
}

TEST_F(OwnPosition, OdometerAddsLegsWhenMovingAboveOneKnot) {
    for (int t = 0; t <= 200; ++t) fixAt(t, 6.0);
    const double travelled = 6.0 * 1852.0 / 3600.0 * 200;
    EXPECT_GT(p.total_distance, 0.5 * travelled);
    EXPECT_NEAR(p.total_distance + p.leg_distance, travelled, 0.05 * travelled);

    owngps::resetOwnPosition();
    for (int t = 0; t <= 120; ++t) fixAt(t, 0.5);
    EXPECT_EQ(p.total_distance, 0);
}

TEST_F(OwnPosition, LastPositionRoundTripsThroughItsFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("gpsdata.ovtf").toStdString();
    fixAt(0, 5);
    p.total_distance = 1234.5;
    ASSERT_TRUE(p.Save(path));
    const double lat = p.latitude;
    owngps::resetOwnPosition();
    ASSERT_TRUE(p.Load(path));
    EXPECT_DOUBLE_EQ(p.latitude, lat);
    EXPECT_DOUBLE_EQ(p.longitude, -0.1);
    EXPECT_DOUBLE_EQ(p.total_distance, 1234.5);
    EXPECT_FALSE(p.Load(dir.file("missing.ovtf").toStdString()));
    testsupport::writeFile(dir.file("bad.ovtf"), "not a position file");
    EXPECT_FALSE(p.Load(dir.file("bad.ovtf").toStdString()));
}

}  // namespace
