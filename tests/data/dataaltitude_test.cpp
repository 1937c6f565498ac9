// Altitude filters and modes on hand-computed values, the calibration, the
// terrain mode and the stored state.
#include "data/dataaltitude.h"

#include <gtest/gtest.h>

#include "app/base/barometer.h"

namespace {

constexpr double kNone = -9999;

// A terrain source standing in for the elevation data: a flat plain.
class Plain : public CDataAltitude::TerrainSource {
public:
    void Open() override { ++opened; }
    void Close() override { ++closed; }
    double AltitudeAt(double lat, double) override { return lat > 80 ? kNone : 42.0; }
    int opened = 0, closed = 0;
};

CDataAltitude gpsAltitude(double timeConstant) {
    CDataAltitude a;
    a.mode = CDataAltitude::kGPS;
    a.gps_time_constant = timeConstant;
    a.gps_rate = timeConstant > 0 ? 1 / timeConstant : 0;
    return a;
}

}  // namespace

TEST(AltitudeGPS, UnsmoothedByDefault) {
    CDataAltitude a;
    EXPECT_EQ(a.altitude, kNone);
    a.Set(100, 0, 1000);
    EXPECT_DOUBLE_EQ(a.altitude, 100);
    a.Set(103, 0, 1001);
    EXPECT_DOUBLE_EQ(a.altitude, 103);
}

TEST(AltitudeGPS, SmoothedWithTheTimeConstant) {
    CDataAltitude a = gpsAltitude(10);
    a.Set(100, 0, 1000);  // first fix: taken as it is
    EXPECT_DOUBLE_EQ(a.altitude, 100);
    a.Set(110, 0, 1002);  // 2 s of 10 s: a fifth of the way
    EXPECT_DOUBLE_EQ(a.altitude, 102);
    a.Set(110, 0, 1002);  // same time again: unchanged, not blanked
    EXPECT_DOUBLE_EQ(a.altitude, 102);
    a.Set(200, 0, 1030);  // gap longer than 10 s: restart from the fix
    EXPECT_DOUBLE_EQ(a.altitude, 200);
    a.Set(kNone, 0, 1031);  // no GPS altitude in the fix
    EXPECT_EQ(a.altitude, kNone);
}

TEST(AltitudeModes, OffAndBarometerWithoutPressureGiveNone) {
    ASSERT_LE(GetBarometricPressure(), 0);
    ASSERT_FALSE(HasBarometer());
    CDataAltitude a;
    a.mode = CDataAltitude::kOff;
    a.Set(100, 0, 1000);
    EXPECT_EQ(a.altitude, kNone);
    a.mode = CDataAltitude::kBarometer;
    a.Set(100, GetBarometricPressure(), 1001);
    EXPECT_EQ(a.altitude, kNone);
    a.mode = CDataAltitude::kBlend;  // without pressure: GPS alone
    a.Set(100, GetBarometricPressure(), 1002);
    EXPECT_DOUBLE_EQ(a.altitude, 100);
}

TEST(AltitudeModes, BlendFollowsPressureAndCorrectsFromGPS) {
    CDataAltitude a = gpsAltitude(10);
    a.mode = CDataAltitude::kBlend;
    a.Set(50, 1013.25, 1000);  // reference taken: barometric altitude 0
    EXPECT_DOUBLE_EQ(a.reference_pressure, 1013.25);
    EXPECT_DOUBLE_EQ(a.altitude, 50);
    // 1012 hPa is 10.4105 m up; GPS moves the difference a tenth of the way.
    a.Set(52, 1012.0, 1001);
    EXPECT_NEAR(a.last_baro_altitude, 10.410465520900093, 1e-9);
    EXPECT_NEAR(a.difference, 49.158953447909994, 1e-9);
    EXPECT_NEAR(a.altitude, 59.56941896881008, 1e-9);
}

TEST(AltitudeModes, BlendRereferencesPast100Metres) {
    CDataAltitude a = gpsAltitude(10);
    a.mode = CDataAltitude::kBlend;
    a.Set(0, 1013.25, 1000);
    a.Set(110, 1000.0, 1100);  // 110.88 m by pressure, after a long gap
    EXPECT_NEAR(a.altitude, 110, 1e-9);
    EXPECT_DOUBLE_EQ(a.reference_pressure, 1000.0);
    EXPECT_NEAR(a.difference, 110, 1e-9);  // the barometric part moved into it
    a.Set(110, 1000.0, 1101);              // same pressure: barometric altitude 0 now
    EXPECT_NEAR(a.altitude, 110, 1e-9);
}

