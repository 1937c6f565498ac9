// The map as a page item: the map buttons act on the map nearest them, the
// view's state lives in the page layout, and the old state file is read once.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <cmath>

#include "../mapview/testmap.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "displaytestsupport.h"
#include "mapview/displayviewkartile.h"
#include "mapview/kartileview.h"
#include "support/testsupport.h"

using displaytest::PageWindow;

namespace {

constexpr int kMap = 111, kZoomIn = 123, kZoomOut = 124;

class MapItem : public ::testing::Test {
protected:
    void SetUp() override {
        path = makeTestMap(dir.file("m.ktl"), 1024);
        CDisplayViewKartile::directory = dir.path().toStdString();
        layout.setDirectory(dir.path().toStdString());
        page = layout.AddNewArrangement(833, 500)->getCurrentPage();  // 40 x 66 cells
    }
    void TearDown() override {
        page->DetachFromWindow();
        CDisplayViewKartile::directory.clear();
    }
    CDisplayViewKartile* mapAt(CDisplayView::CItemSettings* s) {
        return dynamic_cast<CDisplayViewKartile*>(page->arrangement().FindItem(s));
    }
    void open(CKartileView& view) {
        view.onOpen(path, false, {});
        ASSERT_TRUE(view.hasMap());
        while (view.zoomLevel() > 0) view.DoZoom(-1);
    }

    testsupport::TempDir dir;
    std::string path;
    CDisplayViewArrangementSet layout;
    CDisplayView* page = nullptr;
    PageWindow window{800, 480};
};

TEST_F(MapItem, ButtonsActOnTheNearestMap) {
    auto* left = page->AddItem(kMap, 0, 0, 40, 30);
    auto* right = page->AddItem(kMap, 0, 36, 40, 30);
    auto* zoomIn = page->AddItem(kZoomIn, 2, 60, 4, 6);
    auto* zoomOut = page->AddItem(kZoomOut, 10, 30, 4, 6);  // touches the left map
    page->Attach(window);
    CDisplayViewKartile* leftMap = mapAt(left);
    CDisplayViewKartile* rightMap = mapAt(right);
    ASSERT_TRUE(leftMap && rightMap);
    open(leftMap->view());
    open(rightMap->view());
    auto click = [&](CDisplayView::CItemSettings* s) {
        auto* button = dynamic_cast<CDisplayView::CItemButton*>(page->arrangement().FindItem(s));
        ASSERT_NE(button, nullptr);
        button->onClick();
    };
    click(zoomIn);
    EXPECT_EQ(rightMap->view().zoomLevel(), -1);
    EXPECT_EQ(leftMap->view().zoomLevel(), 0);
    click(zoomOut);
    EXPECT_EQ(leftMap->view().zoomLevel(), 1);
    EXPECT_EQ(rightMap->view().zoomLevel(), -1);
    // With the maps gone a button finds none and does nothing.
    page->RemoveItem(left);
    page->RemoveItem(right);
    EXPECT_EQ(dynamic_cast<CMapButton*>(page->arrangement().FindItem(zoomIn))->findMap(), nullptr);
    click(zoomIn);
}

TEST_F(MapItem, TheViewsPlaceIsKeptInThePageLayout) {
    auto* map = page->AddItem(kMap, 0, 0, 40, 66);
    page->Attach(window);
    CKartileView& view = mapAt(map)->view();
    open(view);
    view.DoZoom(-1);
    view.DoScroll(120, -80);
    double lat = 0, lon = 0;
    ASSERT_TRUE(view.GetCenterLatLon(lat, lon));
    const double scale = view.getDisplayedScale();
    layout.changed = true;
    ASSERT_TRUE(layout.save_layout_if_changed());

    CDisplayViewArrangementSet again;
    again.setDirectory(dir.path().toStdString());
    ASSERT_TRUE(again.ReadFileWithMagic(again.path(CDisplayViewArrangementSet::kLayoutFile)));
    CDisplayView* read = again.getPageSet()->getCurrentPage();
    PageWindow other(800, 480);
    read->Attach(other);
    int size = 0;
    auto* shown = dynamic_cast<CDisplayViewKartile*>(read->FindLargestItemOfType(kMap, size));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->view().hasMap());
    double lat2 = 0, lon2 = 0;
    ASSERT_TRUE(shown->view().GetCenterLatLon(lat2, lon2));
    EXPECT_LT(std::hypot(lat2 - lat, lon2 - lon), 1e-4);
    EXPECT_EQ(shown->view().zoomLevel(), -1);
    EXPECT_NEAR(shown->view().getDisplayedScale(), scale, scale * 1e-6);
    read->DetachFromWindow();
}

TEST_F(MapItem, TheOldStateFileIsReadOnce) {
    const std::string old = dir.path().toStdString() + "/mapview.ovtf";
    {
        CKartileView view;
        open(view);
        view.DoScroll(50, 50);
        ASSERT_TRUE(view.WriteFile(old, CKartileView::kStateMagic));
    }
    auto* map = page->AddItem(kMap, 0, 0, 40, 66);
    page->Attach(window);
    EXPECT_TRUE(mapAt(map)->view().hasMap());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(old)));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(old + ".old")));
    EXPECT_FALSE(static_cast<CDisplayViewKartile::CSettings*>(map)->viewState.empty());
    EXPECT_TRUE(page->modified);
}

}  // namespace
