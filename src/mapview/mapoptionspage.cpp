// The "Map Options" settings page: the map view's settings, the kinds of
// map it moves between, and the maps themselves: those covering the centre
// of the view, a map file to open, closing the map on show.
#include <set>
#include <vector>

#include "app/base/filedialogs.h"
#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "app/base/settingsmenu.h"
#include "maps/chartlist.h"
#include "maps/chartoutline.h"
#include "maps/selectmaptypes.h"
#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"

namespace {

// The map types of the catalogue's maps, by name.
std::set<std::string> knownMapTypes() {
    std::set<std::string> types;
    if (!CChartList::the_list) return types;
    for (const auto& outline : CChartList::the_list->charts())
        if (outline && !outline->map_type.empty()) types.insert(outline->map_type);
    return types;
}

void toggleMapType(const std::string& type) {
    // An empty choice shows every type: make it explicit before taking one out.
    if (CSelectMapTypes::map_types_selected.empty())
        for (const std::string& t : knownMapTypes()) CSelectMapTypes::setSelected(t, true);
    CSelectMapTypes::setSelected(type, !CSelectMapTypes::isSelected(type));
    SaveSettingsOf("CSelectMapTypes");
}

// The view of the main map window, when there is one. Looked up when an
// entry runs, as the window may have gone while the menu was open.
CKartileView* mainView() {
    CDVI_Kartile_Window* window = CDVI_Kartile_Window::mainWindow();
    return window ? window->view() : nullptr;
}

void addMapList(CMenuTree& menu, const std::string& at, OV_HWND parent) {
    CKartileView* view = mainView();
    if (!view) return;
    double lat = 0, lon = 0;
    std::vector<CChartOutline*> here;
    if (CChartList::the_list && view->hasMap() && view->GetCenterLatLon(lat, lon))
        CChartList::the_list->ChartsAt(lat, lon, here);
    if (!here.empty()) {
        CMenuTree& maps = menu.Submenu(at + "Maps Here");
        for (CChartOutline* outline : here) {
            const std::string path = outline->path;
            maps.Append(outline->name,
                        [path] {
                            if (CKartileView* v = mainView()) {
                                v->GetCurrentMapView();
                                v->onOpen(path, false, {});
                            }
                        })
                .checked = path == view->lastShownPath();
        }
    }
    menu.Add(at + "Open Map File", [parent] {
        ImportFile(parent, "application/octet-stream", ".ktl", [](const std::string& path) {
            CKartileView* v = mainView();
            if (!path.empty() && v) v->onOpen(path, true, {});
        });
    });
    if (view->hasMap())
        menu.Add(at + "Close Map", [] {
            if (CKartileView* v = mainView()) v->Close();
        });
}

class CMapOptionsSettingsType : public CGlobalSettingsType {
public:
    CMapOptionsSettingsType() : CGlobalSettingsType("Map Options", 10) {}

    CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND parent) override {
        const std::string at = path + name + ":";
        addMapList(*menu, at, parent);
        AddToggle(*menu, at + "Show Scale Bar", CKartileView::show_scale_bar, "CKartileView");
        AddToggle(*menu, at + "Change Scale by Zooming", CKartileView::change_scale_by_zooming,
                  "CKartileView");
        AddToggle(*menu, at + "Download Map Tiles Automatically", CKartileView::automatic_download,
                  "CKartileView");
        const std::set<std::string> types = knownMapTypes();
        if (types.empty()) return menu;
        CMenuTree& typesMenu = menu->Submenu(at + "Map Types");
        for (const std::string& type : types)
            typesMenu.Append(type, [type] { toggleMapType(type); }).checked =
                CSelectMapTypes::isSelected(type);
        return menu;
    }
};

CMapOptionsSettingsType s_mapOptionsPage;

}  // namespace
