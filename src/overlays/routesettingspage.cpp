// The "Route Settings" page: turning a followed route round at its start,
// and the planning speed that route times are worked out with, offered in
// the user's speed unit and kept in metres a second.
#include <cmath>
#include <string>

#include "app/base/globalsettingstype.h"
#include "app/base/settingsmenu.h"
#include "geo/units.h"
#include "overlays/markmanager.h"

namespace {

constexpr double kKnotsToMs = 0.5144444444444445;
const double kPlanningKnots[] = {2, 3, 4, 5, 6, 7, 8, 10, 12, 15, 20, 25, 30};

class CRouteSettingsType : public CGlobalSettingsType {
public:
    CRouteSettingsType() : CGlobalSettingsType("Route Settings", 31) {}

    CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND) override {
        const std::string at = path + name + ":";
        AddToggle(*menu, at + "Auto Reverse", CDataGotoMark::auto_reverse, "CMarkManager");
        CMenuTree& speeds = menu->Submenu(at + "Planning Speed");
        for (double knots : kPlanningKnots) {
            std::string label;
            CUnits::Default->FormatSpeed(float(knots), label);
            const float ms = float(knots * kKnotsToMs);
            speeds
                .Append(label,
                        [ms] {
                            CMarkManager::horiz_speed = ms;
                            SaveSettingsOf("CMarkManager");
                        })
                .checked = std::abs(CMarkManager::horiz_speed - ms) < 0.01f;
        }
        return menu;
    }
};

CRouteSettingsType s_routeSettingsPage;

}  // namespace
