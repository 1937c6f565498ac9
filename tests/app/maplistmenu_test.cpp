// The maps part of "Map Options": the maps covering the centre of the view
// with the one on show marked, opening another, closing it, opening a map
// file, and the map-type filter.
#include <gtest/gtest.h>

#include <QDir>
#include <QQuickWindow>
#include <QTest>

#include "app/base/filedialogs.h"
#include "app/mainmenus.h"
#include "maps/chartlist.h"
#include "maps/selectmaptypes.h"
#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"
#include "mapview/testmap.h"
#include "support/testsupport.h"

namespace {

constexpr int kWait = 30000;

class MapListMenu : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(dir.file("maps")));
        detailed = makeTestMap(dir.file("maps/detailed.ktl"), 2048);
        overview = makeTestMap(dir.file("maps/overview.ktl"), 512);
        loose = makeTestMap(dir.file("loose.ktl"), 1024);
        ASSERT_TRUE(list.AddSearchFolder(dir.file("maps").toStdString()));
        list.Refresh();
        ASSERT_EQ(list.size(), 2);
        CChartList::the_list = &list;
        item = std::make_unique<CDVI_Kartile_Window>(window.contentItem());
        item->setSize(QSizeF(640, 480));
        view = item->view();
        view->onOpen(detailed, false, {});
        ASSERT_TRUE(shows(detailed));
    }
    void TearDown() override {
        CChartList::the_list = savedList;
        setFileDialogPresenter({});
    }
    bool shows(const std::string& path) {
        return QTest::qWaitFor(
            [&] { return view->hasMap() && !view->isOpening() && view->lastShownPath() == path; },
            kWait);
    }
    CMenuTree::Entry* entry(const std::string& path) {
        menu = buildMainMenu(nullptr);
        return menu->Find("Settings:Map Options:" + path);
    }

    testsupport::TempDir dir;
    std::string detailed, overview, loose;
    CChartList list;
    CChartList* savedList = CChartList::the_list;
    QQuickWindow window;
    std::unique_ptr<CDVI_Kartile_Window> item;
    CKartileView* view = nullptr;
    std::shared_ptr<CMenuTree> menu;
};

}  // namespace

TEST_F(MapListMenu, MapsHereOpensAnotherMapCloseMapClosesAndOpenMapFileOpensAFile) {
    CMenuTree::Entry* here = entry("Maps Here");
    ASSERT_TRUE(here && here->submenu);
    const std::string shown = list.FindFile(detailed)->name, other = list.FindFile(overview)->name;
    EXPECT_EQ(here->submenu->titles().size(), 2u);
    EXPECT_TRUE(here->submenu->Find(shown)->checked) << "the map on show";
    EXPECT_FALSE(here->submenu->Find(other)->checked);
    ASSERT_TRUE(here->submenu->Choose(other));
    EXPECT_TRUE(shows(overview));

    ASSERT_TRUE(buildMainMenu(nullptr)->Choose("Settings:Map Options:Close Map"));
    EXPECT_FALSE(view->hasMap());
    EXPECT_EQ(entry("Close Map"), nullptr);
    EXPECT_EQ(entry("Maps Here"), nullptr) << "no centre without a map";

    std::string asked;
    setFileDialogPresenter([&](OV_HWND, FileDialogKind, const std::string&, const std::string& hint,
                               std::function<void(const std::string&)> done) {
        asked = hint;
        done(loose);
    });
    ASSERT_TRUE(buildMainMenu(nullptr)->Choose("Settings:Map Options:Open Map File"));
    EXPECT_EQ(asked, ".ktl");
    EXPECT_TRUE(shows(loose));
}

TEST_F(MapListMenu, MapTypesToggleOneTypeOutOfAnEmptyChoice) {
    EXPECT_EQ(entry("Map Types"), nullptr) << "maps without a type offer no choice";
    for (const char* type : {"Topo", "Nautical"}) {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::white);
        CKartileMaker maker;
        maker.setBounds(10, 11, 50, 51, CKartileMaker::Projection::Mercator);
        maker.mapType = type;
        ASSERT_TRUE(maker.make(image, dir.file(QString("maps/%1.ktl").arg(type)).toStdString()))
            << maker.error();
    }
    list.Refresh();
    const std::set<std::string> saved = CSelectMapTypes::map_types_selected;
    CSelectMapTypes::map_types_selected.clear();
    CMenuTree::Entry* types = entry("Map Types");
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->submenu->titles(), (std::vector<std::string>{"Nautical", "Topo"}));
    for (const CMenuTree::Entry& e : types->submenu->entries())
        EXPECT_TRUE(e.checked) << e.title << ": an empty choice shows every type";
    ASSERT_TRUE(types->submenu->Choose("Topo"));
    EXPECT_FALSE(CSelectMapTypes::isSelected("Topo"));
    EXPECT_TRUE(CSelectMapTypes::isSelected("Nautical"));
    ASSERT_TRUE(entry("Map Types")->submenu->Choose("Topo"));
    EXPECT_TRUE(CSelectMapTypes::isSelected("Topo"));
    CSelectMapTypes::map_types_selected = saved;
}
