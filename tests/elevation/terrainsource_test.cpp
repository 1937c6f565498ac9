// The terrain altitude through the elevation store: the settings page
// offers it, choosing it opens the store on the program's elevation folder,
// positions take their altitude from the tiles, and the start-up step opens
// the store only when the saved mode needs it.
#include <gtest/gtest.h>

#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "data/overlaygpsposition.h"
#include "elevationtestsupport.h"

using namespace elevationtest;

namespace {

CGlobalSettingsType* altitudePage() {
    for (CGlobalSettingsType* t = CGlobalSettingsType::First(); t; t = t->next)
        if (t->name == "Altitude Options") return t;
    return nullptr;
}

class TerrainAltitude : public ::testing::Test {
protected:
    void TearDown() override {
        position.SetAltitudeSettings(0, CDataAltitude::kGPS, -9999, 10);
        position.mode = saved;
        delete MZElevationData::g_elevation;
    }
    COverlayGPSPosition& position = COverlayGPSPosition::theLatestPosition;
    CDataAltitude::mode_e saved = position.mode;
    DownloadSettings settings{false, QUrl()};
};

TEST_F(TerrainAltitude, TheSettingsPageChoosesTerrainAndPositionsReadTheTiles) {
    // Flat ground on the tiles of levels 3 to 12 round 50.5 N 1.5 W in the
    // program's folder.
    const QString elev = QString::fromStdString(getAppDirectory("elev"));
    for (int level = 3; level <= 12; ++level) {
        double gx, gy;
        Google_Grid(level, false, {}).LatLongToPixelXY(50.5, -1.5, gx, gy);
        const int tx = int(gx / 256), ty = int(gy / 256);
        ASSERT_TRUE(writeTiles(elev, level, tx - 1, tx + 1, ty - 1, ty + 1,
                               [](double, double) { return 123.5; }));
    }
    CGlobalSettingsType* page = altitudePage();
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
}

TEST_F(TerrainAltitude, StartUpOpensTheStoreOnlyForAnAltitudeMode) {
    const struct {
        CDataAltitude::mode_e mode;
        bool opened;
    } cases[] = {
        {CDataAltitude::kOff, false}, {CDataAltitude::kGPS, true}, {CDataAltitude::kTerrain, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        delete MZElevationData::g_elevation;
        position.mode = c.mode;
        RunAppHooks(AppHook::OpenElevationData);
        EXPECT_EQ(MZElevationData::g_elevation != nullptr, c.opened);
    }
}

}  // namespace
