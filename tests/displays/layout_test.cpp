// The grid arithmetic of pages: cells for screens at several densities,
// items sized from pixels, clipping, finding space, signatures and choosing
// the page set for a window.
#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "displays/displayview.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "displaytestsupport.h"

using displaytest::OnePage;
using displaytest::PageWindow;
using displaytest::windowOf;

namespace {

constexpr int kSOG = 42, kCOG = 41, kPosition = 43, kTime = 46, kBackground = 120, kArrow = 26,
              kMap = 111, kZoomIn = 123;

TEST(PageGrid, CellsForWindowsAtSeveralDensities) {
    struct Case {
        const char* name;
        double w, h, dpi;
        int columns, rows;
    } cases[] = {
        {"laptop 1280x800 at 96 dpi", 1280, 800, 96, 106, 66},
        {"panel 800x480 at 96 dpi", 800, 480, 96, 66, 40},
        {"1920x1080 at 144 dpi", 1920, 1080, 144, 106, 60},
        {"2560x1600 at 192 dpi", 2560, 1600, 192, 106, 66},
        {"1024x600 at 120 dpi", 1024, 600, 120, 68, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDisplayViewArrangementSet set;
        set.dpi = c.dpi;
        CDisplayViewPageSet* pages =
            set.AddNewArrangement(set.toHundredths(c.w), set.toHundredths(c.h));
        ASSERT_NE(pages, nullptr);
        const auto& grid = pages->getCurrentPage()->arrangement();
        EXPECT_EQ(grid.columns, c.columns);
        EXPECT_EQ(grid.rows, c.rows);
        EXPECT_FALSE(pages->getCurrentPage()->gridNeedsAdjusting());
    }
}

// 106 x 66 cells in a 1325 x 825 window: 12.5 pixels a cell.
struct PressedPage : OnePage {
    PressedPage() : window(1325, 825) {
        arrangement.arranging = true;
        page->Attach(window);
    }
    ~PressedPage() { page->DetachFromWindow(); }
    PageWindow window;
};

TEST(PageGrid, NewItemsAreSizedFromTheirKindsPixels) {
    struct Case {
        const char* name;
        int type;
        double pressX, pressY;
        int row, column, height, width;
    } cases[] = {
        {"200x100 text at the top left", kSOG, 1, 1, 0, 0, 8, 16},
        {"300x300 arrow", kArrow, 1, 1, 0, 0, 24, 24},
        {"400x400 map", kMap, 1, 1, 0, 0, 32, 32},
        {"70x50 button", kZoomIn, 30, 30, 2, 2, 4, 6},
        {"text pressed at the last cell ends at the edges", kSOG, 1320, 820, 58, 90, 8, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PressedPage p;
        p.page->onMouseDown(c.pressX, c.pressY);
        p.page->onMouseUp(c.pressX, c.pressY);
        CDisplayView::CItemSettings* added = p.page->AddItemAtPress(c.type);
        ASSERT_NE(added, nullptr);
        const auto& s = *added;
        EXPECT_EQ(s.row, c.row);
        EXPECT_EQ(s.column, c.column);
        EXPECT_EQ(s.height, c.height);
        EXPECT_EQ(s.width, c.width);
    }
}

TEST(PageGrid, PixelsToCells) {
    struct Case {
        const char* name;
        double x, y;
        int row, column;
    } cases[] = {
        {"origin", 0, 0, 0, 0},
        {"inside the second row", 12.4, 24.9, 1, 0},
        {"left of and above the page", -5, -5, 0, 0},
        {"far beyond the page", 99999, 99999, 65, 105},
    };
    PressedPage p;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int row = -1, column = -1;
        p.page->arrangement().XY_to_cell(c.x, c.y, row, column);
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(column, c.column);
    }
}

TEST(PageGrid, ItemWindowsAreInsetByTheMargin) {
    PressedPage p;
    CDisplayView::CItemSettings* s = p.page->AddItem(kSOG, 1, 2, 8, 16);
    ASSERT_NE(s, nullptr);
    auto* w = windowOf(p.page->arrangement().FindItem(s));
    ASSERT_NE(w, nullptr);
    EXPECT_DOUBLE_EQ(w->x, 28.0);
    EXPECT_DOUBLE_EQ(w->y, 15.5);
    EXPECT_DOUBLE_EQ(w->w, 194.0);
    EXPECT_DOUBLE_EQ(w->h, 94.0);
    EXPECT_EQ(w->layer, 5);
}

TEST(PageGrid, AdjustToFitViewClipsIntoTheGrid) {
    struct Case {
        const char* name;
        int row, column, height, width;
        int row2, column2, height2, width2;
    } cases[] = {
        {"inside", 2, 3, 2, 3, 2, 3, 2, 3},
        {"off the right edge", 1, 8, 2, 5, 1, 8, 2, 2},
        {"above the top", -2, 0, 5, 1, 0, 0, 3, 1},
        {"right of the grid", 0, 10, 1, 2, 0, 10, 1, 0},
        {"ends at the top edge", -3, 0, 3, 1, -3, 0, 0, 1},
        {"extreme values", 0, INT_MIN + 5, 1, INT_MAX, 0, 0, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDisplayView::CItemSettings s(kSOG);
        s.row = c.row, s.column = c.column, s.height = c.height, s.width = c.width;
        s.adjustToFitView(10, 8);
        EXPECT_EQ(s.row, c.row2);
        EXPECT_EQ(s.column, c.column2);
        EXPECT_EQ(s.height, c.height2);
        EXPECT_EQ(s.width, c.width2);
    }
}

TEST(PageGrid, FindingSpaceForAnItem) {
    struct Block {
        int row, column, height, width, layer;
    };
    struct Case {
        const char* name;
        int rows, columns;
        std::vector<Block> others;
        Block item;
        bool found;
        int row, column, height, width;
    } cases[] = {
        {"free grid keeps the place", 10, 10, {}, {0, 0, 3, 3, 5}, true, 0, 0, 3, 3},
        {"blocked corner: first free place in row order",
         10,
         10,
         {{0, 0, 3, 3, 5}},
         {0, 0, 3, 3, 5},
         true,
         0,
         3,
         3,
         3},
        {"another layer never blocks",
         10,
         10,
         {{0, 0, 3, 3, 4}},
         {0, 0, 3, 3, 5},
         true,
         0,
         0,
         3,
         3},
        {"taller than the grid", 10, 10, {}, {0, 0, 11, 2, 5}, false, 0, 0, 11, 2},
        {"half the rows free: cut to them",
         4,
         10,
         {{2, 0, 2, 10, 5}},
         {0, 0, 4, 4, 5},
         true,
         0,
         0,
         2,
         4},
        {"no room at all", 4, 4, {{0, 0, 4, 4, 5}}, {0, 0, 2, 2, 5}, false, 0, 0, 2, 2},
        // The largest grid a file may hold: the search must not grow with the item's area.
        {"largest grid, half blocked",
         1000,
         1000,
         {{0, 0, 1000, 500, 5}},
         {0, 0, 500, 500, 5},
         true,
         0,
         500,
         500,
         500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDisplayView::CItemArrangement grid;
        grid.rows = c.rows;
        grid.columns = c.columns;
        for (const Block& b : c.others) {
            auto s = std::make_unique<CDisplayView::CItemSettings>(kCOG);
            s->row = b.row, s->column = b.column, s->height = b.height, s->width = b.width;
            s->layer = b.layer;
            grid.settings.push_back(std::move(s));
        }
        CDisplayView::CItemSettings item(kSOG);
        item.row = c.item.row, item.column = c.item.column, item.height = c.item.height;
        item.width = c.item.width, item.layer = c.item.layer;
        EXPECT_EQ(grid.findSpaceForItem(item), c.found);
        EXPECT_EQ(item.row, c.row);
        EXPECT_EQ(item.column, c.column);
        EXPECT_EQ(item.height, c.height);
        EXPECT_EQ(item.width, c.width);
    }
}

TEST(PageGrid, FitToASmallerScreenScalesEveryItem) {
    struct Case {
        const char* name;
        int screenWidth, screenHeight;
        int row, column, height, width;
    } cases[] = {
        {"ten times larger", 2500, 1250, 50, 100, 50, 100},
        {"smaller: sizes stay at least one cell", 100, 100, 4, 4, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDisplayView::CItemArrangement grid;
        grid.rows = 10, grid.columns = 20;
        auto s = std::make_unique<CDisplayView::CItemSettings>(kSOG);
        s->row = 5, s->column = 10;
        s->height = c.height == 1 ? 1 : 5;
        s->width = c.width == 1 ? 1 : 10;
        auto* raw = s.get();
        grid.settings.push_back(std::move(s));
        grid.AdjustCellsForScreen(c.screenWidth, c.screenHeight);
        EXPECT_EQ(raw->row, c.row);
        EXPECT_EQ(raw->column, c.column);
        EXPECT_EQ(raw->height, c.height);
        EXPECT_EQ(raw->width, c.width);
    }
}

TEST(PageGrid, AnOverlappingNewItemGivesWay) {
    PressedPage p;
    auto* big = p.page->AddItem(kSOG, 0, 0, 20, 40);
    auto* small = p.page->AddItem(kCOG, 15, 30, 10, 20);
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    // The big one stays; the small one moves off it and keeps its size.
    EXPECT_EQ(big->row, 0);
    EXPECT_EQ(big->width, 40);
    const bool apart = small->row >= 20 || small->column >= 40;
    EXPECT_TRUE(apart) << small->row << "," << small->column;
    EXPECT_EQ(small->height, 10);
    EXPECT_EQ(small->width, 20);
}

TEST(PageEditing, ShrinkingTheWidthToNothingRemovesTheItem) {
    PressedPage p;
    auto* s = p.page->AddItem(kSOG, 2, 2, 4, 1);
    p.page->SelectItem(p.page->arrangement().FindItem(s));
    EXPECT_TRUE(p.page->onArrowKey(-1, true));
    EXPECT_EQ(p.page->selectedItem(), nullptr);
    EXPECT_TRUE(p.page->arrangement().settings.empty());
    EXPECT_TRUE(p.window.itemWindows.empty());
}

TEST(PageEditing, DragMovesAnItemByWholeCells) {
    PressedPage p;
    auto* s = p.page->AddItem(kSOG, 0, 0, 8, 16);
    // Press inside the item away from its resize corner, drag 5 cells right and 2 down.
    p.page->onMouseDown(20, 20);
    p.page->onMouseDragged(20 + 62.5, 20 + 25);
    p.page->onMouseUp(20 + 62.5, 20 + 25);
    EXPECT_EQ(s->row, 2);
    EXPECT_EQ(s->column, 5);
    EXPECT_EQ(s->height, 8);
    EXPECT_EQ(s->width, 16);
    EXPECT_TRUE(p.page->modified);
}

TEST(PageEditing, DragOnTheCornerResizes) {
    PressedPage p;
    auto* s = p.page->AddItem(kSOG, 0, 0, 8, 16);
    p.page->SelectItem(p.page->arrangement().FindItem(s));
    // The item's bottom-right corner lies at (197, 97).
    p.page->onMouseDown(190, 90);
    p.page->onMouseDragged(190 + 50, 90 + 25);
    p.page->onMouseUp(190 + 50, 90 + 25);
    EXPECT_EQ(s->row, 0);
    EXPECT_EQ(s->column, 0);
    EXPECT_EQ(s->height, 10);
    EXPECT_EQ(s->width, 20);
}

TEST(PageEditing, LockedItemsDoNotMove) {
    PressedPage p;
    auto* s = p.page->AddItem(kSOG, 0, 0, 8, 16);
    s->locked = true;
    p.page->onMouseDown(20, 20);
    p.page->onMouseDragged(120, 120);
    p.page->onMouseUp(120, 120);
    EXPECT_EQ(s->row, 0);
    EXPECT_EQ(s->column, 0);
    p.page->SelectItem(p.page->arrangement().FindItem(s));
    EXPECT_FALSE(p.page->onArrowKey(1, false));
}

TEST(PageEditing, ChangeDataKeepsTheCells) {
    PressedPage p;
    auto* s = p.page->AddItem(kSOG, 3, 4, 8, 16, 6);
    auto* changed = p.page->ChangeItemKind(p.page->arrangement().FindItem(s), kCOG);
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->GetTypeId(), uint32_t(kCOG));
    EXPECT_EQ(changed->row, 3);
    EXPECT_EQ(changed->column, 4);
    EXPECT_EQ(changed->layer, 6);
    EXPECT_EQ(p.page->selectedItem(), p.page->arrangement().FindItem(changed));
    EXPECT_EQ(p.page->arrangement().settings.size(), 1u);
}

TEST(PageSignature, LargestKindsNameThePage) {
    OnePage p;
    EXPECT_EQ(p.page->getPageName(), "Empty page");
    p.page->AddItem(kSOG, 0, 0, 10, 10);
    EXPECT_EQ(p.page->getPageName(), "GPS: Speed over Ground");
    p.page->AddItem(kBackground, 0, 0, 66, 106);
    p.page->AddItem(kPosition, 20, 20, 30, 30);
    p.page->AddItem(kCOG, 0, 50, 10, 10);
    const int* sig = p.page->signature();
    // The background is never counted; equal sizes keep list order.
    EXPECT_EQ(sig[0], kPosition);
    EXPECT_EQ(sig[1], kSOG);
    EXPECT_EQ(sig[2], kCOG);
    EXPECT_EQ(sig[3], 0);
    EXPECT_EQ(p.page->getPageName(), "GPS: Position, GPS: Speed over Ground etc");
    const int same[5] = {kPosition, kSOG, kCOG, 0, 0};
    const int other[5] = {kTime, kSOG, 0, 0, 0};
    EXPECT_EQ(p.page->compareSignature(same), 8);
    EXPECT_EQ(p.page->compareSignature(other), 1);
}

TEST(PageSets, TheSetNearestTheWindowIsChosen) {
    struct Case {
        const char* name;
        double w, h;
        const char* chosen;
    } cases[] = {
        {"laptop window", 1280, 800, "laptop"},
        {"small panel", 800, 480, "small"},
        {"a portrait window prefers the portrait set", 480, 800, "portrait"},
        {"halfway between: the current one stays", 1040, 640, "laptop"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDisplayViewArrangementSet set;
        set.AddNewArrangement(1333, 833)->name = "laptop";
        set.AddNewArrangement(833, 500)->name = "small";
        set.AddNewArrangement(500, 833)->name = "portrait";
        set.setPageset(set.pageSets.front().get());
        set.setBestPagesetForWindowSize(c.w, c.h);
        EXPECT_EQ(set.getPageSet()->name, c.chosen);
    }
}

TEST(PageSets, StayingIsWorthTwentyHundredths) {
    CDisplayViewArrangementSet set;
    CDisplayViewPageSet* a = set.AddNewArrangement(1000, 600);
    CDisplayViewPageSet* b = set.AddNewArrangement(1100, 600);
    set.setPageset(a);
    EXPECT_EQ(set.FindBestFitPageSet(1055, 600), a);  // 55 - 20 against 45
    EXPECT_EQ(set.FindBestFitPageSet(1080, 600), b);  // 80 - 20 against 20
    EXPECT_EQ(set.FindBestFitPageSet(0, 600), nullptr);
    EXPECT_EQ(a->SizeDifference(600, 1000), 1600);  // portrait against landscape counts twice
}

TEST(PageSets, ThePageMatchingTheLastOneIsShown) {
    CDisplayViewArrangementSet set;
    MakeDefaultLayout(set);
    ASSERT_EQ(set.pageSets.size(), 2u);
    CDisplayViewPageSet* laptop = set.pageSets[0].get();
    CDisplayViewPageSet* small = set.pageSets[1].get();
    set.setPageset(laptop);
    laptop->setPage(laptop->pages[2].get());  // the go-to page
    set.storeCurrentPageSignature();
    set.setPageset(small);
    EXPECT_EQ(small->getCurrentPage()->name, "Go to");
}

TEST(PageSets, TheLastPageAndTheLastSetCannotBeRemoved) {
    OnePage p;
    EXPECT_FALSE(p.set->RemoveCurrentPage());
    EXPECT_FALSE(p.arrangement.RemoveCurrentArrangement());
    p.set->AddNewPage();
    EXPECT_TRUE(p.set->RemoveCurrentPage());
    EXPECT_EQ(p.set->pages.size(), 1u);
}

TEST(PageSets, NavigationWrapsAndPagesReorder) {
    OnePage p;
    CDisplayView* first = p.page;
    CDisplayView* second = p.set->AddNewPage();
    CDisplayView* third = p.set->AddNewPage();
    EXPECT_EQ(p.set->getCurrentPage(), third);
    p.set->nextPage();
    EXPECT_EQ(p.set->getCurrentPage(), first);
    p.set->previousPage();
    EXPECT_EQ(p.set->getCurrentPage(), third);
    EXPECT_TRUE(p.set->MoveCurrentPage(-2));
    EXPECT_EQ(p.set->pages[0].get(), third);
    EXPECT_EQ(p.set->pages[1].get(), first);
    EXPECT_EQ(p.set->pages[2].get(), second);
    EXPECT_FALSE(p.set->MoveCurrentPage(-1));
}

TEST(PageSets, LimitsHoldWhenAdding) {
    OnePage p;
    while (p.set->pages.size() < 100) ASSERT_NE(p.set->AddNewPage(), nullptr);
    EXPECT_EQ(p.set->AddNewPage(), nullptr);
    EXPECT_FALSE(p.set->AppendPage(std::make_unique<CDisplayView>()));
    while (p.arrangement.pageSets.size() < 25)
        ASSERT_NE(p.arrangement.AddNewArrangement(800, 600), nullptr);
    EXPECT_EQ(p.arrangement.AddNewArrangement(800, 600), nullptr);
}

TEST(ItemKinds, EveryKindIsRegisteredOnceWithItsName) {
    struct Case {
        int id;
        const char* menuName;
        int layer, w, h;
    } cases[] = {
        {22, "Goto:Distance", 5, 200, 100},
        {26, "Goto:Arrow", 4, 300, 300},
        {41, "GPS: Course over Ground", 5, 200, 100},
        {47, "Sensors:Compass Heading", 5, 200, 100},
        {65, "Other:Logo", 2, 200, 100},
        {97, "Goto:Coming Up", 5, 200, 100},
        {102, "GPS:Speedometer", 4, 200, 200},
        {103, "GPS: Drop Mark Button", 7, 100, 70},
        {111, "Other:Map", 2, 400, 400},
        {118, "GPS: Odometer", 5, 200, 100},
        {120, "Other:Background Image", 1, 200, 200},
        {133, "Other:Profile", 6, 600, 250},
        {136, "Toolbar:Scale Out", 7, 70, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menuName);
        auto* kind = CDisplayView::CItemSettingsType::findType(c.id);
        ASSERT_NE(kind, nullptr);
        EXPECT_STREQ(kind->menuName, c.menuName);
        EXPECT_EQ(kind->defaultLayer, c.layer);
        EXPECT_EQ(kind->defaultWidthPx, c.w);
        EXPECT_EQ(kind->defaultHeightPx, c.h);
        EXPECT_EQ(kind->indexed, c.id == 111);
    }
    int count = 0;
    std::set<int> ids;
    for (auto* t = CDisplayView::CItemSettingsType::first_type; t; t = t->next, ++count)
        ids.insert(t->typeId);
    EXPECT_EQ(count, 87);
    EXPECT_EQ(ids.size(), 87u);
    EXPECT_EQ(CDisplayView::CItemSettingsType::getNameOfType(7), "type-7");
}

}  // namespace
