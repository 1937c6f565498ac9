// Units: value formatting, the scale bar, durations, families, the menu and
// the persisted settings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/base/attributes.h"
#include "app/base/datasource.h"
#include "geo/units.h"

namespace {

CUnits unitsOfFamily(CUnits::e_dist_units family) {
    CUnits u;
    u.set_unit_family(family);
    return u;
}

std::string distance(const CUnits& u, float metres) {
    std::string text;
    u.FormatDistance(metres, text);
    return text;
}

std::string bearing(const CUnits& u, double degrees) {
    std::string text;
    u.FormatBearingValue(degrees, text);
    return text;
}

std::string elapsed(double seconds) {
    std::string text;
    CUnits::FormatElapsedTime(seconds, text);
    return text;
}

std::string depth(const CUnits& u, float metres) {
    std::string text;
    u.FormatDepth(metres, text);
    return text;
}

}  // namespace

TEST(Units, DistancesPickTheLongOrShortUnit) {
    const CUnits nautical = unitsOfFamily(CUnits::Nautical);
    EXPECT_EQ(distance(nautical, 0.08f * 1852), "162 yds");
    EXPECT_EQ(distance(nautical, 1852), "1.00 NM");
    EXPECT_EQ(distance(nautical, 20 * 1852), "20.0 NM");

    const CUnits metric = unitsOfFamily(CUnits::Metric);
    EXPECT_EQ(distance(metric, 5200), "5.20 km");
    EXPECT_EQ(distance(metric, 123456), "123 km");
    EXPECT_EQ(distance(metric, 50), "50.0 m");

    const CUnits statute = unitsOfFamily(CUnits::Statute);
    EXPECT_EQ(distance(statute, 10), "32.8 ft");  // the foot is 3.281 per metre
    std::string value, unit;
    statute.FormatDistance(1609.344f, value, unit);
    EXPECT_EQ(value, "1.00");
    EXPECT_EQ(unit, "Mi");

    metric.FormatDistanceValue(2500000, value);
    EXPECT_EQ(value, "2500");
    metric.FormatDistanceValue(1234.5f, value);
    EXPECT_EQ(value, "1.23");
    metric.FormatDistanceValue(0.5f, value);
    EXPECT_EQ(value, "0");
}

TEST(Units, SpeedsDepthsAndTemperatures) {
    CUnits u = unitsOfFamily(CUnits::Metric);
    std::string text;
    u.FormatSpeed(10, text);
    EXPECT_EQ(text, "18.5km/h");
    u.FormatSpeedValue(0.5f, text);
    EXPECT_EQ(text, "0.93");
    u.speed_unit = CUnits::SpeedKts;
    u.FormatSpeed(0.25f, text);
    EXPECT_EQ(text, "0.25kts");

    EXPECT_EQ(depth(u, -10000), "---");
    EXPECT_EQ(depth(u, 12.6f), "13m");
    EXPECT_EQ(depth(u, 3.25f), "3.2m");
    EXPECT_EQ(depth(u, -0.004f), "0.0m");  // never "-0.0"
    u.depth_unit = CUnits::DepthFathom;
    EXPECT_EQ(depth(u, 6), "3.3fathom");
    u.FormatDepthValue(-9999, text);
    EXPECT_EQ(text, "---");

    u.FormatTemperatureValue(20, text);
    EXPECT_EQ(text, "20.0");
    EXPECT_STREQ(u.GetTemperatureUnit(),
                 "\xC2\xB0"
                 "C");
    u.set_unit_family(CUnits::Statute);
    u.FormatTemperatureValue(20, text);
    EXPECT_EQ(text, "68.0");
    EXPECT_STREQ(u.GetTemperatureUnit(),
                 "\xC2\xB0"
                 "F");
}

TEST(Units, BearingsAreRoundedIntoZeroTo359) {
    CUnits u;
    EXPECT_EQ(bearing(u, 359.6), "000");
    EXPECT_EQ(bearing(u, 359.4), "359");
    EXPECT_EQ(bearing(u, 5), "005");
    EXPECT_EQ(bearing(u, -10), "350");
    EXPECT_EQ(bearing(u, 725), "005");
    EXPECT_EQ(bearing(u, 999), "");  // unknown
    EXPECT_EQ(bearing(u, 900), "");
    EXPECT_EQ(bearing(u, std::numeric_limits<double>::quiet_NaN()), "");

    u.bearing_mode = 1;
    u.magnetic_variation = -3;
    EXPECT_EQ(bearing(u, 358), "001");
    u.magnetic_variation = 12;
    EXPECT_EQ(bearing(u, 5), "353");
    std::string text;
    u.FormatBearing(90, text);
    EXPECT_EQ(text, "078\xC2\xB0M");
    u.bearing_mode = 0;
    u.FormatBearing(90, text);
    EXPECT_EQ(text, "090\xC2\xB0T");
}

