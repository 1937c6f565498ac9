// The "GPS Setup" settings page: which connection delivers the position,
// its settings, the NMEA debug log, and how the own position is drawn.
#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "app/base/settingsmenu.h"
#include "data/overlaygpsposition.h"
#include "nmea/dataconnection.h"

namespace {

class CGPSSetupSettingsType : public CGlobalSettingsType {
public:
    CGPSSetupSettingsType() : CGlobalSettingsType("GPS Setup", 20) {}

    CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND parent) override {
        const std::string at = path + name + ":";
        menu->Add(at + "GPS Connection",
                  [parent] { CDataConnection::SelectConnectionType(parent, [](bool) {}); });
        CDataConnection* current = CDataConnection::theConnection.get();
        CDataConnection::CConnectionType* type =
            current ? CDataConnection::CConnectionType::Find(current->type_id) : nullptr;
        if (type && type->id != CDataConnection::kNone &&
            type->id != CDataConnection::kLocationService) {
            menu->Add(at + type->name + " Settings", [parent, type] {
                CDataConnection::onConnectionSelected(parent, type, [](bool) {});
            });
        }
        if (CDataConnection::isDebugging())
            menu->Add(at + "Stop NMEA Debug Log", [parent] { CDataConnection::stopDebug(parent); });
        else if (current && current->debuggable)
            menu->Add(at + "Start NMEA Debug Log", [] { CDataConnection::startDebug(); });
        AddToggle(*menu, at + "Show Heading", COverlayGPSPosition::show_heading,
                  "COverlayGPSPosition");
        return menu;
    }
};

CGPSSetupSettingsType s_gpsSetupPage;

}  // namespace
