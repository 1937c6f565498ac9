// The main and overlays menus: their entries in order, the settings pages
// under "Settings", and what choosing entries does.
#include "app/mainmenus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/base/filedialogs.h"
#include "app/base/globalsettingstype.h"
#include "geo/units.h"
#include "nmea/dataconnection.h"

namespace {

using Titles = std::vector<std::string>;

class MainMenus : public ::testing::Test {
protected:
    void SetUp() override {
        saved = MainMenuHooks::instance();
        MainMenuHooks::instance() = MainMenuHooks();
        savedFamily = CUnits::Default->get_unit_family();
    }
    void TearDown() override {
        MainMenuHooks::instance() = saved;
        CMenuTree::SetPresenter({});
        setFileDialogPresenter({});
        CDataConnection::menu_presenter = {};
        CUnits::Default->set_unit_family(savedFamily);
    }
    // The menu the presenter was given last.
    void capture() {
        CMenuTree::SetPresenter(
            [this](OV_HWND, std::shared_ptr<CMenuTree> menu) { shown = std::move(menu); });
    }

    MainMenuHooks saved;
    CUnits::e_dist_units savedFamily = CUnits::Statute;
    std::shared_ptr<CMenuTree> shown;
};

std::vector<std::string> pageNames() {
    std::vector<std::string> names;
    for (CGlobalSettingsType* t = CGlobalSettingsType::First(); t; t = t->next)
        names.push_back(t->name + " " + std::to_string(t->order));
    return names;
}

}  // namespace

TEST_F(MainMenus, SettingsPagesAreRegisteredInMenuOrder) {
    EXPECT_EQ(pageNames(), (Titles{"Map Options 10", "GPS Setup 20", "Altitude Options 40",
                                   "Units 60", "About 100"}));
}

