// The main and overlays menus: their entries in order, the settings pages
// under "Settings", and what choosing entries does.
#include "app/mainmenus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/base/filedialogs.h"
#include "geo/units.h"
#include "nmea/dataconnection.h"

namespace {

using Titles = std::vector<std::string>;

class MainMenus : public ::testing::Test {
protected:
    void SetUp() override {
        saved = MainMenuHooks::instance();
        MainMenuHooks::instance() = MainMenuHooks();
        CMenuTree::SetPresenter(
            [this](OV_HWND, std::shared_ptr<CMenuTree> menu) { shown = std::move(menu); });
    }
    void TearDown() override {
        MainMenuHooks::instance() = saved;
        CMenuTree::SetPresenter({});
        setFileDialogPresenter({});
        CDataConnection::gps_connection_type = savedType;
        CUnits::Default->set_unit_family(savedFamily);
    }
    // Plugs in the hooks named by the letters: e(dit), l(ock), h(elp), q(uit), i(mport).
    static void plug(const std::string& hooks) {
        MainMenuHooks& h = MainMenuHooks::instance();
        h = MainMenuHooks();
        const auto has = [&](char c) { return hooks.find(c) != std::string::npos; };
        if (has('e')) h.editLayout = [](OV_HWND) {};
        if (has('l')) h.lockScreen = [](OV_HWND) {};
        if (has('h')) h.helpAddress = "https://help.invalid/start";
        if (has('h')) h.openUrl = [](const std::string&) {};
        if (has('q')) h.quit = [] {};
        if (has('i')) h.importFile = [](OV_HWND, const std::string&) {};
    }

    MainMenuHooks saved;
    CUnits::e_dist_units savedFamily = CUnits::Default->get_unit_family();
    int32_t savedType = CDataConnection::gps_connection_type;
    std::shared_ptr<CMenuTree> shown;
};

}  // namespace

TEST_F(MainMenus, EntriesFollowTheHooksThatExistInOrder) {
    // Hooks, path ("" the main menu, "Overlays" the overlays menu), titles.
    const std::tuple<const char*, std::string, Titles> cases[] = {
        {"", "", {"Settings", "Race Start"}},
        {"lq", "", {"Settings", "Race Start", "Lock Screen", "Quit App"}},
        {"elhq", "", {"Settings", "Race Start", "Edit Layout", "Lock Screen", "Help", "Quit App"}},
        {"", "Race Start", {"Timer Settings", "Set Axis"}},
        {"",
         "Settings",
         {"Map Options", "GPS Setup", "Route Settings", "Altitude Options", "Units", "About"}},
        {"", "Settings:GPS Setup", {"GPS Connection", "Show Heading"}},
        {"", "Overlays", {"Add New Mark", "Add New Route", "Record Track"}},
        {"i", "Overlays", {"Add New Mark", "Add New Route", "Record Track", "Import"}},
    };
    CDataConnection::gps_connection_type = CDataConnection::kNone;
    for (const auto& [hooks, path, titles] : cases) {
        SCOPED_TRACE(hooks + (" " + path));
        plug(hooks);
        const bool overlays = path == "Overlays";
        auto menu = overlays ? buildOverlaysMenu(nullptr) : buildMainMenu(nullptr);
        CMenuTree::Entry* e = !path.empty() && !overlays ? menu->Find(path) : nullptr;
        EXPECT_EQ((e && e->submenu ? *e->submenu : *menu).titles(), titles);
    }
}

TEST_F(MainMenus, HelpOpensTheAddressAndImportOpensTheChosenFile) {
    std::vector<std::string> calls;
    MainMenuHooks& h = MainMenuHooks::instance();
    h.helpAddress = "https://help.invalid/start";
    h.openUrl = [&](const std::string& url) { calls.push_back(url); };
    h.importFile = [&](OV_HWND, const std::string& path) { calls.push_back(path); };
    EXPECT_TRUE(buildMainMenu(nullptr)->Choose("Help"));
    for (const char* answer : {"/data/trip.gpx", ""}) {  // a cancelled choice opens nothing
        setFileDialogPresenter([answer](OV_HWND, FileDialogKind kind, const std::string&,
                                        const std::string&,
                                        std::function<void(const std::string&)> done) {
            EXPECT_EQ(kind, FileDialogKind::Import);
            done(answer);
        });
        EXPECT_TRUE(buildOverlaysMenu(nullptr)->Choose("Import"));
    }
    EXPECT_EQ(calls, (Titles{"https://help.invalid/start", "/data/trip.gpx"}));
}

TEST_F(MainMenus, UnitsPageChangesTheUnitsAndMarksOnlyTheChoice) {
    for (const std::string entry : {"Metric", "Nautical", "Statute", "Nautical"}) {
        EXPECT_TRUE(buildMainMenu(nullptr)->Choose("Settings:Units:" + entry));
        auto menu = buildMainMenu(nullptr);
        for (const std::string other : {"Metric", "Nautical", "Statute"})
            EXPECT_EQ(menu->Find("Settings:Units:" + other)->checked, other == entry)
                << entry << " then " << other;
    }
}

TEST_F(MainMenus, QuitAsksFirstAndOnlyYesQuits) {
    int quits = 0;
    MainMenuHooks::instance().quit = [&] { ++quits; };
    for (bool yes : {false, true}) {
        shown.reset();
        EXPECT_TRUE(buildMainMenu(nullptr)->Choose("Quit App"));
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->message, "Are you sure you want to exit the app?");
        yes ? (void)shown->Choose("Yes") : shown->dismissed();
        EXPECT_EQ(quits, yes ? 1 : 0);
    }
}
