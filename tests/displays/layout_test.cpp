// The grid arithmetic of pages: cells for screens at several densities,
// items sized from pixels, clipping, finding space, editing, signatures and
// choosing the page set for a window.
#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "displays/displayview.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "displaytestsupport.h"

using displaytest::Cells;
using displaytest::cells;
using displaytest::OnePage;
using displaytest::PageWindow;
using displaytest::setCells;
using displaytest::windowOf;

namespace {

constexpr int kSOG = 42, kCOG = 41, kPosition = 43, kTime = 46, kBackground = 120, kMap = 111,
              kZoomIn = 123;

TEST(PageGrid, CellsForWindowsAtSeveralDensities) {
    const std::tuple<const char*, double, double, double, int, int> cases[] = {
        {"laptop 1280x800 at 96 dpi", 1280, 800, 96, 106, 66},
        {"panel 800x480 at 96 dpi", 800, 480, 96, 66, 40},
        {"2560x1600 at 192 dpi", 2560, 1600, 192, 106, 66},
        {"1024x600 at 120 dpi", 1024, 600, 120, 68, 40},
    };
    for (const auto& [name, w, h, dpi, columns, rows] : cases) {
        SCOPED_TRACE(name);
        CDisplayViewArrangementSet set;
        set.dpi = dpi;
        CDisplayViewPageSet* pages =
            set.AddNewArrangement(set.toHundredths(w), set.toHundredths(h));
        ASSERT_NE(pages, nullptr);
        const auto& grid = pages->getCurrentPage()->arrangement();
        EXPECT_EQ(std::make_pair(grid.columns, grid.rows), std::make_pair(columns, rows));
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
    const std::tuple<const char*, int, double, double, Cells> cases[] = {
        {"200x100 text at the top left", kSOG, 1, 1, {0, 0, 8, 16}},
        {"400x400 map", kMap, 1, 1, {0, 0, 32, 32}},
        {"70x50 button", kZoomIn, 30, 30, {2, 2, 4, 6}},
        {"text pressed at the last cell ends at the edges", kSOG, 1320, 820, {58, 90, 8, 16}},
        {"pressed left of and above the page", kSOG, -5, -5, {0, 0, 8, 16}},
        {"pressed far beyond the page", kSOG, 99999, 99999, {58, 90, 8, 16}},
    };
    for (const auto& [name, type, x, y, expected] : cases) {
        SCOPED_TRACE(name);
        PressedPage p;
        p.page->onMouseDown(x, y);
        p.page->onMouseUp(x, y);
        CDisplayView::CItemSettings* added = p.page->AddItemAtPress(type);
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(cells(*added), expected);
    }
}

TEST(PageGrid, ItemWindowsAreInsetByTheMargin) {
    PressedPage p;
    // 12.5 pixels a cell, less the margin of 3 pixels all round.
    auto* w = windowOf(p.page->arrangement().FindItem(p.page->AddItem(kSOG, 1, 2, 8, 16)));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ((std::array<double, 4>{w->x, w->y, w->w, w->h}),
              (std::array<double, 4>{2 * 12.5 + 3, 12.5 + 3, 16 * 12.5 - 6, 8 * 12.5 - 6}));
    EXPECT_EQ(w->layer, 5);
}

TEST(PageGrid, AdjustToFitViewClipsIntoTheGrid) {
    const std::tuple<const char*, Cells, Cells> cases[] = {
        {"inside", {2, 3, 2, 3}, {2, 3, 2, 3}},
        {"off the right edge", {1, 8, 2, 5}, {1, 8, 2, 2}},
        {"above the top", {-2, 0, 5, 1}, {0, 0, 3, 1}},
        {"right of the grid", {0, 10, 1, 2}, {0, 10, 1, 0}},
        {"ends at the top edge", {-3, 0, 3, 1}, {-3, 0, 0, 1}},
        {"extreme values", {0, INT_MIN + 5, 1, INT_MAX}, {0, 0, 1, 4}},
    };
    for (const auto& [name, given, fitted] : cases) {
        SCOPED_TRACE(name);
        CDisplayView::CItemSettings s(kSOG);
        setCells(s, given);
        s.adjustToFitView(10, 8);
        EXPECT_EQ(cells(s), fitted);
    }
}

TEST(PageGrid, FindingSpaceForAnItem) {
    // Name, rows and columns, other items on `layer` (the item is on layer 5),
    // layer, the item, whether room is found, where it is put.
    const std::tuple<const char*, int, std::vector<Cells>, int, Cells, bool, Cells> cases[] = {
        {"free grid keeps the place", 10, {}, 5, {0, 0, 3, 3}, true, {0, 0, 3, 3}},
        {"blocked: next place by rows", 10, {{0, 0, 3, 3}}, 5, {0, 0, 3, 3}, true, {0, 3, 3, 3}},
        {"other layers never block", 10, {{0, 0, 3, 3}}, 4, {0, 0, 3, 3}, true, {0, 0, 3, 3}},
        {"taller than the grid", 10, {}, 5, {0, 0, 11, 2}, false, {0, 0, 11, 2}},
        {"two rows free: cut to them", 10, {{2, 0, 8, 10}}, 5, {0, 0, 4, 4}, true, {0, 0, 2, 4}},
        {"no room at all", 10, {{0, 0, 10, 10}}, 5, {0, 0, 2, 2}, false, {0, 0, 2, 2}},
        // The largest grid a file may hold: the search must not grow with the item's area.
        {"largest grid", 1000, {{0, 0, 1000, 500}}, 5, {0, 0, 500, 500}, true, {0, 500, 500, 500}},
    };
    for (const auto& [name, size, others, layer, given, found, placed] : cases) {
        SCOPED_TRACE(name);
        CDisplayView::CItemArrangement grid;
        grid.rows = grid.columns = size;
        for (const Cells& other : others) {
            grid.settings.push_back(std::make_unique<CDisplayView::CItemSettings>(kCOG));
            setCells(*grid.settings.back(), other);
            grid.settings.back()->layer = layer;
        }
        CDisplayView::CItemSettings item(kSOG);
        setCells(item, given);
        item.layer = 5;
        EXPECT_EQ(grid.findSpaceForItem(item), found);
        EXPECT_EQ(cells(item), placed);
    }
}

TEST(PageGrid, FitToAnotherScreenScalesEveryItem) {
    const std::tuple<const char*, int, int, Cells, Cells> cases[] = {
        {"ten times larger", 2500, 1250, {5, 10, 5, 10}, {50, 100, 50, 100}},
        {"smaller: sizes stay at least one cell", 100, 100, {5, 10, 1, 1}, {4, 4, 1, 1}},
    };
    for (const auto& [name, screenWidth, screenHeight, given, fitted] : cases) {
        SCOPED_TRACE(name);
        CDisplayView::CItemArrangement grid;
        grid.rows = 10, grid.columns = 20;
        grid.settings.push_back(std::make_unique<CDisplayView::CItemSettings>(kSOG));
        setCells(*grid.settings[0], given);
        grid.AdjustCellsForScreen(screenWidth, screenHeight);
        EXPECT_EQ(cells(*grid.settings[0]), fitted);
    }
}

TEST(PageGrid, AnOverlappingNewItemGivesWay) {
    PressedPage p;
    auto* big = p.page->AddItem(kSOG, 0, 0, 20, 40);
    auto* small = p.page->AddItem(kCOG, 15, 30, 10, 20);
    ASSERT_TRUE(big && small);
    // The big one stays; the small one moves off it and keeps its size.
    EXPECT_EQ(cells(*big), (Cells{0, 0, 20, 40}));
    EXPECT_TRUE(small->row >= 20 || small->column >= 40) << small->row << "," << small->column;
    EXPECT_EQ(std::make_pair(small->height, small->width), std::make_pair(10, 20));
}

TEST(PageEditing, DraggingMovesOrResizesByWholeCells) {
    const std::tuple<const char*, bool, bool, double, double, double, double, Cells> cases[] = {
        {"inside: moved 5 cells right, 2 down", false, false, 20, 20, 82.5, 45, {2, 5, 8, 16}},
        // The selected item's bottom-right corner lies at (197, 97).
        {"on the corner: resized", false, true, 190, 90, 240, 115, {0, 0, 10, 20}},
        {"locked: stays", true, false, 20, 20, 120, 120, {0, 0, 8, 16}},
    };
    for (const auto& [name, locked, selected, fromX, fromY, toX, toY, after] : cases) {
        SCOPED_TRACE(name);
        PressedPage p;
        auto* s = p.page->AddItem(kSOG, 0, 0, 8, 16);
        s->locked = locked;
        p.page->modified = false;
        if (selected) p.page->SelectItem(p.page->arrangement().FindItem(s));
        p.page->onMouseDown(fromX, fromY);
        p.page->onMouseDragged(toX, toY);
        p.page->onMouseUp(toX, toY);
        EXPECT_EQ(cells(*s), after);
        EXPECT_EQ(p.page->modified, !locked);
        p.page->SelectItem(p.page->arrangement().FindItem(s));
        EXPECT_EQ(p.page->onArrowKey(1, false), !locked);
    }
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

TEST(PageEditing, ChangeDataKeepsTheCells) {
    PressedPage p;
    auto* s = p.page->AddItem(kSOG, 3, 4, 8, 16, 6);
    auto* changed = p.page->ChangeItemKind(p.page->arrangement().FindItem(s), kCOG);
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(std::make_tuple(changed->GetTypeId(), cells(*changed), changed->layer),
              std::make_tuple(uint32_t(kCOG), Cells{3, 4, 8, 16}, 6));
    EXPECT_EQ(p.page->selectedItem(), p.page->arrangement().FindItem(changed));
    EXPECT_EQ(p.page->arrangement().settings.size(), 1u);
}

TEST(PageSignature, LargestKindsNameThePage) {
    OnePage p;
    p.page->AddItem(kSOG, 0, 0, 10, 10);
    p.page->AddItem(kBackground, 0, 0, 66, 106);
    p.page->AddItem(kPosition, 20, 20, 30, 30);
    p.page->AddItem(kCOG, 0, 50, 10, 10);
    // The background is never counted; equal sizes keep list order.
    const int* sig = p.page->signature();
    EXPECT_EQ((std::array<int, 4>{sig[0], sig[1], sig[2], sig[3]}),
              (std::array<int, 4>{kPosition, kSOG, kCOG, 0}));
    EXPECT_EQ(p.page->getPageName(), "GPS: Position, GPS: Speed over Ground etc");
    const int same[5] = {kPosition, kSOG, kCOG, 0, 0};
    const int other[5] = {kTime, kSOG, 0, 0, 0};
    EXPECT_GT(p.page->compareSignature(same), p.page->compareSignature(other));
}

TEST(PageSets, TheSetNearestTheWindowIsChosen) {
    const std::tuple<const char*, double, double, const char*> cases[] = {
        {"laptop window", 1280, 800, "laptop"},
        {"small panel", 800, 480, "small"},
        {"a portrait window prefers the portrait set", 480, 800, "portrait"},
        {"halfway between: the current one stays", 1040, 640, "laptop"},
    };
    for (const auto& [name, w, h, chosen] : cases) {
        SCOPED_TRACE(name);
        CDisplayViewArrangementSet set;
        set.AddNewArrangement(1333, 833)->name = "laptop";
        set.AddNewArrangement(833, 500)->name = "small";
        set.AddNewArrangement(500, 833)->name = "portrait";
        set.setPageset(set.pageSets.front().get());
        set.setBestPagesetForWindowSize(w, h);
        EXPECT_EQ(set.getPageSet()->name, chosen);
    }
}

TEST(PageSets, NavigationRemovalAndLimits) {
    OnePage p;
    EXPECT_FALSE(p.set->RemoveCurrentPage());  // the last page and set stay
    EXPECT_FALSE(p.arrangement.RemoveCurrentArrangement());
    CDisplayView* first = p.page;
    CDisplayView* second = p.set->AddNewPage();
    CDisplayView* third = p.set->AddNewPage();
    EXPECT_EQ(p.set->getCurrentPage(), third);
    p.set->nextPage();
    EXPECT_EQ(p.set->getCurrentPage(), first);
    p.set->previousPage();
    EXPECT_EQ(p.set->getCurrentPage(), third);
    EXPECT_TRUE(p.set->MoveCurrentPage(-2));
    EXPECT_EQ((std::vector<CDisplayView*>{p.set->pages[0].get(), p.set->pages[1].get(),
                                          p.set->pages[2].get()}),
              (std::vector<CDisplayView*>{third, first, second}));
    EXPECT_FALSE(p.set->MoveCurrentPage(-1));
    EXPECT_TRUE(p.set->RemoveCurrentPage());
    EXPECT_EQ(p.set->pages.size(), 2u);

    while (p.set->pages.size() < 100) ASSERT_NE(p.set->AddNewPage(), nullptr);
    EXPECT_EQ(p.set->AddNewPage(), nullptr);
    EXPECT_FALSE(p.set->AppendPage(std::make_unique<CDisplayView>()));
    while (p.arrangement.pageSets.size() < 25)
        ASSERT_NE(p.arrangement.AddNewArrangement(800, 600), nullptr);
    EXPECT_EQ(p.arrangement.AddNewArrangement(800, 600), nullptr);
}

}  // namespace