TEST_F(MainMenus, MainMenuEntriesFollowTheHooksThatExist) {
    struct Case {
        const char* name;
        bool layout, lock, help, quit;
        Titles titles;
    };
    const Case cases[] = {
        {"nothing plugged in", false, false, false, false, {"Settings"}},
        {"quit only", false, false, false, true, {"Settings", "Quit App"}},
        {"everything",
         true,
         true,
         true,
         true,
         {"Settings", "Edit Layout", "Lock Screen", "Help", "Quit App"}},
        {"no help address",
         true,
         true,
         false,
         true,
         {"Settings", "Edit Layout", "Lock Screen", "Quit App"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainMenuHooks& h = MainMenuHooks::instance();
        h = MainMenuHooks();
        if (c.layout) h.editLayout = [](OV_HWND) {};
        if (c.lock) h.lockScreen = [](OV_HWND) {};
        if (c.help) {
            h.helpAddress = "https://help.invalid/";
            h.openUrl = [](const std::string&) {};
        }
        if (c.quit) h.quit = [] {};
        auto menu = buildMainMenu(nullptr);
        EXPECT_EQ(menu->title, "Main Menu");
        EXPECT_EQ(menu->titles(), c.titles);
    }
}

TEST_F(MainMenus, EntriesCarryTheirIconsAndSettingsListsThePages) {
    MainMenuHooks& h = MainMenuHooks::instance();
    h.editLayout = [](OV_HWND) {};
    h.lockScreen = [](OV_HWND) {};
    h.helpAddress = "https://help.invalid/";
    h.openUrl = [](const std::string&) {};
    h.quit = [] {};
    auto menu = buildMainMenu(nullptr);
    const Titles icons = {"qrc:/settings.svg", "qrc:/movearrows.png", "qrc:/locked.svg",
                          "qrc:/Help.svg", "qrc:/red_x.svg"};
    ASSERT_EQ(menu->size(), int(icons.size()));
    for (size_t i = 0; i < icons.size(); ++i)
        EXPECT_EQ(menu->entries()[i].icon, icons[i]) << menu->entries()[i].title;

    const CMenuTree::Entry* settings = menu->Find("Settings");
    ASSERT_NE(settings, nullptr);
    ASSERT_NE(settings->submenu, nullptr);
    EXPECT_EQ(settings->submenu->title, "Settings:");
    EXPECT_EQ(settings->submenu->titles(),
              (Titles{"Map Options", "GPS Setup", "Altitude Options", "Units", "About"}));
}

TEST_F(MainMenus, HelpOpensTheAddressAndEditAndLockRunTheirHooks) {
    std::vector<std::string> calls;
    MainMenuHooks& h = MainMenuHooks::instance();
    h.editLayout = [&](OV_HWND) { calls.push_back("edit"); };
    h.lockScreen = [&](OV_HWND) { calls.push_back("lock"); };
    h.helpAddress = "https://help.invalid/start";
    h.openUrl = [&](const std::string& url) { calls.push_back(url); };
    auto menu = buildMainMenu(nullptr);
    for (const char* entry : {"Help", "Edit Layout", "Lock Screen"})
        EXPECT_TRUE(menu->Choose(entry));
    EXPECT_EQ(calls, (Titles{"https://help.invalid/start", "edit", "lock"}));
}

TEST_F(MainMenus, UnitsPageChangesTheDefaultUnitsAndMarksTheChoice) {
    capture();
    struct Case {
        const char* entry;
        CUnits::e_dist_units family;
    };
    const Case cases[] = {
        {"Metric", CUnits::Metric},
        {"Nautical", CUnits::Nautical},
        {"Statute", CUnits::Statute},
        {"Nautical", CUnits::Nautical},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        auto menu = buildMainMenu(nullptr);
        EXPECT_TRUE(menu->Choose(std::string("Settings:Units:") + c.entry));
        EXPECT_EQ(CUnits::Default->get_unit_family(), c.family);
        // Opened again, the menu marks the choice and only it.
        auto again = buildMainMenu(nullptr);
        CMenuTree::Entry* units = again->Find("Settings:Units");
        ASSERT_NE(units, nullptr);
        for (const CMenuTree::Entry& e : units->submenu->entries()) {
            if (e.submenu) continue;
            if (e.title == "Metric" || e.title == "Nautical" || e.title == "Statute") {
                EXPECT_EQ(e.checked, e.title == c.entry) << e.title;
            }
        }
    }
}

TEST_F(MainMenus, QuitAsksFirstAndOnlyYesQuits) {
    int quits = 0;
    MainMenuHooks::instance().quit = [&] { ++quits; };
    capture();
    struct Case {
        const char* name;
        bool yes;
        int quitsAfter;
    };
    const Case cases[] = {{"dismissed", false, 0}, {"yes", true, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shown.reset();
        EXPECT_TRUE(buildMainMenu(nullptr)->Choose("Quit App"));
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->title, "Please confirm");
        EXPECT_EQ(shown->message, "Are you sure you want to exit the app?");
        EXPECT_EQ(shown->titles(), Titles{"Yes"});
        if (c.yes)
            EXPECT_TRUE(shown->Choose(0));
        else
            shown->dismissed();
        EXPECT_EQ(quits, c.quitsAfter);
    }
}

TEST_F(MainMenus, QuitGoesThroughTheConfirmHookWhenThereIsOne) {
    int quits = 0;
    std::string asked;
    MainMenuHooks& h = MainMenuHooks::instance();
    h.quit = [&] { ++quits; };
    h.confirm = [&](OV_HWND, const std::string& title, const std::string& text,
                    const std::string& yes, std::function<void(bool)> done) {
        asked = title + "|" + text + "|" + yes;
        done(true);
    };
    EXPECT_TRUE(buildMainMenu(nullptr)->Choose("Quit App"));
    EXPECT_EQ(asked, "Please confirm|Are you sure you want to exit the app?|Yes");
    EXPECT_EQ(quits, 1);
}

TEST_F(MainMenus, ImportPicksAFileAndOpensIt) {
    EXPECT_EQ(buildOverlaysMenu(nullptr)->titles(), Titles{}) << "no importer plugged in";
    std::vector<std::string> opened;
    MainMenuHooks::instance().importFile = [&](OV_HWND, const std::string& path) {
        opened.push_back(path);
    };
    auto menu = buildOverlaysMenu(nullptr);
    EXPECT_EQ(menu->title, "Overlays");
    EXPECT_EQ(menu->titles(), Titles{"Import"});
    EXPECT_EQ(menu->entries()[0].icon, "qrc:/import.svg");
    for (const char* answer : {"/data/trip.gpx", ""}) {
        setFileDialogPresenter([answer](OV_HWND, FileDialogKind kind, const std::string&,
                                        const std::string&,
                                        std::function<void(const std::string&)> done) {
            EXPECT_EQ(kind, FileDialogKind::Import);
            done(answer);
        });
        EXPECT_TRUE(menu->Choose("Import"));
    }
    EXPECT_EQ(opened, Titles{"/data/trip.gpx"}) << "a cancelled choice opens nothing";
}

TEST_F(MainMenus, GpsConnectionOffersTheCatalogueWithTheChosenTypeMarked) {
    std::string title;
    Titles entries;
    int checked = -2;
    CDataConnection::menu_presenter = [&](OV_HWND, const std::string& t, const Titles& e, int c,
                                          std::function<void(int)> done) {
        title = t;
        entries = e;
        checked = c;
        done(-1);
    };
    const int32_t savedType = CDataConnection::gps_connection_type;
    CDataConnection::gps_connection_type = CDataConnection::kTCP;
    EXPECT_TRUE(buildMainMenu(nullptr)->Choose("Settings:GPS Setup:GPS Connection"));
    CDataConnection::gps_connection_type = savedType;
    EXPECT_EQ(title, "GPS Connection");
    EXPECT_EQ(entries, (Titles{"Serial", "Location Service", "UDP/IP", "TCP/IP", "Simulation File",
                               "None"}));
    EXPECT_EQ(checked, 3);
}
