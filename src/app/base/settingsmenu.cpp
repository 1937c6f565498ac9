#include "app/base/settingsmenu.h"

#include <utility>

#include "app/base/persistantdata.h"

void SaveSettingsOf(const char* persistor) {
    if (PersistantData* p = PersistantData::find_persistor(persistor)) p->changed = true;
    PersistantData::SaveAll();
}

void AddToggle(CMenuTree& menu, const std::string& path, bool& value, const char* persistor,
               std::function<void()> after) {
    bool* setting = &value;
    CMenuTree::Entry& e = menu.Add(path, [setting, persistor, after = std::move(after)] {
        *setting = !*setting;
        SaveSettingsOf(persistor);
        if (after) after();
    });
    e.checked = value;
}