TEST(Units, ScaleBarShowsOneTwoOrFiveUnits) {
    const CUnits nautical = unitsOfFamily(CUnits::Nautical);
    std::string label;
    // 0.01 NM a pixel, 200 pixels: 2 NM at most; 1 NM takes half the bar.
    EXPECT_NEAR(nautical.format_scale(0.01, label, 200), 100, 1);
    EXPECT_EQ(label, "1 NM");
    // 0.013 NM a pixel: 2.6 NM at most, so 2 NM over 153 pixels.
    EXPECT_EQ(nautical.format_scale(0.013, label, 200), 153);
    EXPECT_EQ(label, "2 NM");
    // Short distances switch to yards.
    EXPECT_GT(nautical.format_scale(0.0001, label, 200), 80);
    EXPECT_EQ(label, "20 yds");

    const CUnits metric = unitsOfFamily(CUnits::Metric);
    EXPECT_GT(metric.format_scale(10, label, 100), 40);
    EXPECT_EQ(label, "1000 km");
    for (double nmpp : {1e-6, 3.3e-4, 0.07, 1.9, 55.0}) {
        const int bar = metric.format_scale(nmpp, label, 300);
        EXPECT_GE(bar, 120) << nmpp << " " << label;
        EXPECT_LE(bar, 300) << nmpp << " " << label;
    }
}

TEST(Units, ScaleBarRefusesImpossibleInputAtOnce) {
    const CUnits u;
    std::string label;
    EXPECT_EQ(u.format_scale(0.01, label, 0), 0);
    EXPECT_EQ(label, "0");
    EXPECT_EQ(u.format_scale(0.01, label, -5), 0);
    EXPECT_EQ(u.format_scale(std::numeric_limits<double>::infinity(), label, 200), 0);
    EXPECT_EQ(u.format_scale(std::numeric_limits<double>::quiet_NaN(), label, 200), 0);
    EXPECT_EQ(u.format_scale(0, label, 200), 0);
    EXPECT_EQ(u.format_scale(1e-30, label, 200), 0);
    EXPECT_EQ(u.format_scale(1e25, label, 200), 0);
}

TEST(Units, ElapsedTimes) {
    EXPECT_EQ(elapsed(3725), "1:02:05");
    EXPECT_EQ(elapsed(45), "45s");
    EXPECT_EQ(elapsed(90061), "1D 1h:01");
    EXPECT_EQ(elapsed(125), "2:05");
    EXPECT_EQ(elapsed(-125), "Negative 2:05");
    EXPECT_EQ(elapsed(10 * 3600 + 5 * 60 + 40), "10h:06");  // minutes rounded from 10 h
    EXPECT_EQ(elapsed(0), "0s");

    std::string text;
    CUnits::FormatElapsedTimeHoursMins(3725, text);
    EXPECT_EQ(text, "1h:02");
    CUnits::FormatElapsedTimeHoursMins(3599, text);  // 59:59 rounds to a whole hour
    EXPECT_EQ(text, "1h:00");
    CUnits::FormatElapsedTimeHoursMins(2 * 86400 + 3 * 3600, text);
    EXPECT_EQ(text, "2D 3h:00");
}

TEST(Units, ClockTimesUseLocalTime) {
    qputenv("TZ", "UTC");
    tzset();
    std::string text;
    const double t = 1700000000;  // 2023-11-14 22:13:20 UTC
    CUnits::Get24hTime(t, text);
    EXPECT_EQ(text, "22:13:20");
    CUnits::FormatTimeOfDay(t, text);
    EXPECT_EQ(text, "10:13pm");
    CUnits::FormatTimeOfDay(1699920000, text);  // 00:00
    EXPECT_EQ(text, "0:00am");
    CUnits::FormatTimeOfDay(1699963200, text);  // 12:00
    EXPECT_EQ(text, "12:00pm");
    CUnits::FormatDate(t, text);
    EXPECT_EQ(text, "Tue Nov 14 2023");
}

TEST(Units, FamiliesSetTheirUnits) {
    CUnits u;
    u.set_unit_family(CUnits::Metric);
    EXPECT_EQ(u.short_unit, CUnits::DistM);
    EXPECT_EQ(u.speed_unit, CUnits::SpeedKmh);
    EXPECT_EQ(u.depth_unit, CUnits::DepthM);
    EXPECT_EQ(u.temperature_unit, 0);
    // Nautical keeps depth and temperature as they were.
    u.set_unit_family(CUnits::Nautical);
    EXPECT_EQ(u.short_unit, CUnits::DistYds);
    EXPECT_EQ(u.speed_unit, CUnits::SpeedKts);
    EXPECT_EQ(u.depth_unit, CUnits::DepthM);
    EXPECT_EQ(u.temperature_unit, 0);
    u.set_unit_family(CUnits::Statute);
    EXPECT_EQ(u.short_unit, CUnits::DistFt);
    EXPECT_EQ(u.depth_unit, CUnits::DepthFt);
    // A family beyond the three names the short unit itself.
    u.unit_family = CUnits::e_dist_units(4);
    u.DeriveShortUnit();
    EXPECT_EQ(u.short_unit, CUnits::DistFt);
}

