// The "Display Options" settings page: the dark theme and full screen, both
// kept by the application model.
#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "app/orvantaappmodel.h"

namespace {

class CDisplaySettingsType : public CGlobalSettingsType {
public:
    CDisplaySettingsType() : CGlobalSettingsType("Display Options", 30) {}

    CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND) override {
        // Without the window there is nothing to show them on.
        if (!theApp) return nullptr;
        const std::string at = path + name + ":";
        menu->Add(at + "Dark Theme",
                  [] {
                      if (theApp) theApp->setDarkTheme(!theApp->darkTheme());
                  })
            .checked = theApp->darkTheme();
        menu->Add(at + "Full Screen",
                  [] {
                      if (theApp) theApp->setFullScreen(!theApp->fullScreen());
                  })
            .checked = theApp->fullScreen();
        return menu;
    }
};

CDisplaySettingsType s_displayPage;

}  // namespace
