// Units: value formatting, the scale bar, durations, families, the menu and
// the persisted settings.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <tuple>

#include "app/base/attributes.h"
#include "app/base/datasource.h"
#include "geo/units.h"

namespace {

CUnits unitsOfFamily(CUnits::e_dist_units family) {
    CUnits u;
    u.set_unit_family(family);
    return u;
}

// The text a formatting function writes for a value.
std::string shown(const CUnits& u, void (CUnits::*f)(float, std::string&) const, float value) {
    std::string text;
    (u.*f)(value, text);
    return text;
}
std::string shown(const CUnits& u, void (CUnits::*f)(double, std::string&) const, double value) {
    std::string text;
    (u.*f)(value, text);
    return text;
}
std::string shown(void (*f)(double, std::string&), double value) {
    std::string text;
    f(value, text);
    return text;
}

}  // namespace

TEST(Units, ValuesAreFormattedInTheChosenUnits) {
    const CUnits nautical = unitsOfFamily(CUnits::Nautical), metric = unitsOfFamily(CUnits::Metric),
                 statute = unitsOfFamily(CUnits::Statute);
    CUnits knots = metric, fathoms = metric, magnetic;
    knots.speed_unit = CUnits::SpeedKts;
    fathoms.depth_unit = CUnits::DepthFathom;
    magnetic.bearing_mode = 1;
    magnetic.magnetic_variation = 12;
    // As written, as expected.
    const std::pair<std::string, std::string> cases[] = {
        {shown(nautical, &CUnits::FormatDistance, 0.08f * 1852), "162 yds"},
        {shown(nautical, &CUnits::FormatDistance, 1852), "1.00 NM"},
        {shown(metric, &CUnits::FormatDistance, 5200), "5.20 km"},
        {shown(metric, &CUnits::FormatDistance, 50), "50.0 m"},
        {shown(statute, &CUnits::FormatDistance, 10), "32.8 ft"},  // the foot is 3.281 per metre
        {shown(statute, &CUnits::FormatDistance, 1609.344f), "1.00 Mi"},
        {shown(metric, &CUnits::FormatDistanceValue, 2500000), "2500"},
        {shown(metric, &CUnits::FormatSpeed, 10), "18.5km/h"},
        {shown(knots, &CUnits::FormatSpeed, 0.25f), "0.25kts"},
        {shown(metric, &CUnits::FormatDepth, -10000), "---"},
        {shown(metric, &CUnits::FormatDepth, 12.6f), "13m"},
        {shown(metric, &CUnits::FormatDepth, -0.004f), "0.0m"},  // never "-0.0"
        {shown(fathoms, &CUnits::FormatDepth, 6), "3.3fathom"},
        {shown(metric, &CUnits::FormatTemperatureValue, 20), "20.0"},
        {shown(statute, &CUnits::FormatTemperatureValue, 20), "68.0"},
        {shown(metric, &CUnits::FormatBearingValue, 359.6), "000"},
        {shown(metric, &CUnits::FormatBearingValue, -10), "350"},
        {shown(metric, &CUnits::FormatBearingValue, 900), ""},  // unknown
        {shown(metric, &CUnits::FormatBearingValue, std::numeric_limits<double>::quiet_NaN()), ""},
        {shown(magnetic, &CUnits::FormatBearingValue, 5), "353"},
        {shown(CUnits::FormatElapsedTime, 3725), "1:02:05"},
        {shown(CUnits::FormatElapsedTime, 90061), "1D 1h:01"},
        {shown(CUnits::FormatElapsedTime, -125), "Negative 2:05"},
        {shown(CUnits::FormatElapsedTime, 36340), "10h:06"},         // 10:05:40, minutes rounded
        {shown(CUnits::FormatElapsedTimeHoursMins, 3599), "1h:00"},  // 59:59: a whole hour
        {shown(magnetic, &CUnits::FormatBearing, 90), "078\xC2\xB0M"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
}

TEST(Units, ScaleBarShowsOneTwoOrFiveUnits) {
    const CUnits nautical = unitsOfFamily(CUnits::Nautical);
    std::string label;
    // 0.01 NM a pixel, 200 pixels: 2 NM at most; 1 NM takes half the bar.
    EXPECT_EQ(std::make_pair(nautical.format_scale(0.01, label, 200), label),
              std::make_pair(100, std::string("1 NM")));
    // 0.013 NM a pixel: 2.6 NM at most, so 2 NM over 153 pixels.
    EXPECT_EQ(std::make_pair(nautical.format_scale(0.013, label, 200), label),
              std::make_pair(153, std::string("2 NM")));
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
    // Impossible input is refused at once.
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const std::pair<double, int> bad[] = {{0.01, 0}, {0.01, -5},   {inf, 200}, {nan, 200},
                                          {0, 200},  {1e-30, 200}, {1e25, 200}};
    for (auto [nmpp, width] : bad) EXPECT_EQ(metric.format_scale(nmpp, label, width), 0) << nmpp;
}

TEST(Units, ClockTimesUseLocalTime) {
    qputenv("TZ", "UTC");
    tzset();
    EXPECT_EQ(shown(CUnits::Get24hTime, 1700000000), "22:13:20");  // 2023-11-14 22:13:20 UTC
    EXPECT_EQ(shown(CUnits::FormatTimeOfDay, 1700000000), "10:13pm");
    EXPECT_EQ(shown(CUnits::FormatTimeOfDay, 1699920000), "0:00am");
    EXPECT_EQ(shown(CUnits::FormatTimeOfDay, 1699963200), "12:00pm");
    EXPECT_EQ(shown(CUnits::FormatDate, 1700000000), "Tue Nov 14 2023");
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

// The actions of the Units page change the default units and tell the
// listeners; an unknown action, or another CUnits, tells nobody.
TEST_F(DefaultUnits, MenuActionsChangeTheDefaultAndTellListeners) {
    const CGlobalSettingsType* page = CGlobalSettingsType::First();
    while (page && page->name != "Units") page = page->next;
    ASSERT_NE(page, nullptr);
    UnitsWatcher watcher;
    CUnits& u = *CUnits::Default;
    EXPECT_TRUE(u.DoMenuAction("Units:Metric") && u.unit_family == CUnits::Metric);
    EXPECT_TRUE(u.DoMenuAction("Units:Heights:Feet") && u.depth_unit == CUnits::DepthFt);
    EXPECT_TRUE(u.DoMenuAction("Units:Bearings:Magnetic") && u.bearing_mode == 1);
    EXPECT_DOUBLE_EQ(u.bearing_time, 0);
    EXPECT_TRUE(u.DoMenuAction("Units:Position format:MGRS"));
    EXPECT_STREQ(u.position_format->name, "MGRS");
    const auto actions = CUnits::CUnitSettingsType::MenuActions();
    EXPECT_EQ(actions.size(), 7u + 9u);  // the unit items and the nine position formats
    for (const std::string& action : actions) {
        EXPECT_TRUE(u.DoMenuAction(action)) << action;
        EXPECT_TRUE(u.IsMenuActionChecked(action)) << action;
    }
    EXPECT_FALSE(u.DoMenuAction("Units:Position format:Nowhere"));
    EXPECT_FALSE(u.DoMenuAction("Units:Imperial"));
    CUnits other;
    EXPECT_TRUE(other.DoMenuAction("Units:Nautical"));
    EXPECT_EQ(watcher.calls, 4 + int(actions.size()));
}

// The stored forms of the settings table, and a decimal typed by hand.
TEST_F(DefaultUnits, SettingsLoadAndSaveInTheirStoredForms) {
    PersistantData* persistor = PersistantData::find_persistor("CDefaultUnits:units");
    ASSERT_NE(persistor, nullptr);
    CUnits& u = *CUnits::Default;
    const float variation = -2.5f;
    const double lat = 51.5;
    CAttributes hex;
    hex.SetData("v", &variation, sizeof variation);
    hex.SetData("l", &lat, sizeof lat);
    const auto format = [&] { return std::string(u.position_format->name); };
    // The key, its stored form, and what the loaded units must hold.
    const std::tuple<const char*, std::string, std::function<bool()>> cases[] = {
        {"units", "0x1",
         [&] { return u.unit_family == CUnits::Nautical && u.short_unit == CUnits::DistYds; }},
        {"units", "0x5", [&] { return u.short_unit == CUnits::DistYds; }},  // a unit, not a family
        {"posnfmt", "British National Grid", [&] { return format() == "British National Grid"; }},
        {"posnfmt", "Maidenhead", [&] { return format() == "Deg,Min"; }},
        {"speed", "0x9", [&] { return u.speed_unit == CUnits().speed_unit; }},  // out of range
        {"magnetic_variation", hex.Get("v"), [&] { return u.magnetic_variation == variation; }},
        {"magnetic_variation", "-2.5", [&] { return u.magnetic_variation == variation; }},
        {"bearing_lat", hex.Get("l"), [&] { return u.bearing_lat == lat; }},
        {"bearing_lat", "51.5", [&] { return u.bearing_lat == lat; }},
    };
    for (const auto& [key, value, loaded] : cases) {
        u = CUnits();
        CAttributes stored;
        stored.Set(std::string("CDefaultUnits:") + key, value);
        persistor->LoadFrom(stored);
        EXPECT_TRUE(loaded()) << key << "=" << value;
    }
    CAttributes saved;
    persistor->StoreTo(saved);
    EXPECT_EQ(saved.Get("CDefaultUnits:bearing_lat"), hex.Get("l"));
    u.magnetic_variation = variation;
    u.set_unit_family(CUnits::Nautical);
    persistor->StoreTo(saved);
    EXPECT_EQ(saved.Get("CDefaultUnits:magnetic_variation"), hex.Get("v"));
    EXPECT_EQ(saved.Get("CDefaultUnits:units"), "0x1");
}
