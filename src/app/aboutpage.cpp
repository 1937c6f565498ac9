// The "About" settings page: the program's name and version.
#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "app/base/messagebox.h"

namespace {

class CAboutSettingsType : public CGlobalSettingsType {
public:
    CAboutSettingsType() : CGlobalSettingsType("About", 100) {}

    CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND parent) override {
        menu->Add(path + name, [this, parent] { showDialog(parent); });
        return menu;
    }
    void showDialog(OV_HWND parent) override {
        MessageBoxOK(parent, "About",
                     "Orvanta " ORVANTA_VERSION
                     "\nMaps, marks and live navigation data for land and sea.");
    }
};

CAboutSettingsType s_aboutPage;

}  // namespace