namespace {

struct UnitsWatcher : Listener<CUnits> {
    int calls = 0;
    void OnUpdate(CUnits&) override { ++calls; }
};

// Puts the default units back as they were after each test.
class DefaultUnits : public ::testing::Test {
protected:
    void SetUp() override { saved = *CUnits::Default; }
    void TearDown() override { *CUnits::Default = saved; }
    CUnits saved;
};

}  // namespace

TEST_F(DefaultUnits, MenuActionsChangeTheDefaultAndTellListeners) {
    UnitsWatcher watcher;
    CUnits& u = *CUnits::Default;
    EXPECT_TRUE(u.DoMenuAction("Units:Metric"));
    EXPECT_EQ(u.unit_family, CUnits::Metric);
    EXPECT_TRUE(u.IsMenuActionChecked("Units:Metric"));
    EXPECT_FALSE(u.IsMenuActionChecked("Units:Nautical"));
    EXPECT_TRUE(u.DoMenuAction("Units:Heights:Feet"));
    EXPECT_EQ(u.depth_unit, CUnits::DepthFt);
    EXPECT_TRUE(u.DoMenuAction("Units:Bearings:Magnetic"));
    EXPECT_EQ(u.bearing_mode, 1);
    EXPECT_DOUBLE_EQ(u.bearing_time, 0);
    EXPECT_TRUE(u.DoMenuAction("Units:Position format:MGRS"));
    EXPECT_STREQ(u.position_format->name, "MGRS");
    EXPECT_TRUE(u.IsMenuActionChecked("Units:Position format:MGRS"));
    EXPECT_EQ(watcher.calls, 4);

    EXPECT_FALSE(u.DoMenuAction("Units:Position format:Nowhere"));
    EXPECT_FALSE(u.DoMenuAction("Units:Imperial"));
    EXPECT_EQ(watcher.calls, 4);

    // Another CUnits is nobody's business.
    CUnits other;
    EXPECT_TRUE(other.DoMenuAction("Units:Nautical"));
    EXPECT_EQ(watcher.calls, 4);
}

TEST_F(DefaultUnits, TheUnitsPageOffersEveryAction) {
    const CGlobalSettingsType* page = CGlobalSettingsType::First();
    while (page && page->name != "Units") page = page->next;
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->order, 60);
    const auto actions = CUnits::CUnitSettingsType::MenuActions();
    EXPECT_EQ(actions.size(), 7u + 9u);
    for (const std::string& action : actions) {
        EXPECT_TRUE(CUnits::Default->DoMenuAction(action)) << action;
        EXPECT_TRUE(CUnits::Default->IsMenuActionChecked(action)) << action;
    }
}

TEST_F(DefaultUnits, SettingsRoundTripThroughThePersistor) {
    PersistantData* persistor = PersistantData::find_persistor("CDefaultUnits:units");
    ASSERT_NE(persistor, nullptr);
    CUnits& u = *CUnits::Default;
    u.set_unit_family(CUnits::Nautical);
    u.position_format = CUnits::PositionFormatType::Find("British National Grid");
    u.bearing_mode = 1;
    u.magnetic_variation = -2.5f;
    u.bearing_lat = 51.5;
    CAttributes stored;
    persistor->StoreTo(stored);
    EXPECT_EQ(stored.Get("CDefaultUnits:posnfmt"), "British National Grid");
    EXPECT_EQ(stored.Get("CDefaultUnits:units"), "0x1");

    u = CUnits();
    persistor->LoadFrom(stored);
    EXPECT_EQ(u.unit_family, CUnits::Nautical);
    EXPECT_EQ(u.short_unit, CUnits::DistYds);  // derived on loading
    EXPECT_STREQ(u.position_format->name, "British National Grid");
    EXPECT_EQ(u.bearing_mode, 1);
    EXPECT_FLOAT_EQ(u.magnetic_variation, -2.5f);
    EXPECT_DOUBLE_EQ(u.bearing_lat, 51.5);

    // Unknown formats fall back to "Deg,Min"; out-of-range indices are ignored.
    CAttributes odd;
    odd.Set("CDefaultUnits:posnfmt", "Maidenhead");
    odd.Set("CDefaultUnits:speed", "0x9");
    persistor->LoadFrom(odd);
    EXPECT_STREQ(u.position_format->name, "Deg,Min");
    EXPECT_EQ(u.speed_unit, CUnits::SpeedKts);
}
