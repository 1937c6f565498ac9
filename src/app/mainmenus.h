// The main menu and the overlays menu, built fresh each time they open so
// that check marks and the entries on offer follow the current state.
// What the entries do beyond this file (arranging pages, locking the
// screen, leaving, importing) is plugged in by the application model and the
// shell through MainMenuHooks; an entry whose hook is empty is left out.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/base/menutree.h"

struct MainMenuHooks {
    std::function<void(OV_HWND)> editLayout;
    std::function<void(OV_HWND)> lockScreen;
    std::string helpAddress;                          // empty: no help entry
    std::function<void(const std::string&)> openUrl;  // in the system browser
    std::function<void()> quit;                       // the normal shutdown
    // Asks a yes/no question; done(true) for yes. Without one the question
    // is an action sheet with a "Yes" entry.
    std::function<void(OV_HWND, const std::string& title, const std::string& text,
                       const std::string& yes, std::function<void(bool)> done)>
        confirm;
    // Opens the find-place dialog.
    std::function<void(OV_HWND)> search;
    // Opens a chosen file whatever its type.
    std::function<void(OV_HWND, const std::string& path)> importFile;
    // The list of marks, routes and tracks.
    std::function<void(OV_HWND)> showOverlaysList;

    static MainMenuHooks& instance();
};

// "Main Menu": "Settings" (the settings pages in their order), "Edit Layout",
// "Lock Screen", "Help", "Quit App".
std::shared_ptr<CMenuTree> buildMainMenu(OV_HWND parent);
// "Overlays": "New Mark", "Overlays List", "Search", "Import".
std::shared_ptr<CMenuTree> buildOverlaysMenu(OV_HWND parent);
// Adds every settings page's entries under "Settings:".
void addSettingsPages(CMenuTree& menu, OV_HWND parent);

void showMainMenu(OV_HWND parent);
void showOverlaysMenu(OV_HWND parent);

// The "Quit App" question; yes runs the quit hook.
void confirmQuit(OV_HWND parent);
