#include "maps/selectmaptypes.h"

std::set<std::string> CSelectMapTypes::map_types_selected;
bool CSelectMapTypes::types_hint = false;
int CSelectMapTypes::storage_option = 0;
std::string CSelectMapTypes::external_folder;

static CSelectMapTypes s_mapTypesPersistor;

void CSelectMapTypes::DeclareData() {
    Declare("show", map_types_selected);
    Declare("types_hint", types_hint);
    Declare("Tessarine_storage_option", storage_option);
    Declare("Tessarine_external_folder", external_folder);
}

bool CSelectMapTypes::isSelected(const std::string& mapType) {
    return map_types_selected.empty() || map_types_selected.count(mapType) != 0;
}

void CSelectMapTypes::setSelected(const std::string& mapType, bool selected) {
    if (selected)
        map_types_selected.insert(mapType);
    else
        map_types_selected.erase(mapType);
    s_mapTypesPersistor.changed = true;
}