TEST(AltitudeModes, BarometerOnlyAddsTheOffsetTakenAtTheFirstFix) {
    CDataAltitude a;
    a.mode = CDataAltitude::kBarometer;
    a.Set(300, 1013.25, 1000);
    EXPECT_DOUBLE_EQ(a.altitude, 300);
    a.Set(0, 1012.0, 1020);  // GPS ignored
    EXPECT_NEAR(a.altitude, 310.410465520900093, 1e-9);
}

TEST(AltitudeSettings, CalibrationMakesTheAltitudeReadTheGivenValue) {
    CDataAltitude a;
    a.Set(100, 0, 1000);
    a.SetAltitudeSettings(0, CDataAltitude::kGPS, 120, 10);
    EXPECT_DOUBLE_EQ(a.altitude, 120);
    EXPECT_DOUBLE_EQ(a.user_offset, 20);
    a.Set(101, 0, 1001);
    EXPECT_DOUBLE_EQ(a.altitude, 121);
    a.SetAltitudeSettings(0, CDataAltitude::kOff, 0, 10);
    EXPECT_EQ(a.altitude, kNone);
    a.Set(101, 0, 1002);
    EXPECT_EQ(a.altitude, kNone);
}

TEST(AltitudeSettings, NoCalibrationAgainstAMissingAltitude) {
    CDataAltitude a;
    a.SetAltitudeSettings(0, CDataAltitude::kGPS, 120, 10);  // no fix yet
    EXPECT_DOUBLE_EQ(a.user_offset, 0);
    a.SetAltitudeSettings(0, CDataAltitude::mode_e(9), 0, 10);  // unknown mode
    EXPECT_EQ(a.mode, CDataAltitude::kGPS);
}

TEST(AltitudeTerrain, FromTheElevationDataAtEachPosition) {
    CDataAltitude a;
    a.SetFromTerrain(50, 8);
    EXPECT_EQ(a.altitude, kNone);  // no elevation data built in
    Plain plain;
    CDataAltitude::SetTerrainSource(&plain);
    a.SetAltitudeSettings(0, CDataAltitude::kTerrain, kNone, 10);
    EXPECT_EQ(plain.opened, 1);
    a.SetFromTerrain(50, 8);
    EXPECT_DOUBLE_EQ(a.altitude, 42);
    a.Set(500, 0, 1000);  // GPS does not move a terrain altitude
    EXPECT_DOUBLE_EQ(a.altitude, 42);
    a.SetFromTerrain(85, 8);
    EXPECT_EQ(a.altitude, kNone);
    a.SetAltitudeSettings(0, CDataAltitude::kOff, kNone, 10);
    EXPECT_EQ(plain.closed, 1);
    CDataAltitude::SetTerrainSource(nullptr);
}

TEST(AltitudeSerialize, RoundTripsTheSettingsAndFilterState) {
    CDataAltitude a = gpsAltitude(30);
    a.difference = 12.5;
    a.user_offset = -3;
    a.last_update_time = 1234.5;
    a.baro_time_constant = 20;
    CSerializable::IOStream out = CSerializable::IOStream::ForWriting();
    ASSERT_TRUE(a.Serialize(out));
    EXPECT_EQ(out.bytes().size(), 6 * 8 + 4u);

    CSerializable::IOStream in = CSerializable::IOStream::ForReading(out.bytes());
    CDataAltitude b;
    ASSERT_TRUE(b.Serialize(in));
    EXPECT_DOUBLE_EQ(b.gps_time_constant, 30);
    EXPECT_DOUBLE_EQ(b.gps_rate, 1.0 / 30);
    EXPECT_DOUBLE_EQ(b.difference, 12.5);
    EXPECT_DOUBLE_EQ(b.user_offset, -3);
    EXPECT_DOUBLE_EQ(b.last_update_time, 1234.5);
    EXPECT_DOUBLE_EQ(b.baro_rate, 1.0 / 20);
    EXPECT_EQ(b.mode, CDataAltitude::kGPS);
}

TEST(AltitudeSerialize, ReadingRepairsWhatThisDeviceCannotUse) {
    for (int32_t stored :
         {int32_t(CDataAltitude::kBlend), int32_t(CDataAltitude::kBarometer), 77, -1}) {
        CDataAltitude a;
        a.gps_time_constant = -5;
        a.baro_time_constant = 0.005;
        a.mode = CDataAltitude::mode_e(stored);
        CSerializable::IOStream out = CSerializable::IOStream::ForWriting();
        ASSERT_TRUE(a.Serialize(out));
        CSerializable::IOStream in = CSerializable::IOStream::ForReading(out.bytes());
        CDataAltitude b;
        ASSERT_TRUE(b.Serialize(in));
        EXPECT_EQ(b.mode, CDataAltitude::kGPS) << stored;  // no barometer; unknown modes
        EXPECT_DOUBLE_EQ(b.gps_time_constant, 600);
        EXPECT_EQ(b.baro_rate, 0);  // constants of 0.01 s or less don't filter
    }
}
