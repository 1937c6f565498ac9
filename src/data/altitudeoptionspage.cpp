// The "Altitude Options" settings page: where the altitude comes from.
#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "data/overlaygpsposition.h"

namespace {

class CAltitudeSettingsType : public CGlobalSettingsType {
public:
    CAltitudeSettingsType() : CGlobalSettingsType("Altitude Options", 40) {}

    CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND) override {
        struct Choice {
            const char* title;
            CDataAltitude::mode_e mode;
        };
        static const Choice kChoices[] = {
            {"GPS", CDataAltitude::kGPS},
            {"Barometer", CDataAltitude::kBarometer},
            {"GPS and Barometer", CDataAltitude::kBlend},
            {"Terrain", CDataAltitude::kTerrain},
            {"Off", CDataAltitude::kOff},
        };
        const std::string at = path + name + ":";
        CDataAltitude& altitude = COverlayGPSPosition::theLatestPosition;
        for (const Choice& c : kChoices) {
            // Terrain altitudes need the elevation data.
            if (c.mode == CDataAltitude::kTerrain && !CDataAltitude::GetTerrainSource()) continue;
            const CDataAltitude::mode_e mode = c.mode;
            menu->Add(at + c.title,
                      [mode] {
                          CDataAltitude& a = COverlayGPSPosition::theLatestPosition;
                          // The calibration is kept: the altitude reads on as it does now.
                          const double now = a.altitude > -9999 ? a.altitude : 0;
                          a.SetAltitudeSettings(a.gps_time_constant, mode, now,
                                                a.baro_time_constant);
                      })
                .checked = altitude.mode == c.mode;
        }
        return menu;
    }
};

CAltitudeSettingsType s_altitudePage;

}  // namespace
