// Fixtures for the page tests: a page window and item windows that record
// where the page puts them, a layout of pages built in code, and a page on
// show holding items of given kinds.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <vector>

#include "displays/displayview.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "geo/units.h"

namespace displaytest {

struct ItemWindow : CDisplayView::IWindow {
    double x = 0, y = 0, w = 0, h = 0;
    int layer = 0;
    int invalidated = 0;
    void Invalidate() override { ++invalidated; }
    void Move(double x_, double y_, double w_, double h_) override {
        x = x_, y = y_, w = w_, h = h_;
    }
    void GetSize(double& w_, double& h_) override { w_ = w, h_ = h; }
    void SetLayer(int l) override { layer = l; }
};

struct PageWindow : CDisplayView::IWindow {
    PageWindow(double w_, double h_) : w(w_), h(h_) {}
    double w, h;
    std::map<CDisplayView::IWindow*, std::unique_ptr<ItemWindow>> itemWindows;
    void Invalidate() override {}
    void Move(double, double, double, double) override {}
    void GetSize(double& w_, double& h_) override { w_ = w, h_ = h; }
    CDisplayView::IWindow* NewItemWindow(CDisplayView::CItem&) override {
        auto window = std::make_unique<ItemWindow>();
        auto* raw = window.get();
        itemWindows[raw] = std::move(window);
        return raw;
    }
    void DeleteItemWindow(CDisplayView::IWindow* window) override { itemWindows.erase(window); }
};

inline ItemWindow* windowOf(const CDisplayView::CItem* item) {
    return item ? static_cast<ItemWindow*>(item->window()) : nullptr;
}

// An item's place as row, column, height, width.
using Cells = std::array<int, 4>;
inline Cells cells(const CDisplayView::CItemSettings& s) {
    return {s.row, s.column, s.height, s.width};
}
inline void setCells(CDisplayView::CItemSettings& s, const Cells& c) {
    s.row = c[0], s.column = c[1], s.height = c[2], s.width = c[3];
}

// An arrangement set with one page set of the given design size (hundredths
// of an inch) and one page with its grid made for it.
struct OnePage {
    explicit OnePage(int screenWidth = 1333, int screenHeight = 833) {
        set = arrangement.AddNewArrangement(screenWidth, screenHeight);
        page = set->getCurrentPage();
    }
    CDisplayViewArrangementSet arrangement;
    CDisplayViewPageSet* set = nullptr;
    CDisplayView* page = nullptr;
};

// A page on show in a recording window, holding one item of each kind
// asked for, with the user's units set to nautical and true bearings.
class ShownPage {
public:
    explicit ShownPage(const std::vector<int>& kinds) : window(1325, 825) {
        savedUnits = *CUnits::Default;
        CUnits::Default->set_unit_family(CUnits::Nautical);
        CUnits::Default->depth_unit = CUnits::DepthM;
        CUnits::Default->bearing_mode = 0;
        CUnits::Default->magnetic_variation = 0;
        int row = 0;
        for (int kind : kinds) {
            page().AddItem(kind, row, 0, 6, 20);
            row = (row + 6) % 60;
        }
        page().Attach(window);
    }
    ~ShownPage() {
        page().DetachFromWindow();
        *CUnits::Default = savedUnits;
    }
    CDisplayView& page() { return *layout.page; }
    template <class Item>
    Item* item(int kind) {
        Item* found = nullptr;
        page().forAllItemsOfType(kind, [&](CDisplayView::CItem& i) {
            if (!found) found = dynamic_cast<Item*>(&i);
        });
        return found;
    }
    CDisplayView::CItemText* text(int kind) { return item<CDisplayView::CItemText>(kind); }
    // The text item of a kind shows this title and value (and units, when given).
    void expectShows(int kind, const char* title, const char* value, const char* units = nullptr) {
        SCOPED_TRACE(title);
        CDisplayView::CItemText* shown = text(kind);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->title(), title);
        EXPECT_EQ(shown->value(), value);
        if (units) {
            EXPECT_EQ(shown->units(), units);
        }
    }

    OnePage layout;
    PageWindow window;
    CUnits savedUnits;
};

}  // namespace displaytest
