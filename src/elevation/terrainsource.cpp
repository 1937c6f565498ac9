// The elevation store behind the terrain altitude mode: made at start-up
// when the saved altitude mode is not off, and made or dropped when the
// altitude settings change (CDataAltitude::SetAltitudeSettings).
#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "app/base/persistantdata.h"
#include "data/dataaltitude.h"
#include "data/overlaygpsposition.h"
#include "elevation/elevationdata.h"

namespace {

constexpr double kNoAltitude = -9999;

class ElevationPersistor : public PersistantData {
public:
    ElevationPersistor() : PersistantData("MZElevationData") {}
    void DeclareData() override { Declare("tileServer", MZElevationData::serverSetting()); }
};
ElevationPersistor s_persistor;

class ElevationTerrainSource : public CDataAltitude::TerrainSource {
public:
    ElevationTerrainSource() { CDataAltitude::SetTerrainSource(this); }

    void Open() override {
        if (MZElevationData::g_elevation) return;
        MZElevationData::ApplyServerSetting();
        MZElevationData::g_elevation = new MZElevationData(getAppDirectory("elev"));
    }

    void Close() override { delete MZElevationData::g_elevation; }

    double AltitudeAt(double lat, double lon) override {
        return heightAt(lat, lon, MZElevationData::kBestLevelCap);
    }

    double GroundHeightAt(double lat, double lon, double spacing) override {
        return heightAt(lat, lon, MZElevationData::levelForSpacing(lat, spacing));
    }

private:
    static double heightAt(double lat, double lon, int maxLevel) {
        MZElevationData* store = MZElevationData::g_elevation;
        float height = 0;
        if (!store || !store->elevationAtBestLevel(lat, lon, height, maxLevel)) return kNoAltitude;
        return height;
    }
};
ElevationTerrainSource s_terrain;

const AppHookRegistration s_openAtStart(AppHook::OpenElevationData, [](const AppHookContext&) {
    if (COverlayGPSPosition::theLatestPosition.mode != CDataAltitude::kOff) s_terrain.Open();
});

}  // namespace
