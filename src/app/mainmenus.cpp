#include "app/mainmenus.h"

#include <QCoreApplication>

#include "app/base/filedialogs.h"
#include "app/base/globalsettingstype.h"
#include "data/startdata.h"
#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"

MainMenuHooks& MainMenuHooks::instance() {
    static MainMenuHooks hooks = [] {
        MainMenuHooks h;
        h.quit = [] { QCoreApplication::quit(); };
        return h;
    }();
    return hooks;
}

namespace {

void ask(OV_HWND parent, const std::string& title, const std::string& text, const std::string& yes,
         std::function<void(bool)> done) {
    MainMenuHooks& hooks = MainMenuHooks::instance();
    if (hooks.confirm) {
        hooks.confirm(parent, title, text, yes, std::move(done));
        return;
    }
    auto menu = CMenuTree::FromList(title, {yes}, -1,
                                    [done = std::move(done)](int chosen) { done(chosen == 0); });
    menu->message = text;
    CMenuTree::Show(parent, std::move(menu));
}

}  // namespace

void addSettingsPages(CMenuTree& menu, OV_HWND parent) {
    for (CGlobalSettingsType* page = CGlobalSettingsType::First(); page; page = page->next)
        page->addMenu(&menu, "Settings:", parent);
}

void confirmQuit(OV_HWND parent) {
    ask(parent, "Please confirm", "Are you sure you want to exit the app?", "Yes", [](bool yes) {
        MainMenuHooks& hooks = MainMenuHooks::instance();
        if (yes && hooks.quit) hooks.quit();
    });
}

std::shared_ptr<CMenuTree> buildMainMenu(OV_HWND parent) {
    MainMenuHooks& hooks = MainMenuHooks::instance();
    auto menu = std::make_shared<CMenuTree>("Main Menu");
    CMenuTree& settings = menu->Submenu("Settings", "qrc:/settings.svg");
    settings.title = "Settings:";
    addSettingsPages(*menu, parent);
    // The race start's dialogs, also reached from the race items' menus.
    CMenuTree& race = menu->Submenu("Race Start", "qrc:/settings.svg");
    race.Add("Timer Settings", [parent] { CDataStartTimer::showSettingsDialog(parent); });
    race.Add("Set Axis", [parent] { CDataStartTimer::showAxisDialog(parent); });
    if (hooks.editLayout)
        menu->Add(
            "Edit Layout", [parent] { MainMenuHooks::instance().editLayout(parent); },
            "qrc:/movearrows.png");
    if (hooks.lockScreen)
        menu->Add(
            "Lock Screen", [parent] { MainMenuHooks::instance().lockScreen(parent); },
            "qrc:/locked.svg");
    if (!hooks.helpAddress.empty() && hooks.openUrl)
        menu->Add(
            "Help",
            [] {
                MainMenuHooks& h = MainMenuHooks::instance();
                h.openUrl(h.helpAddress);
            },
            "qrc:/Help.svg");
    if (hooks.quit)
        menu->Add(
            "Quit App", [parent] { confirmQuit(parent); }, "qrc:/red_x.svg");
    return menu;
}

std::shared_ptr<CMenuTree> buildOverlaysMenu(OV_HWND parent) {
    MainMenuHooks& hooks = MainMenuHooks::instance();
    auto menu = std::make_shared<CMenuTree>("Overlays");
    if (hooks.showOverlaysList)
        menu->Add("List Overlays", [parent] {
            if (MainMenuHooks::instance().showOverlaysList)
                MainMenuHooks::instance().showOverlaysList(parent);
        });
    menu->Add("Add New Mark", [] {
        CDVI_Kartile_Window::withMainView([](CKartileView& view) { view.CreateNewMark(); });
    });
    // Taps on the map add waypoints until Done.
    menu->Add("Add New Route", [] { CMarkManager::theManager.CreateNewRoute(); });
    menu->Add(CTrackManager::isRecording() ? "Stop recording" : "Record Track",
              [] { CTrackManager::theManager.ToggleTrackRecording(); });
    if (hooks.search)
        menu->Add(
            "Search", [parent] { MainMenuHooks::instance().search(parent); },
            "qrc:/find_place.svg");
    if (hooks.importFile)
        menu->Add(
            "Import",
            [parent] {
                ImportFile(parent, "*/*", "", [parent](const std::string& path) {
                    MainMenuHooks& h = MainMenuHooks::instance();
                    if (!path.empty() && h.importFile) h.importFile(parent, path);
                });
            },
            "qrc:/import.svg");
    return menu;
}

void showMainMenu(OV_HWND parent) {
    CMenuTree::Show(parent, buildMainMenu(parent));
}

void showOverlaysMenu(OV_HWND parent) {
    CMenuTree::Show(parent, buildOverlaysMenu(parent));
}
