// The map-type filter: which kinds of map ("Nautical", "Topo"...) the user
// wants to see when the view moves between map scales. Kept in
// "orvanta.ini" under "CSelectMapTypes:show" with the map store's folder
// settings.
#pragma once

#include <set>
#include <string>

#include "app/base/persistantdata.h"

class CSelectMapTypes : public PersistantData {
public:
    CSelectMapTypes() : PersistantData("CSelectMapTypes") {}
    void DeclareData() override;

    // A type is selected when it is in the set. An empty set means the user
    // has not chosen yet, and then every type is shown.
    static bool isSelected(const std::string& mapType);
    static void setSelected(const std::string& mapType, bool selected);

    static std::set<std::string> map_types_selected;
    static bool types_hint;
    static int storage_option;           // where the map store keeps downloads
    static std::string external_folder;  // empty: none chosen
};
