// The "AIS Settings" page, offered once a target has been shown: the CPA
// alarm limits (distances in the user's units, kept in metres; times in
// minutes, kept in seconds), notifications, target tracks and range rings.
#include <cmath>
#include <string>

#include "app/base/globalsettingstype.h"
#include "app/base/settingsmenu.h"
#include "data/aistargetmanager.h"
#include "geo/units.h"

namespace {

constexpr const char* kPersistor = "CAISTargetManager";
const float kDistances[] = {50, 100, 200, 300, 500, 1000, 1852, 3704};  // metres
const float kMinutes[] = {5, 10, 15, 20, 30, 45, 60};
const float kClosingKnots[] = {0.5f, 1, 2, 3, 5};

std::string distanceText(float metres) {
    std::string text;
    if (CUnits::Default)
        CUnits::Default->FormatDistance(metres, text);
    else
        text = std::to_string(int(metres)) + " m";
    return text;
}

// One submenu of choices for a value: each entry sets it and saves.
void addChoices(CMenuTree& menu, const std::string& path, float& value, const float* choices,
                size_t count, float factor, std::string (*label)(float)) {
    CMenuTree& sub = menu.Submenu(path);
    for (size_t i = 0; i < count; ++i) {
        const float stored = choices[i] * factor;
        sub.Append(label(choices[i]),
                   [&value, stored] {
                       value = stored;
                       SaveSettingsOf(kPersistor);
                   })
            .checked = std::abs(value - stored) < 0.01f * (std::abs(stored) + 1);
    }
}

class CAISSettingsType : public CGlobalSettingsType {
public:
    CAISSettingsType() : CGlobalSettingsType("AIS Settings", 80) {}

    CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND) override {
        using M = CAISTargetManager;
        if (!M::enable_settings) return nullptr;
        const std::string at = path + name + ":";
        auto minutes = [](float m) { return std::to_string(int(m)) + " min"; };
        auto knots = [](float k) {
            std::string text;
            if (CUnits::Default) CUnits::Default->FormatSpeed(k, text);
            return text.empty() ? std::to_string(k) + " kn" : text;
        };
        addChoices(*menu, at + "Alarm Distance", M::cpa_alarm_distance, kDistances,
                   std::size(kDistances), 1, distanceText);
        addChoices(*menu, at + "Class B Alarm Distance", M::cpa_classB_distance, kDistances,
                   std::size(kDistances), 1, distanceText);
        addChoices(*menu, at + "Alarm Time", M::cpa_alarm_time, kMinutes, std::size(kMinutes), 60,
                   +minutes);
        addChoices(*menu, at + "Minimum Closing Speed", M::cpa_min_closing_velocity_knots,
                   kClosingKnots, std::size(kClosingKnots), 1, +knots);
        AddToggle(*menu, at + "Alarm Notifications", M::alarm_beep, kPersistor);
        AddToggle(*menu, at + "Record Target Tracks", M::record_tracks, kPersistor);
        AddToggle(*menu, at + "Range Ring Around Targets", M::show_ais_range_ring, kPersistor);
        return menu;
    }
};

CAISSettingsType s_aisSettingsPage;

}  // namespace
