// The own position: new-fix rule, staleness watchdog, averaged speed and
// course across a clock step, odometer legs, its settings and its file.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "data/owngpstestsupport.h"

namespace {

class OwnPosition : public ::testing::Test {
protected:
    void SetUp() override {
        owngps::resetOwnPosition();
        COverlayGPSPosition::averaging_time = 30;
    }
    // A fix `metres` north and `east` metres east of 51.5 N 0.1 W at clock time t.
    void fixAt(double t, double north, double east = 0) {
        p.set_latlon(51.5 + north / 111250.0, -0.1 + east / 69250.0);
        p.time = t;
        p.fix_status = CDataGPSPosition::kGPSFix;
        p.DispatchPositionUpdate();
    }
    // Moving north at `knots` for `seconds`, one fix a second from clock time start.
    void sail(double start, int seconds, double knots) {
        p.set_course(0, float(knots));
        for (int s = 0; s <= seconds; ++s) fixAt(start + s, knots * 1852.0 / 3600.0 * s);
    }
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
};

using Updates = nmeatest::Recorder<CDataGPSPosition>;

TEST_F(OwnPosition, FixesCloserThanNineTenthsOfASecondAreNotNew) {
    Updates updates;
    fixAt(1000, 0);
    fixAt(1000.5, 1);
    EXPECT_EQ(std::pair(updates.count, p.last_fix_time), std::pair(2, 1000.0));
    fixAt(1001, 2);
    EXPECT_EQ(p.last_fix_time, 1001);
}

TEST_F(OwnPosition, FiveSecondsWithoutFixesMakeItStaleOnce) {
    Updates updates;
    p.altitude = 12;
    fixAt(1000, 0);
    for (int i = 0; i < 49; ++i) CHeartbeat::Pulse();
    EXPECT_TRUE(p.fix_seen);
    CHeartbeat::Pulse();
    EXPECT_EQ(std::tuple(p.fix_seen, p.altitude, p.best_source),
              std::tuple(false, -9999, CDataSpeedDirection::kNone));
    for (int i = 0; i < 120; ++i) CHeartbeat::Pulse();
    EXPECT_EQ(updates.count, 2);
}

TEST_F(OwnPosition, AveragesKeepTheAveragingTimeAndFollowTheClockBack) {
    sail(1.7e9, 60, 6.0);
    EXPECT_NEAR(p.averaged_speed, 6.0, 0.1);
    EXPECT_NEAR(std::fmod(p.averaged_course + 180, 360) - 180, 0.0, 1.0);
    for (int i = 0; i < p.history_count; ++i)
        EXPECT_GE(p.history[(p.history_next - p.history_count + i + 10) % 10].time, 1.7e9 + 15);
    // An hour back; now heading east at 6 knots.
    for (int s = 0; s <= 60; ++s) fixAt(1.7e9 - 3600 + s, 6.0 * 1852 / 60, 6.0 * 1852 / 3600 * s);
    EXPECT_NEAR(p.averaged_course, 90, 2);
    EXPECT_NEAR(p.averaged_speed, 6.0, 0.2);
    EXPECT_LT(p.next_averaging_time, 1.7e9);
}

TEST_F(OwnPosition, OdometerAddsLegsOnlyAboveOneKnot) {
    sail(1.7e9, 200, 6.0);
    const double travelled = 6.0 * 1852.0 / 3600.0 * 200;
    EXPECT_GT(p.total_distance, 0.5 * travelled);
    EXPECT_NEAR(p.total_distance + p.leg_distance, travelled, 0.05 * travelled);
    owngps::resetOwnPosition();
    sail(1.7e9, 120, 0.5);
    EXPECT_EQ(p.total_distance, 0);
}

// The settings in the forms this version writes and earlier ones wrote.
TEST_F(OwnPosition, SettingsReadTheirStoredFormsOldAndNew) {
    PersistantData* settings = PersistantData::find_persistor("COverlayGPSPosition:");
    ASSERT_NE(settings, nullptr);
    const std::string kTime = "COverlayGPSPosition:averaging_time";
    const std::string kBackground = "COverlayGPSPosition:record_in_background_mode";
    const std::tuple<std::string, const char*, double> cases[] = {
        {kTime, "0000000000804640", 45.0},  // double, as written now
        {kTime, "00003442", 45.0},          // float, as written before
        {kTime, "12.5", 12.5},              // decimal typed by hand
        {kTime, "000000000000f07f", 30},    // infinite: the default stays
        {kBackground, "0x1", 1},            // int, as written now
        {kBackground, "0", 0},              // bool, as written before
        {kBackground, "1", 1},
        {kBackground, "0x2", 2},
    };
    for (const auto& [key, text, value] : cases) {
        COverlayGPSPosition::averaging_time = 30;
        COverlayGPSPosition::record_in_background_mode = 7;
        CAttributes set;
        set.Set(key, text);
        settings->LoadFrom(set);
        EXPECT_EQ(key == kTime ? COverlayGPSPosition::averaging_time
                               : COverlayGPSPosition::record_in_background_mode,
                  value)
            << key << "=" << text;
    }
    COverlayGPSPosition::averaging_time = 45;
    COverlayGPSPosition::record_in_background_mode = 1;
    CAttributes stored;
    settings->StoreTo(stored);
    EXPECT_EQ(stored.Get(kTime) + " " + stored.Get(kBackground), "0000000000804640 0x1");
    COverlayGPSPosition::averaging_time = 30;
}

TEST_F(OwnPosition, LastPositionRoundTripsThroughItsFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("gpsdata.ovtf").toStdString();
    fixAt(1000, 0);
    p.total_distance = 1234.5;
    ASSERT_TRUE(p.Save(path));
    owngps::resetOwnPosition();
    ASSERT_TRUE(p.Load(path));
    EXPECT_EQ(std::pair(p.latitude, p.total_distance), std::pair(51.5, 1234.5));
    EXPECT_FALSE(p.Load(dir.file("missing.ovtf").toStdString()));
    testsupport::writeFile(dir.file("bad.ovtf"), "not a position file");
    EXPECT_FALSE(p.Load(dir.file("bad.ovtf").toStdString()));
}

}  // namespace
