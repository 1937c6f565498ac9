// Terrain altitudes through the elevation store: chosen on the settings
// page, read from the program's elevation folder, opened at start-up only
// for an altitude mode.
#include <gtest/gtest.h>

#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "data/overlaygpsposition.h"
#include "elevationtestsupport.h"

using namespace elevationtest;

namespace {

TEST(TerrainAltitude, ChosenOnTheSettingsPageAndOpenedAtStartUpForAMode) {
    COverlayGPSPosition& position = COverlayGPSPosition::theLatestPosition;
    DownloadSettings off(false, QUrl());
    // Flat ground at 123.5 m round 50.5 N 1.5 W, levels 3 to 12.
    const QString elev = QString::fromStdString(getAppDirectory("elev"));
    for (int level = 3; level <= 12; ++level)
        ASSERT_TRUE(
            writeTilesAround(elev, level, 50.5, -1.5, [](double, double) { return 123.5; }));
    CGlobalSettingsType* page = CGlobalSettingsType::First();
    while (page && page->name != "Altitude Options") page = page->next;
    ASSERT_NE(page, nullptr);
    CMenuTree menu("Settings");
    page->addMenu(&menu, "", nullptr);
    ASSERT_TRUE(menu.Choose("Altitude Options:Terrain"));
    ASSERT_NE(MZElevationData::g_elevation, nullptr);
    EXPECT_EQ(MZElevationData::g_elevation->directory(), elev.toStdString());
    position.set_latlon(50.5, -1.5);
    EXPECT_FLOAT_EQ(position.altitude, 123.5);
    position.set_latlon(10, 100);  // no tiles there
    EXPECT_EQ(position.altitude, -9999);
    ASSERT_TRUE(menu.Choose("Altitude Options:Off"));
    EXPECT_EQ(MZElevationData::g_elevation, nullptr);

    for (auto [mode, opened] :
         {std::pair(CDataAltitude::kOff, false), std::pair(CDataAltitude::kGPS, true)}) {
        position.mode = mode;
        RunAppHooks(AppHook::OpenElevationData);
        EXPECT_EQ(MZElevationData::g_elevation != nullptr, opened) << mode;
        delete MZElevationData::g_elevation;
    }
    position.SetAltitudeSettings(0, CDataAltitude::kGPS, -9999, 10);
}

}  // namespace
