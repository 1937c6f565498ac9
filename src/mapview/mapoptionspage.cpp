// The "Map Options" settings page: the map view's settings and the kinds of
// map it moves between.
#include <set>

#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "app/base/settingsmenu.h"
#include "maps/chartlist.h"
#include "maps/chartoutline.h"
#include "maps/selectmaptypes.h"
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

class CMapOptionsSettingsType : public CGlobalSettingsType {
public:
    CMapOptionsSettingsType() : CGlobalSettingsType("Map Options", 10) {}

    CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND) override {
        const std::string at = path + name + ":";
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
