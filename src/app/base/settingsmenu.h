// Small pieces the settings pages build their menus from.
#pragma once

#include <functional>
#include <string>

#include "app/base/menutree.h"

// Marks the persistor of that name changed and saves every setting.
void SaveSettingsOf(const char* persistor);

// A checkable entry that flips `value`, saves its persistor and then runs
// `after` (when given).
void AddToggle(CMenuTree& menu, const std::string& path, bool& value, const char* persistor,
               std::function<void()> after = {});
