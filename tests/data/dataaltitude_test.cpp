// Altitude filters and modes on hand-computed values, the calibration, the
// terrain mode and the stored state.
#include "data/dataaltitude.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "app/base/barometer.h"

namespace {

constexpr double kNone = -9999;

// What a save then a load makes of a.
CDataAltitude roundTrip(CDataAltitude& a) {
    CSerializable::IOStream out = CSerializable::IOStream::ForWriting();
    EXPECT_TRUE(a.Serialize(out));
    CSerializable::IOStream in = CSerializable::IOStream::ForReading(out.bytes());
    CDataAltitude b;
    EXPECT_TRUE(b.Serialize(in));
    return b;
}

// A terrain source standing in for the elevation data: a flat plain.
class Plain : public CDataAltitude::TerrainSource {
public:
    void Open() override { ++opened; }
    void Close() override { ++closed; }
    double AltitudeAt(double lat, double) override { return lat > 80 ? kNone : 42.0; }
    int opened = 0, closed = 0;
};

}  // namespace

// Runs of fixes through one altitude object: mode, GPS time constant, then
// per fix the GPS altitude, pressure, time and the altitude expected.
TEST(Altitude, ModesAndFiltersOnRunsOfFixes) {
    ASSERT_FALSE(HasBarometer());
    using A = CDataAltitude;
    const std::tuple<A::mode_e, double, std::vector<std::array<double, 4>>> runs[] = {
        {A::kGPS, 0, {{100, 0, 1000, 100}, {103, 0, 1001, 103}}},
        // First fix taken; 2 s of 10 s a fifth of the way; same time: kept;
        // a gap past 10 s restarts; a fix without altitude has none.
        {A::kGPS, 10, {{100, 0, 1000, 100}, {110, 0, 1002, 102}, {110, 0, 1002, 102}}},
        {A::kGPS, 10, {{100, 0, 1000, 100}, {200, 0, 1030, 200}, {kNone, 0, 1031, kNone}}},
        {A::kOff, 0, {{100, 0, 1000, kNone}}},
        {A::kBarometer, 0, {{100, 0, 1000, kNone}}},  // no pressure here
        {A::kBlend, 0, {{100, 0, 1000, 100}}},        // no pressure: GPS alone
        // 1012 hPa is 10.4105 m above 1013.25 hPa in the standard atmosphere.
        {A::kBlend, 10, {{50, 1013.25, 1000, 50}, {52, 1012, 1001, 59.5694}}},
        {A::kBlend, 10, {{0, 1013.25, 1000, 0}, {110, 1000, 1100, 110}, {110, 1000, 1101, 110}}},
        {A::kBarometer, 0, {{300, 1013.25, 1000, 300}, {0, 1012, 1020, 310.4105}}},
    };
    for (const auto& [mode, timeConstant, fixes] : runs) {
        A a;
        a.mode = mode;
        a.gps_time_constant = timeConstant;
        a.gps_rate = timeConstant > 0 ? 1 / timeConstant : 0;
        for (const auto& [gps, pressure, time, expected] : fixes) {
            a.Set(gps, pressure, time);
            EXPECT_NEAR(a.altitude, expected, 1e-4) << "mode " << mode << " at " << time;
        }
    }
}

TEST(Altitude, CalibrationOffsetsEveryFixButNeedsAnAltitude) {
    CDataAltitude a;
    a.SetAltitudeSettings(0, CDataAltitude::kGPS, 120, 10);  // no fix yet: no offset
    EXPECT_DOUBLE_EQ(a.user_offset, 0);
    a.Set(100, 0, 1000);
    a.SetAltitudeSettings(0, CDataAltitude::kGPS, 120, 10);
    const double calibrated = a.altitude;
    a.Set(101, 0, 1001);
    EXPECT_EQ(std::pair(calibrated, a.altitude), std::pair(120.0, 121.0));
    a.SetAltitudeSettings(0, CDataAltitude::mode_e(9), 0, 10);  // unknown mode
    EXPECT_EQ(a.mode, CDataAltitude::kGPS);
}

TEST(Altitude, TerrainModeReadsTheElevationDataAtEachPosition) {
    CDataAltitude::TerrainSource* builtIn = CDataAltitude::GetTerrainSource();
    CDataAltitude a;
    a.SetFromTerrain(50, 8);
    EXPECT_EQ(a.altitude, kNone);  // no elevation data loaded
    Plain plain;
    CDataAltitude::SetTerrainSource(&plain);
    a.SetAltitudeSettings(0, CDataAltitude::kTerrain, kNone, 10);
    a.SetFromTerrain(50, 8);
    a.Set(500, 0, 1000);  // GPS does not move a terrain altitude
    EXPECT_DOUBLE_EQ(a.altitude, 42);
    a.SetFromTerrain(85, 8);
    EXPECT_EQ(a.altitude, kNone);
    a.SetAltitudeSettings(0, CDataAltitude::kOff, kNone, 10);
    EXPECT_EQ(std::pair(plain.opened, plain.closed), std::pair(1, 1));
    CDataAltitude::SetTerrainSource(builtIn);
}

TEST(Altitude, StoredStateRoundTripsAndIsRepairedOnReading) {
    for (int32_t stored : {int32_t(CDataAltitude::kGPS), int32_t(CDataAltitude::kBlend), 77, -1}) {
        SCOPED_TRACE(stored);
        CDataAltitude a;
        a.mode = CDataAltitude::mode_e(stored);
        const bool nan = stored == -1;  // a damaged file: NaN constants
        a.gps_time_constant = stored == CDataAltitude::kGPS ? 30 : nan ? NAN : -5;
        a.baro_time_constant = stored == CDataAltitude::kGPS ? 20 : nan ? NAN : 0.005;
        a.difference = 12.5;
        a.user_offset = -3;
        CDataAltitude b = roundTrip(a);
        // No barometer here; unknown modes.
        EXPECT_EQ(std::tuple(b.mode, b.difference, b.user_offset),
                  std::tuple(CDataAltitude::kGPS, 12.5, -3.0));
        // Out-of-range constants are repaired; 0.01 s or less does not filter.
        EXPECT_DOUBLE_EQ(b.gps_rate, stored == CDataAltitude::kGPS ? 1.0 / 30 : 1.0 / 600);
        EXPECT_DOUBLE_EQ(b.baro_rate, stored == CDataAltitude::kGPS ? 1.0 / 20 : 0);
        b.Set(100, 0, 2000);
        EXPECT_EQ(b.altitude, 97);  // with the stored calibration
    }
    // Offsets no altitude can have are dropped rather than summed to infinity.
    CDataAltitude huge;
    huge.difference = huge.user_offset = 1.7e308;
    CDataAltitude b = roundTrip(huge);
    b.Set(100, 0, 2000);
    EXPECT_EQ(b.altitude, 100);
}
